// TComPort and the frame senders on real pseudo-terminals served by fluxa-sim.
#include <QtTest>

#include <ctime>

#include "link/ComPort.h"
#include "link/MeterCommands.h"
#include "link/MeterProtocol.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"

namespace {
QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

struct Counting {
  QVector<int> counts;
  QByteArray bytes;
  int opened = 0;
  int closed = 0;
  int lost = 0;
  void Attach(TComPort& port) {
    port.OnRxChar = [this, &port](int count) {
      counts << count;
      bytes += port.Read(count);
    };
    port.OnAfterOpen = [this] { ++opened; };
    port.OnAfterClose = [this] { ++closed; };
    port.OnDeviceLost = [this](const QString&) { ++lost; };
  }
};
}  // namespace

class TestComPort : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    qunsetenv("FLUXA_COM1");
    qunsetenv("FLUXA_COM2");
    qputenv("FLUXA_SETTINGS", QByteArray(tmp_.filePath("settings.ini").toUtf8()));
  }

  void openFailureRaisesAndRunsNoHandler() {
    qputenv("FLUXA_COM2", QByteArray(tmp_.filePath("no-such-device").toUtf8()));
    TComPort port(ComPortSettings::ComPort1());
    port.SetPortName("COM2");
    Counting c;
    c.Attach(port);
    try {
      port.Open();
      QFAIL("open of a missing device succeeded");
    } catch (const EComPort& e) {
      QCOMPARE(e.code(), EComPort::OpenFailed);
      QCOMPARE(e.message(), QString("Unable to open com port"));
    }
    QVERIFY(!port.Connected());
    QCOMPARE(c.opened, 0);
    port.Close();  // closing a closed port does nothing
    QCOMPARE(c.closed, 0);
  }

  void countsAddUpAndTheRateIsTheLineRate() {
    SimProcess sim({"--rate", "0"});
    QVERIFY(sim.start());
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    TComPort port(ComPortSettings::ComPort1());
    Counting c;
    c.Attach(port);
    QVector<double> arrivalMs;
    QElapsedTimer clock;
    clock.start();
    port.OnRxChar = [&](int count) {
      c.counts << count;
      c.bytes += port.Read(count);
      arrivalMs << clock.nsecsElapsed() / 1e6;
    };
    port.Open();
    QVERIFY(port.Connected());
    QCOMPARE(c.opened, 1);
    const int frames = 200;
    const double startMs = sim.elapsedMs();
    QVERIFY(sim.command(QString("burst %1").arg(frames)));
    QString done;
    QVERIFY(sim.waitForLine("burst done", 30000, &done));
    QTRY_VERIFY_WITH_TIMEOUT(c.bytes.size() >= frames * 7, 10000);
    QTest::qWait(100);
    QCOMPARE(c.bytes.size(), frames * 7);
    for (int count : c.counts) QVERIFY(count > 0);
    int total = 0;
    for (int count : c.counts) total += count;
    QCOMPARE(total, frames * 7);
    // Intact: every frame parses, one per seven bytes.
    FrameAssembler assembler;
    int parsed = 0;
    for (int i = 0; i < c.bytes.size(); i += 7)
      if (assembler.Append(c.bytes.mid(i, 7))) ++parsed;
    QCOMPARE(parsed, frames);
    // 9600 baud, 10 bits a byte: on the simulator's clock the burst never goes faster than 960
    // bytes a second. When a busy machine hands the bytes over says nothing about the line, so
    // the receiving side's rate is only reported.
    const double simRate = (frames * 7 - 1) * 1000.0 / (done.section("t=", 1).toDouble() - startMs);
    QVERIFY2(simRate < 1.05 * 960.0, qPrintable(QString::number(simRate)));
    const double seconds = (arrivalMs.last() - arrivalMs.first()) / 1000.0;
    qInfo("received %.1f bytes/s over %.3f s", (c.bytes.size() - c.counts.first()) / seconds, seconds);
    port.Close();
    QCOMPARE(c.closed, 1);
    QVERIFY(!port.Connected());
  }

  void twoPortsEachGetTheirOwnEvents() {
    SimProcess sim({"--rate", "20"});
    QVERIFY(sim.start());
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    qputenv("FLUXA_COM2", sim.referencePath().toUtf8());
    TComPort meter(ComPortSettings::KComKalib());
    TComPort reference(ComPortSettings::KComWzor());
    Counting m, r;
    m.Attach(meter);
    r.Attach(reference);
    meter.Open();
    reference.Open();
    reference.WriteString(QString("\x1bLO2\r"));
    QTRY_VERIFY_WITH_TIMEOUT(r.bytes.contains("LO2"), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(m.bytes.size() >= 21, 3000);
    QVERIFY(!m.bytes.contains("LO2"));
    QVERIFY(!r.bytes.contains(Hex("AA55")));
    meter.Close();
    reference.Close();
    QCOMPARE(m.closed + r.closed, 2);
  }

  // A reply read by polling, without the event loop, as the reference meter is read.
  void pollingReadWithoutTheEventLoop() {
    SimProcess sim;
    QVERIFY(sim.start());
    qputenv("FLUXA_COM2", sim.referencePath().toUtf8());
    TComPort reference(ComPortSettings::KComWzor());
    reference.Open();
    reference.ClearBuffers(true, true);
    reference.WriteString(QString("\x1bME100000000\r"));
    QString reply;
    QDeadlineTimer deadline(5000);
    while (!reply.contains('\r') && !deadline.hasExpired()) {
      QThread::msleep(10);
      reply += reference.ReadString(20);
    }
    QVERIFY2(reply.startsWith("ME1"), qPrintable(reply));
    QCOMPARE(reference.ReadString(20), QString());
  }

  void hangUpClosesThePortAndTheLinkComesBack() {
    auto sim = std::make_unique<SimProcess>(QStringList{"--rate", "50"});
    QVERIFY(sim->start());
    qputenv("FLUXA_COM1", sim->meterPath().toUtf8());
    TComPort port(ComPortSettings::ComPort1());
    Counting c;
    c.Attach(port);
    port.Open();
    QTRY_VERIFY_WITH_TIMEOUT(c.bytes.size() > 14, 3000);
    QVERIFY(sim->command("hangup"));
    QTRY_VERIFY_WITH_TIMEOUT(!port.Connected(), 3000);
    QCOMPARE(c.closed, 1);
    QCOMPARE(c.lost, 1);
    // The event loop is not spinning on the dead device: waiting costs next to no CPU time
    // (a spinning loop would take the whole wait), however busy the machine is.
    const std::clock_t before = std::clock();
    QTest::qWait(300);
    const double cpuMs = 1000.0 * double(std::clock() - before) / CLOCKS_PER_SEC;
    QVERIFY2(cpuMs < 150, qPrintable(QString::number(cpuMs)));
    sim.reset();
    SimProcess again({"--rate", "50"});
    QVERIFY(again.start());
    qputenv("FLUXA_COM1", again.meterPath().toUtf8());
    c.bytes.clear();
    port.Open();
    QTRY_VERIFY_WITH_TIMEOUT(c.bytes.size() > 14, 3000);
    port.Close();
  }

  // A receiver that says after each arrival how many bytes its next frame still needs, as the
  // main window does, is woken once a frame is whole. Each row is a script: "sim CMD" (a command
  // to the simulator), "bytes N" / "frames N" (wait until that many bytes arrived / frames were
  // handed on), "write" (the receiver stops asking and the port writes), "lost" (wait for the
  // loss). Then the bytes that arrive in all, and the most arrivals they may cost: one a frame,
  // and one for the first byte after opening.
  void framesArriveWhole_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("totalBytes");
    QTest::addColumn<int>("mostArrivals");
    const QString frame = "sim raw AA 55 00 2C 01 E8 03";
    QTest::newRow("a burst at the line rate") << "sim burst 40;bytes 280" << 280 << 41;
    QTest::newRow("isolated frames")
        << QString("%1;frames 1;%1;frames 2;%1;frames 3").arg(frame) << 21 << 4;
    QTest::newRow("a reply of its own length after a write")
        << "sim burst 5;bytes 35;write;sim raw 01 02 03;bytes 38" << 38 << 9;
    QTest::newRow("hung up mid-stream") << "sim burst 200;bytes 70;sim hangup;lost" << -1 << 201;
  }
  void framesArriveWhole() {
    QFETCH(QString, script);
    QFETCH(int, totalBytes);
    QFETCH(int, mostArrivals);
    SimProcess sim({"--rate", "0"});
    QVERIFY(sim.start());
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    TComPort port(ComPortSettings::ComPort1());
    Counting c;
    c.Attach(port);
    FrameAssembler assembler;
    int frames = 0;
    bool asking = true;
    port.OnRxChar = [&](int count) {
      c.counts << count;
      const QByteArray bytes = port.Read(count);
      c.bytes += bytes;
      if (assembler.Append(bytes)) ++frames;
      port.AwaitFrame(asking ? assembler.BytesToNextFrame() : 0);
    };
    port.Open();
    for (const QString& step : script.split(';')) {
      const QString verb = step.section(' ', 0, 0);
      const int n = step.section(' ', 1).toInt();
      if (verb == "sim") {
        QVERIFY2(sim.command(step.section(' ', 1)), qPrintable(step));
      } else if (verb == "bytes") {  // the event loop runs throughout, as in the window
        QVERIFY2(sim.pumpUntil([&] { return c.bytes.size() >= n; }, 10000), qPrintable(step));
      } else if (verb == "frames") {
        QVERIFY2(sim.pumpUntil([&] { return frames >= n; }, 10000), qPrintable(step));
      } else if (verb == "write") {
        asking = false;
        port.Write(QByteArray("H"));
      } else if (verb == "lost") {
        QVERIFY(sim.pumpUntil([&] { return c.lost == 1 && !port.Connected(); }, 10000));
      }
    }
    if (totalBytes >= 0) QCOMPARE(c.bytes.size(), totalBytes);
    QVERIFY2(c.counts.size() <= mostArrivals,
             qPrintable(QString("%1 arrivals for %2 bytes").arg(c.counts.size()).arg(c.bytes.size())));
  }

  void sendersWriteExactFrames_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("-1 to 14") << "frame" << "-1" << 14 << Hex("AA55430EFFFF");
    QTest::newRow("1000 to 46") << "frame" << "1000" << 46 << Hex("AA55432EE803");
    QTest::newRow("65535 low 16 bits") << "frame" << "65535" << 28 << Hex("AA55431CFFFF");
    QTest::newRow("70000 wraps") << "frame" << "70000" << 0 << Hex("AA5543007011");
    QTest::newRow("phase pair") << "bytes" << "3,250" << 55 << Hex("AA55433703FA");
    QTest::newRow("command V") << "command" << "V" << 0 << Hex("AA5556000000");
    QTest::newRow("command S") << "command" << "S" << 0 << Hex("AA5553000000");
    QTest::newRow("empty text sends nothing") << "frame" << "" << 14 << QByteArray();
  }
  void sendersWriteExactFrames() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(int, address);
    QFETCH(QByteArray, expected);
    SimProcess sim({"--rate", "0"});
    QVERIFY(sim.start());
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    TComPort port(ComPortSettings::ComPort1());
    port.Open();
    MessageRecorder messages;
    if (kind == "frame")
      WriteParameterValue(port, text, address);
    else if (kind == "bytes")
      WriteFrame(port, ParameterFrame(address, quint8(text.section(',', 0, 0).toInt()),
                                      quint8(text.section(',', 1, 1).toInt())));
    else
      SendCommand(port, text);
    SendCommand(port, "H");  // a marker that follows
    QVERIFY(sim.waitForMeterFrames(expected.isEmpty() ? 1 : 2, 3000));
    const auto frames = sim.meterFrames();
    if (expected.isEmpty()) {
      QCOMPARE(frames.size(), 1);
    } else {
      QCOMPARE(frames.first().bytes, expected);
    }
    QVERIFY(messages.texts().isEmpty());
  }

  void senderFailuresShowTheirMessages_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("message");
    QTest::newRow("frame") << "frame" << "12" << 5 << "Nie można wysłać tekstu 12 do adresu 5";
    QTest::newRow("not a number") << "frame-open" << "1,5" << 2
                                  << "Nie można wysłać tekstu 1,5 do adresu 2";
    QTest::newRow("command") << "command" << "S" << 0 << "Wysłać polecenia";
  }
  void senderFailuresShowTheirMessages() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(int, address);
    QFETCH(QString, message);
    std::unique_ptr<SimProcess> sim;
    TComPort port(ComPortSettings::ComPort1());
    if (kind == "frame-open") {
      sim = std::make_unique<SimProcess>(QStringList{"--rate", "0"});
      QVERIFY(sim->start());
      qputenv("FLUXA_COM1", sim->meterPath().toUtf8());
      port.Open();
    }
    MessageRecorder messages;
    bool sent = true;
    if (kind.startsWith("frame"))
      sent = WriteParameterValue(port, text, address);
    else
      sent = SendCommand(port, text);
    QVERIFY(!sent);
    QCOMPARE(messages.texts(), QStringList{message});
    if (sim) {
      QTest::qWait(200);
      QVERIFY(sim->meterFrames().isEmpty());
    }
  }

 private:
  QTemporaryDir tmp_;
};

QTEST_MAIN(TestComPort)
#include "test_comport.moc"
