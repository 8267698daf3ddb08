// The calibration wizard's closing end to end, against fluxa-sim on pseudo-terminals: the
// reference meter released (also when it does not answer), and the main window's port handed to
// the wizard and back.
#include <QtTest>
#include <QAction>
#include <QLineEdit>
#include <QMenu>

#include "app/Application.h"
#include "app/Main.h"
#include "app/ServicePanel.h"
#include "settings/Jezyki.h"
#include "tests/e2e/LiveWizard.h"
#include "wizard/WizardTexts.h"

class TestWizardClosingLive : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    qputenv("FLUXA_SETTINGS", settingsDir_.filePath("settings.ini").toUtf8());
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
    // The panel holds no serial number: page 0 asks for it before anything is connected.
    QCOMPARE(wizard.kNumerSeryjny->text(), QString());
    wizard.kDalejClick();
    QVERIFY(wizard.Phase() == Phase::Idle);
    QCOMPARE(messages.texts(), QStringList{wizard_text::kSerialNeeded});
    messages.clear();
    wizard.kNumerSeryjny->setText(QStringLiteral("KV-7"));

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

QTEST_MAIN(TestWizardClosingLive)
#include "test_wizard_closing_live.moc"
