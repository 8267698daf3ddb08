// The window publishing to a real mosquitto broker that the test starts: its dialog keeps the
// settings but never the password, OK starts publishing at once, every live result reaches a
// subscriber in order, and the status line tells the state, also while the broker is away. The
// topic follows the service panel's serial number while results stream, and the port's link is
// told on the meter's own status topic.
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "app/settings/MqttWin.h"
#include "publish/MqttPublisher.h"
#include "publish/PublishSettings.h"
#include "settings/Jezyki.h"
#include "tests/common/BrokerProcess.h"
#include "tests/e2e/LiveWindow.h"

namespace {
QStringList PublishedValues(Subscriber& subscriber) {
  QStringList values;
  for (const QString& line : subscriber.lines()) {
    const qsizetype space = line.indexOf(' ');
    if (!line.left(space).endsWith("/results")) continue;
    for (const QJsonValue& v : QJsonDocument::fromJson(line.mid(space + 1).toUtf8()).array())
      values << QString::number(v.toObject()["value"].toDouble(), 'f', 2);
  }
  return values;
}

// Every published result with the topic it came under, in order of arrival.
QList<std::pair<QString, QJsonObject>> PublishedResults(Subscriber& subscriber) {
  QList<std::pair<QString, QJsonObject>> results;
  for (const QString& line : subscriber.lines()) {
    const QString topic = line.section(' ', 0, 0);
    if (!topic.endsWith("/results")) continue;
    for (const QJsonValue& v : QJsonDocument::fromJson(line.section(' ', 1).toUtf8()).array())
      results.append({topic, v.toObject()});
  }
  return results;
}

int CountUnder(Subscriber& subscriber, const QString& topic) {
  int n = 0;
  for (const auto& [under, result] : PublishedResults(subscriber)) n += under == topic;
  return n;
}

void WriteSettings(int port, bool enabled) {
  PublishSettings settings;
  settings.enabled = enabled;
  settings.target = MqttTarget{"127.0.0.1", port, "lab", "", false, ""};
  QVERIFY(WritePublishSettings(settings));
  QVERIFY(WriteBenchId("hall 2"));
}
}  // namespace

class TestPublishLive : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    qputenv("FLUXA_SETTINGS", dir_.filePath("settings.ini").toUtf8());
    qputenv("FLUXA_MQTT_PASSWORD", "secret");
    CurrentLanguage = "Polski";
  }

  void publishingFromTheWindow() {
    BrokerProcess broker({false, "anna", "secret"});
    QVERIFY(broker.start());
    Subscriber subscriber(broker, "lab/#", {"-u", "anna", "-P", "secret"});
    QVERIFY(subscriber.start());
    LiveWindow live({"--rate", "20", "--wave", "ramp", "--slope", "1", "--period", "1000"});
    QVERIFY(live.Start());
    QVERIFY(!live.window.StatusMqtt->isVisible());

    // The dialog, as a user fills it; the bench's id comes from the calibration database's
    // window and is shown here only.
    QVERIFY(WriteBenchId("hall 2"));
    TMqttWin* dialog = TMqttWin::Open(&live.window);
    QVERIFY(dialog->Stanowisko->isReadOnly());
    dialog->Publikuj->setChecked(true);
    dialog->Broker->setText("127.0.0.1");
    dialog->Port->setValue(broker.port());
    dialog->Prefiks->setText("lab");
    dialog->Uzytkownik->setText("anna");
    dialog->OK->click();
    QTRY_COMPARE_WITH_TIMEOUT(live.window.StatusMqtt->text(), QString("MQTT: połączono"), 10000);
    QVERIFY(live.window.StatusMqtt->isVisible());
    QFile settings(dir_.filePath("settings.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray stored = settings.readAll();
    QVERIFY2(stored.contains("host=127.0.0.1") && stored.contains("user=anna") && stored.contains("id=hall 2"),
             stored.constData());
    QVERIFY(!stored.contains("secret"));  // the password stays out of the store

    // Every result the window takes goes out, in order.
    QVERIFY(live.Connect());
    QVERIFY(live.sim.pumpUntil([&] { return PublishedValues(subscriber).size() >= 30; }, 10000));
    live.window.Poczony1Click();  // disconnect: nothing more comes
    const int taken = int(live.window.Publishing().Publisher()->Delivered() + live.window.Publishing().Publisher()->Waiting());
    QVERIFY(live.sim.pumpUntil([&] { return PublishedValues(subscriber).size() == taken; }, 10000));
    const QStringList values = PublishedValues(subscriber);
    for (int i = 1; i < values.size(); ++i)  // a rising ramp: in the order measured
      QVERIFY2(values[i].toDouble() >= values[i - 1].toDouble(), qPrintable(values.join(' ')));
    const QString topic = QString("lab/hall_2/COM1/status");
    QCOMPARE(subscriber.payloads(topic), QStringList{"online"});

    // The broker goes away: the status line says so and counts what waits.
    QVERIFY(broker.stop());
    QTRY_VERIFY_WITH_TIMEOUT(live.window.StatusMqtt->text().startsWith("MQTT: brak połączenia"), 10000);

    // Switched off in the dialog: nothing is published, the status line goes.
    dialog = TMqttWin::Open(&live.window);
    QVERIFY(dialog->Publikuj->isChecked());
    QCOMPARE(dialog->Stanowisko->text(), QString("hall 2"));
    dialog->Publikuj->setChecked(false);
    dialog->OK->click();
    QVERIFY(!live.window.Publishing().Active());
    QVERIFY(!live.window.StatusMqtt->isVisible());
  }

  // While results stream at the line rate: the panel's serial number given, changed or
  // cleared moves the results to the meter's new topic (the old one "offline", its meter
  // "disconnected"), none lost or repeated, seq running on; "Rozłącz" and a device that goes
  // away tell "disconnected" on the meter's topic while the program stays "online".
  void meterOnTheBroker_data() {
    QTest::addColumn<QString>("serialBefore");
    QTest::addColumn<QString>("action");  // "serial TEXT", "disconnect", "hangup"
    QTest::addColumn<QString>("meterAfter");
    QTest::newRow("serial given") << "" << "serial KV 12" << "KV_12";
    QTest::newRow("another serial") << "KV-1" << "serial KV-2" << "KV-2";
    QTest::newRow("serial cleared") << "KV-1" << "serial " << "COM1";
    QTest::newRow("Rozłącz") << "" << "disconnect" << "COM1";
    QTest::newRow("device lost") << "" << "hangup" << "COM1";
  }
  void meterOnTheBroker() {
    QFETCH(QString, serialBefore);
    QFETCH(QString, action);
    QFETCH(QString, meterAfter);
    QTemporaryDir own;
    qputenv("FLUXA_SETTINGS", own.filePath("settings.ini").toUtf8());
    BrokerProcess broker;
    QVERIFY(broker.start());
    Subscriber subscriber(broker, "lab/#");
    QVERIFY(subscriber.start());
    WriteSettings(broker.port(), false);
    LiveWindow live({"--rate", "137", "--wave", "ramp", "--slope", "1", "--period", "1000"});
    QVERIFY(live.Start());
    live.window.Send->NumerSeryjnyMiernika->setText(serialBefore);
    WriteSettings(broker.port(), true);
    live.window.StartPublishing(false);
    QTRY_COMPARE_WITH_TIMEOUT(live.window.StatusMqtt->text(), QString("MQTT: połączono"), 10000);
    const MqttPublisher* publisher = live.window.Publishing().Publisher();
    const QString before = "lab/hall_2/" + (serialBefore.isEmpty() ? QString("COM1") : serialBefore);
    QCOMPARE(publisher->ResultsTopic(), before + "/results");

    QVERIFY(live.Connect());
    QVERIFY(live.sim.pumpUntil([&] { return CountUnder(subscriber, before + "/results") >= 100; }, 10000));
    const QString after = "lab/hall_2/" + meterAfter;
    if (action.startsWith("serial ")) {
      live.window.Send->NumerSeryjnyMiernika->setText(action.mid(7));
      QCOMPARE(publisher->ResultsTopic(), after + "/results");
      QVERIFY(live.sim.pumpUntil([&] { return CountUnder(subscriber, after + "/results") >= 100; }, 10000));
      live.window.Poczony1Click();
    } else if (action == "disconnect") {
      live.window.Poczony1Click();
    } else {
      QVERIFY(live.sim.command("hangup"));
      QVERIFY(live.sim.pumpUntil([&] { return !live.window.ComPort1->Connected(); }, 10000));
    }

    // Every result the window took, once, in the order measured, seq 1 upwards from one
    // publisher, each naming the station, the meter of its topic and the panel's serial.
    const int taken = int(publisher->Delivered() + publisher->Waiting());
    QVERIFY(live.sim.pumpUntil([&] { return PublishedResults(subscriber).size() >= taken; }, 10000));
    const auto results = PublishedResults(subscriber);
    QCOMPARE(results.size(), taken);
    for (int i = 0; i < results.size(); ++i) {
      const auto& [topic, r] = results[i];
      QCOMPARE(r["seq"].toInt(), i + 1);
      QCOMPARE(r["publisher"], results[0].second["publisher"]);
      QCOMPARE(r["station"].toString(), QString("hall 2"));
      QCOMPARE("lab/hall_2/" + MqttPublisher::TopicLevel(r["meter"].toString()) + "/results", topic);
      QCOMPARE(r["serial"].toString(), topic == before + "/results" ? serialBefore : action.mid(7).trimmed());
      if (i) QVERIFY2(r["value"].toDouble() >= results[i - 1].second["value"].toDouble(), qPrintable(QString::number(i)));
    }
    // What each topic was told, in order: the meter's link and the program's status.
    QMap<QString, QStringList> told;
    if (before != after) {
      told[before + "/status"] = QStringList{"online", "offline"};
      told[before + "/meter"] = QStringList{"disconnected", "connected", "disconnected"};
      told[after + "/status"] = QStringList{"online"};
      told[after + "/meter"] = QStringList{"connected", "disconnected"};
    } else {
      told[after + "/status"] = QStringList{"online"};
      told[after + "/meter"] = QStringList{"disconnected", "connected", "disconnected"};
    }
    for (const auto& [topic, payloads] : told.asKeyValueRange()) {
      live.sim.pumpUntil([&] { return subscriber.payloads(topic).size() >= payloads.size(); }, 10000);
      QCOMPARE(subscriber.payloads(topic), payloads);
    }
    // A dashboard opened now sees the newest result at once.
    Subscriber late(broker, after + "/#");
    QVERIFY(late.start());
    QCOMPARE(QJsonDocument::fromJson(late.payloads(after + "/last").value(0).toUtf8())["seq"].toInt(), taken);
    qputenv("FLUXA_SETTINGS", dir_.filePath("settings.ini").toUtf8());
  }

  // OK refuses what cannot be a broker's address and says why; nothing is stored.
  void dialogRefuses_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("no broker") << "" << "lab";
    QTest::newRow("no prefix") << "broker" << "";
    QTest::newRow("a wildcard") << "broker" << "lab/#";
  }
  void dialogRefuses() {
    QFETCH(QString, host);
    QFETCH(QString, prefix);
    QTemporaryDir own;
    qputenv("FLUXA_SETTINGS", own.filePath("settings.ini").toUtf8());
    TMainWin window;
    TMqttWin* dialog = TMqttWin::Open(&window);
    dialog->Publikuj->setChecked(true);
    dialog->Broker->setText(host);
    dialog->Prefiks->setText(prefix);
    dialog->OK->click();
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->Blad->text().isEmpty());
    QVERIFY(!window.Publishing().Active());
    dialog->Anuluj->click();
    QVERIFY(!QFile::exists(own.filePath("settings.ini")) || !ReadPublishSettings().enabled);
    qputenv("FLUXA_SETTINGS", dir_.filePath("settings.ini").toUtf8());
  }
};

QTEST_MAIN(TestPublishLive)
#include "test_publish_live.moc"
