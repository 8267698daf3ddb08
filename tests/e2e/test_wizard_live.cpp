// The calibration wizard end to end: fluxa-sim's meter and reference meter on pseudo-terminals,
// the real wizard window offscreen: the handshake and the readings, the reference meter's
// replies (one query a frame), the samples and the ports, and a calibration with the secant
// search. Its closing is in test_wizard_closing_live.
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
#include "store/RecordsSettings.h"
#include "tests/e2e/LiveWindow.h"
#include "tests/e2e/LiveWizard.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/KalibracjaOpcje.h"
#include "wizard/KalibracjaTablica.h"
#include "wizard/KalibracjaWykres.h"
#include "wizard/ReferenceProtocol.h"
#include "wizard/SearchSettings.h"
#include "wizard/WizardTexts.h"

namespace {
QByteArray GainFrame(int gain) { return QByteArray::fromHex("AA554300") + char(gain & 0xFF) + char(gain >> 8); }
}  // namespace


class TestWizardLive : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    qputenv("FLUXA_SETTINGS", settingsDir_.filePath("settings.ini").toUtf8());
    if (!qEnvironmentVariableIsSet("FLUXA_RECORDS"))
      qputenv("FLUXA_RECORDS", settingsDir_.filePath("records.sqlite").toUtf8());
    // The simulator's meters read in Gs; the reference meter's unit is chosen under "Opcje".
    RecordsSettings settings = ReadRecordsSettings();
    settings.reference.unit = QStringLiteral("Gs");
    QVERIFY(WriteRecordsSettings(settings));
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
    QVERIFY(live.wizard.OpenFor(&mainPort, 0, 1, QStringLiteral("KV-0001")));
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

  // The reference meter is asked once for each whole frame of the meter under calibration, never
  // for an arrival that completes none (garbage read while the receiver looks for a header);
  // and on Linux the meter's port wakes the wizard once a frame, as the main window's does.
  void oneReferenceQueryPerFrame() {
    LiveWizard live;
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QVERIFY(live.Readings("50.00", "40"));
    TwoMeterLink& link = live.wizard.Link();
    int arrivals = 0;
    const auto wizardsOwn = link.OnArrival;
    link.OnArrival = [&, wizardsOwn](bool decoded) {
      ++arrivals;
      if (wizardsOwn) wizardsOwn(decoded);
    };
    const auto framesSince = [&link](int from) { return link.Receiver().FramesDecoded() - from; };
    int frames0 = link.Receiver().FramesDecoded();
    QVERIFY(live.sim.pumpUntil([&] { return framesSince(frames0) >= 10; }, 10000));
#ifdef Q_OS_LINUX
    QVERIFY2(arrivals <= framesSince(frames0) + 1, qPrintable(QString("%1 arrivals, %2 frames").arg(arrivals).arg(framesSince(frames0))));
#endif
    frames0 = link.Receiver().FramesDecoded();
    const int queries0 = link.QueriesSent();
    for (int burst = 0; burst < 5; ++burst) {
      QVERIFY(live.sim.command("garbage 30"));
      const int from = link.Receiver().FramesDecoded();
      QVERIFY(live.sim.pumpUntil([&] { return framesSince(from) >= 2; }, 10000));
    }
    const int frames = framesSince(frames0);
    const int queries = link.QueriesSent() - queries0;
    // One more may have been asked for by the frame before the count began.
    QVERIFY2(queries >= 1 && queries <= frames + 1, qPrintable(QString("%1 queries, %2 frames").arg(queries).arg(frames)));
    QVERIFY(live.messages.texts().isEmpty());
  }

  // "Szybkie szukanie" on "Opcje": the secant search brings the simulator's meter (at gain 16000
  // of its true 20000) to the true gain in three trials; the choice is kept in the settings, and
  // the record names the search with each of its trials.
  void secantSearchEndsAtTheTrueGain() {
    LiveWizard live;
    QVERIFY(live.Start());
    QVERIFY(!live.wizard.kTabOpcje->kSzybkieSzukanie->isChecked());  // the bisection by default
    live.wizard.kTabOpcje->kSzybkieSzukanie->setChecked(true);
    QVERIFY(ReadFastSearch());
    QVERIFY(live.Connect());
    QVERIFY(live.sim.command("field 100"));
    QVERIFY(live.Readings("100.00", "80"));
    QVERIFY(live.Register());
    QVERIFY(live.sim.command("field 50"));
    QVERIFY(live.Readings("50.00", "40"));
    QVERIFY(live.Register());
    QVERIFY(live.sim.command("field 100"));
    QVERIFY(live.Readings("100.00", "80"));
    live.wizard.kDalejClick();
    QVERIFY(live.Is(Phase::Ready));
    QCOMPARE(live.wizard.TargetReading(), 100.0);
    const int before = int(live.sim.meterFrames().size());
    live.wizard.kStartClick();
    QVERIFY(live.Await({Phase::Found, Phase::Ready}));
    QCOMPARE(live.wizard.FinalGain(), 20000);
    QCOMPARE(live.wizard.Search().Used(), GainSearch::Method::Secant);
    QCOMPARE(live.wizard.Label34->text(), QString("3"));
    QVERIFY(live.sim.waitForMeterFrames(before + 3, 2000));
    QList<QByteArray> gainFrames;
    for (const auto& frame : live.sim.meterFrames().mid(before)) gainFrames << frame.bytes;
    QCOMPARE(gainFrames, (QList<QByteArray>{GainFrame(16384), GainFrame(24576), GainFrame(20000)}));
    QVERIFY(live.messages.texts().isEmpty());

    live.wizard.kDalejClick();  // "Zakoncz": the meter holds the gain found already
    QVERIFY(live.Await({Phase::Checking}));
    live.wizard.kPomin->click();
    QVERIFY(live.Await({Phase::Idle}));
    const CalibrationRecord& record = live.wizard.LastRecord();
    QCOMPARE(record.search, QString("secant"));
    QCOMPARE(record.gainAfter, 20000);
    QCOMPARE(record.steps, (QList<SearchStepRecord>{{16384, 81.9}, {24576, 122.9}, {20000, 100}}));
    // The next window, as at the program's next start, shows the choice kept.
    TkKalibracja next;
    QVERIFY(next.kTabOpcje->kSzybkieSzukanie->isChecked());
    next.kTabOpcje->kSzybkieSzukanie->setChecked(false);
    QVERIFY(!ReadFastSearch());
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

 private:
  QTemporaryDir settingsDir_;
};

QTEST_MAIN(TestWizardLive)
#include "test_wizard_live.moc"
