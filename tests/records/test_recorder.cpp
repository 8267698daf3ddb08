// Recording into the stored series and the data file written at the stop.
#include <QtTest>

#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"
#include "records/DataFile.h"
#include "records/Recorder.h"

namespace {
// Result i of a run, as the display shows it: distinct for every i.
QString ResultText(int i) { return FormatValueText(0, i / 100.0); }

QStringList FileLines(const QString& path) {
  const DataFileLines read = ReadDataFileLines(path, 1 << 20);
  return read.ok ? read.lines : QStringList{"<unreadable>"};
}
}  // namespace

class TestRecorder : public QObject {
  Q_OBJECT
 private slots:
  // A recording lists its recovery file in the settings store: keep it out of the user's.
  void initTestCase() { qputenv("FLUXA_SETTINGS", dir_.filePath("settings.ini").toUtf8()); }

  void storesEveryNthResult_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("results");
    QTest::addColumn<QList<int>>("stored");
    QTest::newRow("N = 3, 10 results") << 3 << 10 << QList<int>{3, 6, 9};
    QList<int> all;
    for (int i = 1; i <= 300; ++i) all << i;
    QTest::newRow("N = 1, 300 results") << 1 << 300 << all;
    QTest::newRow("N = 10, 25 results") << 10 << 25 << QList<int>{10, 20};
    QTest::newRow("N = 500, 1000 results") << 500 << 1000 << QList<int>{500, 1000};
    QTest::newRow("N = 0 is held at 1") << 0 << 2 << QList<int>{1, 2};
    QTest::newRow("N = 501 is held at 500") << 501 << 1000 << QList<int>{500, 1000};
  }
  void storesEveryNthResult() {
    QFETCH(int, interval);
    QFETCH(int, results);
    QFETCH(QList<int>, stored);
    StoredSeries series;
    series.AppendText("left over from a file");
    Recorder recorder(series);
    const QString path = dir_.filePath("rec.F3D");
    recorder.Start(interval, path);
    QVERIFY(recorder.Recording());
    QCOMPARE(series.Count(), 0);
    QList<int> storedAt;
    for (int i = 1; i <= results; ++i) {
      const RecordResult r = recorder.OnResult(ResultText(i));
      QVERIFY(r == RecordResult::Stored || r == RecordResult::Counted);
      if (r == RecordResult::Stored) storedAt << i;
    }
    QCOMPARE(storedAt, stored);
    const RecordingOutcome outcome = recorder.Stop();
    QCOMPARE(outcome.kind, RecordingOutcome::Written);
    QCOMPARE(outcome.count, int(stored.size()));
    QStringList expected;
    for (int i : stored) expected << ResultText(i);
    QCOMPARE(FileLines(path), expected);
    QCOMPARE(SavedResultsText(outcome.count), "Zapisano wyników: " + QString::number(stored.size()));
    // Stopped: the results are gone, nothing more is counted.
    QVERIFY(!recorder.Recording());
    QCOMPARE(recorder.Interval(), 0);
    QCOMPARE(series.Count(), 0);
    QCOMPARE(recorder.OnResult(ResultText(1)), RecordResult::NotRecording);
  }

  void restartCountsAfresh() {
    StoredSeries series;
    Recorder recorder(series);
    recorder.Start(3, dir_.filePath("first.F3D"));
    recorder.OnResult(ResultText(1));
    recorder.OnResult(ResultText(2));
    QCOMPARE(recorder.Stop().kind, RecordingOutcome::NothingStored);
    recorder.Start(3, dir_.filePath("second.F3D"));
    QCOMPARE(recorder.OnResult(ResultText(1)), RecordResult::Counted);
    QCOMPARE(recorder.OnResult(ResultText(2)), RecordResult::Counted);
    QCOMPARE(recorder.OnResult(ResultText(3)), RecordResult::Stored);
  }

  void stopBeforeFirstStoredResultCreatesNoFile_data() {
    QTest::addColumn<bool>("existing");
    QTest::newRow("no file there") << false;
    QTest::newRow("an earlier file stays as it was") << true;
  }
  void stopBeforeFirstStoredResultCreatesNoFile() {
    QFETCH(bool, existing);
    const QString path = dir_.filePath(existing ? "kept.F3D" : "none.F3D");
    if (existing) QVERIFY(WriteDataFile(path, {"  1.00"}));
    StoredSeries series;
    Recorder recorder(series);
    recorder.Start(5, path);
    for (int i = 1; i <= 4; ++i) recorder.OnResult(ResultText(i));
    const RecordingOutcome outcome = recorder.Stop();
    QCOMPARE(outcome.kind, RecordingOutcome::NothingStored);
    QCOMPARE(QFile::exists(path), existing);
    if (existing) QCOMPARE(FileLines(path), QStringList{"  1.00"});
    QVERIFY(!recorder.HasUnsavedResults());
  }

  // A failed write keeps the results: the window asks again, and a cancel there discards them.
  void writeFailureKeepsTheResults_data() {
    QTest::addColumn<bool>("saveAgain");
    QTest::newRow("saved under another name") << true;
    QTest::newRow("discarded") << false;
  }
  void writeFailureKeepsTheResults() {
    QFETCH(bool, saveAgain);
    StoredSeries series;
    Recorder recorder(series);
    recorder.Start(1, dir_.filePath("no/such/folder/rec.F3D"));
    for (int i = 1; i <= 3; ++i) recorder.OnResult(ResultText(i));
    RecordingOutcome outcome = recorder.Stop();
    QCOMPARE(outcome.kind, RecordingOutcome::WriteFailed);
    QCOMPARE(outcome.count, 3);
    QVERIFY(!recorder.Recording());
    QVERIFY(recorder.HasUnsavedResults());
    QCOMPARE(series.Count(), 3);
    // Results arriving meanwhile do not join them.
    QCOMPARE(recorder.OnResult(ResultText(4)), RecordResult::NotRecording);
    // A second bad name fails the same way and still keeps them.
    QCOMPARE(recorder.SaveAs(dir_.path()).kind, RecordingOutcome::WriteFailed);
    QVERIFY(recorder.HasUnsavedResults());
    const QString good = dir_.filePath(saveAgain ? "saved.F3D" : "discarded.F3D");
    if (saveAgain) {
      outcome = recorder.SaveAs(good);
      QCOMPARE(outcome.kind, RecordingOutcome::Written);
      QCOMPARE(outcome.count, 3);
      QCOMPARE(FileLines(good), QStringList({ResultText(1), ResultText(2), ResultText(3)}));
    } else {
      recorder.DiscardUnsaved();
      QCOMPARE(recorder.SaveAs(good).kind, RecordingOutcome::NothingStored);
      QVERIFY(!QFile::exists(good));
    }
    QVERIFY(!recorder.HasUnsavedResults());
    QCOMPARE(series.Count(), 0);
  }

  void fullSeriesStopsByItself() {
    StoredSeries series;
    Recorder recorder(series);
    const QString path = dir_.filePath("full.F3D");
    recorder.Start(1, path);
    for (int i = 1; i < StoredSeries::MaximumCount; ++i)
      QCOMPARE(recorder.OnResult(ResultText(i % 1000)), RecordResult::Stored);
    QCOMPARE(recorder.OnResult(ResultText(7)), RecordResult::Full);
    // Until the window's stop handler has run, nothing more is stored.
    QCOMPARE(recorder.OnResult(ResultText(8)), RecordResult::Full);
    QCOMPARE(series.Count(), StoredSeries::MaximumCount);
    const RecordingOutcome outcome = recorder.Stop();
    QCOMPARE(outcome.kind, RecordingOutcome::Written);
    QCOMPARE(outcome.count, StoredSeries::MaximumCount);
    const QStringList lines = FileLines(path);
    QCOMPARE(lines.size(), StoredSeries::MaximumCount);
    QCOMPARE(lines.last(), ResultText(7));
  }

 private:
  QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "test_recorder.moc"
