#pragma once
// The wizard's two links: the meter under calibration on kComKalib (8N1, result frames; the port
// wakes the handler once a frame is whole, as the main window's does, see TComPort::AwaitFrame)
// and the reference meter on kComWzor (7N1, ASCII; see ReferenceProtocol.h). Every whole frame
// from the meter under calibration asks the reference meter for one measurement, so the two
// readings belong to the same moment.
//
// The reference meter's exchanges are ReferenceExchange's, over kComWzor and a timer for their
// pauses; nothing here holds the GUI thread. Port failures are caught here: a failed exchange
// keeps the readings as they were. Messages go to OnTell (the wizard's steps show them once the
// step that caused them is over).
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "link/ComPort.h"
#include "wizard/CalibratedFrames.h"
#include "wizard/ReferenceExchange.h"

class TwoMeterLink {
 public:
  using Handshake = ReferenceExchange::Handshake;

  TwoMeterLink();
  ~TwoMeterLink();

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
  // Local control: ESC LO1 CR once, after the exchange in flight; the reply is read after the
  // pause and dropped. A port error tells "Niepowodzenie".
  void kComWzorSetSlave();
  // Local control before the wizard closes: ESC LO1 CR until "LO1", at most kHandshakeTries
  // times with the shorter pause; `done` gets the outcome. Never runs longer than the tries.
  void StartRelease(std::function<void(Handshake)> done);
  // Asks for one measurement of the reference meter; a valid reply replaces the reference
  // reading. Returns at once.
  void kComWzorPomiar();
  // No handshake, and no pause after the opening, is running on kComWzor.
  bool ReferenceReady() const { return exchange_.Ready(); }
  const ReferenceExchange& Exchange() const { return exchange_; }
  // Receive handler of kComKalib.
  void kComKalibRxChar(int count);
  // Writes a gain word (0..32767) to the meter under calibration at the address of the range
  // (4 x range index); the caller keeps the pause after it and tells of a failure. Returns
  // whether the frame went out.
  bool SendGainFrame(int rangeIndex, int gain);

  // The result of the Set Master run by the last opening of kComWzor.
  Handshake LastSetMaster() const { return exchange_.LastSetMaster(); }

  int rangeIndex = 0;            // 0 DC1, 1 DC2, 2 AC1, 3 AC2
  QString channel = QStringLiteral("1");  // the reference meter's measuring channel
  bool invertSign = false;       // "Zmien znak"
  double ReferenceReading() const { return referenceReading_; }
  double CalibratedReading() const { return receiver_.Reading(); }
  int WrongRange() const { return receiver_.WrongRange(); }
  CalibratedReceiver& Receiver() { return receiver_; }
  const CalibratedReceiver& Receiver() const { return receiver_; }
  // Measurement queries written so far; a reply always answers the last one (one that comes too
  // late for its query is dropped). Whether the last reply was a valid measurement.
  int QueriesSent() const { return exchange_.QueriesSent(); }
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
  // A message for the user; without one, ShowMessage.
  std::function<void(const QString&)> OnTell;

 private:
  class WzorLine;

  bool OpenChecked(TComPort& port, const TComPort& other);
  void kComKalibAfterOpen();
  void kComKalibAfterClose();
  void kComWzorRxChar(int count);
  void Measured(const QString& reply, bool polled);
  void PortsChanged();
  void Tell(const QString& message);

  CalibratedReceiver receiver_;
  double referenceReading_ = 0;
  bool classifierWarned_ = false;
  bool lastReplyValid_ = false;
  QTimer pause_;
  std::unique_ptr<WzorLine> line_;
  ReferenceExchange exchange_;
};

// The main window's port while the wizard runs. Release closes it (twice if need be) and tells
// whether it had been open; Reopen opens it again and, when that fails, shows
// "Nie można podłączyć się do ..." (unless told not to) and returns false.
struct MainPortHandOver {
  bool wasOpen = false;
  bool Release(TComPort& mainPort);  // false: the port would not close
  bool Reopen(TComPort& mainPort, bool tell = true);  // true also when it had not been open
};
