#pragma once
// The wizard's two links: the meter under calibration on kComKalib (8N1, result frames read as
// they arrive) and the reference meter on kComWzor (7N1, ASCII, read only after a command and
// its pause; see ReferenceProtocol.h). Every arrival from the meter under calibration is followed
// by one measurement of the reference meter, so the two readings belong to the same moment.
//
// Everything runs on the GUI thread; the pauses block it, as the reference meter needs them.
// Port failures are caught here: a failed exchange keeps the readings as they were.
#include <QString>
#include <functional>

#include "link/ComPort.h"
#include "wizard/CalibratedFrames.h"

class TwoMeterLink {
 public:
  enum class Handshake { Acknowledged, NoAnswer, PortError, NotConnected };

  TwoMeterLink();

  TComPort kComKalib;
  TComPort kComWzor;

  // Opens one port unless the other one is open on the same name ("Uwaga! Na porcie ...").
  // An open failure shows "Nie można podłączyć się do ...". Returns whether the port is open.
  bool kComWzorOpen();
  bool kComKalibOpen();
  void kComWzorClose() { kComWzor.Close(); }
  void kComKalibClose() { kComKalib.Close(); }

  // Remote control: ESC LO2 CR until "LO2" comes back, at most kHandshakeTries times.
  Handshake kComWzorSetMaster();
  // Local control: ESC LO1 CR once, the reply read and dropped; a port error shows "Niepowodzenie".
  void kComWzorSetSlave();
  // Local control before the wizard closes: ESC LO1 CR until "LO1", at most kHandshakeTries
  // times with the shorter pause. Never throws and never runs longer than the tries.
  Handshake ReleaseReference();
  // One measurement of the reference meter; a valid reply replaces the reference reading.
  void kComWzorPomiar();
  // Receive handler of kComKalib.
  void kComKalibRxChar(int count);
  // Sends a gain word (decimal text) to the meter under calibration at the address of the range
  // (4 x range index), then pauses 300 ms. An empty text sends nothing; a text that is no integer
  // or a failed write shows "Nie można wysłać tekstu ...". Returns whether the frame went out.
  bool wyslij_wzmocnienie(int rangeIndex, const QString& gainText);

  // The result of the Set Master run by the last opening of kComWzor.
  Handshake LastSetMaster() const { return lastSetMaster_; }

  int rangeIndex = 0;            // 0 DC1, 1 DC2, 2 AC1, 3 AC2
  QString channel = QStringLiteral("1");  // the reference meter's measuring channel
  bool invertSign = false;       // "Zmien znak"
  // Whether an arrival from the meter under calibration polls the reference meter. The gain
  // search reads only the meter under calibration, and a poll holds the GUI thread for 100 ms,
  // which would stretch the search's timed waits.
  bool pollReference = true;
  double ReferenceReading() const { return referenceReading_; }
  double CalibratedReading() const { return receiver_.Reading(); }
  int WrongRange() const { return receiver_.WrongRange(); }
  CalibratedReceiver& Receiver() { return receiver_; }

  // For the window: either port opened or closed (status texts, pickers).
  std::function<void()> OnPortsChanged;
  // After each measurement of the reference meter.
  std::function<void()> OnReferenceMeasured;
  // After each arrival from the meter under calibration and its reference measurement.
  std::function<void(bool frameDecoded)> OnArrival;

 private:
  bool OpenChecked(TComPort& port, const TComPort& other);
  Handshake Exchange(const QByteArray& command, int pauseMs, const QString& answer);
  void kComWzorAfterOpen();
  void kComKalibAfterClose();
  void PortsChanged();

  CalibratedReceiver receiver_;
  double referenceReading_ = 0;
  Handshake lastSetMaster_ = Handshake::NotConnected;
  bool classifierWarned_ = false;
};

// The main window's port while the wizard runs. Release closes it (twice if need be) and tells
// whether it had been open; Reopen opens it again and, when that fails, shows
// "Nie można podłączyć się do ..." and returns false.
struct MainPortHandOver {
  bool wasOpen = false;
  bool Release(TComPort& mainPort);  // false: the port would not close
  bool Reopen(TComPort& mainPort);   // true also when it had not been open
};
