// fluxa-cli watch and record publishing to a real mosquitto broker that the test starts on a
// free localhost port, with fluxa-sim as the meter: every result once and in order with the
// bench's and the port's names, the newest retained, the meter "connected" while the command runs,
// the retained status and the Last Will after a kill -9, and how a broker that cannot be used ends
// the command.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>

#include "publish/MqttPublisher.h"
#include "tests/cli/CliRun.h"
#include "tests/common/BrokerProcess.h"
#include "tests/common/SimProcess.h"

namespace {
// The time_s of every published result, in the order they arrived.
QStringList PublishedTimes(Subscriber& subscriber, const QString& topicEnd) {
  QStringList times;
  for (const QString& line : subscriber.lines()) {
    const qsizetype space = line.indexOf(' ');
    if (!line.left(space).endsWith(topicEnd)) continue;
    for (const QJsonValue& v : QJsonDocument::fromJson(line.mid(space + 1).toUtf8()).array())
      times << QString::number(v.toObject()["time_s"].toDouble(), 'f', 3);
  }
  return times;
}

// The time_s column of watch's csv rows.
QStringList RowTimes(const QByteArray& out) {
  QStringList times;
  for (const QByteArray& line : out.split('\n'))
    if (!line.isEmpty() && !line.startsWith("time_s")) times << QString::number(line.split(',').first().toDouble(), 'f', 3);
  return times;
}
}  // namespace

class TestCliMqtt : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  // What a subscriber gets is what the command printed, result for result, in order, with the
  // time in UTC beside; the data file of record is written whatever the broker does.
  void everyResultOnceInOrder_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("watch") << "watch";
    QTest::newRow("record") << "record";
  }
  void everyResultOnceInOrder() {
    QFETCH(QString, command);
    BrokerProcess broker;
    QVERIFY(broker.start());
    Subscriber subscriber(broker, "lab/#");
    QVERIFY(subscriber.start());
    SimProcess sim({"--rate", "137", "--wave", "sine", "--amplitude", "40", "--period", "2"});
    QVERIFY(sim.start());
    CliRun cli;
    cli.env.insert("FLUXA_SETTINGS", dir_.filePath("bench.ini"));
    QVERIFY(WriteFile(dir_.filePath("bench.ini"), "[bench]\nid=hall 2\n"));
    QStringList args{command, "-p", sim.meterPath(), "-c", "400", "-f", "csv", "--mqtt", broker.url("lab")};
    if (command == "record") args << "-o" << dir_.filePath("night.F3D");
    QCOMPARE(cli.run(args), 0);
    const QStringList printed = RowTimes(cli.out);
    QCOMPARE(printed.size(), 400);
    const QString meter = QFileInfo(sim.meterPath()).fileName();
    QVERIFY2(cli.err.contains("lab/hall_2/" + meter.toUtf8() + "/results"), cli.err.constData());
    QVERIFY(Subscriber::pumpUntil([&] { return PublishedTimes(subscriber, "/results").size() >= 400; }, 10000));
    QCOMPARE(PublishedTimes(subscriber, "/results"), printed);
    // At most one message every 100 ms while results stream (137 a second): about 30 for 400.
    int messages = 0;
    for (const QString& line : subscriber.lines()) messages += line.section(' ', 0, 0).endsWith("/results");
    QVERIFY2(messages <= 45, qPrintable(QString::number(messages)));
    const QString first = subscriber.payloads(QString("lab/hall_2/%1/results").arg(meter)).value(0);
    QVERIFY2(QRegularExpression("\"utc\": \"\\d{4}-\\d\\d-\\d\\dT[0-9:.]+Z\"").match(first).hasMatch(), qPrintable(first));
    QCOMPARE(subscriber.payloads(QString("lab/hall_2/%1/status").arg(meter)), (QStringList{"online", "offline"}));
    QCOMPARE(subscriber.payloads(QString("lab/hall_2/%1/meter").arg(meter)), (QStringList{"connected", "disconnected"}));
    const QJsonObject result = QJsonDocument::fromJson(first.toUtf8()).array().at(0).toObject();
    QCOMPARE(result["station"].toString(), QString("hall 2"));
    QCOMPARE(result["meter"].toString(), meter);
    QCOMPARE(result["serial"].toString(), QString());
    // The newest result stays for whoever subscribes later.
    Subscriber late(broker, QString("lab/hall_2/%1/#").arg(meter));
    QVERIFY(late.start());
    const QJsonObject newest = QJsonDocument::fromJson(late.payloads(QString("lab/hall_2/%1/last").arg(meter)).value(0).toUtf8()).object();
    QCOMPARE(QString::number(newest["time_s"].toDouble(), 'f', 3), printed.last());
    QCOMPARE(newest["seq"].toInt(), 400);
    if (command == "record") QVERIFY(QFile::exists(dir_.filePath("night.F3D")));
  }

  // However the command ends (the device hangs up, Ctrl+C), the meter's topic says
  // "disconnected" last, and the program's own status "offline".
  void meterLinkAtTheEnd_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("signal");  // 0: the device hangs up
    QTest::addColumn<int>("code");
    QTest::newRow("watch, hang-up") << "watch" << 0 << 2;
    QTest::newRow("record, hang-up") << "record" << 0 << 2;
    QTest::newRow("watch, Ctrl+C") << "watch" << SIGINT << 0;
  }
  void meterLinkAtTheEnd() {
    QFETCH(QString, command);
    QFETCH(int, signal);
    QFETCH(int, code);
    BrokerProcess broker;
    QVERIFY(broker.start());
    Subscriber subscriber(broker, "lab/#");
    QVERIFY(subscriber.start());
    SimProcess sim({"--rate", "40"});
    QVERIFY(sim.start());
    CliRun cli;
    QStringList args{command, "-p", sim.meterPath(), "--mqtt", broker.url("lab")};
    if (command == "record") args << "-o" << dir_.filePath("hangup.F3D");
    cli.start(args);
    QVERIFY(cli.waitForLines(3));
    const QString topic = QString("lab/%1/%2/").arg(MqttPublisher::TopicLevel(QSysInfo::machineHostName()),
                                                    QFileInfo(sim.meterPath()).fileName());
    QVERIFY(Subscriber::pumpUntil([&] { return subscriber.payloads(topic + "meter") == QStringList{"connected"}; }, 10000));
    if (signal)
      ::kill(pid_t(cli.process.processId()), signal);
    else
      QVERIFY(sim.command("hangup"));
    QCOMPARE(cli.finish(), code);
    QVERIFY(Subscriber::pumpUntil([&] { return subscriber.payloads(topic + "status").size() == 2; }, 10000));
    QCOMPARE(subscriber.payloads(topic + "meter"), QStringList({"connected", "disconnected"}));
    QCOMPARE(subscriber.payloads(topic + "status"), QStringList({"online", "offline"}));
  }

  // Killed without a word, the broker tells the subscribers "offline" for it, and keeps it.
  void lastWillAfterAKill() {
    BrokerProcess broker;
    QVERIFY(broker.start());
    Subscriber subscriber(broker, "lab/#");
    QVERIFY(subscriber.start());
    SimProcess sim({"--rate", "20"});
    QVERIFY(sim.start());
    CliRun cli;
    cli.start({"watch", "-p", sim.meterPath(), "--mqtt", broker.url("lab")});
    QVERIFY(cli.waitForLines(5));
    const QString status = QString("lab/%1/%2/status").arg(QSysInfo::machineHostName(), QFileInfo(sim.meterPath()).fileName());
    QVERIFY(Subscriber::pumpUntil([&] { return subscriber.payloads(status) == QStringList{"online"}; }, 5000));
    ::kill(pid_t(cli.process.processId()), SIGKILL);
    QVERIFY(Subscriber::pumpUntil([&] { return subscriber.payloads(status) == QStringList({"online", "offline"}); }, 10000));
    Subscriber late(broker, "lab/#");
    QVERIFY(late.start());
    QVERIFY(Subscriber::pumpUntil([&] { return late.payloads(status) == QStringList{"offline"}; }, 5000));
  }

  // A broker that cannot be used ends the command at once with one line; a malformed URL is a
  // bad command line.
  void unusableBroker_data() {
    QTest::addColumn<QString>("url");       // HOST stands for 127.0.0.1:port of the broker
    QTest::addColumn<QString>("password");  // $FLUXA_MQTT_PASSWORD
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    QTest::newRow("no broker there") << "mqtt://127.0.0.1:FREE/lab" << "" << 2 << "cannot reach the broker";
    QTest::newRow("wrong password") << "mqtt://anna@HOST/lab" << "guess" << 2 << "refused";
    QTest::newRow("right password") << "mqtt://anna@HOST/lab" << "secret" << 0 << "publishing to";
    QTest::newRow("no prefix") << "mqtt://HOST" << "" << 1 << "no topic prefix";
    QTest::newRow("another scheme") << "http://HOST/lab" << "" << 1 << "mqtt://";
  }
  void unusableBroker() {
    QFETCH(QString, url);
    QFETCH(QString, password);
    QFETCH(int, code);
    QFETCH(QString, says);
    BrokerProcess broker({false, "anna", "secret"});
    QVERIFY(broker.start());
    SimProcess sim({"--rate", "20"});
    QVERIFY(sim.start());
    url.replace("HOST", QString("127.0.0.1:%1").arg(broker.port()));
    url.replace("FREE", QString::number(BrokerProcess::FreePort()));
    CliRun cli;
    if (!password.isEmpty()) cli.env.insert("FLUXA_MQTT_PASSWORD", password);
    QCOMPARE(cli.run({"watch", "-p", sim.meterPath(), "-c", "3", "--mqtt", url}), code);
    QVERIFY2(cli.err.contains(says.toUtf8()), cli.err.constData());
    QCOMPARE(cli.err.count('\n'), code == 0 ? 2 : 1);  // one line, or the two of a good start
  }
};

QTEST_GUILESS_MAIN(TestCliMqtt)
#include "test_cli_mqtt.moc"
