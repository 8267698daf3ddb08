// fluxa-sim seen from the application's side: its real pseudo-terminals opened with QSerialPort;
// what it sends and answers. Its links' life (closed ports, hang-up, ending) is in test_sim_links.
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "tests/sim/SimLine.h"

namespace {
constexpr double kMeterBytesPerSecond = 960.0;  // 9600 baud, 10 bits a byte
}  // namespace

class SimTest : public QObject {
  Q_OBJECT

 private slots:
  void resultFramesEncodeTheSettings_data();
  void resultFramesEncodeTheSettings();
  void gainWordScalesOnlyItsRange_data();
  void gainWordScalesOnlyItsRange();
  void burstArrivesIntactAtTheLineRate();
  void floodOutrunsTheLineRate();
  void splitFramesArriveInTwoParts();
  void powerOffParameterSetsStatusBit6();
  void dumpFollowsHAndV_data();
  void dumpFollowsHAndV();
  void stateFileKeepsParametersAcrossRestart();
  void referenceAnswers_data();
  void referenceAnswers();
};

void SimTest::resultFramesEncodeTheSettings_data() {
  QTest::addColumn<QStringList>("commands");
  QTest::addColumn<QByteArray>("frame");
  // AA 55, status, temperature int16 LE (0.1 degC), reading int16 LE (raw counts).
  QTest::newRow("mT range 1") << QStringList{"field 12.34", "temp 25.3"}
                              << Bytes({0xAA, 0x55, 0x00, 0xFD, 0x00, 0xD2, 0x04});
  QTest::newRow("mT range 2 negative")
      << QStringList{"range 2", "field -123.4"} << Bytes({0xAA, 0x55, 0x02, 0xFA, 0x00, 0x2E, 0xFB});
  QTest::newRow("Gs range 1 AC") << QStringList{"unit Gs", "ac on", "field 50.5", "temp -5.5"}
                                 << Bytes({0xAA, 0x55, 0x05, 0xC9, 0xFF, 0xF9, 0x01});
  QTest::newRow("Gs range 2") << QStringList{"unit Gs", "range 2", "field 30000"}
                              << Bytes({0xAA, 0x55, 0x06, 0xFA, 0x00, 0x30, 0x75});
  QTest::newRow("kA/m clamps to int16")
      << QStringList{"unit kA/m", "field 400"} << Bytes({0xAA, 0x55, 0x08, 0xFA, 0x00, 0xFF, 0x7F});
  QTest::newRow("kA/m range 2 AC rounds") << QStringList{"unit kA/m", "range 2", "ac on", "field -0.06"}
                                          << Bytes({0xAA, 0x55, 0x0B, 0xFA, 0x00, 0xFF, 0xFF});
  QTest::newRow("no probe, power-off on") << QStringList{"temp none", "poweroff on", "field 1"}
                                          << Bytes({0xAA, 0x55, 0x40, 0xF0, 0xD8, 0x64, 0x00});
  QTest::newRow("step wave starts low") << QStringList{"wave step step-low=2 step-high=3 period=60"}
                                        << Bytes({0xAA, 0x55, 0x00, 0xFA, 0x00, 0xC8, 0x00});
}

void SimTest::resultFramesEncodeTheSettings() {
  QFETCH(QStringList, commands);
  QFETCH(QByteArray, frame);
  SimProcess sim;
  QVERIFY(sim.start());
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  for (const QString& c : commands) QVERIFY2(sim.command(c), qPrintable(sim.lastError()));
  QCOMPARE(SettledFrame(sim, *port).toHex(' '), frame.toHex(' '));
}

void SimTest::gainWordScalesOnlyItsRange_data() {
  QTest::addColumn<QStringList>("range");
  QTest::addColumn<int>("address");
  QTest::addColumn<int>("reading");
  // Field 10 mT: 1000 counts in range 1, 100 in range 2. Half the true gain halves the reading.
  QTest::newRow("DC1 at 0") << QStringList{} << 0 << 500;
  QTest::newRow("DC2 at 4") << QStringList{"range 2"} << 4 << 50;
  QTest::newRow("AC1 at 8") << QStringList{"ac on"} << 8 << 500;
  QTest::newRow("AC2 at 12") << QStringList{"ac on", "range 2"} << 12 << 50;
  QTest::newRow("DC2 gain leaves DC1") << QStringList{} << 4 << 1000;
  QTest::newRow("AC1 gain leaves AC2") << QStringList{"ac on", "range 2"} << 8 << 100;
}

void SimTest::gainWordScalesOnlyItsRange() {
  QFETCH(QStringList, range);
  QFETCH(int, address);
  QFETCH(int, reading);
  SimProcess sim;
  QVERIFY(sim.start());
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  QVERIFY(sim.command("field 10"));
  for (const QString& c : range) QVERIFY(sim.command(c));
  Send(*port, MeterFrame('C', address, 10000));
  QVERIFY(sim.waitForMeterFrames(1, 2000));
  QCOMPARE(sim.meterFrames().first().bytes, MeterFrame('C', address, 10000));
  const QByteArray frame = SettledFrame(sim, *port);
  QCOMPARE(frame.size(), 7);
  QCOMPARE(int(qint16(quint8(frame[5]) | quint8(frame[6]) << 8)), reading);
}

void SimTest::burstArrivesIntactAtTheLineRate() {
  SimProcess sim({"--rate", "0", "--field", "12.34"});
  QVERIFY(sim.start());
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  const int frames = 150;
  QByteArray bytes;
  QElapsedTimer clock;
  qint64 firstMs = -1, lastMs = -1;
  qsizetype firstChunk = 0;
  connect(port.get(), &QSerialPort::readyRead, this, [&] {
    const QByteArray more = port->readAll();
    if (firstMs < 0) {
      firstMs = clock.nsecsElapsed() / 1000;
      firstChunk = more.size();
    }
    lastMs = clock.nsecsElapsed() / 1000;
    bytes += more;
  });
  clock.start();
  const double startMs = sim.elapsedMs();
  QVERIFY(sim.command(QStringLiteral("burst %1").arg(frames)));
  QString done;
  QVERIFY(sim.waitForLine("burst done", 20000, &done));
  sim.pumpUntil([&] { return bytes.size() >= frames * 7; }, 10000);

  QCOMPARE(bytes.size(), frames * 7);
  const QList<QByteArray> cut = CutFrames(bytes);
  QCOMPARE(cut.size(), frames);
  for (const QByteArray& f : cut) QCOMPARE(f, Bytes({0xAA, 0x55, 0x00, 0xFA, 0x00, 0xD2, 0x04}));
  // On the simulator's own clock the burst never goes faster than the line rate. How late a busy
  // machine hands the bytes to this reader says nothing about the line, so the receiving side's
  // rate is only reported (bench/ measures it).
  const double doneMs = done.section("t=", 1).toDouble();
  const double simRate = double(frames * 7 - 1) * 1000.0 / (doneMs - startMs);
  QVERIFY2(simRate < 1.05 * kMeterBytesPerSecond, qPrintable(QString::number(simRate)));
  qInfo("received %.0f bytes/s", double(bytes.size() - firstChunk) * 1e6 / double(lastMs - firstMs));
}

void SimTest::floodOutrunsTheLineRate() {
  SimProcess sim({"--rate", "0", "--field", "12.34"});
  QVERIFY(sim.start());
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  QVERIFY(sim.command("flood 50"));
  // At the line rate 350 bytes take 365 ms and come in many small arrivals; a flood is written
  // at once and comes in one or a few, however busy the machine (a late reader only finds more
  // waiting). A flood is what the receiver's backlog trim is for.
  QByteArray bytes;
  int arrivals = 0;
  sim.pumpUntil(
      [&] {
        const QByteArray more = port->readAll();
        arrivals += !more.isEmpty();
        bytes += more;
        return bytes.size() >= 350;
      },
      10000);
  QVERIFY2(arrivals <= 3, qPrintable(QString::number(arrivals)));
  QCOMPARE(bytes.size(), 350);
  QCOMPARE(CutFrames(bytes).size(), 50);
  QVERIFY(sim.waitForLine("flood done", 1000));
}

void SimTest::splitFramesArriveInTwoParts() {
  SimProcess sim({"--rate", "20", "--field", "12.34"});
  QVERIFY(sim.start());
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  QVERIFY(sim.command("split on"));
  Collect(sim, *port, 100);
  QByteArray bytes;
  QList<qsizetype> arrivalEnds;
  connect(port.get(), &QSerialPort::readyRead, this, [&] {
    bytes += port->readAll();
    arrivalEnds << bytes.size();
  });
  sim.pumpUntil([&] { return CutFrames(bytes).size() >= 8; }, 3000);
  const QList<QByteArray> frames = CutFrames(bytes);
  QVERIFY(frames.size() >= 8);
  for (const QByteArray& f : frames) QCOMPARE(f, Bytes({0xAA, 0x55, 0x00, 0xFA, 0x00, 0xD2, 0x04}));
  // Some arrival must end right after a frame's third byte.
  const qsizetype first = bytes.indexOf(frames.first());
  const bool splitSeen = std::any_of(arrivalEnds.begin(), arrivalEnds.end(),
                                     [&](qsizetype end) { return end > first && (end - first) % 7 == 3; });
  QVERIFY(splitSeen);
}

void SimTest::powerOffParameterSetsStatusBit6() {
  SimProcess sim;
  QVERIFY(sim.start());
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  QCOMPARE(StatusOf(SettledFrame(sim, *port)), 0x00);

  // A stray byte first, and the frame itself in two writes: the simulator must resynchronise.
  const QByteArray on = MeterFrame('C', 14, 1);
  Send(*port, Bytes({0x12}) + on.left(3));
  QTest::qWait(50);
  Send(*port, on.mid(3));
  QVERIFY(sim.waitForLine("rx meter-garbage 12 t=", 2000));
  QVERIFY(sim.waitForLine("rx meter AA 55 43 0E 01 00 t=", 2000));
  QCOMPARE(StatusOf(SettledFrame(sim, *port)), 0x40);

  Send(*port, MeterFrame('C', 14, 0));
  QVERIFY(sim.waitForMeterFrames(2, 2000));
  QCOMPARE(StatusOf(SettledFrame(sim, *port)), 0x00);
}

void SimTest::dumpFollowsHAndV_data() {
  QTest::addColumn<bool>("prepare");
  QTest::addColumn<QStringList>("setup");
  QTest::addColumn<int>("status");
  QTest::newRow("H then V, range 1") << true << QStringList{} << 0x00;
  QTest::newRow("H then V, range 2, power-off") << true << QStringList{"range 2", "poweroff on"} << 0x42;
  QTest::newRow("V while streaming") << false << QStringList{"unit Gs"} << 0x04;
}

void SimTest::dumpFollowsHAndV() {
  QFETCH(bool, prepare);
  QFETCH(QStringList, setup);
  QFETCH(int, status);
  SimProcess sim;
  QVERIFY(sim.start());
  // More than 127 readings, over the whole valid range, negative ones included.
  QList<qint16> stored;
  QStringList command{"stored"};
  for (int k = 0; k < 150; ++k) {
    stored << qint16(k == 149 ? 5000 : -4999 + 67 * k);
    command << QString::number(stored.last());
  }
  QVERIFY(sim.command(command.join(' ')));
  for (const QString& c : setup) QVERIFY(sim.command(c));
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  QVERIFY(!CutFrames(Collect(sim, *port, 300)).isEmpty());

  if (prepare) {
    Send(*port, MeterFrame('H'));
    Collect(sim, *port, 100);
    QCOMPARE(Collect(sim, *port, 300), QByteArray());  // "H" stopped the results
  }
  port->readAll();
  Send(*port, MeterFrame('V'));
  const QByteArray received = CollectUntilQuiet(sim, *port, 400, 3000);
  QVERIFY(sim.waitForLine("dump done", 1000));

  const int dumpSize = 2 * (1 + stored.size());
  // While streaming, up to two result frames may precede the dump.
  QVERIFY2(received.size() >= dumpSize && received.size() <= dumpSize + 14,
           qPrintable(QString::number(received.size())));
  const QByteArray dump = received.right(dumpSize);
  auto word = [&](int i) { return qint16(quint8(dump[2 * i]) | quint8(dump[2 * i + 1]) << 8); };
  QCOMPARE(int(quint16(word(0))), 5001 + status * 256);
  for (int i = 0; i < stored.size(); ++i) QCOMPARE(word(i + 1), stored[i]);

  // The next "H" ends the download and the results come back.
  Send(*port, MeterFrame('H'));
  QVERIFY(!CutFrames(Collect(sim, *port, 1000, [](const QByteArray& b) {
             return CutFrames(b).size() >= 2;
           })).isEmpty());
}

void SimTest::stateFileKeepsParametersAcrossRestart() {
  QTemporaryDir dir;
  const QString state = dir.filePath("meter.state");
  {
    SimProcess sim({"--state", state});
    QVERIFY(sim.start());
    auto port = OpenPort(sim.meterPath());
    QVERIFY(port);
    Send(*port, MeterFrame('C', 4, 10000));  // DC2 gain: half the true gain
    Send(*port, MeterFrame('C', 14, 1));
    Send(*port, MeterFrame('S'));
    QVERIFY(sim.waitForLine("state saved " + state, 2000));
    Send(*port, MeterFrame('C', 14, 0));  // not saved: lost with the restart
    QVERIFY(sim.waitForMeterFrames(4, 2000));
    port.reset();
    QVERIFY(sim.stop());
    QVERIFY(!QFileInfo(sim.meterPath()).isSymLink());
  }
  SimProcess sim({"--state", state, "--range", "2", "--field", "10"});
  QVERIFY(sim.start());
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  QCOMPARE(SettledFrame(sim, *port), Bytes({0xAA, 0x55, 0x42, 0xFA, 0x00, 50, 0x00}));
}

void SimTest::referenceAnswers_data() {
  QTest::addColumn<QStringList>("setup");
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QByteArray>("reply");
  const QByteArray me1 = "\x1BME100000000\r";
  QTest::newRow("remote") << QStringList{} << QByteArray("\x1BLO2\r") << QByteArray("LO2");
  QTest::newRow("local") << QStringList{} << QByteArray("\x1BLO1\r") << QByteArray("LO1");
  // ME, channel, classifier 0, decade d (x 10^(d-5)), spare, five characters, spare, CR.
  QTest::newRow("123.45 mT") << QStringList{"field 123.45"} << me1 << QByteArray("ME103 12345 \r");
  QTest::newRow("channel 2, -0.5") << QStringList{"field -0.5"} << QByteArray("\x1BME200000000\r")
                                   << QByteArray("ME201 -5000 \r");
  QTest::newRow("zero") << QStringList{"field 0"} << me1 << QByteArray("ME101 00000 \r");
  QTest::newRow("25000 Gs") << QStringList{"unit Gs", "field 25000"} << me1 << QByteArray("ME105 25000 \r");
  QTest::newRow("-12345.6") << QStringList{"field -12345.6"} << me1 << QByteArray("ME106 -1235 \r");
  QTest::newRow("9.99996 needs the next decade")
      << QStringList{"field 9.99996"} << me1 << QByteArray("ME102 10000 \r");
  QTest::newRow("gain error is the meter's only")
      << QStringList{"field 10", "gain dc1 10000"} << me1 << QByteArray("ME102 10000 \r");
  QTest::newRow("wrong classifier") << QStringList{"field 1", "ref-classifier 1"} << me1
                                    << QByteArray("ME111 10000 \r");
  QTest::newRow("silent") << QStringList{"ref-silent on"} << me1 << QByteArray();
}

void SimTest::referenceAnswers() {
  QFETCH(QStringList, setup);
  QFETCH(QByteArray, command);
  QFETCH(QByteArray, reply);
  SimProcess sim;
  QVERIFY(sim.start());
  for (const QString& c : setup) QVERIFY(sim.command(c));
  auto port = OpenPort(sim.referencePath(), QSerialPort::Data7);
  QVERIFY(port);
  QByteArray received;
  connect(port.get(), &QSerialPort::readyRead, this, [&] { received += port->readAll(); });
  Send(*port, command);
  if (reply.isEmpty())
    sim.pumpUntil([] { return false; }, 250);  // a silent meter: nothing comes meanwhile
  else
    sim.pumpUntil([&] { return received.size() >= reply.size(); }, 5000);
  QCOMPARE(received, reply);
  QVERIFY(sim.waitForReferenceCommands(1, 1000));
  QCOMPARE(sim.referenceCommands().last().bytes, command);
}

QTEST_GUILESS_MAIN(SimTest)
#include "test_sim.moc"
