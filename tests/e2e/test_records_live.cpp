// Recording, download and file view through the main window, against fluxa-sim.
#include <QtTest>
#include <QLineEdit>
#include <QMenu>
#include <algorithm>
#include <cmath>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include "app/FileDialogs.h"
#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"
#include "measurement/WykresWidget.h"
#include "records/DataFile.h"
#include "records/Pobieranie.h"
#include "records/RecoveryFile.h"
#include "records/SpeedStep.h"
#include "tests/e2e/LiveWindow.h"

namespace {
// Answers the next step dialog with n (0: closes it without OK).
void AnswerStepDialog(int n) {
  QTimer::singleShot(50, [n] {
    auto* dialog = qobject_cast<TSpeedStepWin*>(QApplication::activeModalWidget());
    QVERIFY(dialog);
    if (n == 0) {
      dialog->close();
      return;
    }
    dialog->SpinEdit1->setValue(n);
    dialog->Button1->click();
  });
}

// File dialogs answer from a list, one name per question ("" cancels).
struct FileAnswers {
  explicit FileAnswers(QStringList names) : names_(std::move(names)) {
    previous_ = SetFileDialogHook([this](bool, const FileDialogSettings& dialogSettings) {
      asked << dialogSettings;
      return names_.isEmpty() ? QString() : names_.takeFirst();
    });
  }
  ~FileAnswers() { SetFileDialogHook(previous_); }
  QList<FileDialogSettings> asked;

 private:
  QStringList names_;
  FileDialogHook previous_;
};

QStringList Lines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {"<missing>"};
  QString all = QString::fromLatin1(f.readAll());
  if (!all.isEmpty() && !all.endsWith("\r\n")) return {"<no CR LF at the end>"};
  QStringList lines = all.split("\r\n");
  lines.removeLast();
  return lines;
}

void WriteLines(const QString& path, int count) {
  QStringList texts;
  for (int i = 0; i < count; ++i) texts << FormatValueText(0, (i % 50) * 0.5);
  QVERIFY(WriteDataFile(path, texts));
}
// One result at a time, each taken by the window before the next is sent. A machine that falls
// behind a burst drops frames by design, which is not what the recording tests count.
bool SendPaced(LiveWindow& live, int results, int interval) {
  const Recorder& recorder = live.window.Recording();
  for (int i = 1; i <= results; ++i) {
    if (!live.sim.command("burst 1")) return false;
    if (!QTest::qWaitFor([&] { return recorder.StoredCount() * interval + recorder.Counter() >= i; },
                         10000))
      return false;
  }
  return true;
}
}  // namespace

class TestRecordsLive : public QObject {
  Q_OBJECT
 private slots:
  // A recording lists its recovery file in the settings store: keep it out of the user's.
  void initTestCase() { qputenv("FLUXA_SETTINGS", tmp_.filePath("settings.ini").toUtf8()); }

  void recordEveryNthResult_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("results");
    QTest::addColumn<int>("stored");
    QTest::newRow("N=3, 10 results") << 3 << 10 << 3;
    QTest::newRow("N=1, 300 results") << 1 << 300 << 300;
    QTest::newRow("stopped before the first") << 10 << 5 << 0;
  }
  void recordEveryNthResult() {
    QFETCH(int, interval);
    QFETCH(int, results);
    QFETCH(int, stored);
    LiveWindow live({"--rate", "0", "--field", "1.25"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    const QString path = tmp_.filePath(QString("rec-%1-%2.F3D").arg(interval).arg(results));
    FileAnswers answers({path});
    AnswerStepDialog(interval);
    live.window.S_Zapisz->click();
    QVERIFY(live.window.Recording().Recording());
    QCOMPARE(live.window.S_Zapisz->text(), QString("Zakoncz zapis"));
    QVERIFY(!live.window.Otwrz1->isEnabled());
    QVERIFY(!live.window.Button2->isEnabled());
    QVERIFY(live.window.Zakoncz->isEnabled());
    QCOMPARE(answers.asked.first().filter, QString("Pliki danych Fluxa 3.0 (*.F3D)"));
    QVERIFY(SendPaced(live, results, interval));
    live.window.S_Zapisz->click();
    QCOMPARE(live.window.S_Zapisz->text(), QString("Zapisz do pliku"));
    QVERIFY(live.window.Otwrz1->isEnabled() && live.window.Button2->isEnabled());
    if (stored == 0) {
      QVERIFY(!QFile::exists(path));
      return;
    }
    QCOMPARE(Lines(path), QStringList(QVector<QString>(stored, "   1.25").toList()));
    QCOMPARE(live.window.StatusPanel1->text(), QString("Zapisano wyników: %1").arg(stored));
  }

  // While a recording runs the status line counts what it stored, from 0 for each recording.
  // "Koniec" or the close button ends it as its stop does: every result in the data file, no
  // recovery file left for the next start.
  void recordingCountsAndEndsWithTheProgram_data() {
    QTest::addColumn<bool>("menu");
    QTest::newRow("Koniec") << true;
    QTest::newRow("the close button") << false;
  }
  void recordingCountsAndEndsWithTheProgram() {
    QFETCH(bool, menu);
    LiveWindow live({"--rate", "0", "--field", "3.5"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QLabel* status = live.window.StatusPanel1;
    const QString first = tmp_.filePath("first.F3D"), path = tmp_.filePath(QTest::currentDataTag());
    FileAnswers answers({first, path});
    for (const auto& [results, name] : {std::pair{7, first}, std::pair{6, path}}) {
      AnswerStepDialog(1);
      live.window.Zapisz1Click();
      QCOMPARE(status->text(), QString("Zapisano wyników: 0"));
      QVERIFY(SendPaced(live, results, 1));
      QTRY_COMPARE(status->text(), QString("Zapisano wyników: %1").arg(results));
      if (name == first) live.window.ZakonczClick();
    }
    QVERIFY(QFile::exists(path + ".part"));
    if (menu)
      live.window.Koniec1->trigger();
    else
      live.window.close();
    QCOMPARE(Lines(path), QStringList(QVector<QString>(6, "   3.50").toList()));
    QVERIFY(!QFile::exists(path + ".part"));
    QVERIFY(LeftRecoveryFiles().isEmpty());
  }

  void closingTheStepDialogCancelsTheStart() {
    LiveWindow live({"--rate", "0"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    FileAnswers answers({tmp_.filePath("never.F3D")});
    AnswerStepDialog(0);
    live.window.Zapisz1Click();
    QVERIFY(!live.window.Recording().Recording());
    QVERIFY(answers.asked.isEmpty());  // no save dialog either
    QCOMPARE(live.window.S_Zapisz->text(), QString("Zapisz do pliku"));
  }

  void aFailedWriteKeepsTheResultsForAnotherName() {
    LiveWindow live({"--rate", "0", "--field", "2.5"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    const QString bad = tmp_.filePath("no-such-folder/rec.F3D");
    const QString good = tmp_.filePath("second-try.F3D");
    FileAnswers answers({bad, good});
    AnswerStepDialog(1);
    live.window.Zapisz1Click();
    QVERIFY(SendPaced(live, 20, 1));
    live.window.ZakonczClick();
    // Its recovery file could not be made either, which was told once at the start.
    QCOMPARE(live.messages.texts(),
             QStringList({RecoveryFailureText(bad + ".part"), "Błąd. Nie można zapisać do pliku."}));
    QCOMPARE(Lines(good).size(), 20);
    QCOMPARE(live.window.StatusPanel1->text(), QString("Zapisano wyników: 20"));
  }

  void recordingGoesOnThroughADisconnect_data() {
    QTest::addColumn<bool>("deviceLost");
    QTest::newRow("the user disconnects") << false;
    QTest::newRow("the device goes away") << true;
  }
  void recordingGoesOnThroughADisconnect() {
    QFETCH(bool, deviceLost);
    LiveWindow live({"--rate", "0"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    const QString path = tmp_.filePath(deviceLost ? "lost.F3D" : "through.F3D");
    FileAnswers answers({path});
    AnswerStepDialog(1);
    live.window.Zapisz1Click();
    QVERIFY(SendPaced(live, 4, 1));
    if (deviceLost) {
      QVERIFY(live.sim.command("hangup"));
      QTRY_VERIFY_WITH_TIMEOUT(!live.window.ComPort1->Connected(), 5000);
    } else {
      live.window.Poczony1Click();
    }
    QVERIFY(live.window.Recording().Recording());
    QVERIFY(!live.window.S_Zapisz->isEnabled());
    QVERIFY(live.window.Zakoncz->isEnabled());
    live.window.Zakoncz->trigger();
    QCOMPARE(Lines(path).size(), 4);
    QVERIFY(!live.window.Zapisz1->isEnabled());  // still disconnected
  }

  void downloadBringsTheWholeDump_data() {
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("decimalClass");
    QTest::newRow("range 1, 2 decimals") << "1" << 0;
    QTest::newRow("range 2, 1 decimal") << "2" << 1;
  }
  void downloadBringsTheWholeDump() {
    QFETCH(QString, range);
    QFETCH(int, decimalClass);
    LiveWindow live({"--rate", "10", "--range", range});
    QVERIFY(live.Start());
    QStringList words;
    QStringList expected;
    for (int i = 0; i < 300; ++i) {
      const int w = (i * 37) % 9999 - 4999;
      words << QString::number(w);
      expected << FormatValueText(decimalClass, w);
    }
    words << "5001" << "-5000";  // outside the readings' range: skipped
    QVERIFY(live.sim.command("stored " + words.join(' ')));
    // Plik offers it, enabled while the port is open.
    QVERIFY(live.window.Plik1->actions().contains(live.window.Pobierzwynikizurzdzenia1));
    QVERIFY(live.window.Pobierzwynikizurzdzenia1->isVisible());
    QVERIFY(!live.window.Pobierzwynikizurzdzenia1->isEnabled());
    QVERIFY(live.Connect());
    QVERIFY(live.window.Pobierzwynikizurzdzenia1->isEnabled());
    const QString path = tmp_.filePath("download-" + range + ".F3D");
    FileAnswers answers({path});
    live.window.Pobierzwynikizurzdzenia1Click();
    QVERIFY(live.window.PobierzWin()->isVisible());
    QVERIFY(!live.window.isEnabled());
    // Nothing holds the window meanwhile: events posted while it runs are handled as they come,
    // each before the download ends.
    int posted = 0, handledWhileRunning = 0;
    QTimer poster;
    QObject::connect(&poster, &QTimer::timeout, [&] {
      ++posted;
      QTimer::singleShot(0, [&] { handledWhileRunning += live.window.Downloading().Active(); });
    });
    poster.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(!live.window.PobierzWin()->isVisible(), 20000);
    poster.stop();
    QVERIFY2(posted > 0 && handledWhileRunning >= posted - 1, qPrintable(QString("%1 of %2").arg(handledWhileRunning).arg(posted)));
    QVERIFY(live.window.isEnabled());
    QCOMPARE(Lines(path), expected);
    QVERIFY(live.messages.texts().isEmpty());
    // "H", "V", then "H" at the end; live results come back.
    QStringList letters;
    for (const auto& rx : live.sim.meterFrames()) letters << QString(QChar(rx.bytes.at(2)));
    QCOMPARE(letters, (QStringList{"H", "V", "H"}));
    // On the wire as before: "V" 300 + 600 + 500 ms after "H". The simulator stamps a frame when
    // it reads it, never early but now and then late on a busy machine, so the "H" may be
    // stamped late; a pause left out would still show.
    const auto frames = live.sim.meterFrames();
    QVERIFY2(frames[1].ms - frames[0].ms >= 1400 - 250, qPrintable(QString::number(frames[1].ms - frames[0].ms)));
    const QString before = live.window.SWynik->text();
    live.window.SWynik->clear();
    QTRY_VERIFY_WITH_TIMEOUT(!live.window.SWynik->text().isEmpty(), 3000);
    Q_UNUSED(before);
  }

  void cancelledDownloadWritesNoFile() {
    LiveWindow live({"--rate", "10"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    const QString path = tmp_.filePath("cancelled.F3D");
    FileAnswers answers({path});
    live.window.Pobierzwynikizurzdzenia1Click();
    QVERIFY(live.window.PobierzWin()->isVisible());
    live.window.PobierzWin()->Anuluj->click();
    QVERIFY(!live.window.PobierzWin()->isVisible());
    QVERIFY(live.window.isEnabled());
    QTest::qWait(1500);
    QVERIFY(!QFile::exists(path));
    QVERIFY(live.sim.waitForMeterFrames(2, 3000));
    const auto frames = live.sim.meterFrames();
    QCOMPARE(frames.last().bytes, QByteArray::fromHex("AA5548000000"));
    QCOMPARE(live.window.Receiver().mode(), 0);
  }

  void fileViewFollowsEachFile() {
    TMainWin w;
    w.show();
    MessageRecorder messages;
    WriteLines(tmp_.filePath("long.F3D"), 1000);
    WriteLines(tmp_.filePath("short.F3D"), 100);
    {
      FileAnswers answers({tmp_.filePath("long.F3D")});
      w.Button2->click();
    }
    QVERIFY(!w.Danezurzdzenia1->isChecked());
    QVERIFY(!w.Kosz->isVisible());
    QVERIFY(!w.filtr->isChecked());
    QVERIFY(w.TrackBar1->isVisible());
    QCOMPARE(w.TrackBar1->maximum(), 474);  // the window from there ends at entry 1000
    QCOMPARE(w.Series().Count(), 1000);
    w.TrackBar1->setValue(474);
    QTRY_COMPARE_WITH_TIMEOUT(w.Wykres1->Chart().Values().back(), w.Series().Value(1000), 2000);
    {
      FileAnswers answers({tmp_.filePath("short.F3D")});
      w.Otwrz1->trigger();
    }
    QVERIFY(!w.TrackBar1->isVisible());
    QCOMPARE(w.TrackBar1->maximum(), 1);
    QCOMPARE(w.Series().Count(), 100);
    QCOMPARE(int(w.Wykres1->Chart().Ilosc()), 100);  // drawn whole, nothing of the long file
    QCOMPARE(w.Wykres1->Chart().Values().back(), w.Series().Value(100));
    // The file on show is named, with the way back.
    QCOMPARE(w.windowTitle(), QString::fromUtf8("Ferrolab - Fluxa 3.1 – plik short.F3D (wyniki na żywo: Widok → Dane z urządzenia)"));
    // Back to live data.
    w.SpeedButton1->click();
    QVERIFY(w.Danezurzdzenia1->isChecked());
    QVERIFY(!w.TrackBar1->isVisible());
    QCOMPARE(int(w.Wykres1->Chart().Ilosc()), 0);
    QCOMPARE(w.windowTitle(), QString("Ferrolab - Fluxa 3.1"));
    QVERIFY(messages.texts().isEmpty());
  }

  // "Połącz" is for live results: a file on show gives the chart back to them.
  void connectingBringsTheLiveChartBack() {
    LiveWindow live({"--rate", "20", "--field", "4"});
    QVERIFY(live.Start());
    WriteLines(tmp_.filePath("shown.F3D"), 50);
    {
      FileAnswers answers({tmp_.filePath("shown.F3D")});
      live.window.Button2->click();
    }
    QVERIFY(live.window.windowTitle().contains("shown.F3D"));
    QVERIFY(live.Connect());
    QVERIFY(live.window.Danezurzdzenia1->isChecked());
    QCOMPARE(live.window.windowTitle(), QString("Ferrolab - Fluxa 3.1"));
    QTRY_VERIFY_WITH_TIMEOUT(live.window.Wykres1->Chart().Ilosc() >= 3, 5000);
    for (double v : live.window.Wykres1->Chart().Values()) QCOMPARE(v, 4.0);
  }

  // A recording is drawn as recorded: a sine from -30 to 50 keeps its extremes whether the live
  // filter was ticked or not; the filter applies to the file only while the user ticks it.
  void aFileIsDrawnAsRecorded_data() {
    QTest::addColumn<bool>("filterTicked");
    QTest::newRow("filter not ticked") << false;
    QTest::newRow("live filter ticked") << true;
  }
  void aFileIsDrawnAsRecorded() {
    QFETCH(bool, filterTicked);
    TMainWin w;
    w.show();
    QStringList texts;
    for (int i = 0; i < 200; ++i) texts << FormatValueText(1, 10 + 40 * std::sin(i * 2 * M_PI / 40));
    const QString path = tmp_.filePath("sine.F3D");
    QVERIFY(WriteDataFile(path, texts));
    if (filterTicked) w.filtr->click();
    QCOMPARE(w.filtr->isChecked(), filterTicked);
    {
      FileAnswers answers({path});
      w.Otwrz1->trigger();
    }
    QVERIFY(!w.filtr->isChecked());
    QVERIFY(w.Tau->isEnabled());
    auto extremes = [&w] {
      const auto values = w.Wykres1->Chart().Values();
      const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
      return std::pair{*lo, *hi};
    };
    QCOMPARE(extremes(), (std::pair{-30.0, 50.0}));
    w.filtr->click();  // the user's choice: now it is filtered
    QVERIFY(extremes().second < 45);
    w.filtr->click();
    QCOMPARE(extremes(), (std::pair{-30.0, 50.0}));
  }

  void aFileLongerThanTheSeriesShowsItsBeginningAndSaysSo() {
    TMainWin w;
    MessageRecorder messages;
    WriteLines(tmp_.filePath("huge.F3D"), 65535 + 7);
    FileAnswers answers({tmp_.filePath("huge.F3D")});
    w.Otwrz1Click();
    QCOMPARE(w.Series().Count(), 65535);
    QCOMPARE(messages.texts(),
             QStringList{"Plik zawiera więcej niż 65535 wyników. Pominięto ostatnie: 7."});
    QCOMPARE(w.TrackBar1->maximum(), TrackBarMaximum(65535, w.Wykres1->Chart().StripLength()));
  }

  void unreadableFileKeepsTheChart() {
    TMainWin w;
    MessageRecorder messages;
    FileAnswers answers({tmp_.filePath("missing.F3D")});
    w.Otwrz1Click();
    QCOMPARE(messages.texts(), QStringList{"Błąd. Nie można odczytac pliku."});
    QVERIFY(w.Danezurzdzenia1->isChecked());
    QVERIFY(w.Kosz->isVisible() || !w.isVisible());
  }

 private:
  QTemporaryDir tmp_;
};

QTEST_MAIN(TestRecordsLive)
#include "test_records_live.moc"
