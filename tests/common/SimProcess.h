#pragma once
// SimProcess: fluxa-sim as a child process of a test.
//
// The simulator's pseudo-terminals are linked in a private temporary directory as <dir>/COM1
// (meter) and <dir>/COM2 (reference meter). Its stdout is parsed as it arrives: "rx meter ..."
// lines become meterFrames(), "rx reference ..." lines referenceCommands(), and the "ok"/"error"
// answers complete command(). Every wait here runs the Qt event loop, so serial ports and
// windows on the test's thread keep working while the test waits for the simulator.
// Stdin is the simulator's lifeline: if the test dies, the simulator sees end of input and quits.
#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

class SimProcess {
 public:
  // extraArgs go before the --meter/--reference paths, e.g. {"--unit", "Gs", "--rate", "20"}.
  explicit SimProcess(QStringList extraArgs = {});
  ~SimProcess();  // "quit", then kill if it does not go
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts the simulator and waits for "ready" and both links.
  bool start(int timeoutMs = 10000);
  // Asks the simulator to quit and waits for it (the links are gone afterwards).
  bool stop(int timeoutMs = 5000);
  bool isRunning() const;
  // The child itself, for tests of how it ends (terminate(), closeWriteChannel()).
  QProcess& process() { return process_; }

  QString meterPath() const;
  QString referencePath() const;
  // The private temporary directory, for files a test hands to the simulator (--state).
  QString dirPath() const;

  // Sends one stdin command and waits for its "ok". False on "error ..." (see lastError()),
  // on a timeout or when the simulator is not running.
  bool command(const QString& line, int timeoutMs = 5000);
  QString lastError() const { return lastError_; }

  struct Rx {
    QByteArray bytes;  // the frame, or the reference command up to and including CR
    double ms;         // simulator time of its arrival
  };
  QList<Rx> meterFrames();                                  // every "rx meter" frame so far, in order
  QList<Rx> referenceCommands();                            // every "rx reference" command so far
  bool waitForMeterFrames(int count, int timeoutMs);        // until at least count frames in all
  bool waitForReferenceCommands(int count, int timeoutMs);  // until at least count commands in all

  // Waits for a stdout line starting with prefix that no earlier waitForLine returned, so
  // waiting twice for "burst done" waits for two bursts.
  bool waitForLine(const QString& prefix, int timeoutMs, QString* line = nullptr);
  QStringList lines();  // every stdout line so far

  // Now, on the simulator's clock (the t= of its lines); -1 before it started.
  double elapsedMs();

  // Runs the event loop until done() holds or timeoutMs passes (also after the simulator
  // exited, so it serves as a plain event-processing wait). The waits above give up as soon
  // as the simulator is gone.
  bool pumpUntil(const std::function<bool()>& done, int timeoutMs);

 private:
  bool pump(const std::function<bool()>& done, int timeoutMs, bool stopWhenExited);
  void pullOutput();
  void parseOutput();
  void parseLine(const QString& line);

  QTemporaryDir dir_;
  QStringList args_;
  QProcess process_;
  QByteArray partial_;
  QStringList lines_;
  QList<bool> consumed_;
  QList<Rx> meterFrames_;
  QList<Rx> referenceCommands_;
  bool ready_ = false;
  qint64 clockNs_ = -1;
  QString lastError_;
};
