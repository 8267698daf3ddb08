#pragma once
// TComPort: one serial link (the meter, the meter under calibration or the reference meter),
// over QSerialPort. Arrivals are dispatched on the GUI thread to the receive handler with the
// number of bytes queued at that moment, never with 0. Reads return at once with what is queued.
#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
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
  qint64 PullQueued();
  bool IsPseudoTerminal() const;  // bytes the OS holds but the port object has not read yet

  ComPortSettings settings_;
  QSerialPort* port_;
  bool connected_ = false;
  bool dispatching_ = false;
  int quietDepth_ = 0;  // inside a write or a read of our own: arrivals wait for the event loop
  bool dispatchPending_ = false;
  bool lossPending_ = false;
  int readErrors_ = 0;  // counted so that a check can tell one stray read error from many
};
