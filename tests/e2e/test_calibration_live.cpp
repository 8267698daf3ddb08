// One range of a probe calibrated end to end: the program's windows offscreen, fluxa-sim's meter
// (at gain 16000 of its true 20000, in Gs) and reference meter on pseudo-terminals.
#include <QtTest>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>

#include "app/Application.h"
#include "app/Main.h"
#include "app/ServicePanel.h"
#include "parameters/ParameterGrid.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/WizardTexts.h"

namespace {
QByteArray GainFrame(int gain) {
  return QByteArray::fromHex("AA554300") + char(gain & 0xFF) + char(gain >> 8);
}

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
    main().Send->Sondy->SetCellText(1, 1, cell);
    main().Send->Sondy->OnDataCellDoubleClick(1, 1);  // DC 1, AXIAL wzm.
    return wizard().isVisible() && main().ComPort1->Connected() == false;
  }
  TMainWin& main() { return fluxa->MainWin(); }
  TkKalibracja& wizard() { return fluxa->Kalibracja(); }
  int Page() { return wizard().kWizardPages->currentIndex(); }
  bool Readings(const QString& reference, const QString& calibrated) {
    return sim.pumpUntil(
        [&] {
          return wizard().kWizardWzorLabel->text() == reference &&
                 wizard().kWizardKalLabel->text() == calibrated;
        },
        5000);
  }
  // Page 1 with samples at 100 and 50 (read as given), the field back at 100, then page 2.
  bool ToPage2(const QString& at100 = "80", const QString& at50 = "40") {
    if (Page() == 0) wizard().kDalejClick();
    if (Page() != 1 || !Readings("100.00", at100)) return false;
    wizard().kWizardRejestrujClick();
    if (!sim.command("field 50") || !Readings("50.00", at50)) return false;
    wizard().kWizardRejestrujClick();
    if (!sim.command("field 100") || !Readings("100.00", at100)) return false;
    wizard().kDalejClick();
    return Page() == 2;
  }
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

class TestCalibrationLive : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    qputenv("FLUXA_SETTINGS", settingsDir_.filePath("settings.ini").toUtf8());
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
    QVERIFY(!c.wizard().isVisible());
    QVERIFY(c.main().isVisible());
    QCOMPARE(c.main().Send->Sondy->CellText(1, 1), QString("0,61037"));
    QCOMPARE(c.messages.texts(), QStringList{wizard_text::GainWritten("0,61037", 1, 0)});
    QCOMPARE(c.main().ComPort1->Connected(), connected);
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
    QCOMPARE(c.messages.texts(), messages);
    QCOMPARE(c.Page(), page);
    QCOMPARE(c.wizard().Step(), page);
    if (page == 1) {
      QVERIFY(c.sim.waitForMeterFrames(before + 1, 2000));
      QCOMPARE(c.GainFramesFrom(before), QList<QByteArray>{QByteArray::fromHex("AA554300204E")});
      return;
    }
    QVERIFY(!c.wizard().Link().kComKalib.Connected());
    QVERIFY(!c.wizard().Link().kComWzor.Connected());
    QVERIFY(c.GainFramesFrom(before).isEmpty());
    // The meter under calibration closed first: the reference meter is back in local control.
    QVERIFY(c.sim.pumpUntil([&] { return c.sim.referenceCommands().last().bytes == "\x1BLO1\r"; }, 2000));
  }

  // Whatever happens during a search's wait, nothing more goes to the meter after it.
  // Back after a search, then "Dalej >>" again: the same target as the first time. The meter is
  // given back the gain the samples were taken at when the wizard knows it (the cell it was
  // opened from, or the initial gain it sent); otherwise the samples go and are taken again at
  // the gain the meter holds. On the way, a re-run that fails leaves "Zakoncz" disabled.
  void backAfterSearchKeepsTheTarget_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("initialGain");  // "Wpisz inicjujaca nastawe" at 16000
    QTest::addColumn<int>("givenBack");     // the gain frame of Back; 0: none
    QTest::newRow("gain from the cell") << "0,48830" << false << 16000;
    QTest::newRow("initial gain") << "" << true << 16000;
    QTest::newRow("gain not known") << "" << false << 0;
  }
  void backAfterSearchKeepsTheTarget() {
    QFETCH(QString, cell);
    QFETCH(bool, initialGain);
    QFETCH(int, givenBack);
    Calibration c;
    QVERIFY(c.Start(false, cell));
    c.wizard().CheckBox3->setChecked(initialGain);
    c.wizard().SpinEdit2->setValue(16000);
    QVERIFY(c.ToPage2());
    QCOMPARE(c.wizard().TargetReading(), 100.0);
    c.wizard().kStartClick();
    QCOMPARE(c.wizard().FinalGain(), 20000);
    QVERIFY(c.wizard().kDalej->isEnabled());

    // A re-run: "Zakoncz" is disabled from "Start" on, and stays so when it fails.
    QVERIFY(c.sim.command("silence on"));
    bool enabledDuringSearch = true;
    QTimer::singleShot(0, [&] { enabledDuringSearch = c.wizard().kDalej->isEnabled(); });
    c.wizard().kStartClick();
    QCOMPARE(c.messages.texts(), QStringList{"Niepowodzenie"});
    QVERIFY(!enabledDuringSearch);
    QVERIFY(!c.wizard().kDalej->isEnabled());
    QVERIFY(c.sim.command("silence off"));

    const int before = int(c.sim.meterFrames().size());
    c.wizard().kWsteczClick();
    QCOMPARE(c.Page(), 1);
    if (givenBack) {
      QVERIFY(c.sim.waitForMeterFrames(before + 1, 2000));
      QCOMPARE(c.GainFramesFrom(before), QList<QByteArray>{GainFrame(givenBack)});
      QCOMPARE(c.wizard().Samples().Count(), 2);
      QCOMPARE(c.messages.texts().size(), 1);
      QVERIFY(c.Readings("100.00", "80"));
      c.wizard().kDalejClick();
    } else {
      QCOMPARE(c.wizard().Samples().Count(), 0);
      QCOMPARE(c.messages.texts().last(), wizard_text::kSamplesDropped);
      // Taken again at the trial gain the failed re-run left (16384, or its second trial when
      // a frame still on the line counted for the first step).
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
  void deviceGone_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("duringSearch");
    QTest::addColumn<QString>("message");
    const QString trial = "\n" + wizard_text::kTrialGainKept;
    QTest::newRow("meter, sampling") << "meter" << false << wizard_text::kMeterLost;
    QTest::newRow("meter, search") << "meter" << true << wizard_text::kMeterLost + trial;
    QTest::newRow("reference, search") << "reference" << true << wizard_text::kReferenceLost + trial;
  }
  void deviceGone() {
    QFETCH(QString, device);
    QFETCH(bool, duringSearch);
    QFETCH(QString, message);
    Calibration c;
    QVERIFY(c.Start(true));
    if (duringSearch) {
      QVERIFY(c.ToPage2());
      // At the search's first wait, after its first gain frame.
      QTimer::singleShot(0, [&] { c.sim.process().write(("hangup " + device + "\n").toUtf8()); });
      c.wizard().kStartClick();
    } else {
      c.wizard().kDalejClick();
      QVERIFY(c.Readings("100.00", "80"));
      QVERIFY(c.sim.command("hangup " + device));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!c.wizard().isVisible(), 5000);
    QVERIFY(c.main().isVisible());
    QCOMPARE(c.messages.texts(), QStringList{message});
    QCOMPARE(c.main().Send->Sondy->CellText(1, 1), QString());
    // The meter's port is the main window's again, or it is left as after "Rozłącz".
    const bool meterThere = device == "reference";
    QCOMPARE(c.main().ComPort1->Connected(), meterThere);
    QCOMPARE(c.main().Poczony1->isChecked(), meterThere);
    // ... at the trial gain the meter keeps (16384 of 20000).
    if (meterThere) QTRY_VERIFY_WITH_TIMEOUT(c.main().SWynik->text().contains("81.9"), 5000);
  }

  // With no known gain to give back: closing tells that the meter keeps the trial gain, Back
  // empties the samples.
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
    QTimer::singleShot(1800, [&] {  // during the second step's wait
      if (event == "close") {
        c.wizard().close();
      } else if (event == "back") {
        c.wizard().kWsteczClick();
        c.wizard().kWsteczClick();
      } else {
        c.sim.process().write("silence on\n");
      }
    });
    c.wizard().kStartClick();
    const int sent = int(c.GainFramesFrom(before).size());
    c.sim.pumpUntil([] { return false; }, 2500);  // a step and more
    QCOMPARE(int(c.GainFramesFrom(before).size()), sent);
    QVERIFY(sent <= 3);
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

 private:
  QTemporaryDir settingsDir_;
};

QTEST_MAIN(TestCalibrationLive)
#include "test_calibration_live.moc"
