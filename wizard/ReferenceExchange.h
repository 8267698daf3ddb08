#pragma once
// The exchanges with the reference meter (see ReferenceProtocol.h) over a line that writes,
// reads what is queued and keeps one pause. A command is written and its reply taken from the
// line's arrivals when it is whole (a measurement: its CR or 20 characters) or when its pause is
// up; nothing waits inside a call.
//
// At most one command's reply is due at any time: a handshake (LO2/LO1, at most kHandshakeTries
// tries) asked for while a measurement runs follows it and the drain of its late reply; a
// measurement asked for meanwhile follows the one under way; Set Slave follows whatever
// exchange is in flight (a handshake's running try, a measurement and its drain) and ends all
// others. Once a release began or Set Slave went out, no measurement is asked for until the
// next Set Master.
#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

// What the exchanges need of the reference meter's port and its pause timer.
class ReferenceLine {
 public:
  virtual ~ReferenceLine() = default;
  virtual bool Connected() const = 0;
  virtual bool Write(const QByteArray& bytes) = 0;  // false: a port error
  // What the port holds now, at most `count` bytes; none on a port error.
  virtual std::optional<QByteArray> ReadQueued(int count) = 0;
  virtual bool ClearBuffers(bool input, bool output) = 0;
  virtual void StartPause(int ms) = 0;  // PauseOver follows, unless stopped or started again
  virtual void StopPause() = 0;
  virtual void Close() = 0;
};

class ReferenceExchange {
 public:
  enum class Handshake { Acknowledged, NoAnswer, PortError, NotConnected, Pending };

  explicit ReferenceExchange(ReferenceLine& line) : line_(line) {}

  // The port opened: Set Master and the pause after it; OnReady follows.
  void Opened();
  // The port closed: whatever waits ends without its outcome.
  void Closed();
  void Arrived(const QByteArray& bytes);
  void PauseOver();

  void SetMaster(std::function<void(Handshake)> done);
  // ESC LO1 CR until "LO1", at most kHandshakeTries times with the shorter pause.
  void StartRelease(std::function<void(Handshake)> done);
  // ESC LO1 CR once, after the exchange in flight; its reply is read after the pause and dropped.
  void SetSlave();
  // One measurement on `channel`; polled: asked for by a frame of the meter under calibration.
  void Measure(const QString& channel, bool polled);
  // Closes the port now, or once Set Slave's pause is over (false; OnClosedAfterSlave follows).
  bool CloseWhenQuiet();

  // No handshake, and no pause after the opening, is running.
  bool Ready() const { return busy_ == Busy::None || busy_ == Busy::Measure || busy_ == Busy::Drain; }
  // A command was written whose reply may still come.
  bool ReplyDue() const { return busy_ != Busy::None && busy_ != Busy::AfterOpenPause; }
  Handshake LastSetMaster() const { return lastSetMaster_; }
  void ForgetSetMaster() { lastSetMaster_ = Handshake::NotConnected; }
  int QueriesSent() const { return queries_; }
  bool Released() const { return released_; }

  // A measurement's reply: its text (at most 20 characters), whether it was asked for by a frame.
  std::function<void(const QString& reply, bool polled)> OnMeasured;
  std::function<void()> OnReady;
  std::function<void()> OnClosedAfterSlave;
  // A port error while writing Set Slave.
  std::function<void()> OnSlaveFailed;

 private:
  // Drain: a measurement's reply did not come whole in time; what still comes of it is dropped
  // until the line has been quiet for a measurement's pause.
  enum class Busy { None, Measure, Handshake, Slave, AfterOpenPause, Drain };

  void StartHandshake(const QByteArray& command, int pauseMs, const QString& answer,
                      std::function<void(Handshake)> done);
  void SendHandshakeTry();
  void FinishHandshake(Handshake result);
  void StartMeasurement(bool polled);
  void FinishMeasurement();
  void WriteSlave();
  // After an exchange ended: Set Slave, a queued handshake or one more measurement.
  void Next();
  bool TakeQueuedReply();  // false on a port error

  ReferenceLine& line_;
  Handshake lastSetMaster_ = Handshake::NotConnected;
  Busy busy_ = Busy::None;
  QByteArray reply_;
  QByteArray command_;
  QString answer_;
  QString channel_ = QStringLiteral("1");
  int pauseMs_ = 0;
  int triesLeft_ = 0;
  std::function<void(Handshake)> handshakeDone_;
  bool polled_ = false;
  bool pollAgain_ = false;
  bool slaveNext_ = false;
  bool released_ = false;
  bool closeAfterSlave_ = false;
  struct QueuedHandshake {
    QByteArray command;
    int pauseMs;
    QString answer;
    std::function<void(Handshake)> done;
  };
  std::optional<QueuedHandshake> queued_;
  int queries_ = 0;
};
