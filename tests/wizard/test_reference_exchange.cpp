// The reference meter's exchanges over a scripted line: one command's reply at a time on every
// path (Set Slave, a release, a handshake asked for while another exchange runs), and no
// measurement once the meter was handed back.
#include <QtTest>

#include "wizard/ReferenceExchange.h"
#include "wizard/ReferenceProtocol.h"

namespace {
// The line: what was written (by name), the pause running and the bytes the meter holds.
struct ScriptLine : ReferenceLine {
  bool Connected() const override { return open; }
  bool Write(const QByteArray& bytes) override {
    if (!open) return false;
    written << (bytes.startsWith("\x1BME") ? QStringLiteral("ME") : QString::fromLatin1(bytes.mid(1, 3)));
    return true;
  }
  std::optional<QByteArray> ReadQueued(int count) override {
    const QByteArray out = held.left(count);
    held.clear();
    return out;
  }
  bool ClearBuffers(bool input, bool) override {
    if (input) held.clear();
    return open;
  }
  void StartPause(int ms) override { pause = ms; }
  void StopPause() override { pause = 0; }
  void Close() override { open = false; }

  bool open = true;
  int pause = 0;
  QByteArray held;
  QStringList written;
};
}  // namespace

class TestReferenceExchange : public QObject {
  Q_OBJECT
 private slots:
  // Each step of a script: "measure", "slave" (the meter's port closed), "release", "master",
  // "pause" (the running pause is over), "arrive TEXT" (bytes come in), "hold TEXT" (bytes wait
  // in the port until read), "close" (close when quiet). `written`: the commands and the replies
  // ("reply") in their order;
  // `outcomes`: what the handshakes ended with.
  void oneExchangeAtATime_data() {
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("outcomes");
    const QString reply = "arrive ME105 00100 \r";
    QTest::newRow("Set Slave after the measurement's reply")
        << QStringList{"measure", "slave", reply, "pause"} << "ME reply LO1" << "";
    QTest::newRow("Set Slave after a late reply is drained")
        << QStringList{"measure", "pause", "slave", "arrive ME105", "pause"} << "ME reply LO1" << "";
    QTest::newRow("Set Slave after a handshake's running try, the handshake dropped")
        << QStringList{"master", "slave", "hold xx", "pause", "pause"} << "LO2 reply LO1" << "";
    QTest::newRow("a release waits for the measurement")
        << QStringList{"measure", "release", reply, "hold LO1", "pause"} << "ME reply LO1 reply" << "Acknowledged";
    QTest::newRow("no query after a release")
        << QStringList{"release", "hold LO1", "pause", "measure", "measure"} << "LO1 reply" << "Acknowledged";
    QTest::newRow("no query after Set Slave")
        << QStringList{"slave", "pause", "measure"} << "LO1" << "";
    QTest::newRow("Set Master again after a release: queries again")
        << QStringList{"release", "hold LO1", "pause", "master", "hold LO2", "pause", "measure"} << "LO1 reply LO2 reply ME"
        << "Acknowledged Acknowledged";
    QTest::newRow("a handshake over a running one waits for its try")
        << QStringList{"master", "release", "hold LO2", "pause", "hold LO1", "pause"} << "LO2 reply LO1 reply" << "Acknowledged";
    QTest::newRow("closing waits for Set Slave's pause")
        << QStringList{"measure", "slave", "close", reply, "pause"} << "ME reply LO1" << "";
  }
  void oneExchangeAtATime() {
    QFETCH(QStringList, script);
    QFETCH(QString, written);
    QFETCH(QString, outcomes);
    ScriptLine line;
    ReferenceExchange exchange(line);
    QStringList ended;
    auto note = [&](ReferenceExchange::Handshake h) {
      ended << (h == ReferenceExchange::Handshake::Acknowledged ? "Acknowledged" : "Other");
    };
    bool closedAfterSlave = false;
    exchange.OnClosedAfterSlave = [&] { closedAfterSlave = true; };
    for (const QString& step : script) {
      if (step == "measure") exchange.Measure("1", true);
      else if (step == "slave") exchange.SetSlave();
      else if (step == "release") exchange.StartRelease(note);
      else if (step == "master") exchange.SetMaster(note);
      else if (step == "pause") {
        QVERIFY2(line.pause > 0, qPrintable("no pause running at " + step));
        line.pause = 0;
        exchange.PauseOver();
      } else if (step.startsWith("arrive ")) {
        line.written << "reply";
        exchange.Arrived(step.mid(7).toLatin1());
      } else if (step.startsWith("hold ")) {
        line.written << "reply";
        line.held += step.mid(5).toLatin1();
      }
      else if (step == "close") QVERIFY(!exchange.CloseWhenQuiet());
    }
    QCOMPARE(line.written.join(' '), written);
    QCOMPARE(ended.join(' '), outcomes);
    if (script.contains("close")) {
      QVERIFY(!line.open);  // closed once Set Slave's pause was over
      exchange.Closed();
      QVERIFY(closedAfterSlave);
    }
  }
};

QTEST_MAIN(TestReferenceExchange)
#include "test_reference_exchange.moc"
