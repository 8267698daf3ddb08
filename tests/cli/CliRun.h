#pragma once
// fluxa-cli as a process of a test: a settings store of its own, no port mapping and no service
// password from the test's environment, its two streams collected while the event loop runs.
#include <QProcess>
#include <QtTest>

class CliRun {
 public:
  explicit CliRun(const QString& settingsFile) {
    env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FLUXA_SETTINGS"), settingsFile);
    for (const char* name : {"FLUXA_COM1", "FLUXA_COM2", "FLUXA_SERVICE_PASSWORD"}) env.remove(QLatin1String(name));
  }
  void start(const QStringList& args) {
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(FLUXA_CLI_PATH), args);
  }
  // Waits for stderr to hold text, or stdout to have lines lines.
  bool waitForErr(const QString& text, int ms = 10000) {
    return QTest::qWaitFor([&] { return collect(), err.contains(text.toUtf8()) || ended(); }, ms) &&
           err.contains(text.toUtf8());
  }
  bool waitForLines(int lines, int ms = 10000) {
    return QTest::qWaitFor([&] { return collect(), out.count('\n') >= lines || ended(); }, ms) &&
           out.count('\n') >= lines;
  }
  // The exit code once it ended; -1 for a crash or no end in time.
  int finish(int ms = 30000) {
    [[maybe_unused]] const bool inTime = QTest::qWaitFor([&] { return ended(); }, ms);
    collect();
    if (!ended()) process.kill();
    return ended() && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  int run(const QStringList& args) {
    start(args);
    return finish();
  }
  bool ended() const { return process.state() == QProcess::NotRunning; }
  void collect() {
    out += process.readAllStandardOutput();
    err += process.readAllStandardError();
  }

  QProcessEnvironment env;
  QProcess process;
  QByteArray out;
  QByteArray err;
};
