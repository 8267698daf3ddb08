// Download of the meter's stored readings against fluxa-sim over a real pseudo-terminal, driven
// as the main window drives it: ZmienStan started again with each step's delay.
#include <QtTest>

#include <optional>

#include "link/ComPort.h"
#include "link/MeterCommands.h"
#include "link/MeterProtocol.h"
#include "measurement/MeasurementResult.h"
#include "records/DataFile.h"
#include "records/Download.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"

namespace {
// The main window's part in a download, without the window.
struct Rig {
  TComPort port{ComPortSettings::ComPort1()};
  MeterReceiver receiver;
  Download download;
  QTimer zmienStan;  // ZmienStan
  int framesParsed = 0;
  int receivingTicks = 0;
  int dataTicks = 0;  // stage-2 ticks that found data still arriving
  std::optional<DownloadTick> finished;

  Rig() {
    port.OnRxChar = [this](int count) {
      if (receiver.Receive(port.Read(count))) ++framesParsed;
    };
    zmienStan.setSingleShot(true);
    QObject::connect(&zmienStan, &QTimer::timeout, [this] { ZmienStanTimer(); });
  }

  void ZmienStanTimer() {
    const bool receiving = download.stage() == Download::kReceiving;
    const DownloadTick tick = download.Tick(receiver, port);
    zmienStan.start(download.NextTickMs());
    if (tick.kind == DownloadTick::Receiving) ++receivingTicks;
    if (tick.kind == DownloadTick::Finished) finished = tick;
    if (receiving && tick.kind == DownloadTick::Nothing) ++dataTicks;
  }

  void Begin(const QString& fileName) {
    finished.reset();
    receivingTicks = 0;
    dataTicks = 0;
    download.Begin(port, fileName);
    zmienStan.start(download.NextTickMs());
  }
};

QString Readings(const QList<int>& values) {
  QStringList words;
  for (int v : values) words << QString::number(v);
  return words.join(' ');
}

int CountCommands(SimProcess& sim, char letter) {
  int n = 0;
  for (const auto& rx : sim.meterFrames()) n += rx.bytes == CommandFrame(letter);
  return n;
}
}  // namespace

class TestDownload : public QObject {
  Q_OBJECT
 private slots:
  void init() { qunsetenv("FLUXA_SETTINGS"); }

  // Every accepted word arrives in the file with the class of the header, however many.
  void writesTheWholeDump_data() {
    QTest::addColumn<int>("range");
    QTest::addColumn<QList<int>>("stored");
    QTest::addColumn<QStringList>("lines");
    // Over 127 readings (more than 255 bytes), with words outside -4999..5000 in between.
    QList<int> many;
    QStringList manyTexts1, manyTexts0;
    for (int i = 0; i < 150; ++i) {
      const int v = (i * 137) % 9999 - 4999;
      many << v;
      manyTexts1 << FormatValueText(1, v);
      manyTexts0 << FormatValueText(0, v);
      if (i % 40 == 7) many << 5001 << -5000 << 32767 << -32768;
    }
    QTest::newRow("range 2: 1 decimal") << 2 << many << manyTexts1;
    QTest::newRow("range 1: 2 decimals") << 1 << many << manyTexts0;
    QList<int> edges{-4999, 5000, 0, -1, 1};
    QTest::newRow("range 2, edges of the accepted words")
        << 2 << edges
        << QStringList{"-  4999.0", " 5000.0", "    0.0", "   - 1.0", "    1.0"};
    QTest::newRow("nothing stored: an empty file") << 1 << QList<int>{} << QStringList{};
    // About three seconds on the line: the end must not be seen while bytes still come.
    QList<int> long3s;
    QStringList long3sTexts;
    for (int i = 0; i < 1500; ++i) {
      long3s << i - 700;
      long3sTexts << FormatValueText(1, i - 700);
    }
    QTest::newRow("1500 readings, several ticks of data") << 2 << long3s << long3sTexts;
  }
  void writesTheWholeDump() {
    QFETCH(int, range);
    QFETCH(QList<int>, stored);
    QFETCH(QStringList, lines);
    SimProcess sim({"--rate", "10", "--field", "12.5"});
    QVERIFY(sim.start());
    QVERIFY(sim.command(QString("range %1").arg(range)));
    QVERIFY(sim.command("stored " + Readings(stored)));
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    Rig rig;
    MessageRecorder messages;
    rig.port.Open();
    QVERIFY(sim.pumpUntil([&] { return rig.framesParsed >= 3; }, 3000));

    const QString path = dir_.filePath(QString("dump%1.F3D").arg(++fileNumber_));
    rig.Begin(path);
    QCOMPARE(rig.download.stage(), Download::kRequested);
    QVERIFY(sim.pumpUntil([&] { return rig.finished.has_value(); }, 15000));

    QCOMPARE(rig.receivingTicks, 1);
    QVERIFY(rig.finished->written());
    QCOMPARE(rig.finished->lineCount, int(lines.size()));
    const DataFileLines file = ReadDataFileLines(path, 100000);
    QVERIFY(file.ok);
    QCOMPARE(file.lines, lines);
    if (stored.size() > 1000) QVERIFY2(rig.dataTicks >= 2, qPrintable(QString::number(rig.dataTicks)));
    QCOMPARE(rig.download.stage(), Download::kIdle);
    QCOMPARE(rig.receiver.mode(), int(MeterReceiver::kParseFrames));
    // The meter saw H, V, H in that order, and streams results again.
    QVERIFY(sim.waitForMeterFrames(3, 3000));
    QList<QByteArray> commands;
    for (const auto& rx : sim.meterFrames()) commands << rx.bytes;
    QCOMPARE(commands, QList<QByteArray>({CommandFrame('H'), CommandFrame('V'), CommandFrame('H')}));
    const int before = rig.framesParsed;
    QVERIFY(sim.pumpUntil([&] { return rig.framesParsed >= before + 3; }, 3000));
    QVERIFY(messages.texts().isEmpty());
  }

  void cancelWritesNoFile_data() {
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("commandsBefore");
    QTest::newRow("while requested") << 0 << 1;
    QTest::newRow("while receiving") << 1 << 2;
  }
  void cancelWritesNoFile() {
    QFETCH(int, ticks);
    QFETCH(int, commandsBefore);
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    QList<int> many;
    for (int i = 0; i < 1000; ++i) many << i;
    QVERIFY(sim.command("stored " + Readings(many)));
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    Rig rig;
    rig.port.Open();
    const QString path = dir_.filePath(QString("cancel%1.F3D").arg(ticks));
    rig.Begin(path);
    if (ticks > 0) {
      QVERIFY(sim.pumpUntil([&] { return rig.receivingTicks == 1; }, 5000));
      QVERIFY(sim.pumpUntil([&] { return !rig.receiver.dump().isEmpty(); }, 3000));
    }
    QVERIFY(sim.waitForMeterFrames(commandsBefore, 3000));
    rig.download.Cancel(rig.receiver, rig.port);
    QCOMPARE(rig.download.stage(), Download::kIdle);
    QCOMPARE(rig.receiver.mode(), int(MeterReceiver::kParseFrames));
    QVERIFY(sim.waitForMeterFrames(commandsBefore + 1, 3000));
    QCOMPARE(sim.meterFrames().last().bytes, CommandFrame('H'));
    // Later ticks do nothing, and no file appears.
    sim.pumpUntil([] { return false; }, 1500);
    QVERIFY(!rig.finished.has_value());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(CountCommands(sim, 'H'), 2);
    // The meter streams results again.
    const int before = rig.framesParsed;
    QVERIFY(sim.pumpUntil([&] { return rig.framesParsed >= before + 3; }, 3000));
  }

  // Twenty downloads in a row on one link, each with other readings, and bytes of a result frame
  // in flight around the request: every file holds exactly what the meter stored.
  void manyDownloadsInARowAreExact() {
    SimProcess sim({"--rate", "10", "--field", "3.5"});
    QVERIFY(sim.start());
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    Rig rig;
    rig.port.Open();
    QVERIFY(sim.pumpUntil([&] { return rig.framesParsed >= 2; }, 3000));
    for (int run = 0; run < 20; ++run) {
      QList<int> stored;
      QStringList lines;
      for (int i = 0; i < 300; ++i) {
        const int v = (i * 37 + run * 1013) % 9999 - 4999;
        stored << v;
        lines << FormatValueText(run % 2, v);
      }
      QVERIFY(sim.command(QString("range %1").arg(run % 2 + 1)));
      QVERIFY(sim.command("stored " + Readings(stored)));
      const int framesBefore = int(sim.meterFrames().size());
      const QString path = dir_.filePath(QString("row%1.F3D").arg(run));
      rig.Begin(path);
      // Odd runs: a cut result frame comes after "H", while the download waits to send "V". On
      // a machine stalled for half a second the simulator may take it only after "V": then the
      // three bytes follow the dump, which is told as not whole.
      bool afterDump = false;
      if (run % 2) {
        QVERIFY(sim.pumpUntil([&] { return rig.receiver.mode() == MeterReceiver::kIgnore; }, 5000));
        QVERIFY(sim.command("raw AA 55 00"));
        afterDump = sim.meterFrames().size() > framesBefore + 1;
      }
      QVERIFY(sim.pumpUntil([&] { return rig.finished.has_value(); }, 20000));
      if (afterDump) {
        QCOMPARE(rig.finished->outcome, DownloadTick::OddLength);
        continue;
      }
      QVERIFY2(rig.finished->written(), qPrintable(QString("run %1: %2").arg(run).arg(rig.finished->outcome)));
      const DataFileLines file = ReadDataFileLines(path, 100000);
      QVERIFY(file.ok);
      QVERIFY2(file.lines == lines, qPrintable(QString("run %1: %2 lines of %3").arg(run).arg(file.lines.size()).arg(lines.size())));
      QVERIFY(sim.waitForMeterFrames(framesBefore + 3, 3000));
    }
  }

  // A dump that cannot be whole is told and not written: the file there before stays.
  void brokenDumpWritesNothing_data() {
    QTest::addColumn<QStringList>("before");  // simulator commands before the download
    QTest::addColumn<QString>("afterRequest");  // a command once the meter has the request
    QTest::addColumn<int>("outcome");
    QTest::newRow("no answer") << QStringList{"silence on"} << "" << int(DownloadTick::NoDump);
    QTest::newRow("a byte more") << QStringList{"stored 1 2 3"} << "raw 07" << int(DownloadTick::OddLength);
    QTest::newRow("no header word") << QStringList{"silence on"} << "raw 01 02 03 04"
                                    << int(DownloadTick::NoHeader);
  }
  void brokenDumpWritesNothing() {
    QFETCH(QStringList, before);
    QFETCH(QString, afterRequest);
    QFETCH(int, outcome);
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    for (const QString& command : before) QVERIFY(sim.command(command));
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    Rig rig;
    rig.port.Open();
    const QString path = dir_.filePath(QString("broken%1.F3D").arg(outcome));
    QVERIFY(WriteDataFile(path, {"   1.00"}));
    rig.Begin(path);
    if (!afterRequest.isEmpty()) {
      QVERIFY(sim.waitForMeterFrames(2, 5000));
      QVERIFY(sim.command(afterRequest));
    }
    QVERIFY(sim.pumpUntil([&] { return rig.finished.has_value(); }, 10000));
    QCOMPARE(int(rig.finished->outcome), outcome);
    QVERIFY(!DownloadOutcomeText(rig.finished->outcome).isEmpty());
    QCOMPARE(ReadDataFileLines(path, 10).lines, QStringList{"   1.00"});
    QVERIFY(sim.waitForMeterFrames(3, 3000));
    QCOMPARE(sim.meterFrames().last().bytes, CommandFrame('H'));
  }

  void checkDump_data() {
    QTest::addColumn<QByteArray>("dump");
    QTest::addColumn<int>("outcome");
    QTest::newRow("empty") << QByteArray() << int(DownloadTick::NoDump);
    QTest::newRow("header, range 1") << QByteArray::fromHex("8913") << int(DownloadTick::Written);
    QTest::newRow("header, range 2, AC") << QByteArray::fromHex("8916") << int(DownloadTick::Written);
    QTest::newRow("header and readings") << QByteArray::fromHex("89130a00f6ff") << int(DownloadTick::Written);
    QTest::newRow("one byte") << QByteArray::fromHex("89") << int(DownloadTick::OddLength);
    QTest::newRow("a byte after the words") << QByteArray::fromHex("89130a0001") << int(DownloadTick::OddLength);
    QTest::newRow("a byte before the header") << QByteArray::fromHex("0089130a00") << int(DownloadTick::OddLength);
    QTest::newRow("a result frame's header first") << QByteArray::fromHex("aa5500f0d80a00") + QByteArray(1, 0)
                                                   << int(DownloadTick::NoHeader);
    QTest::newRow("two bytes before the header") << QByteArray::fromHex("00008913") << int(DownloadTick::NoHeader);
  }
  void checkDump() {
    QFETCH(QByteArray, dump);
    QFETCH(int, outcome);
    QCOMPARE(int(CheckDump(dump)), outcome);
  }

  void writeFailureIsReported() {
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    QVERIFY(sim.command("stored 1 2 3"));
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    Rig rig;
    rig.port.Open();
    rig.Begin(dir_.filePath("no/such/folder/x.F3D"));
    QVERIFY(sim.pumpUntil([&] { return rig.finished.has_value(); }, 10000));
    QCOMPARE(rig.finished->outcome, DownloadTick::WriteFailed);
    QCOMPARE(rig.download.Texts().size(), 3);
    QCOMPARE(rig.download.stage(), Download::kIdle);
  }

 private:
  QTemporaryDir dir_;
  int fileNumber_ = 0;
};

QTEST_GUILESS_MAIN(TestDownload)
#include "test_download.moc"
