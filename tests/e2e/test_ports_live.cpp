// Reaching the user's meter: which device each program port maps to, the port dialog choosing one
// of two pseudo-terminals of fluxa-sim and "Połącz" opening it, and --connect showing results
// with no click at all.
#include <QtTest>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include "app/Application.h"
#include "app/Main.h"
#include "app/settings/About.h"
#include "app/settings/PortDevicesWin.h"
#include "link/PortNames.h"
#include "settings/SettingsStore.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"

namespace {
TPortDevicesWin* OpenPortDialog(FluxaApplication& fluxa) {
  fluxa.PortDevices1->trigger();
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<TPortDevicesWin*>(w); dialog && dialog->isVisible()) return dialog;
  return nullptr;
}
}  // namespace

class TestPortsLive : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    qputenv("FLUXA_SETTINGS", tmp_.filePath("settings.ini").toUtf8());
    QFile::remove(tmp_.filePath("settings.ini"));
    qunsetenv("FLUXA_COM1");
    qunsetenv("FLUXA_COM2");
  }
  // A failed check leaves no dialog behind for the next one to find.
  void cleanup() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<TPortDevicesWin*>(w)) w->close();
  }

  // The environment wins over the stored choice, which wins over the name's own device; the
  // dialog tells of the variable under the name it decides.
  void deviceForEachName_data() {
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("device");
    QTest::newRow("nothing set") << "" << "" << "/dev/ttyS0";
    QTest::newRow("stored") << "" << "/dev/ttyUSB0" << "/dev/ttyUSB0";
    QTest::newRow("variable over stored") << "/dev/pts/7" << "/dev/ttyUSB0" << "/dev/pts/7";
  }
  void deviceForEachName() {
    QFETCH(QString, variable);
    QFETCH(QString, stored);
    QFETCH(QString, device);
    if (!variable.isEmpty()) qputenv("FLUXA_COM1", variable.toUtf8());
    StoreDeviceForPort("COM1", stored);
    QCOMPARE(DeviceForPort("COM1"), device);
    FluxaApplication fluxa;
    TPortDevicesWin* dialog = OpenPortDialog(fluxa);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QString("Parametry transmisji"));
    QCOMPARE(TPortDevicesWin::ChosenDevice(*dialog->Device1), device);
    QCOMPARE(dialog->Note1->toolTip(), variable.isEmpty() ? QString()
                                        : "Zmienna środowiskowa ma pierwszeństwo: FLUXA_COM1=" + variable);
    // A long note loses its middle only.
    QVERIFY(variable.isEmpty() ? dialog->Note1->text().isEmpty() : dialog->Note1->text().endsWith(variable));
    QCOMPARE(dialog->Note2->text(), QString());
    dialog->close();
  }

  // COM1 maps to the reference meter's terminal at first; the user picks the meter's (from the
  // list, or typing its path), and "Połącz" then shows its results on COM1.
  void chosenDeviceIsWhatConnectOpens_data() {
    QTest::addColumn<bool>("typed");
    QTest::newRow("chosen from the list") << false;
    QTest::newRow("typed") << true;
  }
  void chosenDeviceIsWhatConnectOpens() {
    QFETCH(bool, typed);
    MessageRecorder messages;
    SimProcess sim({"--rate", "20", "--field", "12.34"});
    QVERIFY(sim.start());
    StoreDeviceForPort("COM1", sim.referencePath());
    StoreDeviceForPort("COM2", sim.meterPath());
    FluxaApplication fluxa;
    TMainWin& main = fluxa.MainWin();
    main.show();
    TPortDevicesWin* dialog = OpenPortDialog(fluxa);
    QVERIFY(dialog);
    QVERIFY(dialog->Device1->findData(sim.meterPath()) >= 0);  // both terminals are offered
    QCOMPARE(TPortDevicesWin::ChosenDevice(*dialog->Device1), sim.referencePath());
    if (typed)
      dialog->Device1->lineEdit()->setText(sim.meterPath());
    else
      dialog->Device1->setCurrentIndex(dialog->Device1->findData(sim.meterPath()));
    dialog->OK->click();
    QCOMPARE(OpenSettingsStore()->value("ports/COM1").toString(), sim.meterPath());
    QCOMPARE(main.S_Polacz->text(), QString("Połącz"));
    main.S_Polacz->click();
    QVERIFY(main.ComPort1->Connected());
    QCOMPARE(main.ComPort1->DeviceName(), sim.meterPath());
    QVERIFY(main.StatusPanel0->text().startsWith("Połączony na") && main.StatusPanel0->text().endsWith("COM1"));
    QVERIFY(sim.pumpUntil([&] { return main.SWynik->text().contains("12"); }, 20000));
    QVERIFY(messages.texts().isEmpty());
  }

  // A logging PC starts the program with --connect: results come with nobody at the keyboard.
  void connectOptionShowsResultsWithoutAClick() {
    MessageRecorder messages;
    SimProcess sim({"--rate", "20", "--field", "45.6"});
    QVERIFY(sim.start());
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    StartOptions options;
    options.connect = true;
    FluxaApplication fluxa(options);
    fluxa.Start();
    TMainWin& main = fluxa.MainWin();
    QVERIFY(main.ComPort1->Connected());
    // The start-up screen goes by itself; then the window shows the meter's results.
    QVERIFY(sim.pumpUntil([&] { return main.isVisible() && main.SWynik->text().contains("45"); },
                          30000));
    QVERIFY(!fluxa.AboutWin().isVisible());
    QVERIFY(messages.texts().isEmpty());
  }

 private:
  QTemporaryDir tmp_;
};

QTEST_MAIN(TestPortsLive)
#include "test_ports_live.moc"
