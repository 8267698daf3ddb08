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
QStringList Lines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromLatin1(f.readAll()).split("\r\n");
  lines.removeLast();  // after the last line end
  return lines;
}

const QByteArray kMarker = QByteArray::fromHex("AA55433C0700");
// The frames the simulated meter received. The test's own marker frame goes last: once the
// simulator reports it, it has reported everything sent before.
QList<QByteArray> Received(SimProcess& sim) {
  {
    QSerialPort port(sim.meterPath());
    if (!port.open(QIODevice::ReadWrite) || port.write(kMarker) != kMarker.size() || !port.waitForBytesWritten(2000))
      return {};
    if (!sim.waitForLine("rx meter " + kMarker.toHex(' ').toUpper(), 5000)) return {};
  }
  QList<QByteArray> frames;
  for (const SimProcess::Rx& rx : sim.meterFrames()) frames << rx.bytes;
  frames.removeLast();
  return frames;
}

// A pseudo-terminal for the program's standard input, as a person's terminal would be.
struct Terminal {
  Terminal() : master(::posix_openpt(O_RDWR | O_NOCTTY)) {
    if (::grantpt(master) == 0 && ::unlockpt(master) == 0) slave = ::ptsname(master);
  }
  ~Terminal() { ::close(master); }
  int master;
  QByteArray slave;
  void Attach(QProcess& process) const {
    process.setChildProcessModifier([path = slave] {
      const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
      ::dup2(fd, STDIN_FILENO);
      ::close(fd);
    });
  }
  QByteArray Shown() const {  // what the terminal echoed
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    QByteArray shown(4096, '\0');
    const auto got = ::read(master, shown.data(), shown.size());
    return shown.left(qMax<qsizetype>(0, got));
  }
};
}  // namespace

class TestCliLive : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString Settings() const { return Path("settings.ini"); }

 private slots:
  // One raw result frame, as each format prints it; the time since the start is left out.
  void watch_data() {
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("line");
    const QString dcProbe = "AA 55 00 CE FF 2E FB";             // mT range 1, -5.0 C, -12.34
    const QString acGs = "AA 55 07 D7 00 7B 00";                // Gs range 2 AC, 21.5 C, 123
    const QString overRange = "AA 55 4A F0 D8 10 27";           // kA/m range 2, auto-off, no probe
    QTest::newRow("text DC") << dcProbe << "text" << "T s     -12.34 mT    DC  range 1    -5.0 C";
    QTest::newRow("text AC") << acGs << "text" << "T s        123 Gs    AC  range 2    21.5 C";
    QTest::newRow("text flags") << overRange << "text" << "T s     3000.0 kA/m  DC  range 2  no probe  over-range  auto-off";
    QTest::newRow("csv flags") << overRange << "csv" << "T,3000.0,kA/m,DC,2,,1,1";
    QTest::newRow("json AC") << acGs << "json"
                             << "{\"time_s\": T, \"value\": 123, \"unit\": \"Gs\", \"mode\": \"AC\", \"range\": 2, "
                                "\"temperature_c\": 21.5, \"over_range\": false, \"auto_power_off\": false}";
    QTest::newRow("json flags") << overRange << "json"
                                << "{\"time_s\": T, \"value\": 3000.0, \"unit\": \"kA/m\", \"mode\": \"DC\", \"range\": 2, "
                                   "\"temperature_c\": null, \"over_range\": true, \"auto_power_off\": true}";
  }
  void watch() {
    QFETCH(QString, frame);
    QFETCH(QString, format);
    QFETCH(QString, line);
    SimProcess sim({"--rate", "0"});
    QVERIFY(sim.start());
    CliRun cli(Settings());
    cli.start({"watch", "--port", sim.meterPath(), "--count", "1", "--format", format});
    QVERIFY(cli.waitForErr("watching"));
    QVERIFY(sim.command("raw " + frame));
    QCOMPARE(cli.finish(), 0);
    QString out = QString::fromUtf8(cli.out).replace(QRegularExpression("(?<=^|\n|: )\\s*\\d+\\.\\d{3}"), "T");
    if (format == "csv") QVERIFY(out.startsWith("time_s,value,unit,mode,range,temperature_c,over_range,auto_power_off\n"));
    QCOMPARE(out.section('\n', -2, -2), line);
  }

  // The device hangs up: one message, exit 2, and a recording writes what it received.
  void hangup_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("watch") << "watch";
    QTest::newRow("record") << "record";
  }
  void hangup() {
    QFETCH(QString, command);
    SimProcess sim({"--rate", "20", "--wave", "ramp", "--slope", "3"});
    QVERIFY(sim.start());
    const QString file = Path("hangup.F3D");
    CliRun cli(Settings());
    cli.start(QStringList{command, "--port", sim.meterPath(), "--out", file}.mid(0, command == "watch" ? 3 : 5));
    QVERIFY(command == "watch" ? cli.waitForLines(2) : QTest::qWaitFor([&] { return Lines(file + ".part").size() >= 2; }, 10000));
    QVERIFY(sim.command("hangup"));
    QCOMPARE(cli.finish(), 2);
    QCOMPARE(cli.err.count("fluxa-cli: lost the device of " + sim.meterPath().toUtf8()), 1);
    if (command == "record") {
      QVERIFY(!QFile::exists(file + ".part"));
      QVERIFY(cli.err.contains(QString("%1 results written to %2").arg(Lines(file).size()).arg(file).toUtf8()));
      QVERIFY(Lines(file).size() >= 2);
    }
  }

  // A recording ends by its count, by Ctrl+C or SIGTERM with everything received written, and
  // a killed one leaves its recovery file, listed, for the window's next start.
  void recordEnds_data() {
    QTest::addColumn<int>("signal");  // 0: --count 5
    QTest::newRow("count") << 0;
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("killed") << SIGKILL;
  }
  void recordEnds() {
    QFETCH(int, signal);
    SimProcess sim({"--rate", "40", "--wave", "ramp", "--slope", "3"});
    QVERIFY(sim.start());
    const QString file = Path(QTest::currentDataTag() + QStringLiteral(".F3D"));
    const QString settings = Path(QTest::currentDataTag() + QStringLiteral(".ini"));
    qputenv("FLUXA_SETTINGS", settings.toUtf8());  // this test's own reading of the store
    CliRun cli(settings);
    cli.start(QStringList{"record", "--port", sim.meterPath(), "--out", file, "--every", "2"} +
              (signal ? QStringList{} : QStringList{"--count", "5"}));
    if (signal) {
      QVERIFY(QTest::qWaitFor([&] { return Lines(file + ".part").size() >= 3; }, 10000));
      ::kill(pid_t(cli.process.processId()), signal);
    }
    const int code = cli.finish();
    const QStringList listed = OpenSettingsStore()->value("recovery/files").toStringList();
    if (signal == SIGKILL) {
      QCOMPARE(code, -1);
      QVERIFY(Lines(file + ".part").size() >= 3);
      QCOMPARE(listed, QStringList{QFileInfo(file + ".part").absoluteFilePath()});
      return;
    }
    QCOMPARE(code, 0);
    QCOMPARE(listed, QStringList{});
    QVERIFY(!QFile::exists(file + ".part"));
    const QStringList lines = Lines(file);
    QVERIFY(signal ? lines.size() >= 3 : lines.size() == 5);
    QVERIFY(cli.err.endsWith(QString("fluxa-cli: %1 results written to %2\n").arg(lines.size()).arg(file).toUtf8()));
  }

  void download_data() {
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("lines");  // of the data file
    QTest::newRow("range 1") << "1" << "stored 0 -1234 5000" << 0 << QStringList{"   0.00", "-  1234.00", "5000.00"};
    QTest::newRow("range 2") << "2" << "stored 7 -4999" << 0 << QStringList{"    7.0", "-  4999.0"};
    QTest::newRow("no answer") << "1" << "silence on" << 2 << QStringList{};
  }
  void download() {
    QFETCH(QString, range);
    QFETCH(QString, command);
    QFETCH(int, code);
    QFETCH(QStringList, lines);
    SimProcess sim({"--rate", "10", "--range", range});
    QVERIFY(sim.start());
    QVERIFY(sim.command(command));
    const QString file = Path(QTest::currentDataTag() + QStringLiteral(".F3D"));
    CliRun cli(Settings());
    QCOMPARE(cli.run({"download", "--port", sim.meterPath(), "--out", file}), code);
    QCOMPARE(Lines(file), lines);
    QCOMPARE(QFile::exists(file), code == 0);
    if (code == 0) QVERIFY(cli.err.endsWith(QString("%1 results written to %2\n").arg(lines.size()).arg(file).toUtf8()));
  }

  void sendReachesTheMeter() {
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    const QString file = Path("reference.F3C");
    QVERIFY(WriteCalibrationFile(file, ReferenceParameters()));
    CliRun cli(Settings());
    cli.env.insert("FLUXA_SERVICE_PASSWORD", "KALMORA");
    QCOMPARE(cli.run({"send", file, "--store", "--port", sim.meterPath()}), 0);
    QCOMPARE(Received(sim), ReferenceFrames() << QByteArray::fromHex("AA5553000000"));
    QVERIFY(cli.err.contains("\n24 / 25\n25 / 25\nfluxa-cli: calibration sent to " + sim.meterPath().toUtf8() + " and stored\n"));
  }

  // The settings store's flag, the password from the environment or typed on a terminal
  // (never echoed); without any, nothing is sent.
  void sendNeedsServiceAccess_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("variable");  // FLUXA_SERVICE_PASSWORD, "-": unset
    QTest::addColumn<QString>("typed");     // on a terminal, "-": no terminal
    QTest::addColumn<QString>("err");       // "": granted
    const QString none = "send needs service access: the service flag of the settings store, or the service "
                         "password ($FLUXA_SERVICE_PASSWORD or a terminal)";
    QTest::newRow("service flag") << "service=1\n" << "-" << "-" << "";
    QTest::newRow("flag off") << "service=0\n" << "-" << "-" << none;
    QTest::newRow("environment") << "" << "kalmora" << "-" << "";
    QTest::newRow("environment, wrong") << "" << "KALMOR" << "-" << "wrong service password";
    QTest::newRow("terminal") << "" << "-" << "KALMORA" << "";
    QTest::newRow("terminal, wrong") << "" << "-" << "secret" << "wrong service password";
    QTest::newRow("nothing") << "" << "-" << "-" << none;
  }
  void sendNeedsServiceAccess() {
    QFETCH(QString, settings);
    QFETCH(QString, variable);
    QFETCH(QString, typed);
    QFETCH(QString, err);
    SimProcess sim({"--rate", "0"});
    QVERIFY(sim.start());
    const QString store = Path(QTest::currentDataTag() + QStringLiteral(".ini"));
    QFile f(store);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[General]\n" + settings.toUtf8());
    f.close();
    const QString file = Path("empty.F3C");
    QVERIFY(WriteCalibrationFile(file, MeterParameters{}));  // the constant 1000 to 46 alone
    CliRun cli(store);
    if (variable != "-") cli.env.insert("FLUXA_SERVICE_PASSWORD", variable);
    Terminal terminal;
    if (typed != "-") terminal.Attach(cli.process);
    cli.start({"send", file, "--port", sim.meterPath()});
    if (typed != "-") {
      QVERIFY(cli.waitForErr("Service password: "));
      QCOMPARE(::write(terminal.master, (typed + "\n").toLatin1().constData(), size_t(typed.size() + 1)), typed.size() + 1);
    }
    QCOMPARE(cli.finish(), err.isEmpty() ? 0 : 1);
    if (!err.isEmpty()) QVERIFY2(cli.err.endsWith("fluxa-cli: " + err.toUtf8() + "\n"), cli.err);
    QCOMPARE(Received(sim), err.isEmpty() ? QList<QByteArray>{QByteArray::fromHex("AA55432EE803")} : QList<QByteArray>{});
    if (typed != "-") QVERIFY(!terminal.Shown().contains(typed.toLatin1()));
  }

  // A port that does not exist or that another program holds: one line, exit 2, no file.
  void badPort_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("busy");
    QTest::newRow("watch, no device") << QStringList{"watch"} << false;
    QTest::newRow("record, no device") << QStringList{"record", "--out", Path("r.F3D")} << false;
    QTest::newRow("download, no device") << QStringList{"download", "--out", Path("d.F3D")} << false;
    QTest::newRow("send, no device") << QStringList{"send", Path("empty.F3C")} << false;
    QTest::newRow("watch, busy") << QStringList{"watch"} << true;
    QTest::newRow("record, busy") << QStringList{"record", "--out", Path("r.F3D")} << true;
  }
  void badPort() {
    QFETCH(QStringList, args);
    QFETCH(bool, busy);
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    QVERIFY(WriteCalibrationFile(Path("empty.F3C"), MeterParameters{}));
    QSerialPort holder(sim.meterPath());
    if (busy) QVERIFY(holder.open(QIODevice::ReadWrite));
    const QString device = busy ? sim.meterPath() : Path("nothing/COM9");
    CliRun cli(Settings());
    cli.env.insert("FLUXA_SERVICE_PASSWORD", "KALMORA");
    QCOMPARE(cli.run(args << "--port" << device), 2);
    QVERIFY2(cli.err.startsWith("fluxa-cli: cannot open " + device.toUtf8() + ": ") && cli.err.count('\n') == 1, cli.err);
    QVERIFY(!QFile::exists(Path("r.F3D")) && !QFile::exists(Path("r.F3D.part")) && !QFile::exists(Path("d.F3D")));
  }
};

QTEST_GUILESS_MAIN(TestCliLive)
#include "test_cli_live.moc"
