// The command line: what each list of arguments leads to, and the program itself answering
// --help, --version and a mistyped option on its own, with no display to open.
#include <QtTest>

#include "settings/StartOptions.h"

using Outcome = CommandLine::Outcome;
Q_DECLARE_METATYPE(CommandLine::Outcome)

class TestStartOptions : public QObject {
  Q_OBJECT
 private slots:
  void argumentsLeadTo_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("connect");
    QTest::addColumn<QString>("said");  // a part of the printed text
    QTest::newRow("none") << QStringList() << Outcome::Run << "Polski" << false << "";
    QTest::newRow("connect") << QStringList{"--connect"} << Outcome::Run << "Polski" << true << "";
    QTest::newRow("lang=EN, connect") << QStringList{"--lang=EN", "--connect"} << Outcome::Run
                                      << "Angielski" << true << "";
    QTest::newRow("toolkit's style") << QStringList{"-style", "fusion", "--connect"} << Outcome::Run
                                     << "Polski" << true << "";
    QTest::newRow("help") << QStringList{"--help"} << Outcome::Help << "Polski" << false << "--lang <pl|en>";
    QTest::newRow("version") << QStringList{"--version"} << Outcome::Version << "Polski" << false << "Fluxa 3.1";
    QTest::newRow("unknown") << QStringList{"--bogus"} << Outcome::Error << "Polski" << false
                             << "fluxa: Unknown option 'bogus'.";
    QTest::newRow("German") << QStringList{"--lang", "de"} << Outcome::Error << "Polski" << false
                            << "--lang takes pl or en, not 'de'";
    QTest::newRow("stray word") << QStringList{"connect"} << Outcome::Error << "Polski" << false
                                << "Unexpected argument 'connect'";
  }
  void argumentsLeadTo() {
    QFETCH(QStringList, arguments);
    QFETCH(Outcome, outcome);
    QFETCH(QString, language);
    QFETCH(bool, connect);
    QFETCH(QString, said);
    const CommandLine line = ReadCommandLine(QStringList{"/usr/bin/fluxa"} + arguments);
    QCOMPARE(line.outcome, outcome);
    QCOMPARE(line.ExitCode(), outcome == Outcome::Error ? 1 : 0);
    QVERIFY2(line.text.contains(said), qPrintable(line.text));
    if (outcome == Outcome::Error) QVERIFY(!line.text.trimmed().contains('\n'));
    if (outcome != Outcome::Run) return;
    QCOMPARE(line.options.language, language);
    QCOMPARE(line.options.connect, connect);
  }

  // No display: no DISPLAY, no WAYLAND_DISPLAY, no offscreen platform.
  void programAnswersWithoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("version") << QStringList{"--version"} << 0 << "Fluxa 3.1\n" << "";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: fluxa [options]" << "";
    QTest::newRow("unknown") << QStringList{"--bogus"} << 1 << ""
                             << "fluxa: Unknown option 'bogus'. See fluxa --help.\n";
  }
  void programAnswersWithoutADisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    program.setProcessEnvironment(env);
    program.start(FLUXA_APP_PATH, arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString stdOut = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(out), qPrintable(stdOut));
    QCOMPARE(stdErr, err);
  }
};

QTEST_GUILESS_MAIN(TestStartOptions)
#include "test_startoptions.moc"
