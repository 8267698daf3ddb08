// fluxa-cli without a meter: its command line, the port mapping, the export of data files, the
// calibration that send plans (with --dry-run, and every refusal), the language of its
// messages; and the three programs' help, man pages and completion, which must tell the same.
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
    // Each one-letter option is its long one.
    QTest::newRow("-c") << QStringList{"watch", "-c", "0"} << 1 << none
                        << "watch: --count takes a whole number from 1 to 2147483647";
    QTest::newRow("-f") << QStringList{"record", "-o", "a", "-f", "xml"} << 1 << none
                        << "record: --format takes text, csv, json";
    QTest::newRow("-p") << QStringList{"send", "x.F3C", "-p", ""} << 1 << none << "send: --port needs a name or a path";
    QTest::newRow("-o") << QStringList{"download", "-o", ""} << 1 << none << "download: --out FILE is required";
    QTest::newRow("-t") << QStringList{"watch", "-t", "0"} << 1 << none
                        << "watch: --timeout takes seconds, more than 0 and at most 2000000";
    QTest::newRow("-d") << QStringList{"record", "-o", "a", "-d", "1,5"} << 1 << none
                        << "record: --duration takes seconds, more than 0 and at most 2000000";
    QTest::newRow("duration beyond") << QStringList{"watch", "--duration", "2000001"} << 1 << none
                                     << "watch: --duration takes seconds, more than 0 and at most 2000000";
    QTest::newRow("no --duration for download") << QStringList{"download", "-o", "a", "-d", "5"} << 1 << none
                                                << "download: Unknown option 'd'.";
    QTest::newRow("--lang") << QStringList{"--lang", "de", "ports"} << 1 << none << "--lang takes pl or en, not 'de'";
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
    // The table a spreadsheet gets in CR LF lines comes out in LF lines, for awk and cut.
    QTest::newRow("csv") << recorded << "csv" << QByteArray("index,value\n1,12.34\n2,-123.45\n3,2500\n") << "";
    QTest::newRow("json") << recorded << "json"
                          << QByteArray("[\n {\"index\": 1, \"value\": 12.34},\n {\"index\": 2, \"value\": -123.45},\n"
                                        " {\"index\": 3, \"value\": 2500}\n]\n")
                          << "";
    QTest::newRow("not a number") << QByteArray("  1.00\r\n  1,5\r\n") << "csv" << QByteArray()
                                  << "%1: Line 2 of the file is not a number: \"  1,5\"";
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
                                   << "Cannot send text 2 to address 0 — Probes: AXIAL gain / DC 1";
    QTest::newRow("probe threshold") << P::ProgRodzajuSondy << "x" << false
                                     << "'x' is not a valid integer value — Probe type threshold mV";
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

  // Polish when the locale is (LC_ALL, else LC_MESSAGES, else LANG), English otherwise; --lang
  // wins, before the command or after it. fluxa-cli's own messages and the service panel's
  // Polish-only ones alike.
  void language_data() {
    QTest::addColumn<QStringList>("environment");  // NAME=value
    QTest::addColumn<QStringList>("args");         // %1: a file that does not exist
    QTest::addColumn<QString>("err");
    const QStringList missing{"export", "%1"};
    const QString polish = "%1: nie ma takiego pliku", english = "%1: no such file";
    QTest::newRow("LANG pl") << QStringList{"LANG=pl_PL.UTF-8"} << missing << polish;
    QTest::newRow("LANG en") << QStringList{"LANG=en_GB.UTF-8"} << missing << english;
    QTest::newRow("LANG de") << QStringList{"LANG=de_DE.UTF-8"} << missing << english;
    QTest::newRow("LC_ALL before LANG") << QStringList{"LC_ALL=en_US.UTF-8", "LANG=pl_PL.UTF-8"} << missing
                                        << english;
    QTest::newRow("LC_MESSAGES before LANG") << QStringList{"LC_MESSAGES=pl_PL", "LANG=en_US.UTF-8"} << missing
                                             << polish;
    QTest::newRow("--lang en over pl") << QStringList{"LANG=pl_PL.UTF-8"} << missing + QStringList{"--lang", "en"}
                                       << english;
    QTest::newRow("--lang=pl before the command") << QStringList{} << QStringList{"--lang=pl"} + missing << polish;
    QTest::newRow("a usage error") << QStringList{"LANG=pl_PL.UTF-8"} << QStringList{"watch", "-c", "0"}
                                   << "watch: --count przyjmuje liczbę całkowitą od 1 do 2147483647";
    QTest::newRow("the panel's refusal, en") << QStringList{"LC_ALL=en_GB.UTF-8"} << QStringList{"send", "%2"}
                                             << "%2: Cannot send text 2 to address 0 — Probes: AXIAL gain / DC 1";
    QTest::newRow("the panel's refusal, pl")
        << QStringList{"LC_ALL=pl_PL.UTF-8"} << QStringList{"send", "%2"}
        << "%2: Nie można wysłać tekstu 2 do adresu 0 — Sondy: AXIAL wzm. / DC 1";
  }
  void language() {
    QFETCH(QStringList, environment);
    QFETCH(QStringList, args);
    QFETCH(QString, err);
    const QString missing = Path("missing.F3D"), refused = Path("gain 2.F3C");
    MeterParameters parameters = ReferenceParameters();
    parameters[MeterParameters::Sondy(1, 1)] = "2";
    QVERIFY(WriteCalibrationFile(refused, parameters));
    CliRun cli;
    for (const QString& variable : environment) cli.env.insert(variable.section('=', 0, 0), variable.section('=', 1));
    args.replaceInStrings("%1", missing).replaceInStrings("%2", refused);
    QVERIFY(cli.run(args) > 0);
    QCOMPARE(QString::fromUtf8(cli.err), "fluxa-cli: " + err.replace("%1", missing).replace("%2", refused) + "\n");
  }

  // Every refusal of a file or a value, in the language chosen: in English no Polish letter and
  // none of the panel's Polish words; in Polish the service panel's own text, as the window shows
  // it.
  void refusalsInTheLanguage_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("bytes");  // the file; null: none, "/": a directory
    QTest::addColumn<QString>("english");   // %1: the file
    QTest::addColumn<QString>("polish");
    using P = MeterParameters;
    const auto with = [](int member, const QString& text) {
      MeterParameters parameters = ReferenceParameters();
      parameters[member] = text;
      return EncodeCalibrationFile(parameters);
    };
    const auto refused = [&](const char* tag, int member, const QString& text, const QString& english,
                             const QString& polish) {
      QTest::newRow(tag) << "send" << with(member, text) << "%1: " + english << "%1: " + polish;
    };
    refused("gain beyond 1", P::Sondy(1, 1), "2", "Cannot send text 2 to address 0 — Probes: AXIAL gain / DC 1",
            "Nie można wysłać tekstu 2 do adresu 0 — Sondy: AXIAL wzm. / DC 1");
    // 1 and -1 are sent (tests/parameters' reference calibration holds both); a gain whose word
    // passes 32767 is not.
    refused("gain just beyond 1", P::Sondy(2, 1), "1,0001",
            "Cannot send text 1.0001 to address 4 — Probes: AXIAL gain / DC 2",
            "Nie można wysłać tekstu 1.0001 do adresu 4 — Sondy: AXIAL wzm. / DC 2");
    refused("gain not a number", P::Sondy(4, 2), "x", "Cannot send text x to address 22 — Probes: TRANS gain / AC 2",
            "Nie można wysłać tekstu x do adresu 22 — Sondy: TRANS wzm. / AC 2");
    refused("converter", P::Stala, "40000", "Cannot send text 40000 to address 10 — DC component at the converter",
            "Nie można wysłać tekstu 40000 do adresu 10 — Składowa stała na przetworniku");
    refused("thermometer", P::Wtemp, "x", "Cannot send text x to address 50 — Thermometer coefficient",
            "Nie można wysłać tekstu x do adresu 50 — Współczynnik termometru.");
    refused("thermometer offset", P::OTemp, "-40000",
            "Cannot send text -40000 to address 48 — Thermometer offset",
            "Nie można wysłać tekstu -40000 do adresu 48 — Offset termometru");
    refused("correction offset", P::OKor, "1,5", "Cannot send text 1,5 to address 6 — Temperature correction offset",
            "Nie można wysłać tekstu 1,5 do adresu 6 — Offset korekcji temp.");
    refused("correction", P::WKor, "1",
            "Invalid value of the temperature correction coefficient. — Temperature correction coefficient",
            "Niepoprawnie wprowadzona wartość współczynnika korekcji temp. — Współczynnik korekcji temp.");
    refused("temperature filter", P::WzmocnienieFiltruTemp, "3", "Invalid filter data format: 3 — Temperature filter gain",
            "Nieprawidłowy format danych filtru :3 — Wzmocnienie filtru temp.");
    refused("filter constant", P::Kfiltr(2, 1), "-0,9", "Invalid filter data format: -0.9 — Filter: Gain / DC 2",
            "Nieprawidłowy format danych filtru :-0.9 — Filtr: Wzm. / DC 2");
    refused("filter threshold", P::Kfiltr(3, 2), "70000",
            "Cannot send text 70000 to address 42 — Filter: Threshold / AC 1",
            "Nie można wysłać tekstu 70000 do adresu 42 — Filtr: Próg / AC 1");
    refused("phase", P::SFaza(2), "300", "Cannot send text 300 to address 55 — Range: Range 2 / Phase",
            "Nie można wysłać tekstu 300 do adresu 55 — Zakres: Zakres 2 / Faza");
    refused("probe threshold, not a number", P::ProgRodzajuSondy, "x",
            "'x' is not a valid integer value — Probe type threshold mV",
            "'x' is not a valid integer value — Próg rodzaju sondy mV");
    refused("probe threshold beyond 1800", P::ProgRodzajuSondy, "2000",
            "Value not allowed in the cell: probe type threshold! — Probe type threshold mV",
            "Niedozwolona wartość komórki: próg rodzaju sondy! — Próg rodzaju sondy mV");
    QTest::newRow("no such file") << "send" << QByteArray() << "%1: no such file" << "%1: nie ma takiego pliku";
    QTest::newRow("a directory") << "send" << QByteArray("/") << "%1: File read error!" << "%1: Błąd odczytu pliku!";
    QTest::newRow("LF line ends")
        << "send" << ReferenceFileBytes().replace("\r\n", "\n")
        << "%1: a calibration file holds 26 lines, this one 1 (its lines end in LF alone; those of a calibration "
           "file end in CR LF or CR); nothing sent"
        << "%1: plik kalibracyjny ma 26 wierszy, ten ma 1 (jego wiersze kończy samo LF, wiersze pliku "
           "kalibracyjnego kończy CR LF albo CR); nic nie wysłano";
    QTest::newRow("binary") << "send" << QByteArray("\x89PNG\r\n\x1A\n\0\0", 10)
                            << "%1: not a text file; a calibration file holds 26 lines of text; nothing sent"
                            << "%1: to nie jest plik tekstowy, a plik kalibracyjny to 26 wierszy tekstu; nic nie "
                               "wysłano";
    QTest::newRow("export, not a number") << "export" << QByteArray("  1.00\r\n  1,5\r\n")
                                          << "%1: Line 2 of the file is not a number: \"  1,5\""
                                          << "%1: Wiersz 2 pliku nie jest liczbą: \"  1,5\"";
  }
  void refusalsInTheLanguage() {
    QFETCH(QString, command);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, english);
    QFETCH(QString, polish);
    const QString file = Path(QTest::currentDataTag() + QStringLiteral(".dat"));
    if (bytes == "/") QVERIFY(QDir().mkpath(file));
    else if (!bytes.isNull()) QVERIFY(WriteFile(file, bytes));
    const QStringList args = command == "send" ? QStringList{"send", file, "--dry-run"} : QStringList{"export", file};
    static const QRegularExpression polishLetter(QStringLiteral("[ąćęłńóśźżĄĆĘŁŃÓŚŹŻ]"));
    static const QRegularExpression polishWord(
        QStringLiteral("\\b(nie|nic|brak|plik\\w*|wiersz\\w*|tekstu|adresu|sondy|wzm|filtr\\w*|zakres|faza|próg|"
                       "składowa|termometru|korekcji|wartość|wysłano|zapisano|dane)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")}) {
      CliRun cli;
      QCOMPARE(cli.run(args + QStringList{"--lang", language}), 3);
      QCOMPARE(cli.out, QByteArray());
      const QString told = QString::fromUtf8(cli.err);
      QCOMPARE(told, "fluxa-cli: " + (language == "en" ? english : polish).arg(file) + "\n");
      if (language == "pl") continue;
      const QString message = QString(told).remove(file);  // the path's words are not the message's
      QVERIFY2(!message.contains(polishLetter), qPrintable(message));
      QVERIFY2(!message.contains(polishWord), qPrintable(message));
    }
  }

  // What --help tells is what the man page and the shell's completion offer: every command, and
  // every option of each command.
  void documented_data() {
    QTest::addColumn<QString>("command");  // "": the program's commands
    QTest::newRow("commands") << "";
    for (const char* command : {"ports", "watch", "record", "download", "send", "export", "history", "certificate", "people", "approve", "verify", "db"})
      QTest::newRow(command) << command;
  }
  void documented() {
    QFETCH(QString, command);
    CliRun help;
    QCOMPARE(help.run(command.isEmpty() ? QStringList{"--help"} : QStringList{command, "--help"}), 0);
    // The commands, or the long options, that the help lists at the start of its lines.
    const QRegularExpression listed(command.isEmpty() ? "(?m)^  ([a-z]+)  " : "(?m)^ +(?:-[a-z], )?(--[a-z-]+)");
    QStringList told;
    for (const QRegularExpressionMatch& m : listed.globalMatch(QString::fromUtf8(help.out))) told << m.captured(1);
    QVERIFY(!told.isEmpty());

    QProcess bash;
    bash.start("bash", {"-c",
                        "source \"$0\"; COMP_WORDS=(fluxa-cli $1 \"$2\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                        "_fluxa_cli; printf '%s\\n' \"${COMPREPLY[@]}\"",
                        FLUXA_MAN_DIR "/fluxa-cli.bash-completion", command, command.isEmpty() ? "" : "--"});
    QVERIFY(bash.waitForFinished(30000));
    QStringList offered = QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    offered.removeAll("--help");
    if (command.isEmpty()) offered.removeAll("--version"), offered.removeAll("--lang");
    QCOMPARE(QSet<QString>(offered.begin(), offered.end()), QSet<QString>(told.begin(), told.end()));

    QFile page(FLUXA_MAN_DIR "/fluxa-cli.1");
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString man = QString::fromUtf8(page.readAll());
    for (const QString& name : told) {
      const QString roff = command.isEmpty() ? "\n.B " + name + "\n" : QString(name).replace("-", "\\-");
      QVERIFY2(man.contains(roff), qPrintable(name));
    }
    if (command.isEmpty()) return;

    // The command's line of the synopsis offers every option of its help but --help and --lang
    // (which every command takes), and no other.
    QHash<QString, QString> longName;  // "-p": "--port"
    const QRegularExpression shortForm("(?m)^ +(-[a-z]), (--[a-z-]+)");
    for (const QRegularExpressionMatch& m : shortForm.globalMatch(QString::fromUtf8(help.out)))
      longName[m.captured(1)] = m.captured(2);
    const QRegularExpression synopsisLine("^\\.B fluxa-cli " + command + "\n(.*?)^\\.br$",
                                          QRegularExpression::MultilineOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch line = synopsisLine.match(man);
    QVERIFY2(line.hasMatch(), qPrintable(command));
    QSet<QString> synopsis;
    for (const QRegularExpressionMatch& m :
         QRegularExpression("(?<![\\w-])(--?[a-z][a-z-]*)").globalMatch(line.captured(1).replace("\\-", "-")))
      synopsis << longName.value(m.captured(1), m.captured(1));
    QSet<QString> expected(told.begin(), told.end());
    expected.remove("--help");
    QCOMPARE(synopsis - QSet<QString>{"--lang"}, expected - QSet<QString>{"--lang"});
    QVERIFY(expected.contains(synopsis));
  }

  // Each program's --help, its man page and, for fluxa-cli, the completion (above) tell the same
  // options and the same environment variables.
  void programDocumented_data() {
    QTest::addColumn<QString>("program");
    for (const QString& program : Programs().keys()) QTest::newRow(qPrintable(program)) << program;
  }
  void programDocumented() {
    QFETCH(QString, program);
    const QString help = HelpOf(program);
    QFile page(QStringLiteral(FLUXA_MAN_DIR "/%1.1").arg(program));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString man = QString::fromUtf8(page.readAll()).replace("\\-", "-");
    const auto section = [&](const QString& name) {
      const QRegularExpression sh("^\\.SH " + name + "\n(.*?)(?=^\\.SH |\\z)",
                                  QRegularExpression::MultilineOption | QRegularExpression::DotMatchesEverythingOption);
      return sh.match(man).captured(1);
    };
    const QSet<QString> helpOptions = All(QRegularExpression("(?m)^ +(?:-[a-z], )?(--[a-z][a-z-]*)"), help);
    QVERIFY(helpOptions.contains("--help") && helpOptions.contains("--version"));
    QCOMPARE(All(QRegularExpression("(?<![\\w-])(--[a-z][a-z-]*)"), section("OPTIONS")), helpOptions);
    QCOMPARE(All(Variable(), section("ENVIRONMENT")), VariablesTold(help));
  }

  // Every variable of the environment the programs' code reads is told by the help of one of them.
  void everyVariableIsTold() {
    QSet<QString> read;
    const QRegularExpression reads(
        "(?:qEnvironmentVariable(?:IsSet|IsEmpty)?|getenv|qgetenv)\\(\\s*\"(FLUXA_[A-Z0-9_]+)\"");
    const QDir source(FLUXA_SOURCE_DIR);
    QDirIterator files(source.path(), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
      const QString path = source.relativeFilePath(files.next());
      const QString top = path.section('/', 0, 0);
      if (top.startsWith("build") || top == "tests" || top == "bench" || top == "fuzz") continue;
      QFile file(source.filePath(path));
      QVERIFY(file.open(QIODevice::ReadOnly));
      read += All(reads, QString::fromUtf8(file.readAll()));
    }
    QVERIFY(read.contains("FLUXA_RECORDS"));
    QSet<QString> told;
    for (const QString& program : Programs().keys()) told += VariablesTold(HelpOf(program));
    QVERIFY2(told.contains(read), qPrintable(QStringList((read - told).values()).join(' ')));
  }

 private:
  // Each program with the arguments of each of its helps.
  static QMap<QString, QList<QStringList>> Programs() {
    QList<QStringList> cli{{"--help"}};
    for (const char* command : {"ports", "watch", "record", "download", "send", "export", "history", "certificate", "people", "approve", "verify", "db"})
      cli << QStringList{command, "--help"};
    return {{"fluxa", {{"--help"}}}, {"fluxa-sim", {{"--help"}}}, {"fluxa-cli", cli}};
  }
  // All a program's helps, one after another; fluxa answers without a display.
  static QString HelpOf(const QString& program) {
    static const QMap<QString, QString> paths = {
        {"fluxa", FLUXA_APP_PATH}, {"fluxa-sim", FLUXA_SIM_PATH}, {"fluxa-cli", FLUXA_CLI_PATH}};
    QString help;
    for (const QStringList& args : Programs().value(program)) {
      QProcess run;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
      run.setProcessEnvironment(env);
      run.start(paths.value(program), args);
      if (!run.waitForFinished(30000) || run.exitCode() != 0) return {};
      help += QString::fromUtf8(run.readAllStandardOutput()) + "\n";
    }
    return help;
  }
  static QSet<QString> All(const QRegularExpression& pattern, const QString& text) {
    QSet<QString> found;
    for (const QRegularExpressionMatch& m : pattern.globalMatch(text)) found << m.captured(1);
    return found;
  }
  static QRegularExpression Variable() {
    return QRegularExpression("\\b(FLUXA_[A-Z0-9_]+|LC_ALL|LC_MESSAGES|LANG)\\b");
  }
  // The variables of a help's "Environment:" part.
  static QSet<QString> VariablesTold(const QString& help) {
    static const QRegularExpression part("(?ms)^Environment:\n(.*?)(?:\n\n|\\z)");
    return All(Variable(), part.match(help).captured(1));
  }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
