// The window publishing to a real mosquitto broker that the test starts: its dialog keeps the
// settings but never the password, OK starts publishing at once, every live result reaches a
// subscriber in order, and the status line tells the state, also while the broker is away.
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

    // The dialog, as a user fills it.
    TMqttWin* dialog = TMqttWin::Open(&live.window);
    dialog->Publikuj->setChecked(true);
    dialog->Broker->setText("127.0.0.1");
    dialog->Port->setValue(broker.port());
    dialog->Prefiks->setText("lab");
    dialog->Uzytkownik->setText("anna");
    dialog->Stanowisko->setText("hall 2");
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
