#pragma once
// The wizard's two links: the meter under calibration on kComKalib (8N1, result frames; the port
// wakes the handler once a frame is whole, as the main window's does, see TComPort::AwaitFrame)
// and the reference meter on kComWzor (7N1, ASCII; see ReferenceProtocol.h). Every whole frame
// from the meter under calibration asks the reference meter for one measurement, so the two
// readings belong to the same moment.
//
// Nothing here holds the GUI thread for the reference meter's pauses: a command is written, and
// its reply is taken from the port's own arrivals when it is whole (a measurement: its CR or 20
// characters) or when its pause is up (a timer). One exchange runs at a time; a handshake
// (LO2/LO1, its pause and at most kHandshakeTries tries) follows a measurement under way (and
// the drain of its late reply), and a measurement asked for while another one runs follows it. Port failures are caught here: a
// failed exchange keeps the readings as they were.
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

#include "link/ComPort.h"
#include "wizard/CalibratedFrames.h"

class TwoMeterLink {
 public:
  enum class Handshake { Acknowledged, NoAnswer, PortError, NotConnected, Pending };

  TwoMeterLink();

  TComPort kComKalib;
  TComPort kComWzor;

  // Opens one port unless the other one is open on the same name ("Uwaga! Na porcie ...").
  // An open failure shows "Nie można podłączyć się do ...". Returns whether the port is open.
  // Opening kComWzor starts the remote-control handshake and the pause after it;
  // OnReferenceReady tells when both are over.
  bool kComWzorOpen();
  bool kComKalibOpen();
  // Closing kComWzor lets a local-control command finish its pause first: closing empties the
  // port's queues, and the command would not reach the meter. True when the port is closed on
  // return; otherwise it closes when the pause is over and OnClosedAfterSlave follows.
  bool kComWzorClose();
  void kComKalibClose() { kComKalib.Close(); }

  // Remote control: ESC LO2 CR until "LO2" comes back, at most kHandshakeTries times; `done`
  // gets the outcome.
  void kComWzorSetMaster(std::function<void(Handshake)> done = {});
  // Local control: ESC LO1 CR once; the reply is read after the pause and dropped. A port error
  // shows "Niepowodzenie".
  void kComWzorSetSlave();
  // Local control before the wizard closes: ESC LO1 CR until "LO1", at most kHandshakeTries
  // times with the shorter pause; `done` gets the outcome. Never runs longer than the tries.
  void StartRelease(std::function<void(Handshake)> done);
  // Asks for one measurement of the reference meter; a valid reply replaces the reference
  // reading. Returns at once.
  void kComWzorPomiar();
  // No handshake, and no pause after the opening, is running on kComWzor.
  bool ReferenceReady() const { return busy_ == Busy::None || busy_ == Busy::Measure || busy_ == Busy::Drain; }
  // Receive handler of kComKalib.
  void kComKalibRxChar(int count);
  // Writes a gain word (decimal text) to the meter under calibration at the address of the
  // range (4 x range index); the caller keeps the pause after it. An empty text sends nothing;
  // a text that is no integer or a failed write shows "Nie można wysłać tekstu ...". Returns
  // whether the frame went out.
  bool SendGainFrame(int rangeIndex, const QString& gainText);

  // The result of the Set Master run by the last opening of kComWzor.
  Handshake LastSetMaster() const { return lastSetMaster_; }

  int rangeIndex = 0;            // 0 DC1, 1 DC2, 2 AC1, 3 AC2
  QString channel = QStringLiteral("1");  // the reference meter's measuring channel
  bool invertSign = false;       // "Zmien znak"
  double ReferenceReading() const { return referenceReading_; }
  double CalibratedReading() const { return receiver_.Reading(); }
  int WrongRange() const { return receiver_.WrongRange(); }
  CalibratedReceiver& Receiver() { return receiver_; }
  // Measurement queries written so far; a reply always answers the last one (one that comes too
  // late for its query is dropped). Whether the last reply was a valid measurement.
  int QueriesSent() const { return queries_; }
  bool LastReplyValid() const { return lastReplyValid_; }

  // For the window: either port opened or closed (status texts, pickers).
  std::function<void()> OnPortsChanged;
  // After each measurement of the reference meter; polled: it was asked for by a frame.
  std::function<void(bool polled)> OnReferenceMeasured;
  // After each arrival from the meter under calibration (a frame's reference measurement follows).
  std::function<void(bool frameDecoded)> OnArrival;
  // A port whose device went away (unplugged, hung up), just before it closes itself.
  std::function<void(bool meterUnderCalibration)> OnDeviceLost;
  // The handshake of an opening and the pause after it are over (or the port closed meanwhile).
  std::function<void()> OnReferenceReady;
  // kComWzor closed once Set Slave's pause was over, as kComWzorClose asked.
  std::function<void()> OnClosedAfterSlave;

 private:
  // Drain: a measurement's reply did not come whole in time; what still comes of it is
  // dropped until the line has been quiet for a measurement's pause, so that it is never
  // taken for the next query's reply.
  enum class Busy { None, Measure, Handshake, Slave, AfterOpenPause, Drain };

  bool OpenChecked(TComPort& port, const TComPort& other);
  void kComWzorAfterOpen();
  void kComKalibAfterOpen();
  void kComKalibAfterClose();
  void kComWzorRxChar(int count);
  void PortsChanged();
  // The exchange engine: one command and its reply at a time.
  void StartHandshake(const QByteArray& command, int pauseMs, const QString& answer,
                      std::function<void(Handshake)> done);
  void SendHandshakeTry();
  void FinishHandshake(Handshake result);
  void StartMeasurement(bool polled);
  void FinishMeasurement();
  void PauseOver();
  void CancelExchange();  // a handshake that waits ends without its outcome
  bool StartQueuedHandshake();
  bool TakeQueuedReply();  // false on a port error

  CalibratedReceiver receiver_;
  double referenceReading_ = 0;
  Handshake lastSetMaster_ = Handshake::NotConnected;
  bool classifierWarned_ = false;

  Busy busy_ = Busy::None;
  QTimer pause_;
  QByteArray reply_;
  QByteArray command_;
  QString answer_;
  int pauseMs_ = 0;
  int triesLeft_ = 0;
  std::function<void(Handshake)> handshakeDone_;
  bool polled_ = false;      // the running measurement was asked for by an arrival
  bool pollAgain_ = false;   // an arrival came while a measurement ran
  bool closeAfterSlave_ = false;
  struct QueuedHandshake {
    QByteArray command;
    int pauseMs;
    QString answer;
    std::function<void(Handshake)> done;
  };
  std::optional<QueuedHandshake> queued_;  // waits for the measurement under way
  int queries_ = 0;
  bool lastReplyValid_ = false;
};

// The main window's port while the wizard runs. Release closes it (twice if need be) and tells
// whether it had been open; Reopen opens it again and, when that fails, shows
// "Nie można podłączyć się do ..." (unless told not to) and returns false.
struct MainPortHandOver {
  bool wasOpen = false;
  bool Release(TComPort& mainPort);  // false: the port would not close
  bool Reopen(TComPort& mainPort, bool tell = true);  // true also when it had not been open
};
