#pragma once
// The meter's link for a command: the port opened as the main window opens it, every arrival
// through the window's receiver (woken once a frame while results stream, as the window is), a
// device that goes away told once, Ctrl+C as an event.
#include <QString>
#include <functional>

#include "link/ComPort.h"
#include "link/MeterProtocol.h"

class MeterSession {
 public:
  // A port name (COM1) maps to its device as in the window; a path (one with a "/" or "\\")
  // is the device itself.
  explicit MeterSession(const QString& portOrPath);

  // Opens the port; a failure is told ("cannot open ...", a busy port and missing rights as
  // such) and gives false.
  bool Open();
  // "COM1 (/dev/ttyUSB0)", or the path alone when the port was given as one.
  QString Describe() const;

  TComPort& Port() { return port_; }
  MeterReceiver& Receiver() { return receiver_; }

  // Each result frame the receiver completes.
  std::function<void(const ResultFrame&)> OnFrame;
  // The device went away under the open port; it is closed afterwards.
  std::function<void(const QString& reason)> OnLost;

 private:
  QString path_;  // the device given as a path, else ""
  TComPort port_;
  MeterReceiver receiver_;
};

// "Connection to the port was lost: COM1 (/dev/ttyUSB0): reason", in the window's words
QString LostDeviceText(const MeterSession& session, const QString& reason);
