// Download of the meter's stored readings against fluxa-sim over a real pseudo-terminal, with
// the window's timers: the 500 ms link check that clears the data-seen flag and ZmienStan.
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
  QTimer linkCheck;  // SprPolacz
  QTimer zmienStan;  // ZmienStan
  int framesParsed = 0;
  int receivingTicks = 0;
  int dataTicks = 0;  // stage-2 ticks that found data still arriving
  std::optional<DownloadTick> finished;

  Rig() {
    port.OnRxChar = [this](int count) {
      if (receiver.Receive(port.Read(count))) ++framesParsed;
    };
    linkCheck.setInterval(500);
    QObject::connect(&linkCheck, &QTimer::timeout, [this] { receiver.clearDataSeen(); });
    zmienStan.setInterval(600);
    QObject::connect(&zmienStan, &QTimer::timeout, [this] { ZmienStanTimer(); });
  }

  void ZmienStanTimer() {
    const bool receiving = download.stage() == Download::kReceiving;
    zmienStan.stop();
    const DownloadTick tick = download.Tick(receiver, port);
    zmienStan.start();
    if (tick.kind == DownloadTick::Receiving) ++receivingTicks;
    if (tick.kind == DownloadTick::Finished) finished = tick;
    if (receiving && tick.kind == DownloadTick::Nothing) ++dataTicks;
  }

  void Begin(const QString& fileName) {
    download.Begin(port, fileName);
    zmienStan.start();
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
    rig.linkCheck.start();
    QVERIFY(sim.pumpUntil([&] { return rig.framesParsed >= 3; }, 3000));

    const QString path = dir_.filePath(QString("dump%1.F3D").arg(++fileNumber_));
    rig.Begin(path);
    QCOMPARE(rig.download.stage(), Download::kRequested);
    QVERIFY(sim.pumpUntil([&] { return rig.finished.has_value(); }, 15000));

    QCOMPARE(rig.receivingTicks, 1);
    QVERIFY(rig.finished->written);
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
    rig.linkCheck.start();
    const QString path = dir_.filePath(QString("cancel%1.F3D").arg(ticks));
    rig.Begin(path);
    if (ticks > 0) {
      QVERIFY(sim.pumpUntil([&] { return rig.receivingTicks == 1; }, 3000));
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

  void writeFailureIsReported() {
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    QVERIFY(sim.command("stored 1 2 3"));
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    Rig rig;
    rig.port.Open();
    rig.linkCheck.start();
    rig.Begin(dir_.filePath("no/such/folder/x.F3D"));
    QVERIFY(sim.pumpUntil([&] { return rig.finished.has_value(); }, 10000));
    QVERIFY(!rig.finished->written);
    QCOMPARE(rig.download.Texts().size(), 3);
    QCOMPARE(rig.download.stage(), Download::kIdle);
  }

 private:
  QTemporaryDir dir_;
  int fileNumber_ = 0;
};

QTEST_GUILESS_MAIN(TestDownload)
#include "test_download.moc"
