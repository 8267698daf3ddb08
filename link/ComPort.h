#pragma once
// TComPort: one serial link (the meter, the meter under calibration or the reference meter),
// over QSerialPort. Arrivals are dispatched on the GUI thread to the receive handler with the
// number of bytes queued at that moment, never with 0. Reads return at once with what is queued.
//
// Frames streamed back to back (the meter's results, a byte every 1.04 ms) would wake the GUI
// thread at every byte. A receiver that knows how many bytes its next frame still needs says so
// after each arrival (AwaitFrame), and on Linux the port then reads once a frame: the toolkit's
// notifier is set aside and a timer reads when those bytes are due. A frame that is not there
// by then is left to the terminal, which reports the port readable only once the missing bytes
// are all queued (VMIN with VTIME 0), so a late or isolated frame is still handed on at its last
// byte. An arrival after which the receiver does not ask again, a write (a reply has its own
// length), a pull or a flush go back to waking at every byte. Elsewhere AwaitFrame does nothing.
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <functional>
#include <stdexcept>

class EComPort : public std::runtime_error {
 public:
  enum Code {
    OpenFailed = 1,
    WriteFailed,
    ReadFailed,
    SetCommStateFailed,
    SetCommTimeoutsFailed,
    SetupCommFailed,
    ClearCommErrorFailed,
  };
  EComPort(Code code, int systemError, const QString& detail = {});
  Code code() const { return code_; }
  int systemError() const { return systemError_; }
  QString message() const;  // the fixed text of the code
  QString detail() const { return detail_; }
  static QString MessageFor(Code code);

 private:
  Code code_;
  int systemError_;
  QString detail_;
};

struct ComPortSettings {
  QString portName = QStringLiteral("COM1");
  qint32 baudRate = 9600;
  QSerialPort::DataBits dataBits = QSerialPort::Data8;
  QSerialPort::Parity parity = QSerialPort::NoParity;
  QSerialPort::StopBits stopBits = QSerialPort::OneStop;
  bool dtrOn = false;  // DTR held on while open

  static ComPortSettings ComPort1();   // the main window's meter link
  static ComPortSettings KComKalib();  // the meter under calibration
  static ComPortSettings KComWzor();   // the reference meter, 7 data bits
};

class TComPort : public QObject {
  Q_OBJECT
 public:
  static constexpr qint64 kReadBufferSize = 1024;

  explicit TComPort(const ComPortSettings& settings = {}, QObject* parent = nullptr);
  ~TComPort() override;

  // Handlers, all called on the GUI thread.
  std::function<void(int count)> OnRxChar;
  std::function<void()> OnAfterOpen;
  std::function<void()> OnAfterClose;
  // Called when the device fails under an open port (unplugged, hung up), just before the port
  // closes itself; the after-close handler follows.
  std::function<void(const QString& reason)> OnDeviceLost;

  void Open();   // throws EComPort; no after-open handler on failure
  void Close();  // nothing at all when closed

  int Write(const char* data, int length);  // waits until written; throws EComPort
  int Write(const QByteArray& bytes) { return Write(bytes.constData(), int(bytes.size())); }
  int Read(char* buffer, int count);  // up to count queued bytes; throws EComPort
  QByteArray Read(int count);
  int WriteString(const QString& text);  // Latin-1 bytes of the text
  QString ReadString(int count);
  void ClearBuffers(bool input, bool output);  // throws EComPort
  // From the receive handler: the next frame needs this many more bytes (0: no frame is awaited).
  void AwaitFrame(int missing);

  bool Connected() const { return connected_; }
  QString PortName() const { return settings_.portName; }
  void SetPortName(const QString& name);  // ignored while open
  const ComPortSettings& Settings() const { return settings_; }
  void SetSettings(const ComPortSettings& settings);  // ignored while open
  QString DeviceName() const;  // what the port name maps to on this machine

 private:
  void Dispatch();
  void ScheduleDispatch();
  void OnError(QSerialPort::SerialPortError error);
  void DropLostDevice(const QString& reason, bool readOnly);
  bool DeviceGone(bool readOnly);  // the device behind the open port has hung up or gone away
  qint64 PullQueued();  // bytes the OS holds but the port object has not read yet
  qint64 Queued() const;  // what a read can take now
  bool IsPseudoTerminal() const;
  void WakeAtEveryByte();
  void FrameDue();
  void SetReadNotifier(bool enabled);
  void SetWakeCount(int bytes);
  int ByteTimeUs() const;  // one character on the line, start and stop bits included

  ComPortSettings settings_;
  QSerialPort* port_;
  bool connected_ = false;
  bool dispatching_ = false;
  int quietDepth_ = 0;  // inside a write or a read of our own: arrivals wait for the event loop
  bool dispatchPending_ = false;
  bool lossPending_ = false;
  int readErrors_ = 0;  // counted so that a check can tell one stray read error from many
  // Reading once a frame (see the top of this file).
  QPointer<QObject> readNotifier_;  // the toolkit's notifier on the handle, when it can be found
  QTimer frameClock_;
  QByteArray clocked_;  // read off the handle by the frame clock, not yet taken
  int awaitedBytes_ = 0;
  bool frameAwaited_ = false;  // asked for during the handler now running
  int wakeCount_ = 1;          // the terminal's VMIN as last set
};
