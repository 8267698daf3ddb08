// One range of a probe calibrated end to end: the program's windows offscreen, fluxa-sim's meter
// (at gain 16000 of its true 20000, in Gs) and reference meter on pseudo-terminals.
#include <QtTest>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <algorithm>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>

#include "app/Application.h"
#include "app/Main.h"
#include "app/ServicePanel.h"
#include "parameters/ParameterGrid.h"
#include "common/PrintCanvas.h"
#include "store/CertificateLayout.h"
#include "store/RecordsSettings.h"
#include "tests/common/PdfText.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/WizardTexts.h"

namespace {
QByteArray GainFrame(int gain) {
  return QByteArray::fromHex("AA554300") + char(gain & 0xFF) + char(gain >> 8);
}

using Phase = CalibrationSteps::Phase;

struct Calibration {
  explicit Calibration(const QStringList& args = {})
      : sim(QStringList{"--unit", "Gs", "--field", "100", "--gain", "16000"} + args) {}
  bool Start(bool connected, const QString& cell = {}) {
    if (!sim.start()) return false;
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    qputenv("FLUXA_COM2", sim.referencePath().toUtf8());
    fluxa = std::make_unique<FluxaApplication>();
    main().show();
    if (connected) main().Poczony1Click();
    return Open(cell);
  }
  // The Sondy cell DC 1 / AXIAL wzm. holds `cell` and is double-clicked.
  bool Open(const QString& cell = {}) {
    main().Send->NumerSeryjnyMiernika->setText(QStringLiteral("KV-1234"));
    main().Send->Sondy->SetCellText(1, 1, cell);
    main().Send->Sondy->OnDataCellDoubleClick(1, 1);
    return wizard().isVisible() && main().ComPort1->Connected() == false;
  }
  TMainWin& main() { return fluxa->MainWin(); }
  TkKalibracja& wizard() { return fluxa->Kalibracja(); }
  int Page() { return wizard().kWizardPages->currentIndex(); }
  bool WaitFor(std::initializer_list<Phase> phases, int timeoutMs = 15000) {
    return sim.pumpUntil([&] { return std::find(phases.begin(), phases.end(), wizard().Phase()) != phases.end(); },
                         timeoutMs);
  }
  bool Readings(const QString& reference, const QString& calibrated) {
    return sim.pumpUntil(
        [&] {
          return wizard().kWizardWzorLabel->text() == reference &&
                 wizard().kWizardKalLabel->text() == calibrated;
        },
        5000);
  }
  // "Dalej >>" on page 0: true when page 1 came.
  bool Connect() {
    wizard().kDalejClick();
    return WaitFor({Phase::Sampling, Phase::Idle}) && Page() == 1;
  }
  bool Register() {
    const int count = wizard().Samples().Count();
    wizard().kWizardRejestrujClick();
    return WaitFor({Phase::Sampling}) && wizard().Samples().Count() == count + 1;
  }
  // Page 1 with samples at 100 and 50 (read as given), the field back at 100, then page 2.
  bool ToPage2(const QString& at100 = "80", const QString& at50 = "40") {
    if (Page() == 0 && !Connect()) return false;
    if (Page() != 1 || !Readings("100.00", at100) || !Register()) return false;
    if (!sim.command("field 50") || !Readings("50.00", at50) || !Register()) return false;
    if (!sim.command("field 100") || !Readings("100.00", at100)) return false;
    wizard().kDalejClick();
    return Page() == 2 && wizard().Phase() == Phase::Ready;
  }
  // "Start", then the search's end.
  bool Search() {
    wizard().kStartClick();
    return wizard().Phase() == Phase::Searching && WaitFor({Phase::Found, Phase::Ready}, 40000);
  }
  bool Closed() { return sim.pumpUntil([&] { return !wizard().isVisible(); }, 20000); }
  QList<QByteArray> GainFramesFrom(int first) {
    QList<QByteArray> frames;
    const auto all = sim.meterFrames();
    for (qsizetype i = first; i < all.size(); ++i)
      if (all[i].bytes.startsWith(QByteArray::fromHex("AA5543"))) frames << all[i].bytes;
    return frames;
  }
  MessageRecorder messages;
  SimProcess sim;
  std::unique_ptr<FluxaApplication> fluxa;
};
}  // namespace
Q_DECLARE_METATYPE(CalibrationSteps::Phase)

class TestCalibrationLive : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    qputenv("FLUXA_SETTINGS", settingsDir_.filePath("settings.ini").toUtf8());
    // The simulator's meters read in Gs; the reference meter's unit is chosen under "Opcje".
    RecordsSettings settings = ReadRecordsSettings();
    settings.reference.unit = QStringLiteral("Gs");
    QVERIFY(WriteRecordsSettings(settings));
  }

  void fullCalibration_data() {
    QTest::addColumn<bool>("connected");
    QTest::newRow("main window connected") << true;
    QTest::newRow("main window disconnected") << false;
  }
  void fullCalibration() {
    QFETCH(bool, connected);
    Calibration c;
    QVERIFY(c.Start(connected));
    QVERIFY(c.ToPage2());
    QCOMPARE(c.wizard().TargetReading(), 100.0);
    QCOMPARE(c.wizard().Label35->text(), QString("100.0"));
    QVERIFY(!c.wizard().kDalej->isEnabled());
    QCOMPARE(c.wizard().kDalej->text(), QString("Zakoncz"));
    QVERIFY(c.wizard().kStart->isVisible());
    QCOMPARE(c.wizard().Label32->text(), QString());  // nothing shown that was not measured
    QCOMPARE(c.wizard().Label34->text(), QString());

    const int before = int(c.sim.meterFrames().size());
    QElapsedTimer clock;
    clock.start();
    c.wizard().kStartClick();
    // While the search runs, only "<< Wstecz" (which stops it) and a close are taken.
    QVERIFY(!c.wizard().kStart->isEnabled());
    QVERIFY(!c.wizard().kDalej->isEnabled());
    QVERIFY(c.wizard().kWstecz->isEnabled());
    QVERIFY(c.WaitFor({Phase::Found, Phase::Ready}, 40000));
    const double searchMs = clock.elapsed();
    const int steps = c.wizard().Search().Steps();
    qInfo("gain search: %d steps in %.0f ms, %.4f of the protocol minimum %d x 1150 ms", steps,
          searchMs, searchMs / (steps * 1150.0), steps);
    QVERIFY(c.sim.waitForMeterFrames(before + 10, 2000));
    QList<QByteArray> expected;
    for (int gain : {16384, 24576, 20480, 18432, 19456, 19968, 20224, 20096, 20032, 20000})
      expected << GainFrame(gain);
    QCOMPARE(c.GainFramesFrom(before), expected);
    QCOMPARE(c.wizard().FinalGain(), 20000);
    QCOMPARE(c.wizard().Label32->text(), QString("20000"));
    QVERIFY(c.wizard().Label32->font().bold());
    QCOMPARE(c.wizard().Label34->text(), QString("10"));  // one step for every gain frame
    QVERIFY(c.wizard().kDalej->isEnabled());
    QVERIFY(c.wizard().kStart->isEnabled());
    QVERIFY(c.messages.texts().isEmpty());

    c.wizard().kDalejClick();  // "Zakoncz"
    c.wizard().kDalejClick();  // twice: taken once, the check page's needs a point first
    // The as-left check at the gain found: the meter now reads what the reference does.
    QCOMPARE(c.Page(), 3);
    QCOMPARE(c.wizard().Phase(), Phase::Checking);
    QVERIFY(!c.wizard().kDalej->isEnabled());
    QVERIFY(c.wizard().kPomin->isEnabled());
    QVERIFY(c.sim.command("field 50"));
    QVERIFY(c.sim.pumpUntil([&] { return c.wizard().kCheckKalLabel->text() == "50"; }, 5000));
    c.wizard().kCheckRejestruj->click();
    QVERIFY(c.WaitFor({Phase::Checking}));
    QVERIFY(c.sim.command("field 100"));
    QVERIFY(c.sim.pumpUntil([&] { return c.wizard().kCheckKalLabel->text() == "100"; }, 5000));
    c.wizard().kCheckRejestruj->click();
    QVERIFY(c.WaitFor({Phase::Checking}));
    QCOMPARE(c.wizard().kCheckTable->rowCount(), 2);
    QCOMPARE(c.wizard().kCheckTable->item(1, 5)->text(), wizard_text::CheckVerdict(true));
    QCOMPARE(c.main().Send->Sondy->CellText(1, 1), QString());  // not before the check is over
    c.wizard().kDalejClick();  // "Zakoncz" on the check page
    QVERIFY(c.Closed());
    QVERIFY(c.main().isVisible());
    QCOMPARE(c.main().Send->Sondy->CellText(1, 1), QString("0,61037"));
    const CalibrationRecord& record = c.wizard().LastRecord();
    QVERIFY2(!record.number.isEmpty(), qPrintable(c.messages.texts().join(" / ")));
    QCOMPARE(c.messages.texts(), QStringList{wizard_text::GainWritten("0,61037", 1, 0) + "\n" +
                                             wizard_text::RecordKept(record.number, false, {}, 0)});
    // What the record keeps, read back from the store.
    RecordStore store(QStringLiteral("any"));
    QVERIFY(store.Open(RecordsPath(), nullptr));
    const auto kept = store.Calibration(record.number);
    QVERIFY(kept);
    QCOMPARE(kept->serial, QString("KV-1234"));
    QCOMPARE(kept->asFound.size(), 2);
    QCOMPARE(kept->asFound[1].reference, 50.0);
    QCOMPARE(kept->asLeft.size(), 2);
    QCOMPARE(kept->asLeft[0].calibrated, 50.0);
    QVERIFY(!kept->asLeftSkipped);
    QCOMPARE(kept->gainAfter, 20000);
    QCOMPARE(kept->gainBefore, std::optional<int>());  // the meter's gain was never written before
    QCOMPARE(kept->initialGain, std::optional<int>());
    // The unit the meter's frames report, and the probe's temperature over the samples and the
    // check (the simulator's 25 degC).
    QCOMPARE(kept->unit, QString("Gs"));
    QCOMPARE(kept->probeTemperatureMin, std::optional<double>(25.0));
    QCOMPARE(kept->probeTemperatureMax, std::optional<double>(25.0));
    QCOMPARE(kept->steps.size(), 10);
    QCOMPARE(kept->passed, std::optional<bool>(true));
    // Two samples and two different check points leave no scatter to judge: U is not stated.
    QVERIFY(!kept->uncertainty);
    // Its certificate, as the history window saves it, read back.
    const QString pdf = settingsDir_.filePath("certificate.pdf");
    QPdfWriter writer(pdf);
    QVERIFY(PrintDocument(writer, [&](PrintCanvas& canvas) {
      LayoutCertificate(canvas, *kept, {}, CertificateLanguage::English);
    }));
    const QString text = PdfPageTexts(pdf).join('\n');
    for (const QString& expected : {record.number, QString("KV-1234"), QString("As found"), QString("As left"),
                                    QString("80.0"), QString("40.0"), QString("U cannot be stated"),
                                    QString("Page 1 of")})
      QVERIFY2(text.contains(expected), qPrintable(expected + " not in:\n" + text));
    QCOMPARE(c.main().ComPort1->Connected(), connected);
    QCOMPARE(c.GainFramesFrom(before).size(), 10);  // the meter holds the gain found already
    QVERIFY(c.sim.pumpUntil([&] { return c.sim.referenceCommands().last().bytes == "\x1BLO1\r"; }, 2000));
    if (connected) {  // results flow again, at the new gain
      QVERIFY(c.sim.command("field 90"));
      QTRY_VERIFY_WITH_TIMEOUT(c.main().SWynik->text().contains("90.0"), 5000);
    }
  }

  // The first step: a meter on another range, a silent meter, an initial gain.
  void connecting_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("page");
    QTest::newRow("meter on DC2") << "range 2"
                                  << QStringList{"Wybierz prawidlowy zakres kalibrowanego urządzenia! (DC1)"} << 0;
    QTest::newRow("silent meter") << "silence on" << QStringList{"Niepowodzenie"} << 0;
    QTest::newRow("initial gain") << "" << QStringList{} << 1;
  }
  void connecting() {
    QFETCH(QString, setup);
    QFETCH(QStringList, messages);
    QFETCH(int, page);
    Calibration c;
    QVERIFY(c.Start(false));
    if (!setup.isEmpty()) QVERIFY(c.sim.command(setup));
    c.wizard().CheckBox3->setChecked(true);  // 20000
    const int before = int(c.sim.meterFrames().size());
    c.wizard().kDalejClick();
    // Nothing else is taken while the meters connect.
    QVERIFY(!c.wizard().kDalej->isEnabled());
    QVERIFY(!c.wizard().CheckBox3->isEnabled());
    QVERIFY(c.WaitFor({Phase::Sampling, Phase::Idle}));
    QCOMPARE(c.messages.texts(), messages);
    QCOMPARE(c.Page(), page);
    QCOMPARE(c.wizard().Step(), page);
    if (page == 1) {
      QVERIFY(c.sim.waitForMeterFrames(before + 1, 2000));
      QCOMPARE(c.GainFramesFrom(before), QList<QByteArray>{QByteArray::fromHex("AA554300204E")});
      QVERIFY(c.wizard().kWizardRejestruj->isEnabled());
      return;
    }
    QVERIFY(!c.wizard().Link().kComKalib.Connected());
    QVERIFY(!c.wizard().Link().kComWzor.Connected());
    QVERIFY(c.wizard().kDalej->isEnabled());
    QVERIFY(c.GainFramesFrom(before).isEmpty());
    // The meter under calibration closed first: the reference meter is back in local control.
    QVERIFY(c.sim.pumpUntil([&] { return c.sim.referenceCommands().last().bytes == "\x1BLO1\r"; }, 2000));
  }

  // Back after a search. The meter gets back the gain the samples were taken at only when the
  // wizard sent that gain itself (the initial gain); a gain in the Sondy cell (from a file, say)
  // is not what the meter holds, so then the samples go and are taken again at the gain the
  // meter holds now. A second "Dalej >>" computes the same target.
  void backAfterSearchKeepsTheTarget_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("initialGain");  // "Wpisz inicjujaca nastawe" at 16000
    QTest::newRow("initial gain") << "" << true;
    QTest::newRow("a file's gain in the cell, the meter at another") << "0,75" << false;
  }
  void backAfterSearchKeepsTheTarget() {
    QFETCH(QString, cell);
    QFETCH(bool, initialGain);
    Calibration c;
    QVERIFY(c.Start(false, cell));
    c.wizard().CheckBox3->setChecked(initialGain);
    c.wizard().SpinEdit2->setValue(16000);
    QVERIFY(c.ToPage2());
    QCOMPARE(c.wizard().TargetReading(), 100.0);
    QVERIFY(c.Search());
    QCOMPARE(c.wizard().FinalGain(), 20000);
    QVERIFY(c.wizard().kDalej->isEnabled());

    // A re-run: "Zakoncz" is disabled from "Start" on, and stays so when it fails.
    QVERIFY(c.sim.command("silence on"));
    QVERIFY(c.Search());
    QCOMPARE(c.messages.texts(), QStringList{"Niepowodzenie"});
    QVERIFY(!c.wizard().kDalej->isEnabled());
    QVERIFY(c.sim.command("silence off"));

    const int before = int(c.sim.meterFrames().size());
    c.wizard().kWsteczClick();
    QVERIFY(c.WaitFor({Phase::Sampling}));
    QCOMPARE(c.Page(), 1);
    if (initialGain) {
      QCOMPARE(c.GainFramesFrom(before), QList<QByteArray>{GainFrame(16000)});
      QCOMPARE(c.wizard().Samples().Count(), 2);
      QCOMPARE(c.messages.texts().size(), 1);
      QVERIFY(c.Readings("100.00", "80"));
      c.wizard().kDalejClick();
    } else {
      QVERIFY(c.GainFramesFrom(before).isEmpty());  // never the cell's 24575
      QCOMPARE(c.wizard().Samples().Count(), 0);
      QCOMPARE(c.messages.texts().last(), wizard_text::kSamplesDropped);
      // Taken again at the trial gain the failed re-run left.
      const QByteArray last = c.GainFramesFrom(0).last();
      const int gain = quint8(last[4]) | quint8(last[5]) << 8;
      auto reading = [gain](double field) {
        return wizard_text::FormatGeneral(std::nearbyint(field * gain / 2000.0) / 10, 4);
      };
      QVERIFY(c.ToPage2(reading(100), reading(50)));
    }
    QCOMPARE(c.Page(), 2);
    QCOMPARE(c.wizard().TargetReading(), 100.0);
  }

  // A device that goes away while samples are taken or during the search: one message, no gain
  // in the cell, the wizard closes and the main window is usable again.
  // A reference meter that goes away while the closing sequence waits for its release is told
  // of too, once.
  void deviceGone_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("message");
    const QString trial = "\n" + wizard_text::kTrialGainKept;
    QTest::newRow("meter, sampling") << "meter" << "sampling" << wizard_text::kMeterLost;
    QTest::newRow("meter, search") << "meter" << "search" << wizard_text::kMeterLost + trial;
    QTest::newRow("reference, search") << "reference" << "search" << wizard_text::kReferenceLost + trial;
    QTest::newRow("reference, closing") << "reference" << "closing" << wizard_text::kReferenceLost;
  }
  void deviceGone() {
    QFETCH(QString, device);
    QFETCH(QString, when);
    QFETCH(QString, message);
    Calibration c;
    QVERIFY(c.Start(true));
    if (when == "search") {
      QVERIFY(c.ToPage2());
      c.wizard().kStartClick();
    } else {
      QVERIFY(c.Connect());
      QVERIFY(c.Readings("100.00", "80"));
    }
    if (when == "closing") {  // a reference meter that does not answer holds the release
      QVERIFY(c.sim.command("ref-silent on"));
      c.wizard().close();
      QVERIFY(c.WaitFor({Phase::CloseRelease}));
    }
    QVERIFY(c.sim.command("hangup " + device));
    QVERIFY(c.Closed());
    QVERIFY(c.main().isVisible());
    QCOMPARE(c.messages.texts(), QStringList{message});
    QCOMPARE(c.main().Send->Sondy->CellText(1, 1), QString());
    // The meter's port is the main window's again, or it is left as after "Rozłącz".
    const bool meterThere = device == "reference";
    QCOMPARE(c.main().ComPort1->Connected(), meterThere);
    QCOMPARE(c.main().Poczony1->isChecked(), meterThere);
    // ... at the trial gain the meter keeps (16384 of 20000), or its own.
    const QString reading = when == "search" ? "81.9" : "80.0";
    if (meterThere) QTRY_VERIFY_WITH_TIMEOUT(c.main().SWynik->text().contains(reading), 5000);
  }

  // A sample pairs a reference reply and a meter frame both received after "Rejestruj"; without
  // such a pair within a second there is no sample, and the user is told.
  void aSampleNeedsFreshReadings_data() {
    QTest::addColumn<QString>("misbehaviour");
    QTest::addColumn<int>("count");
    QTest::newRow("both answer") << "" << 1;
    QTest::newRow("reference silent") << "ref-silent" << 0;
    QTest::newRow("meter silent") << "silence" << 0;
  }
  void aSampleNeedsFreshReadings() {
    QFETCH(QString, misbehaviour);
    QFETCH(int, count);
    Calibration c;
    QVERIFY(c.Start(false));
    QVERIFY(c.Connect());
    QVERIFY(c.Readings("100.00", "80"));
    if (!misbehaviour.isEmpty()) QVERIFY(c.sim.command(misbehaviour + " on"));
    c.wizard().kWizardRejestrujClick();
    QVERIFY(!c.wizard().kWizardRejestruj->isEnabled());  // one sample at a time
    QVERIFY(c.WaitFor({Phase::Sampling}));
    QCOMPARE(c.wizard().Samples().Count(), count);
    QCOMPARE(c.messages.texts(), count ? QStringList{} : QStringList{wizard_text::kNoFreshPair});
    if (count) QCOMPARE(c.wizard().Samples().At(1).uwz, 100.0);
  }

  // During the search's second step: a close, Back twice, a meter that falls silent. Nothing
  // more goes to the meter after it but what the closing or Back sends on purpose.
  void interruptedSearch_data() {
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("close") << "close" << QStringList{wizard_text::kTrialGainKept};
    QTest::newRow("back twice") << "back" << QStringList{wizard_text::kSamplesDropped};
    QTest::newRow("meter falls silent") << "silence" << QStringList{"Niepowodzenie"};
  }
  void interruptedSearch() {
    QFETCH(QString, event);
    QFETCH(QStringList, messages);
    Calibration c;
    QVERIFY(c.Start(true));
    QVERIFY(c.ToPage2());
    const int before = int(c.sim.meterFrames().size());
    c.wizard().kStartClick();
    QVERIFY(c.sim.pumpUntil([&] { return c.wizard().Search().Steps() == 2; }, 10000));
    if (event == "close") {
      c.wizard().close();
      c.wizard().kStartClick();  // pressed just after the close: not taken
      QVERIFY(c.Closed());
    } else if (event == "back") {
      c.wizard().kWsteczClick();
      c.wizard().kWsteczClick();
      QVERIFY(c.WaitFor({Phase::Idle}));
    } else {
      QVERIFY(c.sim.command("silence on"));
      QVERIFY(c.WaitFor({Phase::Ready}));
    }
    const int sent = int(c.GainFramesFrom(before).size());
    QVERIFY(event == "silence" ? sent <= 3 : sent == 2);
    c.sim.pumpUntil([] { return false; }, 1500);  // more than a step
    QCOMPARE(int(c.GainFramesFrom(before).size()), sent);
    QCOMPARE(c.messages.texts(), messages);
    if (event == "silence") {
      QCOMPARE(c.wizard().Step(), 2);
      QVERIFY(!c.wizard().kDalej->isEnabled());  // no result to write
      QVERIFY(c.wizard().kStart->isEnabled());
      return;
    }
    QCOMPARE(c.wizard().Step(), 0);
    QCOMPARE(c.wizard().Link().kComKalib.Connected(), false);
    if (event == "close") {
      QVERIFY(c.main().isVisible());
      QVERIFY(c.main().ComPort1->Connected());
      QCOMPARE(c.main().Send->Sondy->CellText(1, 1), QString());
    }
  }

  // A meter whose reading does not follow the gain (here: the simulator keeps its reading
  // whatever gain it gets): the search stops at its second trial with a message, the initial
  // gain goes back to the meter, and "Zakoncz" stays disabled.
  void readingThatDoesNotFollowTheGain() {
    Calibration c;
    QVERIFY(c.Start(false));
    c.wizard().CheckBox3->setChecked(true);
    c.wizard().SpinEdit2->setValue(16000);
    QVERIFY(c.ToPage2());
    QVERIFY(c.sim.command("gain-follow off"));
    const int before = int(c.sim.meterFrames().size());
    QVERIFY(c.Search());
    QCOMPARE(c.messages.texts(), QStringList{wizard_text::kNotFollowing});
    QCOMPARE(c.GainFramesFrom(before), (QList<QByteArray>{GainFrame(16384), GainFrame(24576), GainFrame(16000)}));
    QVERIFY(!c.wizard().kDalej->isEnabled());
    QVERIFY(c.wizard().kStart->isEnabled());
    QCOMPARE(c.wizard().FinalGain(), 0);
  }

  // A close in each phase runs the one closing sequence: the window stays, every control
  // disabled, until it ends; then both ports are closed, the reference meter was released last,
  // the main window has its port back and no cell was written. A new opening then works from
  // its first page (taking a sample there).
  void closeInEveryPhase_data() {
    QTest::addColumn<QStringList>("script");  // what leads to the phase
    QTest::addColumn<Phase>("phase");
    QTest::addColumn<QStringList>("messages");
    const QStringList none;
    const QStringList trial{wizard_text::kTrialGainKept};
    QTest::newRow("connecting") << QStringList{"sim ref-silent on", "next"} << Phase::Connecting << none;
    QTest::newRow("first frame") << QStringList{"sim silence on", "next"} << Phase::FirstFrame << none;
    QTest::newRow("initial gain") << QStringList{"gain", "next"} << Phase::InitialGain << none;
    QTest::newRow("sampling") << QStringList{"next"} << Phase::Sampling << none;
    QTest::newRow("registering") << QStringList{"next", "sim ref-silent on", "register"} << Phase::Registering << none;
    QTest::newRow("disconnecting") << QStringList{"next", "back"} << Phase::Disconnecting << none;
    QTest::newRow("page 2") << QStringList{"page2"} << Phase::Ready << none;
    QTest::newRow("searching") << QStringList{"page2", "start"} << Phase::Searching << trial;
    QTest::newRow("found") << QStringList{"page2", "search"} << Phase::Found << trial;
    QTest::newRow("restoring") << QStringList{"gain", "page2", "search", "back"} << Phase::Restoring << none;
    QTest::newRow("giving back") << QStringList{"gain", "page2", "sim gain-follow off", "start"}
                                 << Phase::GivingBack << QStringList{wizard_text::kNotFollowing};
  }
  void closeInEveryPhase() {
    QFETCH(QStringList, script);
    QFETCH(Phase, phase);
    QFETCH(QStringList, messages);
    Calibration c;
    QVERIFY(c.Start(true));
    for (const QString& step : script) {
      if (step.startsWith("sim ")) QVERIFY(c.sim.command(step.mid(4)));
      if (step == "gain") {
        c.wizard().CheckBox3->setChecked(true);
        c.wizard().SpinEdit2->setValue(16000);
      }
      if (step == "next") c.wizard().kDalejClick();
      if (step == "register") c.wizard().kWizardRejestrujClick();
      if (step == "back") c.wizard().kWsteczClick();
      if (step == "page2") QVERIFY(c.ToPage2());
      if (step == "start") c.wizard().kStartClick();
      if (step == "search") QVERIFY(c.Search());
      if (step != script.last() && step == "next") QVERIFY(c.WaitFor({Phase::Sampling}));
    }
    QVERIFY(c.WaitFor({phase}));
    const int frames = int(c.sim.meterFrames().size());
    c.wizard().close();
    const QList<QWidget*> controls{c.wizard().kDalej, c.wizard().kWstecz, c.wizard().kStart,
                                   c.wizard().kWizardRejestruj, c.wizard().kWizardReset, c.wizard().Button9};
    if (c.wizard().isVisible())
      for (QWidget* control : controls) QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
    QVERIFY(c.Closed());
    QVERIFY(c.main().isVisible());
    QVERIFY(!c.wizard().Link().kComKalib.Connected());
    QVERIFY(!c.wizard().Link().kComWzor.Connected());
    QVERIFY(c.main().ComPort1->Connected());
    QCOMPARE(c.main().Send->Sondy->CellText(1, 1), QString());
    QCOMPARE(c.messages.texts().mid(0, messages.size()), messages);
    if (phase == Phase::Connecting) QCOMPARE(c.messages.texts().last(), QString("Niepowodzenie"));
    // The initial gain, known, is given back when a trial left another one.
    if (phase == Phase::Restoring || phase == Phase::GivingBack)
      for (const QByteArray& frame : c.GainFramesFrom(frames)) QCOMPARE(frame, GainFrame(16000));
    if (script.contains("sim ref-silent on")) QVERIFY(c.sim.command("ref-silent off"));
    if (script.contains("sim silence on")) QVERIFY(c.sim.command("silence off"));
    if (script.contains("sim gain-follow off")) QVERIFY(c.sim.command("gain-follow on"));
    // The reference meter was handed back to local control last.
    QVERIFY(c.sim.pumpUntil([&] { return c.sim.referenceCommands().last().bytes == "\x1BLO1\r"; }, 2000));
    c.messages.clear();
    QVERIFY(c.Open());
    QCOMPARE(c.Page(), 0);
    QVERIFY(c.wizard().kDalej->isEnabled());
    QVERIFY(c.Connect());
    QVERIFY(c.wizard().kWizardRejestruj->isEnabled());
    QVERIFY(c.Register());
    QVERIFY(c.messages.texts().isEmpty());
  }

 private:
  QTemporaryDir settingsDir_;
};

QTEST_MAIN(TestCalibrationLive)
#include "test_calibration_live.moc"
