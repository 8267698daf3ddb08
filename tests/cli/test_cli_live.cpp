// fluxa-cli against fluxa-sim over its pseudo-terminals, the program run as a process: what each
// command prints and writes, how it ends (count, Ctrl+C, a hang-up), service access, bad ports.
#include <QSerialPort>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "parameters/CalibrationFile.h"
#include "settings/SettingsStore.h"
#include "tests/cli/CliRun.h"
#include "tests/common/SimProcess.h"
#include "tests/parameters/ReferenceCalibration.h"

namespace {
QStringList Lines(const QString& dataFile) {
  QFile f(dataFile);
  QStringList lines = QString::fromLatin1(f.open(QIODevice::ReadOnly) ? f.readAll() : "").split("\r\n");
  lines.removeLast();  // after the last line end
  return lines;
}

// The frames the simulated meter received, up to the test's own marker: once the simulator
// reports the marker, it has reported everything sent before it.
QList<QByteArray> Received(SimProcess& sim) {
  const QByteArray marker = QByteArray::fromHex("AA55433C0700");
  QSerialPort port(sim.meterPath());
  if (!port.open(QIODevice::ReadWrite) || port.write(marker) != 6 || !port.waitForBytesWritten(2000) ||
      !sim.waitForLine("rx meter " + marker.toHex(' ').toUpper(), 5000))
    return {{"no marker"}};
  QList<QByteArray> frames;
  for (const SimProcess::Rx& rx : sim.meterFrames()) frames << rx.bytes;
  return frames.mid(0, frames.size() - 1);
}
}  // namespace

class TestCliLive : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString Tagged(const char* suffix) const { return Path(QTest::currentDataTag() + QLatin1String(suffix)); }

 private slots:
  // One raw result frame as each format prints it; the time since the start reads "T".
  void watch_data() {
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("line");
    const QString overRange = "AA 55 4A F0 D8 10 27";  // kA/m range 2, auto-off, no probe
    QTest::newRow("text DC") << "AA 55 00 CE FF 2E FB" << "text" << "T s     -12.34 mT    DC  range 1    -5.0 C";
    QTest::newRow("text flags") << overRange << "text"
                                << "T s     3000.0 kA/m  DC  range 2  no probe  over-range  auto-off";
    QTest::newRow("csv flags") << overRange << "csv" << "T,3000.0,kA/m,DC,2,,1,1";
    QTest::newRow("json AC") << "AA 55 07 D7 00 7B 00" << "json"
                             << "{\"time_s\": T, \"value\": 123, \"unit\": \"Gs\", \"mode\": \"AC\", \"range\": 2, "
                                "\"temperature_c\": 21.5, \"over_range\": false, \"auto_power_off\": false}";
  }
  void watch() {
    QFETCH(QString, frame);
    QFETCH(QString, format);
    QFETCH(QString, line);
    SimProcess sim({"--rate", "0"});
    QVERIFY(sim.start());
    CliRun cli;
    cli.start({"watch", "--port", sim.meterPath(), "--count", "1", "--format", format});
    QVERIFY(cli.waitForErr("watching"));
    QVERIFY(sim.command("raw " + frame));
    QCOMPARE(cli.finish(), 0);
    const QString out = QString::fromUtf8(cli.out).replace(QRegularExpression("(?<=^|\n|: )\\s*\\d+\\.\\d{3}"), "T");
    if (format == "csv") line.prepend("time_s,value,unit,mode,range,temperature_c,over_range,auto_power_off\n");
    QCOMPARE(out, line + "\n");
  }

  // How watch and record end: one message and exit 2 on a hang-up; a recording ended by its
  // count, Ctrl+C, SIGTERM or a hang-up writes everything it received, and a killed one leaves
  // its recovery file listed for the window's next start.
  void ends_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("signal");  // -1: the device hangs up, 0: --count 5
    QTest::addColumn<int>("code");
    QTest::newRow("watch, hang-up") << "watch" << -1 << 2;
    QTest::newRow("record, hang-up") << "record" << -1 << 2;
    QTest::newRow("record, count") << "record" << 0 << 0;
    QTest::newRow("record, Ctrl+C") << "record" << SIGINT << 0;
    QTest::newRow("record, SIGTERM") << "record" << SIGTERM << 0;
    QTest::newRow("record, killed") << "record" << SIGKILL << -1;
  }
  void ends() {
    QFETCH(QString, command);
    QFETCH(int, signal);
    QFETCH(int, code);
    SimProcess sim({"--rate", "40", "--wave", "ramp", "--slope", "3"});
    QVERIFY(sim.start());
    const QString file = Tagged(".F3D"), part = file + ".part";
    qputenv("FLUXA_SETTINGS", Tagged(".ini").toUtf8());  // the test reads the same store
    CliRun cli(Tagged(".ini"));
    const QStringList args = {"--port", sim.meterPath(), "--every", "2", "--out", file, "--count", "5"};
    cli.start(QStringList{command} + (command == "watch" ? args.mid(0, 2) : args.mid(0, signal ? 6 : 8)));
    if (signal != 0)
      QVERIFY(command == "watch" ? cli.waitForLines(2) : QTest::qWaitFor([&] { return Lines(part).size() >= 3; }));
    if (signal < 0) QVERIFY(sim.command("hangup"));
    if (signal > 0) ::kill(pid_t(cli.process.processId()), signal);
    QCOMPARE(cli.finish(), code);
    if (signal < 0) QCOMPARE(cli.err.count("fluxa-cli: lost the device of " + sim.meterPath().toUtf8()), 1);
    if (command == "watch") return;
    const QStringList listed = OpenSettingsStore()->value("recovery/files").toStringList();
    QCOMPARE(listed, signal == SIGKILL ? QStringList{QFileInfo(part).absoluteFilePath()} : QStringList{});
    QCOMPARE(QFile::exists(part), signal == SIGKILL);
    const QStringList lines = Lines(signal == SIGKILL ? part : file);
    QVERIFY(signal ? lines.size() >= 3 : lines.size() == 5);
    const QString written = QString("fluxa-cli: %1 results written to %2\n").arg(lines.size()).arg(file);
    if (signal != SIGKILL) QVERIFY(cli.err.endsWith(written.toUtf8()));
  }

  void download_data() {
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("lines");  // of the data file; none: no answer, exit 2
    QTest::newRow("range 1") << "1" << "stored 0 -1234 5000" << QStringList{"   0.00", "-  1234.00", "5000.00"};
    QTest::newRow("range 2") << "2" << "stored 7 -4999" << QStringList{"    7.0", "-  4999.0"};
    QTest::newRow("no answer") << "1" << "silence on" << QStringList{};
  }
  void download() {
    QFETCH(QString, range);
    QFETCH(QString, command);
    QFETCH(QStringList, lines);
    SimProcess sim({"--rate", "10", "--range", range});
    QVERIFY(sim.start());
    QVERIFY(sim.command(command));
    const QString file = Tagged(".F3D");
    CliRun cli;
    QCOMPARE(cli.run({"download", "--port", sim.meterPath(), "--out", file}), lines.isEmpty() ? 2 : 0);
    QCOMPARE(Lines(file), lines);
    QCOMPARE(QFile::exists(file), !lines.isEmpty());
    const QString written = QString("%1 results written to %2\n").arg(lines.size()).arg(file);
    if (!lines.isEmpty()) QVERIFY(cli.err.endsWith(written.toUtf8()));
  }

  void sendReachesTheMeter() {
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    const QString file = Path("reference.F3C");
    QVERIFY(WriteCalibrationFile(file, ReferenceParameters()));
    CliRun cli;
    cli.env.insert("FLUXA_SERVICE_PASSWORD", "KALMORA");
    QCOMPARE(cli.run({"send", file, "--store", "--port", sim.meterPath()}), 0);
    QCOMPARE(Received(sim), ReferenceFrames() << QByteArray::fromHex("AA5553000000"));
    QVERIFY(cli.err.endsWith("\n24 / 25\n25 / 25\nfluxa-cli: Wysłano parametrów: 25, zapisano w EEPROM\n"));
  }

  // The settings store's flag, the password from the environment or typed on a terminal (never
  // echoed); without any, nothing is sent.
  void sendNeedsServiceAccess_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("variable");  // FLUXA_SERVICE_PASSWORD, "-": unset
    QTest::addColumn<QByteArray>("typed");  // on a terminal, "": no terminal
    QTest::addColumn<QString>("err");       // "": granted
    const QString none = "send needs service access: the service flag of the settings store, or the service "
                         "password ($FLUXA_SERVICE_PASSWORD or a terminal)";
    QTest::newRow("service flag") << QByteArray("service=1") << "-" << QByteArray() << "";
    QTest::newRow("environment") << QByteArray() << "kalmora" << QByteArray() << "";
    QTest::newRow("environment, wrong") << QByteArray() << "KALMOR" << QByteArray() << "wrong service password";
    QTest::newRow("terminal") << QByteArray() << "-" << QByteArray("KALMORA") << "";
    QTest::newRow("terminal, wrong") << QByteArray() << "-" << QByteArray("secret") << "wrong service password";
    QTest::newRow("nothing") << QByteArray("service=0") << "-" << QByteArray() << none;
  }
  void sendNeedsServiceAccess() {
    QFETCH(QByteArray, settings);
    QFETCH(QString, variable);
    QFETCH(QByteArray, typed);
    QFETCH(QString, err);
    SimProcess sim({"--rate", "0"});
    QVERIFY(sim.start());
    QVERIFY(WriteFile(Tagged(".ini"), "[General]\n" + settings + "\n"));
    QVERIFY(WriteCalibrationFile(Path("empty.F3C"), MeterParameters{}));  // the constant 1000 to 46 alone
    CliRun cli(Tagged(".ini"));
    if (variable != "-") cli.env.insert("FLUXA_SERVICE_PASSWORD", variable);
    // A pseudo-terminal as standard input, as a person's terminal would be.
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
    if (!typed.isEmpty())
      cli.process.setChildProcessModifier([slave = QByteArray(::ptsname(terminal))] {
        const int fd = ::open(slave.constData(), O_RDWR | O_NOCTTY);
        ::dup2(fd, STDIN_FILENO);
      });
    cli.start({"send", Path("empty.F3C"), "--port", sim.meterPath()});
    if (!typed.isEmpty()) {
      QVERIFY(cli.waitForErr("Service password: "));
      QCOMPARE(::write(terminal, typed + "\n", size_t(typed.size() + 1)), typed.size() + 1);
    }
    QCOMPARE(cli.finish(), err.isEmpty() ? 0 : 1);
    if (!err.isEmpty()) QCOMPARE(cli.err.split('\n').at(typed.isEmpty() ? 0 : 1), "fluxa-cli: " + err.toUtf8());
    const QList<QByteArray> constant1000 = {QByteArray::fromHex("AA55432EE803")};
    QCOMPARE(Received(sim), err.isEmpty() ? constant1000 : QList<QByteArray>{});
    char echoed[256];
    const auto got = ::read(terminal, echoed, sizeof echoed);
    ::close(terminal);
    if (!typed.isEmpty()) QVERIFY(!QByteArray(echoed, qMax<qsizetype>(0, got)).contains(typed));
  }

  // A port that does not exist or that another program holds: one line, exit 2, no file.
  void badPort_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("busy");
    QTest::newRow("watch, no device") << QStringList{"watch"} << false;
    QTest::newRow("record, busy") << QStringList{"record", "--out", Path("r.F3D")} << true;
  }
  void badPort() {
    QFETCH(QStringList, args);
    QFETCH(bool, busy);
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    QSerialPort holder(sim.meterPath());
    QVERIFY(!busy || holder.open(QIODevice::ReadWrite));
    const QString device = busy ? sim.meterPath() : Path("nothing/COM9");
    CliRun cli;
    QCOMPARE(cli.run(args << "--port" << device), 2);
    QVERIFY2(cli.err.startsWith("fluxa-cli: cannot open " + device.toUtf8() + ": "), cli.err);
    QCOMPARE(cli.err.count('\n'), 1);
    QVERIFY(!QFile::exists(Path("r.F3D")) && !QFile::exists(Path("r.F3D.part")));
  }
};

QTEST_GUILESS_MAIN(TestCliLive)
#include "test_cli_live.moc"
