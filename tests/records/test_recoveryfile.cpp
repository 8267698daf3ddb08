// The recovery file of a recording: written as results are stored, gone after a normal stop,
// found and offered after a crash.
#include <QtTest>

#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"
#include "records/DataFile.h"
#include "records/Recorder.h"
#include "records/RecoveryFile.h"
#include "settings/SettingsStore.h"

namespace {
QString ResultText(int i) { return FormatValueText(0, i / 100.0); }

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray Lines(const QStringList& texts) {
  QByteArray out;
  for (const QString& t : texts) out += t.toLatin1() + "\r\n";
  return out;
}

QStringList Listed() { return OpenSettingsStore()->value("recovery/files").toStringList(); }

// A recording that stored count results and then "crashed": the recorder is gone without a stop.
QString LeaveRecording(const QString& dataFile, int count) {
  StoredSeries series;
  Recorder recorder(series);
  recorder.Start(1, dataFile);
  for (int i = 1; i <= count; ++i) recorder.OnResult(ResultText(i));
  return recorder.Recovery().FileName();
}
}  // namespace

class TestRecoveryFile : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { qputenv("FLUXA_SETTINGS", dir_.filePath("settings.ini").toUtf8()); }
  void init() { OpenSettingsStore()->remove("recovery"); }

  // Each stored text is in the file as soon as it is stored; the results it skips are not.
  void storedResultsReachTheFileAtOnce() {
    StoredSeries series;
    Recorder recorder(series);
    const QString data = dir_.filePath("live.F3D");
    recorder.Start(2, data);
    const QString part = data + ".part";
    QCOMPARE(recorder.Recovery().FileName(), part);
    QCOMPARE(Bytes(part), QByteArray());
    QCOMPARE(Listed(), QStringList{QFileInfo(part).absoluteFilePath()});
    QStringList stored;
    for (int i = 1; i <= 7; ++i) {
      if (recorder.OnResult(ResultText(i)) == RecordResult::Stored) stored << ResultText(i);
      QCOMPARE(Bytes(part), Lines(stored));
    }
    // This program holds it: a second program's start would not offer it.
    QVERIFY(LeftRecoveryFiles().isEmpty());
    QCOMPARE(recorder.Stop().kind, RecordingOutcome::Written);
    QCOMPARE(Bytes(data), Lines(stored));
    QVERIFY(!QFile::exists(part));
    QVERIFY(!QFile::exists(part + ".lock"));
    QVERIFY(Listed().isEmpty());
  }

  // The recovery file goes once the results are in a data file or the user gave them up; while
  // they are only in memory it stays.
  void endsOfARecording_data() {
    QTest::addColumn<int>("results");
    QTest::addColumn<bool>("goodName");
    QTest::addColumn<bool>("saveElsewhere");
    QTest::newRow("stop before the first stored result") << 0 << true << false;
    QTest::newRow("stop with a written file") << 3 << true << false;
    QTest::newRow("write failed, saved under another name") << 3 << false << true;
    QTest::newRow("write failed, results given up") << 3 << false << false;
  }
  void endsOfARecording() {
    QFETCH(int, results);
    QFETCH(bool, goodName);
    QFETCH(bool, saveElsewhere);
    // A data file name that is a folder cannot be written; its recovery file beside it can.
    const QString data = dir_.filePath(goodName ? "end.F3D" : "folder.F3D");
    if (!goodName) QVERIFY(QDir().mkpath(data));
    StoredSeries series;
    Recorder recorder(series);
    recorder.Start(1, data);
    for (int i = 1; i <= results; ++i) recorder.OnResult(ResultText(i));
    const QString part = data + ".part";
    const RecordingOutcome outcome = recorder.Stop();
    if (!goodName) {
      QCOMPARE(outcome.kind, RecordingOutcome::WriteFailed);
      QCOMPARE(Bytes(part).count('\n'), results);  // the only copy on disk
      if (saveElsewhere)
        QCOMPARE(recorder.SaveAs(dir_.filePath("elsewhere.F3D")).kind, RecordingOutcome::Written);
      else
        recorder.DiscardUnsaved();
    }
    QVERIFY(!QFile::exists(part));
    QVERIFY(Listed().isEmpty());
  }

  // After a crash the next start finds the file, reads what it holds, and keeps or discards it.
  void leftRecordingIsKeptOrDiscarded_data() {
    QTest::addColumn<bool>("keep");
    QTest::newRow("keep") << true;
    QTest::newRow("discard") << false;
  }
  void leftRecordingIsKeptOrDiscarded() {
    QFETCH(bool, keep);
    const QString data = dir_.filePath(keep ? "kept.F3D" : "discarded.F3D");
    const QString part = LeaveRecording(data, 250);
    QVERIFY(QFile::exists(part));
    const QStringList left = LeftRecoveryFiles();
    QCOMPARE(left, QStringList{QFileInfo(part).absoluteFilePath()});
    const LeftRecording read = ReadLeftRecording(left.first());
    QCOMPARE(QFileInfo(read.dataFileName), QFileInfo(data));
    QCOMPARE(read.lines.size(), 250);
    QCOMPARE(read.lines.last(), ResultText(250));
    QCOMPARE(read.droppedLines, 0);
    if (keep) {
      QVERIFY(KeepLeftRecording(read));
      QCOMPARE(ReadDataFileLines(data, 1000).lines, read.lines);
    } else {
      DiscardLeftRecording(read.recoveryFileName);
      QVERIFY(!QFile::exists(data));
    }
    QVERIFY(!QFile::exists(part));
    QVERIFY(LeftRecoveryFiles().isEmpty());
    QVERIFY(Listed().isEmpty());
  }

  // A data file that cannot be written leaves everything to be offered again.
  void keepThatCannotWriteLeavesTheFile() {
    const QString data = dir_.filePath("blocked.F3D");
    const QString part = LeaveRecording(data, 5);
    QVERIFY(QDir().mkpath(data));  // the name is taken by a folder now
    const LeftRecording read = ReadLeftRecording(LeftRecoveryFiles().value(0));
    QVERIFY(!KeepLeftRecording(read));
    QVERIFY(QFile::exists(part));
    QCOMPARE(LeftRecoveryFiles().size(), 1);
    DiscardLeftRecording(part);
  }

  // What a crash or a power cut may leave at the end of the file.
  void damagedContent_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("dropped");
    QTest::newRow("whole") << QByteArray("   1.00\r\n-   2.50\r\n") << QStringList{"   1.00", "-   2.50"} << 0;
    QTest::newRow("last line cut short") << QByteArray("   1.00\r\n   2.5") << QStringList{"   1.00"} << 1;
    QTest::newRow("zeros after a power cut")
        << QByteArray("   1.00\r\n\0\0\0\0\r\n", 15) << QStringList{"   1.00"} << 1;
    QTest::newRow("a damaged line in between")
        << QByteArray("   1.00\r\nx1.0\r\n\r\n   3.00\r\n") << QStringList{"   1.00", "   3.00"} << 2;
    QTest::newRow("empty") << QByteArray() << QStringList{} << 0;
  }
  void damagedContent() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QFETCH(int, dropped);
    QBuffer buffer(&bytes);
    const LeftRecording read = ReadLeftRecording(buffer);
    QCOMPARE(read.lines, lines);
    QCOMPARE(read.droppedLines, dropped);
  }

  // Listed files that are gone are forgotten; other programs' names are never touched.
  void listingFollowsTheFiles() {
    const QString gone = dir_.filePath("gone.F3D.part");
    const QString notOurs = dir_.filePath("notes.txt");
    QVERIFY(WriteDataFile(notOurs, {"x"}));
    OpenSettingsStore()->setValue("recovery/files", QStringList{gone, notOurs});
    QVERIFY(LeftRecoveryFiles().isEmpty());
    QVERIFY(Listed().isEmpty());
    QVERIFY(QFile::exists(notOurs));
  }

  // A recovery file that cannot be created is told once; the recording goes on in memory.
  void recoveryFileThatCannotBeWrittenIsToldOnce() {
    const QString data = dir_.filePath("noroom.F3D");
    QVERIFY(QDir().mkpath(data + ".part"));  // a folder where the file would go
    StoredSeries series;
    Recorder recorder(series);
    QStringList told;
    recorder.SetRecoveryFailureHandler([&told](const QString& name) { told << name; });
    recorder.Start(1, data);
    for (int i = 1; i <= 20; ++i) QCOMPARE(recorder.OnResult(ResultText(i)), RecordResult::Stored);
    QCOMPARE(told, QStringList{data + ".part"});
    QCOMPARE(recorder.Stop().kind, RecordingOutcome::Written);
    QCOMPARE(ReadDataFileLines(data, 100).lines.size(), 20);
    QVERIFY(QFileInfo(data + ".part").isDir());  // not ours: left alone
    QVERIFY(Listed().isEmpty());
  }

  void answerFromTheEnvironment_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("choice");
    QTest::newRow("keep") << QByteArray("keep") << int(RecoveryChoice::Keep);
    QTest::newRow("Discard") << QByteArray(" Discard") << int(RecoveryChoice::Discard);
    QTest::newRow("unset") << QByteArray() << int(RecoveryChoice::Ask);
    QTest::newRow("other") << QByteArray("yes") << int(RecoveryChoice::Ask);
  }
  void answerFromTheEnvironment() {
    QFETCH(QByteArray, value);
    QFETCH(int, choice);
    qputenv("FLUXA_RECOVERY", value);
    QCOMPARE(int(RecoveryChoiceFromEnvironment()), choice);
    qunsetenv("FLUXA_RECOVERY");
  }

 private:
  QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestRecoveryFile)
#include "test_recoveryfile.moc"
