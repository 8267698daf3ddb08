#pragma once
// How long a command has gone without a result. Without a timeout, kHintMs of silence bring
// one line on standard error (is the meter on, is this its port?) and the command waits on;
// the next silence after a result brings it again. With a timeout, that much silence is told
// in one line and ends the command through its handler. Arrived() costs a clock read: it runs
// for every result at the line rate.
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>

class Silence {
 public:
  static constexpr int kHintMs = 3000;

  // port: as the messages name it; timeoutSeconds 0: no timeout, only the hint.
  Silence(const QString& port, double timeoutSeconds);
  Silence(const Silence&) = delete;
  Silence& operator=(const Silence&) = delete;
  void Start();    // the silence counts from now
  void Arrived();  // a result: the silence starts again
  void Stop();
  bool AnyArrived() const { return any_; }
  // "no results from PORT": for a command that ends without a single result.
  QString NothingText() const;

  // Called after the timeout's line.
  std::function<void()> OnTimeout;

 private:
  void Check();
  int LimitMs() const;

  QString port_;
  double timeoutSeconds_;
  QElapsedTimer clock_;
  qint64 lastMs_ = 0;
  bool any_ = false;
  QTimer timer_;
};

// Seconds as typed back to the user: "5", "0.5", "1.25".
QString SecondsText(double seconds);
