#pragma once
// fluxa-cli as a process of a test: a settings store of its own (a new one unless given), no
// port mapping, no service password and no language from the test's environment (its messages
// are English unless a test sets a locale), its two streams collected while the event loop runs.
#include <QProcess>
#include <QtTest>

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

class CliRun {
 public:
  explicit CliRun(const QString& settingsFile = {}) {
    env = QProcessEnvironment::systemEnvironment();
    env.insert("FLUXA_SETTINGS", settingsFile.isEmpty() ? own_.filePath("settings.ini") : settingsFile);
    for (const char* name : {"FLUXA_COM1", "FLUXA_COM2", "FLUXA_SERVICE_PASSWORD", "LC_ALL", "LC_MESSAGES"})
      env.remove(name);
    env.insert("LANG", "C.UTF-8");
  }
  void start(const QStringList& args) {
    process.setProcessEnvironment(env);
    process.start(FLUXA_CLI_PATH, args);
  }
  // Until stderr holds text or stdout has lines lines; false when the program ended first.
  bool waitForErr(const QByteArray& text) { return waitFor([&] { return err.contains(text); }); }
  bool waitForLines(int lines) { return waitFor([&] { return out.count('\n') >= lines; }); }
  // The exit code once it ended; -1 for a crash or no end in time.
  int finish() {
    waitFor([] { return false; });
    if (!ended()) process.kill();
    return ended() && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  int run(const QStringList& args) {
    start(args);
    return finish();
  }

  QProcessEnvironment env;
  QProcess process;
  QByteArray out;
  QByteArray err;

 private:
  bool ended() const { return process.state() == QProcess::NotRunning; }
  template <typename Done>
  bool waitFor(Done done) {
    const auto check = [&] {
      out += process.readAllStandardOutput();
      err += process.readAllStandardError();
      return done() || ended();
    };
    [[maybe_unused]] const bool inTime = QTest::qWaitFor(check, 30000);
    check();
    return done();
  }
  QTemporaryDir own_;
};
