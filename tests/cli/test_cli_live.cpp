// fluxa-cli against fluxa-sim over its pseudo-terminals, the program run as a process: what each
// command prints and writes, how it ends (count, Ctrl+C, a hang-up), service access, bad ports.
#include <QSerialPort>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <unistd.h>

#include "parameters/CalibrationFile.h"
#include "settings/SettingsStore.h"
#include "tests/cli/CliRun.h"
#include "tests/common/SimProcess.h"
#include "tests/parameters/ReferenceCalibration.h"

namespace {
const QRegularExpression kIsoTime("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d");

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
  // One raw result frame as each format prints it; the time since the start reads "T", the time
  // of day "CLOCK" (isoTime checks it).
  void watch_data() {
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("line");
    const QString overRange = "AA 55 4A F0 D8 10 27";  // kA/m range 2, auto-off, no probe
    QTest::newRow("text DC") << "AA 55 00 CE FF 2E FB" << "text"
                             << "T s  CLOCK     -12.34 mT    DC  range 1    -5.0 C";
    QTest::newRow("text flags") << overRange << "text"
                                << "T s  CLOCK     3000.0 kA/m  DC  range 2  no probe  over-range  auto-off";
    QTest::newRow("csv flags") << overRange << "csv" << "T,CLOCK,3000.0,kA/m,DC,2,,1,1";
    QTest::newRow("json AC") << "AA 55 07 D7 00 7B 00" << "json"
                             << "{\"time_s\": T, \"time\": \"CLOCK\", \"value\": 123, \"unit\": \"Gs\", "
                                "\"mode\": \"AC\", \"range\": 2, \"temperature_c\": 21.5, \"over_range\": false, "
                                "\"auto_power_off\": false}";
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
    const QString out = QString::fromUtf8(cli.out)
                            .replace(kIsoTime, "CLOCK")
                            .replace(QRegularExpression("(?<=^|\n|: )\\s*\\d+\\.\\d{3}"), "T");
    if (format == "csv") line.prepend("time_s,time,value,unit,mode,range,temperature_c,over_range,auto_power_off\n");
    QCOMPARE(out, line + "\n");
  }

  // Every row carries the time of day beside the seconds since the start: ISO 8601 to the
  // millisecond with the offset of the zone the program runs in (half and three-quarter hours
  // too), the moment the row was made. record's echo as watch's rows.
  void isoTime_data() {
    QTest::addColumn<QStringList>("args");  // %1: the meter's port, %2: a data file
    QTest::addColumn<QString>("zone");
    QTest::newRow("watch text, UTC") << QStringList{"watch", "-p", "%1", "-c", "3"} << "UTC";
    QTest::newRow("watch csv, Warsaw") << QStringList{"watch", "-p", "%1", "-c", "3", "-f", "csv"}
                                       << "Europe/Warsaw";
    QTest::newRow("watch json, St John's") << QStringList{"watch", "-p", "%1", "-c", "3", "-f", "json"}
                                           << "America/St_Johns";
    QTest::newRow("record's echo, Kathmandu") << QStringList{"record", "-p", "%1", "-c", "3", "-o", "%2"}
                                              << "Asia/Kathmandu";
  }
  void isoTime() {
    QFETCH(QStringList, args);
    QFETCH(QString, zone);
    SimProcess sim({"--rate", "20"});
    QVERIFY(sim.start());
    CliRun cli;
    cli.env.insert("TZ", zone);
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(cli.run(args.replaceInStrings("%1", sim.meterPath()).replaceInStrings("%2", Tagged(".F3D"))), 0);
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    QStringList rows = QString::fromUtf8(cli.out).split('\n', Qt::SkipEmptyParts);
    if (args.contains("csv")) QVERIFY(rows.takeFirst().startsWith("time_s,time,"));
    QCOMPARE(rows.size(), 3);
    const QTimeZone timeZone(zone.toUtf8());
    qint64 previous = before;
    for (const QString& row : rows) {
      const QRegularExpressionMatch found = kIsoTime.match(row);
      QVERIFY2(found.hasMatch(), qPrintable(row));
      const QDateTime time = QDateTime::fromString(found.captured(), Qt::ISODateWithMs);
      QVERIFY2(time.toMSecsSinceEpoch() >= previous && time.toMSecsSinceEpoch() <= after, qPrintable(row));
      QCOMPARE(time.offsetFromUtc(), timeZone.offsetFromUtc(time));
      previous = time.toMSecsSinceEpoch();
    }
  }

  // How watch and record end: one message and exit 2 on a hang-up; a recording ended by its
  // count, Ctrl+C, SIGTERM or a hang-up writes everything it received, and a killed one leaves
  // its recovery file listed for the window's next start.
  void ends_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("signal");  // -1: the device hangs up, 0: --count 5
    QTest::addColumn<int>("code");
    QTest::newRow("watch, hang-up") << "watch" << -1 << 2;
    QTest::newRow("watch, Ctrl+C") << "watch" << SIGINT << 0;
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
    if (signal < 0)
      QCOMPARE(cli.err.count("fluxa-cli: Connection to the port was lost: " + sim.meterPath().toUtf8() + ": "), 1);
    if (command == "watch") return;
    const QStringList listed = OpenSettingsStore()->value("recovery/files").toStringList();
    QCOMPARE(listed, signal == SIGKILL ? QStringList{QFileInfo(part).absoluteFilePath()} : QStringList{});
    QCOMPARE(QFile::exists(part), signal == SIGKILL);
    const QStringList lines = Lines(signal == SIGKILL ? part : file);
    QVERIFY(signal ? lines.size() >= 3 : lines.size() == 5);
    const QString written = QString("fluxa-cli: %1 results written to %2\n").arg(lines.size()).arg(file);
    if (signal == SIGKILL) return;
    QVERIFY(cli.err.endsWith(written.toUtf8()));
    // The echo holds each stored result (every second one here), with the file's value.
    QStringList echoed, stored;
    for (const QByteArray& row : cli.out.split('\n'))
      if (!row.isEmpty()) echoed << QString::fromLatin1(row).simplified().section(' ', 3, 3);
    for (const QString& line : lines) stored << QString(line).remove(' ');
    QCOMPARE(echoed, stored);
  }

  void download_data() {
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("lines");  // of the data file; none: no answer, exit 2
    QTest::newRow("range 1") << "1" << "stored 0 -1234 5000" << QStringList{"   0.00", "-  1234.00", "5000.00"};
    QTest::newRow("range 2") << "2" << "stored 7 -4999" << QStringList{"    7.0", "-  4999.0"};
    QTest::newRow("no answer") << "1" << "silence on" << QStringList{};
    // --timeout is the longest gap in the dump, not the whole download (about 3 s here, against 2).
    QTest::newRow("a dump longer than --timeout") << "1" << "stored" + QString(" 5").repeated(1500)
                                                  << QStringList(1500, "   5.00");
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
    QStringList args{"download", "--port", sim.meterPath(), "--out", file};
    if (lines.size() > 100) args << "-t" << "2";
    QCOMPARE(cli.run(args), lines.isEmpty() ? 2 : 0);
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
    cli.env.insert("LANG", "pl_PL.UTF-8");  // the panel's own report, as the panel words it
    QCOMPARE(cli.run({"send", file, "--store", "--port", sim.meterPath()}), 0);
    QCOMPARE(Received(sim), ReferenceFrames() << QByteArray::fromHex("AA5553000000"));
    QVERIFY2(cli.err.contains("\n24 / 25\n25 / 25\nfluxa-cli: Wysłano parametrów: 25, zapisano w EEPROM\n"
                              "fluxa-cli: protokół przesłania: "), cli.err);
  }

  // A lab's server that cannot be reached: the record waits in the local file, and send says so
  // with how many wait.
  void sendSaysWhenItsRecordWaits() {
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    const QString file = Path("waits.F3C");
    QVERIFY(WriteCalibrationFile(file, MeterParameters{}));  // the constant 1000 to 46 alone
    // Port 1 of this machine: nothing listens there, a connection is refused at once.
    const QString settings = Path("waits.ini");
    QFile ini(settings);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[records]\nhost=127.0.0.1\nport=1\ndatabase=records\nuser=fluxa\n");
    ini.close();
    for (int round = 1; round <= 2; ++round) {
      CliRun cli(settings);
      cli.env.insert("FLUXA_SERVICE_PASSWORD", "KALMORA");
      cli.env.insert("FLUXA_DB_PASSWORD", "");
      cli.env.insert("FLUXA_RECORDS", Path("waits.sqlite"));
      QCOMPARE(cli.run({"send", file, "--port", sim.meterPath()}), 0);
      QVERIFY2(cli.err.contains(QString("the records server cannot be reached (").toUtf8()), cli.err);
      QVERIFY2(cli.err.endsWith(QString("); records waiting to go: %1\n").arg(round).toUtf8()), cli.err);
    }
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
    else QVERIFY2(cli.err.contains("fluxa-cli: Parameters sent: 1, EEPROM store not asked for\n"
                                   "fluxa-cli: transfer record: "), cli.err);
    const QList<QByteArray> constant1000 = {QByteArray::fromHex("AA55432EE803")};
    QCOMPARE(Received(sim), err.isEmpty() ? constant1000 : QList<QByteArray>{});
    char echoed[256];
    const auto got = ::read(terminal, echoed, sizeof echoed);
    ::close(terminal);
    if (!typed.isEmpty()) QVERIFY(!QByteArray(echoed, qMax<qsizetype>(0, got)).contains(typed));
  }

  // send takes only a file of 26 lines of text, as the service panel writes it (the end-of-file
  // byte ends it, the last line may lack its line end); any other is told with what it holds,
  // exit 3, and not a frame reaches the meter.
  void calibrationFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("err");  // after "FILE: "; "": sent
    const QByteArray empty26 = EncodeCalibrationFile(MeterParameters{});  // the constant 1000 alone
    MeterParameters lastFilled;
    lastFilled[MeterParameters::WzmocnienieFiltruTemp] = "0,05";
    const QString nothing = "; nothing sent";
    QTest::newRow("empty") << QByteArray() << "a calibration file holds 26 lines, this one 0" + nothing;
    QTest::newRow("three lines") << QByteArray("0,5\r\n0,5\r\n0,5\r\n")
                                 << "a calibration file holds 26 lines, this one 3" + nothing;
    QTest::newRow("27 lines") << empty26 + "0,5\r\n" << "a calibration file holds 26 lines, this one 27" + nothing;
    QTest::newRow("LF line ends") << ReferenceFileBytes().replace("\r\n", "\n")
                                  << "a calibration file holds 26 lines, this one 1 (its lines end in LF alone; "
                                     "those of a calibration file end in CR LF or CR)" + nothing;
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)
                            << "not a text file; a calibration file holds 26 lines of text" + nothing;
    QTest::newRow("a control character") << QByteArray("\x1B[31m") + empty26
                                         << "not a text file; a calibration file holds 26 lines of text" + nothing;
    QTest::newRow("CR line ends") << QByteArray(empty26).replace("\r\n", "\r") << "";
    QTest::newRow("26 lines, then the end-of-file byte") << empty26 + "\x1A" + "0,5\r\n" << "";
    QTest::newRow("the last line without its end") << EncodeCalibrationFile(lastFilled).chopped(2) << "";
  }
  void calibrationFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, err);
    SimProcess sim({"--rate", "0"});
    QVERIFY(sim.start());
    const QString file = Tagged(".F3C");
    QVERIFY(WriteFile(file, bytes));
    CliRun cli;
    cli.env.insert("FLUXA_SERVICE_PASSWORD", "KALMORA");
    QCOMPARE(cli.run({"send", file, "-p", sim.meterPath()}), err.isEmpty() ? 0 : 3);
    QList<QByteArray> frames;
    if (err.isEmpty()) {
      if (bytes.endsWith("0,05")) frames << QByteArray::fromHex("AA55432CC279");
      frames << QByteArray::fromHex("AA55432EE803");
    }
    QCOMPARE(Received(sim), frames);
    if (!err.isEmpty()) QCOMPARE(QString::fromUtf8(cli.err), "fluxa-cli: " + file + ": " + err + "\n");
  }

  // A port that does not exist, that another program holds, or that the user has no rights to:
  // one line that says which, exit 2, no file.
  void badPort_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("holder");  // "test": this test holds it, "cli": a second fluxa-cli
    QTest::addColumn<QString>("why");     // after "cannot open PORT: "; "": the system's words
    const QString busy = "port busy: another program holds it";
    QTest::newRow("watch, no device") << QStringList{"watch"} << "" << "";
    QTest::newRow("record, busy") << QStringList{"record", "--out", Path("r.F3D")} << "test" << busy;
    QTest::newRow("watch, busy with another fluxa-cli") << QStringList{"watch"} << "cli" << busy;
    QTest::newRow("record, no rights") << QStringList{"record", "-o", Path("r.F3D")} << "rights"
                                       << "no permission to use %1; serial ports belong to the group dialout: "
                                          "sudo adduser $USER dialout, then log in again";
  }
  void badPort() {
    QFETCH(QStringList, args);
    QFETCH(QString, holder);
    QFETCH(QString, why);
    SimProcess sim({"--rate", "10"});
    QVERIFY(sim.start());
    QSerialPort held(sim.meterPath());
    QVERIFY(holder != "test" || held.open(QIODevice::ReadWrite));
    CliRun first;
    if (holder == "cli") {
      first.start({"watch", "-p", sim.meterPath()});
      QVERIFY(first.waitForLines(1));
    }
    const QString device = holder.isEmpty() ? Path("nothing/COM9") : sim.meterPath();
    CliRun cli;
    if (holder == "rights") {
      if (::geteuid() == 0) {
        // No rights for root: the program runs as nobody, to whom the port's folder is closed.
        cli.process.setChildProcessModifier([] {
          if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
        });
      } else {
        QVERIFY(QFile::setPermissions(QFileInfo(device).canonicalFilePath(), {}));
      }
    }
    QCOMPARE(cli.run(args << "--port" << device), 2);
    const QString told = "fluxa-cli: cannot open " + device + ": " + QString(why).replace("%1", device);
    if (why.isEmpty())
      QVERIFY2(cli.err.startsWith(told.toUtf8()), cli.err);
    else
      QCOMPARE(QString::fromUtf8(cli.err), told + "\n");
    QCOMPARE(cli.err.count('\n'), 1);
    QVERIFY(!QFile::exists(Path("r.F3D")) && !QFile::exists(Path("r.F3D.part")));
    // The first program goes on undisturbed.
    if (holder == "cli") {
      const int before = int(first.out.count('\n'));
      QVERIFY(first.waitForLines(before + 2));
      ::kill(pid_t(first.process.processId()), SIGINT);
      QCOMPARE(first.finish(), 0);
    }
  }

  // A port that gives no result: --timeout ends the command with one line and exit 2 (what a
  // recording received is written); without it, 3 s of silence bring one line and the command
  // waits on; a Ctrl+C that ends a watch or recording without a single result ends with 2.
  void silence_data() {
    QTest::addColumn<QStringList>("args");  // %1: the port, %2: a data file
    QTest::addColumn<bool>("results");      // results flow (20 a second) until the command showed 3
    QTest::addColumn<bool>("interrupt");    // Ctrl+C once the line about the silence is there
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");  // the line about the silence
    const QString hint = "no results from %1: is the meter on, is this its port?";
    const QStringList watch{"watch", "-p", "%1"}, record{"record", "-p", "%1", "-o", "%2"};
    QTest::newRow("watch --timeout") << watch + QStringList{"--timeout", "1"} << false << false << 2
                                     << "no results from %1 for 1 s";
    QTest::newRow("record -t") << record + QStringList{"-t", "0.5"} << false << false << 2
                               << "no results from %1 for 0.5 s";
    QTest::newRow("watch -t, results stop") << watch + QStringList{"-t", "1"} << true << false << 2
                                            << "no results from %1 for 1 s";
    QTest::newRow("record -t, results stop") << record + QStringList{"-t", "1"} << true << false << 2
                                             << "no results from %1 for 1 s";
    QTest::newRow("watch, Ctrl+C") << watch << false << true << 2 << hint;
    QTest::newRow("record, Ctrl+C") << record << false << true << 2 << hint;
    QTest::newRow("watch, results stop, Ctrl+C") << watch << true << true << 0 << hint;
  }
  void silence() {
    QFETCH(QStringList, args);
    QFETCH(bool, results);
    QFETCH(bool, interrupt);
    QFETCH(int, code);
    QFETCH(QString, err);
    SimProcess sim({"--rate", results ? "20" : "0"});
    QVERIFY(sim.start());
    const QString file = Tagged(".silent.F3D"), port = sim.meterPath();
    CliRun cli;
    cli.start(args.replaceInStrings("%1", port).replaceInStrings("%2", file));
    if (results) {
      QVERIFY(cli.waitForLines(3));
      QVERIFY(sim.command("silence on"));
    }
    const QByteArray line = "fluxa-cli: " + err.arg(port).toUtf8() + "\n";
    if (interrupt) {
      QVERIFY(cli.waitForErr(line));
      QCOMPARE(cli.process.state(), QProcess::Running);  // it waits on
      ::kill(pid_t(cli.process.processId()), SIGINT);
    }
    QCOMPARE(cli.finish(), code);
    QVERIFY2(cli.err.contains(line), cli.err);
    QCOMPARE(cli.err.contains("is the meter on"), interrupt);  // with a timeout, one line alone
    if (!results) QVERIFY(cli.err.contains("fluxa-cli: no results from " + port.toUtf8() + "\n") == interrupt);
    const int rows = int(cli.out.count('\n'));
    QVERIFY(results ? rows >= 3 : rows == 0);
    if (args.first() == "record") QCOMPARE(Lines(file).size(), rows);  // what was received is written
  }

  // --duration ends watch and record on time, with 0 and every row within it, the recording
  // written (a --timeout shorter than the duration does not cut a flowing recording); a
  // duration without a single result ends with 2.
  void duration_data() {
    QTest::addColumn<QStringList>("args");  // %1: the port, %2: a data file
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("code");
    QTest::newRow("watch -d") << QStringList{"watch", "-p", "%1", "-d", "1.5", "-f", "csv"} << "20" << 0;
    QTest::newRow("record --duration")
        << QStringList{"record", "-p", "%1", "-o", "%2", "--duration", "1.5", "-f", "csv"} << "20" << 0;
    QTest::newRow("watch -d, silent") << QStringList{"watch", "-p", "%1", "-d", "0.5", "-f", "csv"} << "0" << 2;
    // A timeout counts from the last result, not from the start.
    QTest::newRow("record -d beyond -t")
        << QStringList{"record", "-p", "%1", "-o", "%2", "-d", "2.5", "-t", "1", "-f", "csv"} << "20" << 0;
  }
  void duration() {
    QFETCH(QStringList, args);
    QFETCH(QString, rate);
    QFETCH(int, code);
    SimProcess sim({"--rate", rate});
    QVERIFY(sim.start());
    const QString file = Tagged(".F3D");
    CliRun cli;
    QCOMPARE(cli.run(args.replaceInStrings("%1", sim.meterPath()).replaceInStrings("%2", file)), code);
    QList<QByteArray> rows = cli.out.split('\n');
    QCOMPARE(rows.takeFirst(), "time_s,time,value,unit,mode,range,temperature_c,over_range,auto_power_off");
    rows.removeAll({});
    const double limit = args.at(args.indexOf(QRegularExpression("-d|--duration")) + 1).toDouble();
    // time_s is printed to the millisecond: a result just before the end may read as the end.
    for (const QByteArray& row : rows) QVERIFY2(QString::fromLatin1(row).section(',', 0, 0).toDouble() <= limit, row);
    QCOMPARE(rows.isEmpty(), code != 0);
    if (code != 0) QVERIFY(cli.err.endsWith("fluxa-cli: no results from " + sim.meterPath().toUtf8() + "\n"));
    if (args.first() == "record") QCOMPARE(Lines(file).size(), rows.size());
  }
};

QTEST_GUILESS_MAIN(TestCliLive)
#include "test_cli_live.moc"
