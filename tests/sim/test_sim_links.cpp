// fluxa-sim's links over their life: a port opened late, a hang-up, the simulator ending in each
// way it can, and a simulator whose input is closed; and its command line, which ends it before
// any link is made.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/sim/SimLine.h"

class SimLinksTest : public QObject {
  Q_OBJECT

 private slots:
  void nothingPilesUpWhileThePortIsClosed();
  void hangupRemovesTheLinkAndFailsThePort();
  void linksGoAwayWhenTheSimulatorEnds_data();
  void linksGoAwayWhenTheSimulatorEnds();
  void runsOnWithItsInputClosed();
  void commandLineEndsIt_data();
  void commandLineEndsIt();
};

void SimLinksTest::nothingPilesUpWhileThePortIsClosed() {
  SimProcess sim({"--rate", "0"});
  QVERIFY(sim.start());
  QVERIFY(sim.command("burst 100"));
  QVERIFY(sim.waitForLine("burst done", 3000));
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  // A real line keeps nothing for a port that was closed: 700 stale bytes must not arrive now.
  QCOMPARE(Collect(sim, *port, 200), QByteArray());
  port.reset();
  QVERIFY(sim.command("burst 100"));
  QVERIFY(sim.waitForLine("burst done", 3000));
  port = OpenPort(sim.meterPath());
  QVERIFY(port);
  QCOMPARE(Collect(sim, *port, 200), QByteArray());
}

void SimLinksTest::hangupRemovesTheLinkAndFailsThePort() {
  SimProcess sim;
  QVERIFY(sim.start());
  auto port = OpenPort(sim.meterPath());
  QVERIFY(port);
  QVERIFY(!CutFrames(Collect(sim, *port, 300)).isEmpty());
  QVERIFY(sim.command("hangup"));
  QVERIFY(!QFileInfo(sim.meterPath()).isSymLink());
  QVERIFY(QFileInfo(sim.referencePath()).isSymLink());
  // A hung-up pty reads end-of-file, which QSerialPort reports as ReadError (or ResourceError
  // when the read fails with EIO); either way the port must learn that the line is gone.
  QVERIFY(sim.pumpUntil(
      [&] { return port->error() == QSerialPort::ResourceError || port->error() == QSerialPort::ReadError; },
      3000));
  port->close();
  QVERIFY(sim.isRunning());
}

void SimLinksTest::linksGoAwayWhenTheSimulatorEnds_data() {
  QTest::addColumn<QString>("how");
  QTest::newRow("quit") << "quit";
  QTest::newRow("SIGTERM") << "terminate";
  QTest::newRow("end of stdin") << "eof";
}

void SimLinksTest::linksGoAwayWhenTheSimulatorEnds() {
  QFETCH(QString, how);
  SimProcess sim;
  QVERIFY(sim.start());
  if (how == "quit")
    sim.process().write("quit\n");
  else if (how == "terminate")
    sim.process().terminate();
  else
    sim.process().closeWriteChannel();
  QVERIFY(sim.process().waitForFinished(3000));
  QCOMPARE(sim.process().exitCode(), 0);
  QVERIFY(!QFileInfo(sim.meterPath()).isSymLink());
  QVERIFY(!QFileInfo(sim.referencePath()).isSymLink());
}

// Started from a script or in the background, stdin is /dev/null or not ours: the simulator
// must keep serving the meter until it is told to stop.
void SimLinksTest::runsOnWithItsInputClosed() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString link = dir.filePath("COM1");
  QProcess sim;
  sim.setProgram(QStringLiteral(FLUXA_SIM_PATH));
  sim.setArguments({"--meter", link, "--rate", "20"});
  sim.setStandardInputFile(QProcess::nullDevice());
  sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  sim.start();
  QVERIFY(sim.waitForStarted(5000));
  QTRY_VERIFY_WITH_TIMEOUT(sim.readAllStandardOutput().contains("ready") || QFileInfo::exists(link), 10000);
  QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(link), 10000);
  auto port = OpenPort(link);
  QVERIFY(port);
  // Frames keep coming long after the end of stdin was read.
  QByteArray received;
  QTRY_VERIFY_WITH_TIMEOUT((received += port->readAll()).count(Bytes({0xAA, 0x55})) >= 5, 10000);
  QCOMPARE(sim.state(), QProcess::Running);
  port->close();
  sim.terminate();
  QVERIFY(sim.waitForFinished(5000));
  QCOMPARE(sim.exitCode(), 0);
  QVERIFY(!QFileInfo(link).isSymLink());
}

// --help and --version answer and end; a mistyped option says what it is, whether or not a
// value follows it, and ends with 2, before any link is made.
void SimLinksTest::commandLineEndsIt_data() {
  QTest::addColumn<QStringList>("arguments");  // %1: a link that must never appear
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("out");  // the start of stdout
  QTest::addColumn<QString>("err");  // the first line of stderr
  QTest::newRow("--version") << QStringList{"--version"} << 0 << "fluxa-sim 3.1\n" << "";
  QTest::newRow("--version with a meter") << QStringList{"--meter", "%1", "--version"} << 0 << "fluxa-sim 3.1\n"
                                          << "";
  QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: fluxa-sim --meter PATH" << "";
  QTest::newRow("-h") << QStringList{"-h"} << 0 << "Usage: fluxa-sim --meter PATH" << "";
  QTest::newRow("unknown flag last") << QStringList{"--meter", "%1", "--verbose"} << 2 << ""
                                     << "fluxa-sim: unknown option --verbose";
  QTest::newRow("unknown option and a value") << QStringList{"--speed", "5", "--meter", "%1"} << 2 << ""
                                              << "fluxa-sim: unknown option --speed";
  QTest::newRow("unknown option with =") << QStringList{"--meter=%1", "--colour=red"} << 2 << ""
                                         << "fluxa-sim: unknown option --colour";
  QTest::newRow("no value") << QStringList{"--meter", "%1", "--rate"} << 2 << ""
                            << "fluxa-sim: missing value for --rate";
  QTest::newRow("bad value") << QStringList{"--meter", "%1", "--range", "3"} << 2 << ""
                             << "fluxa-sim: bad value for --range: 3";
  QTest::newRow("no meter") << QStringList{"--rate", "5"} << 2 << "" << "fluxa-sim: --meter PATH is required";
}

void SimLinksTest::commandLineEndsIt() {
  QFETCH(QStringList, arguments);
  QFETCH(int, exitCode);
  QFETCH(QString, out);
  QFETCH(QString, err);
  QTemporaryDir dir;
  const QString link = dir.filePath("COM1");
  QProcess sim;
  sim.start(QStringLiteral(FLUXA_SIM_PATH), arguments.replaceInStrings("%1", link));
  QVERIFY(sim.waitForFinished(30000));
  QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
  QCOMPARE(sim.exitCode(), exitCode);
  const QString stdOut = QString::fromUtf8(sim.readAllStandardOutput());
  QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
  const QString stdErr = QString::fromUtf8(sim.readAllStandardError());
  QCOMPARE(stdErr.section('\n', 0, 0), err);
  QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(SimLinksTest)
#include "test_sim_links.moc"
