// fluxa-cli without a meter: its command line, the port mapping, the export of data files and
// the calibration that send plans (with --dry-run, and every refusal).
#include <QtTest>

#include "parameters/CalibrationFile.h"
#include "tests/cli/CliRun.h"
#include "tests/parameters/ReferenceCalibration.h"

class TestCli : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");  // a part of stdout
    QTest::addColumn<QString>("err");  // the one line of stderr
    const QString none;
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: fluxa-cli COMMAND" << none;
    QTest::newRow("command --help") << QStringList{"send", "--help"} << 0 << "--dry-run" << none;
    QTest::newRow("no command") << QStringList{} << 1 << none << "no command; \"fluxa-cli --help\" lists them";
    QTest::newRow("unknown command") << QStringList{"fetch"} << 1 << none
                                     << "unknown command 'fetch'; \"fluxa-cli --help\" lists them";
    QTest::newRow("unknown option") << QStringList{"watch", "--rate", "5"} << 1 << none
                                    << "watch: Unknown option 'rate'.";
    QTest::newRow("count zero") << QStringList{"watch", "--count", "0"} << 1 << none
                                << "watch: --count takes a whole number from 1 to 2147483647";
    QTest::newRow("every beyond 500") << QStringList{"record", "--out", "a", "--every", "501"} << 1 << none
                                      << "record: --every takes a whole number from 1 to 500";
    QTest::newRow("bad format") << QStringList{"watch", "--format", "xml"} << 1 << none
                                << "watch: --format takes text, csv, json";
    QTest::newRow("no --out") << QStringList{"download"} << 1 << none << "download: --out FILE is required";
    QTest::newRow("no file") << QStringList{"send", "--dry-run"} << 1 << none << "send: FILE.F3C is missing";
  }
  void commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    CliRun cli;
    QCOMPARE(cli.run(args), code);
    QVERIFY2(cli.out.contains(out.toUtf8()), cli.out);
    QCOMPARE(QString::fromUtf8(cli.err), err.isEmpty() ? err : "fluxa-cli: " + err + "\n");
  }

  // The program's own mapping: the environment before the settings store before the default.
  void ports_data() {
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("line");
    QTest::newRow("default") << "" << "" << "COM1\t/dev/ttyS0\tdefault";
    QTest::newRow("settings store") << "" << "/dev/ttyUSB0" << "COM1\t/dev/ttyUSB0\tsettings store %1";
    QTest::newRow("environment first") << "/dev/ttyACM1" << "/dev/ttyUSB0"
                                       << "COM1\t/dev/ttyACM1\tenvironment FLUXA_COM1";
  }
  void ports() {
    QFETCH(QString, variable);
    QFETCH(QString, stored);
    QFETCH(QString, line);
    const QString settings = Path(QTest::currentDataTag() + QStringLiteral(".ini"));
    if (!stored.isEmpty()) QVERIFY(WriteFile(settings, "[ports]\nCOM1=" + stored.toUtf8() + "\n"));
    CliRun cli(settings);
    if (!variable.isEmpty()) cli.env.insert("FLUXA_COM1", variable);
    QCOMPARE(cli.run({"ports"}), 0);
    QCOMPARE(QString::fromUtf8(cli.out), line.replace("%1", settings) + "\nCOM2\t/dev/ttyS1\tdefault\n");
  }

  void exportTable_data() {
    QTest::addColumn<QByteArray>("file");  // none: no such file, "/": a directory
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err");  // "": exit 0, else 3
    const QByteArray recorded = "  12.34\r\n-  123.45\r\n   2500\r\n";
    QTest::newRow("csv") << recorded << "csv" << QByteArray("index,value\r\n1,12.34\r\n2,-123.45\r\n3,2500\r\n")
                         << "";
    QTest::newRow("json") << recorded << "json"
                          << QByteArray("[\n {\"index\": 1, \"value\": 12.34},\n {\"index\": 2, \"value\": -123.45},\n"
                                        " {\"index\": 3, \"value\": 2500}\n]\n")
                          << "";
    QTest::newRow("not a number") << QByteArray("  1.00\r\n  1,5\r\n") << "csv" << QByteArray()
                                  << "%1: line 2 is not a number: \"  1,5\"";
    QTest::newRow("no such file") << QByteArray() << "json" << QByteArray() << "%1: no such file";
    QTest::newRow("a directory") << QByteArray("/") << "csv" << QByteArray() << "%1: cannot read the file";
  }
  void exportTable() {
    QFETCH(QByteArray, file);
    QFETCH(QString, format);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    const QString name = Path(QTest::currentDataTag() + QStringLiteral(".F3D"));
    if (file == "/") QVERIFY(QDir().mkdir(name));
    else if (!file.isNull()) QVERIFY(WriteFile(name, file));
    CliRun cli;
    QCOMPARE(cli.run({"export", name, "--format", format}), err.isEmpty() ? 0 : 3);
    QCOMPARE(cli.out, out);
    QCOMPARE(QString::fromUtf8(cli.err), err.isEmpty() ? err : "fluxa-cli: " + err.arg(name) + "\n");
  }

  // --dry-run plans as the panel does, without a port or service access; a refused value is
  // told with its cell, in the panel's words, before the port is even opened.
  void sendPlan_data() {
    QTest::addColumn<int>("member");  // changed from the reference calibration, -1: none
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("store");
    QTest::addColumn<QString>("err");
    using P = MeterParameters;
    QTest::newRow("reference") << -1 << "" << false << "";
    QTest::newRow("reference, stored") << -1 << "" << true << "";
    QTest::newRow("gain beyond 1") << P::Sondy(1, 1) << "2" << true
                                   << "Nie można wysłać tekstu 2 do adresu 0 — Sondy: AXIAL wzm. / DC 1";
    QTest::newRow("probe threshold") << P::ProgRodzajuSondy << "x" << false
                                     << "'x' is not a valid integer value — Próg rodzaju sondy mV";
  }
  void sendPlan() {
    QFETCH(int, member);
    QFETCH(QString, text);
    QFETCH(bool, store);
    QFETCH(QString, err);
    MeterParameters parameters = ReferenceParameters();
    if (member >= 0) parameters[member] = text;
    const QString file = Path(QTest::currentDataTag() + QStringLiteral(".F3C"));
    QVERIFY(WriteCalibrationFile(file, parameters));
    CliRun cli;
    cli.env.insert("FLUXA_SERVICE_PASSWORD", "KALMORA");
    QStringList args{"send", file};
    // A port opened (and failing) would end with 2.
    args << (err.isEmpty() ? QStringList{"--dry-run"} : QStringList{"--port", Path("no/COM9")});
    if (store) args << "--store";
    QCOMPARE(cli.run(args), err.isEmpty() ? 0 : 3);
    QByteArray frames;
    for (const QByteArray& f : ReferenceFrames()) frames += f.toHex(' ').toUpper() + '\n';
    if (store) frames += "AA 55 53 00 00 00\n";
    if (!err.isEmpty()) frames.clear();
    QCOMPARE(cli.out, frames);
    QCOMPARE(QString::fromUtf8(cli.err), err.isEmpty() ? err : "fluxa-cli: " + file + ": " + err + "\n");
  }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
