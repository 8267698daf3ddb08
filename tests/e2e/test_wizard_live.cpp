// The calibration wizard end to end: fluxa-sim's meter and reference meter on pseudo-terminals,
// the real wizard window offscreen.
#include <QtTest>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <algorithm>
#include <initializer_list>

#include "app/Application.h"
#include "app/ServicePanel.h"
#include "settings/Jezyki.h"
#include "tests/e2e/LiveWindow.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/KalibracjaOpcje.h"
#include "wizard/KalibracjaTablica.h"
#include "wizard/KalibracjaWykres.h"
#include "wizard/ReferenceProtocol.h"
#include "wizard/WizardTexts.h"

namespace {
using Phase = CalibrationSteps::Phase;
const QByteArray kLo2 = "\x1BLO2\r";
const QByteArray kLo1 = "\x1BLO1\r";
const QByteArray kMe1 = "\x1BME100000000\r";
// Long enough for any wait of the steps on a busy machine: the handshake's ten tries with their
// guard are the longest, 14.2 s.
constexpr int kStepTimeoutMs = 20000;

int CountOf(const QList<SimProcess::Rx>& commands, const QByteArray& command, int from = 0) {
  int n = 0;
  for (qsizetype i = from; i < commands.size(); ++i) n += commands[i].bytes == command;
  return n;
}

// Runs the event loop until the wizard's steps are in one of `phases`.
bool AwaitPhase(SimProcess& sim, const TkKalibracja& wizard, std::initializer_list<Phase> phases,
                int timeoutMs = kStepTimeoutMs) {
  return sim.pumpUntil(
      [&] { return std::find(phases.begin(), phases.end(), wizard.Phase()) != phases.end(); }, timeoutMs);
}

// The simulator (meter at gain 16000 of 20000, so it reads 0.8 of the field, in Gs) and the
// wizard on its ports.
struct LiveWizard {
  explicit LiveWizard(const QStringList& args = {})
      : sim(QStringList{"--unit", "Gs", "--field", "50", "--gain", "16000"} + args) {}
  bool Start() {
    if (!sim.start()) return false;
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    qputenv("FLUXA_COM2", sim.referencePath().toUtf8());
    return wizard.OpenFor(nullptr, 0, 1);
  }
  int Page() const { return wizard.kWizardPages->currentIndex(); }
  bool Is(Phase phase) const { return wizard.Phase() == phase; }
  bool Await(std::initializer_list<Phase> phases) { return AwaitPhase(sim, wizard, phases); }
  // "Dalej >>" on page 0: true once both meters are connected (page 1); false when the opening
  // was refused (back in Idle on page 0) or it never ended.
  bool Connect() {
    wizard.kDalejClick();
    return Await({Phase::Sampling, Phase::Idle}) && Is(Phase::Sampling);
  }
  // "Rejestruj": true once the sample is in the table.
  bool Register() {
    const int before = wizard.Samples().Count();
    wizard.kWizardRejestruj->click();
    return Await({Phase::Sampling}) && wizard.Samples().Count() == before + 1;
  }
  // "<< Wstecz" on page 1: true once both ports are closed and page 0 takes "Dalej >>" again.
  bool BackToPage0() {
    wizard.kWsteczClick();
    return Await({Phase::Idle});
  }
  bool BothOffline() const {
    return wizard.kStatusPanel0->text() == "Wzor: Offline" &&
           wizard.kStatusPanel1->text() == "Kalib: Offline" && !wizard.Link().kComWzor.Connected() &&
           !wizard.Link().kComKalib.Connected();
  }
  // Waits for both labels to read as given.
  bool Readings(const QString& reference, const QString& calibrated, int timeoutMs = 5000) {
    return sim.pumpUntil(
        [&] {
          return wizard.kWizardWzorLabel->text() == reference &&
                 wizard.kWizardKalLabel->text() == calibrated;
        },
        timeoutMs);
  }
  // Waits for `polls` more measurement queries.
  bool MorePolls(int polls, int timeoutMs = 5000) {
    const int target = CountOf(sim.referenceCommands(), kMe1) + polls;
    return sim.pumpUntil([&] { return CountOf(sim.referenceCommands(), kMe1) >= target; }, timeoutMs);
  }
  MessageRecorder messages;
  SimProcess sim;
  TkKalibracja wizard;
};
}  // namespace

class TestWizardLive : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    qputenv("FLUXA_SETTINGS", settingsDir_.filePath("settings.ini").toUtf8());
  }

  void handshakeThenLiveReadings() {
    LiveWizard live;
    QVERIFY(live.Start());
    QCOMPARE(live.wizard.windowTitle(), QString("Kalibracja - zakres: DC1"));
    QVERIFY(live.BothOffline());
    QVERIFY(live.Connect());
    QCOMPARE(live.Page(), 1);
    QCOMPARE(live.wizard.Step(), 1);
    QCOMPARE(live.wizard.kStatusPanel0->text(), QString("Wzor: Online"));
    QCOMPARE(live.wizard.kStatusPanel1->text(), QString("Kalib: Online"));
    QVERIFY(!live.wizard.kTabOpcje->kComComboBox3->isEnabled());
    QVERIFY(!live.wizard.kTabOpcje->ComComboBox4->isEnabled());
    QVERIFY(live.Readings("50.00", "40"));
    const auto commands = live.sim.referenceCommands();
    QCOMPARE(commands.first().bytes, kLo2);
    QCOMPARE(CountOf(commands, kLo2), 1);
    QVERIFY(CountOf(commands, kMe1) >= 1);
    QCOMPARE(live.wizard.kTabOpcje->Label13->text(), QString("40"));
    QVERIFY(live.messages.texts().isEmpty());

    // Registration takes the two readings of the moment.
    QVERIFY(live.Register());
    QCOMPARE(live.wizard.SG1->item(0, 2)->text(), QString("50"));
    QCOMPARE(live.wizard.SG1->item(0, 3)->text(), QString("40"));
    QVERIFY(live.sim.command("field 100"));
    QVERIFY(live.Readings("100.00", "80"));
    QVERIFY(live.Register());
    QCOMPARE(live.wizard.kWizardIloscProbekLabel->text(), QString("2"));
    QCOMPARE(live.wizard.SG1->item(1, 2)->text(), QString("100"));
    QCOMPARE(live.wizard.SG1->item(1, 3)->text(), QString("80"));
    live.wizard.kDalejClick();
    QVERIFY(live.Await({Phase::Ready}));
    QCOMPARE(live.Page(), 2);
    QCOMPARE(live.wizard.TargetReading(), 100.0);
    QCOMPARE(live.wizard.Label35->text(), QString("100.0"));
    live.wizard.kWsteczClick();
    QVERIFY(live.Await({Phase::Sampling}));
    QCOMPARE(live.Page(), 1);
    QCOMPARE(live.wizard.Samples().Count(), 2);

    // Back to the first page: the meter under calibration closes first, so the reference meter
    // is sent back to local control while its port is still open, and that port closes only
    // after the command's pause.
    const int before = int(live.sim.referenceCommands().size());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(live.BackToPage0());
    const qint64 backMs = clock.elapsed();
    QVERIFY2(backMs >= reference::kSlavePauseMs - 10, qPrintable(QString::number(backMs)));
    QCOMPARE(live.Page(), 0);
    QVERIFY(live.BothOffline());
    QVERIFY(live.sim.pumpUntil(
        [&] {
          const auto all = live.sim.referenceCommands();
          return all.size() > before && all.last().bytes == kLo1;
        },
        5000));
    QCOMPARE(CountOf(live.sim.referenceCommands(), kLo1, before), 1);
    QCOMPARE(live.wizard.kWizardIloscProbekLabel->text(), QString("0"));
    QVERIFY(live.wizard.kDalej->isEnabled());
  }

  void signInversion() {
    LiveWizard live;
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QCOMPARE(live.Page(), 1);
    QVERIFY(live.sim.command("field -50"));
    QVERIFY(live.Readings("-50.00", "-40"));
    live.wizard.CheckBox2->click();
    QVERIFY(live.Readings("-50.00", "40"));
    QVERIFY(live.Register());
    QCOMPARE(live.wizard.Samples().At(1).ucal, 40.0);
    QCOMPARE(live.wizard.Samples().At(1).uwz, -50.0);
    live.wizard.CheckBox2->click();
    QVERIFY(live.Readings("-50.00", "-40"));
  }

  // A reference meter that never acknowledges: at most ten tries, one message, back on the
  // first page with both ports closed, and a later attempt works.
  void unacknowledgedSetMaster_data() {
    QTest::addColumn<QString>("misbehaviour");
    QTest::newRow("silent") << "ref-silent on";
    QTest::newRow("answers with CR") << "ref-lo-reply LO2\\r";
  }
  void unacknowledgedSetMaster() {
    QFETCH(QString, misbehaviour);
    LiveWizard live;
    QVERIFY(live.Start());
    QVERIFY(live.sim.command(misbehaviour));
    QVERIFY(!live.Connect());
    QVERIFY(live.Is(Phase::Idle));
    QCOMPARE(live.messages.texts(), QStringList{"Niepowodzenie"});
    QCOMPARE(live.Page(), 0);
    QCOMPARE(live.wizard.Step(), 0);
    QVERIFY(live.BothOffline());
    QVERIFY(!live.wizard.kWstecz->isEnabled());
    QVERIFY(live.wizard.kDalej->isEnabled());
    // The meter's port closing sends the reference meter back to local control after the last
    // try; once that has come, every try has.
    QVERIFY(live.sim.pumpUntil([&] { return CountOf(live.sim.referenceCommands(), kLo1) >= 1; }, 5000));
    QCOMPARE(CountOf(live.sim.referenceCommands(), kLo2), 10);
    QCOMPARE(CountOf(live.sim.referenceCommands(), kLo1), 1);
    QCOMPARE(live.sim.referenceCommands().last().bytes, kLo1);
    // Each try waits 200 ms for its answer (the simulator's stamps jitter; their span does not).
    const auto tries = live.sim.referenceCommands();
    const double span = tries[9].ms - tries[0].ms;
    QVERIFY2(span >= 9 * 190, qPrintable(QString::number(span)));
    QCOMPARE(CountOf(live.sim.referenceCommands(), kMe1), 0);

    QVERIFY(live.sim.command(misbehaviour.startsWith("ref-silent") ? "ref-silent off" : "ref-lo-reply echo"));
    QVERIFY(live.Connect());
    QCOMPARE(live.Page(), 1);
    QVERIFY(live.Readings("50.00", "40"));
    QCOMPARE(live.messages.texts().size(), 1);
  }

  // A reference meter that has stopped answering does not hold the window open, whether the
  // close comes on page 1 or while the opening still takes the meter under remote control.
  void closingWithASilentReferenceReturns_data() {
    QTest::addColumn<bool>("connected");
    QTest::newRow("page 1") << true;
    QTest::newRow("during the handshake") << false;
  }
  void closingWithASilentReferenceReturns() {
    QFETCH(bool, connected);
    LiveWizard live;
    QVERIFY(live.Start());
    if (connected) {
      QVERIFY(live.Connect());
      QVERIFY(live.sim.command("ref-silent on"));
    } else {
      QVERIFY(live.sim.command("ref-silent on"));
      live.wizard.kDalejClick();
      QVERIFY(live.sim.pumpUntil([&] { return CountOf(live.sim.referenceCommands(), kLo2) >= 2; }, 5000));
      QVERIFY(live.Is(Phase::Connecting));
    }
    const int before = int(live.sim.referenceCommands().size());
    QElapsedTimer clock;
    clock.start();
    live.wizard.close();
    // The window stays, its controls disabled, while the closing sequence runs; another close
    // meanwhile does not start it again.
    QVERIFY(live.wizard.isVisible());
    QVERIFY(live.wizard.Steps().Closing());
    QVERIFY(!live.wizard.kDalej->isEnabled());
    QVERIFY(!live.wizard.kWstecz->isEnabled());
    QVERIFY(!live.wizard.kWizardRejestruj->isEnabled());
    QVERIFY(!live.wizard.kWizardReset->isEnabled());
    live.wizard.close();
    QVERIFY(live.sim.pumpUntil([&] { return !live.wizard.isVisible(); }, kStepTimeoutMs));
    const qint64 closingMs = clock.elapsed();
    qInfo("closing with a silent reference meter took %lld ms", closingMs);
    // Ten tries of 100 ms and Set Slave's 200 ms: the release ends with its tries, never by its
    // guard (13 s).
    QVERIFY2(closingMs < 5000, qPrintable(QString::number(closingMs)));
    QVERIFY(live.BothOffline());
    QCOMPARE(live.wizard.Step(), 0);
    QVERIFY(live.Is(Phase::Idle));
    // Only the release's refusal is told: a handshake cut short by the close is not.
    QCOMPARE(live.messages.texts(), QStringList{"Niepowodzenie"});
    // Ten releases, then the local-control command of the meter's port closing; all of them
    // went out before the reference port closed, and nothing else came after the first.
    QVERIFY(live.sim.pumpUntil(
        [&] { return CountOf(live.sim.referenceCommands(), kLo1, before) >= 11; }, 5000));
    const auto commands = live.sim.referenceCommands();
    QCOMPARE(CountOf(commands, kLo1, before), 11);
    QList<double> releases;
    for (qsizetype i = before; i < commands.size(); ++i) {
      if (!releases.isEmpty()) QCOMPARE(commands[i].bytes, kLo1);
      if (commands[i].bytes == kLo1) releases << commands[i].ms;
    }
    QVERIFY(CountOf(commands, kLo2) < 10);  // the handshake's tries stopped at the close
    // The releases wait 100 ms each, not the 200 ms of the opening's handshake.
    const double span = releases[9] - releases[0];
    QVERIFY2(span >= 9 * 90 && span < 9 * 190, qPrintable(QString::number(span)));
  }

  void closingReleasesTheReference() {
    LiveWizard live;
    QVERIFY(live.Start());
    int finished = 0;
    bool lost = true;
    live.wizard.OnFinished = [&](bool mainPortLost) {
      ++finished;
      lost = mainPortLost;
    };
    QVERIFY(live.Connect());
    QVERIFY(live.Readings("50.00", "40"));
    QVERIFY(live.Register());
    const int before = int(live.sim.referenceCommands().size());
    live.wizard.close();
    QCOMPARE(finished, 0);  // the release waits for its answer first
    QVERIFY(live.sim.pumpUntil([&] { return !live.wizard.isVisible(); }, kStepTimeoutMs));
    QCOMPARE(finished, 1);
    QVERIFY(!lost);
    QVERIFY(live.messages.texts().isEmpty());
    QVERIFY(live.BothOffline());
    QCOMPARE(live.wizard.Samples().Count(), 0);
    QCOMPARE(live.Page(), 0);
    // The release, then the local-control command of the meter's port closing. The release is
    // acknowledged at its first try, or at its second when the reply to a measurement still on
    // its way fills the first try's answer (a frame asks for one at any moment), or later when
    // a busy machine delays the answers.
    QVERIFY(live.sim.pumpUntil(
        [&] { return CountOf(live.sim.referenceCommands(), kLo1, before) >= 2; }, 5000));
    const int releases = CountOf(live.sim.referenceCommands(), kLo1, before);
    QVERIFY2(releases >= 2 && releases <= 11, qPrintable(QString::number(releases)));
    QCOMPARE(live.sim.referenceCommands().last().bytes, kLo1);
  }

  void classifierWarningOncePerOpening() {
    LiveWizard live;
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QVERIFY(live.Readings("50.00", "40"));
    QVERIFY(live.sim.command("ref-classifier 1"));
    QVERIFY(live.MorePolls(8));
    QCOMPARE(live.messages.texts(), QStringList{"Classifier powinien byc \"0\""});
    // The reading is still taken.
    QVERIFY(live.sim.command("field 60"));
    QVERIFY(live.Readings("60.00", "48"));
    QCOMPARE(live.messages.texts().size(), 1);
    // A new opening warns again, once.
    QVERIFY(live.BackToPage0());
    QVERIFY(live.Connect());
    QVERIFY(live.MorePolls(8));
    QCOMPARE(live.messages.texts().size(), 2);
    QCOMPARE(live.messages.texts().last(), QString("Classifier powinien byc \"0\""));
  }

  // Replies that cannot be trusted leave the reference reading as it was, and "Rejestruj" does
  // not take that reading for a fresh one: it waits its second and registers nothing.
  void malformedRepliesKeepTheReading_data() {
    QTest::addColumn<QString>("misbehaviour");
    QTest::addColumn<QString>("normal");
    QTest::newRow("unknown decade") << "ref-decade 9" << "ref-decade auto";
    QTest::newRow("other channel") << "ref-channel 2" << "ref-channel echo";
    QTest::newRow("silent") << "ref-silent on" << "ref-silent off";
  }
  void malformedRepliesKeepTheReading() {
    QFETCH(QString, misbehaviour);
    QFETCH(QString, normal);
    LiveWizard live;
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QVERIFY(live.Readings("50.00", "40"));
    QVERIFY(live.sim.command(misbehaviour));
    QVERIFY(live.sim.command("field 70"));
    QVERIFY(live.Readings("50.00", "56"));
    QVERIFY(live.MorePolls(5));
    QCOMPARE(live.wizard.kWizardWzorLabel->text(), QString("50.00"));
    QCOMPARE(live.wizard.Link().ReferenceReading(), 50.0);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!live.Register());
    const qint64 waitedMs = clock.elapsed();
    QVERIFY2(waitedMs >= CalibrationSteps::kFreshPairMs - 10, qPrintable(QString::number(waitedMs)));
    QCOMPARE(live.messages.texts(), QStringList{wizard_text::kNoFreshPair});
    QCOMPARE(live.wizard.Samples().Count(), 0);
    QVERIFY(live.wizard.kWizardRejestruj->isEnabled());
    QVERIFY(live.sim.command(normal));
    QVERIFY(live.Readings("70.00", "56"));
    QVERIFY(live.Register());
    QCOMPARE(live.wizard.Samples().At(1).uwz, 70.0);
    QCOMPARE(live.wizard.Samples().At(1).ucal, 56.0);
    QCOMPARE(live.messages.texts().size(), 1);
  }

  // Samples at one field give no line to calibrate against: one message, and page 1 stays.
  void samplesAtOneFieldGiveNoFit_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("reference");
    QTest::newRow("100") << "100" << "100.00";
    QTest::newRow("12.345") << "12.345" << "12.35";
  }
  void samplesAtOneFieldGiveNoFit() {
    QFETCH(QString, field);
    QFETCH(QString, reference);
    LiveWizard live;
    QVERIFY(live.Start());
    QVERIFY(live.sim.command("field " + field));
    QVERIFY(live.Connect());
    QVERIFY(live.sim.pumpUntil([&] { return live.wizard.kWizardWzorLabel->text() == reference; }, 5000));
    for (int i = 0; i < 3; ++i) QVERIFY(live.Register());
    live.wizard.kDalejClick();
    QCOMPARE(live.messages.texts(), QStringList{"zle albo wszystkie takie same dane"});
    QVERIFY(live.Is(Phase::Sampling));
    QCOMPARE(live.Page(), 1);
    QCOMPARE(live.wizard.Step(), 1);
    QVERIFY(live.wizard.kStart->isHidden());
    QCOMPARE(live.wizard.kTabWykres->kWykresLabel4->text(), QString("Brak pomiarów"));
  }

  // The ports are paired when the wizard opens (the meter on the main window's port); what the
  // user then picks on "Opcje" is what "Dalej >>" opens, after going back to "Dane".
  void portsChosenOnOpcje_data() {
    QTest::addColumn<QString>("meterPort");
    QTest::addColumn<QString>("referencePort");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("swapped") << "COM2" << "COM1" << QStringList{};
    QTest::newRow("one port for both")
        << "COM2" << "COM2" << QStringList{"Uwaga! Na porcie COM2 pracuje juz drugie urządzenie!"};
  }
  void portsChosenOnOpcje() {
    QFETCH(QString, meterPort);
    QFETCH(QString, referencePort);
    QFETCH(QStringList, messages);
    LiveWizard live;
    QVERIFY(live.sim.start());
    // The main window's port COM1 leads to the reference meter here: the pairing is wrong.
    qputenv("FLUXA_COM1", live.sim.referencePath().toUtf8());
    qputenv("FLUXA_COM2", live.sim.meterPath().toUtf8());
    TComPort mainPort(ComPortSettings::ComPort1());
    QVERIFY(live.wizard.OpenFor(&mainPort, 0, 1));
    QCOMPARE(live.wizard.Link().kComKalib.PortName(), QString("COM1"));
    live.wizard.kPageControl->setCurrentWidget(live.wizard.kTabOpcje);
    live.wizard.kTabOpcje->ComComboBox4->setCurrentText(meterPort);
    live.wizard.kTabOpcje->kComComboBox3->setCurrentText(referencePort);
    live.wizard.kPageControl->setCurrentWidget(live.wizard.kTabWizard);
    QCOMPARE(live.wizard.Label16->text(), meterPort + ", 9600, 8, 1, None");
    const bool connected = live.Connect();
    QCOMPARE(live.messages.texts(), messages);
    if (!messages.isEmpty()) {
      QVERIFY(!connected);
      QVERIFY(live.Is(Phase::Idle));
      QCOMPARE(live.Page(), 0);
      QVERIFY(live.BothOffline());
      QVERIFY(live.sim.referenceCommands().isEmpty());
      return;
    }
    QVERIFY(connected);
    QCOMPARE(live.Page(), 1);
    QVERIFY(live.Readings("50.00", "40"));
  }

  // Bytes left in the wizard's receive buffer from before its port opened are not decoded with
  // the first bytes of the new opening.
  void freshBytesOnly() {
    LiveWizard live;
    QVERIFY(live.Start());
    live.wizard.Link().Receiver().Receive(QByteArray::fromHex("AA5500000039"), 0, false);
    QList<double> readings;
    // The wizard's own handler still runs: the steps learn of each frame through it.
    const auto wizardsOwn = live.wizard.Link().OnArrival;
    live.wizard.Link().OnArrival = [&, wizardsOwn](bool decoded) {
      if (decoded) readings << live.wizard.Link().CalibratedReading();
      if (wizardsOwn) wizardsOwn(decoded);
    };
    QVERIFY(live.Connect());
    QCOMPARE(live.Page(), 1);
    QVERIFY(live.sim.pumpUntil([&] { return readings.size() >= 2; }, 5000));
    QCOMPARE(readings.first(), 40.0);
  }

  // The program's windows: a double click on a Sondy cell hands the main window's port to the
  // wizard, and closing the wizard hands it back.
  void mainWindowHandsItsPortOver_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("onCom2");
    QTest::addColumn<bool>("meterGone");
    QTest::newRow("connected") << true << false << false;
    QTest::newRow("connected on COM2") << true << true << false;
    QTest::newRow("not connected") << false << false << false;
    QTest::newRow("meter gone meanwhile") << true << false << true;
  }
  void mainWindowHandsItsPortOver() {
    QFETCH(bool, connected);
    QFETCH(bool, onCom2);
    QFETCH(bool, meterGone);
    MessageRecorder messages;
    SimProcess sim({"--unit", "Gs", "--field", "50", "--gain", "16000", "--ac"});
    QVERIFY(sim.start());
    // The meter is on the main window's port, the reference meter on the other one.
    qputenv(onCom2 ? "FLUXA_COM2" : "FLUXA_COM1", sim.meterPath().toUtf8());
    qputenv(onCom2 ? "FLUXA_COM1" : "FLUXA_COM2", sim.referencePath().toUtf8());
    FluxaApplication fluxa;
    TMainWin& main = fluxa.MainWin();
    TkKalibracja& wizard = fluxa.Kalibracja();
    main.show();
    if (onCom2) main.COM21Click();
    if (connected) {
      main.Poczony1Click();
      QVERIFY(main.ComPort1->Connected());
      QTRY_VERIFY_WITH_TIMEOUT(main.SWynik->text().contains("40"), 5000);
    }
    main.Send->OnSondyDoubleClick(3, 2);  // AC 1, TRANS wzm.
    QVERIFY(wizard.isVisible());
    QVERIFY(!main.isVisible());
    QVERIFY(!main.ComPort1->Connected());
    QCOMPARE(wizard.windowTitle(), QString("Kalibracja - zakres: AC1"));
    QCOMPARE(wizard.ProbeRow(), 2);
    const QString meterPort = onCom2 ? "COM2" : "COM1";
    QCOMPARE(wizard.Link().kComKalib.PortName(), meterPort);
    QCOMPARE(wizard.Link().kComWzor.PortName(), QString(onCom2 ? "COM1" : "COM2"));
    // Page 0 tells the ports as they are now paired.
    QCOMPARE(wizard.Label16->text(), meterPort + ", 9600, 8, 1, None");
    QCOMPARE(wizard.Label15->text(), QString(onCom2 ? "COM1" : "COM2") + ", 9600, 7, 1, None");

    wizard.kDalejClick();
    QVERIFY(AwaitPhase(sim, wizard, {Phase::Sampling, Phase::Idle}));
    QVERIFY(wizard.Phase() == Phase::Sampling);
    QCOMPARE(wizard.Step(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(wizard.kWizardKalLabel->text(), QString("40"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(wizard.kWizardWzorLabel->text(), QString("50.00"), 5000);
    if (meterGone) {  // the wizard closes itself, and says so once
      QVERIFY(sim.command("hangup meter"));
    } else {
      wizard.close();
      QVERIFY(!main.isVisible());  // until the closing sequence has handed the port back
    }
    QTRY_VERIFY_WITH_TIMEOUT(!wizard.isVisible(), kStepTimeoutMs);
    QVERIFY(main.isVisible());
    if (meterGone) {
      QCOMPARE(messages.texts(), QStringList{wizard_text::kMeterLost});
      QVERIFY(!main.ComPort1->Connected());
      QVERIFY(!main.Poczony1->isChecked());
      QVERIFY(main.Trans->isEnabled());
      QVERIFY(!main.SprPolacz.isActive());
      QCOMPARE(main.S_Polacz->text(), LookupText(31));
      return;
    }
    QVERIFY(messages.texts().isEmpty());
    QCOMPARE(main.ComPort1->Connected(), connected);
    if (!connected) return;
    QVERIFY(sim.command("field 60"));
    QTRY_VERIFY_WITH_TIMEOUT(main.SWynik->text().contains("48"), 5000);
  }

 private:
  QTemporaryDir settingsDir_;
};

QTEST_MAIN(TestWizardLive)
#include "test_wizard_live.moc"
