#include "link/ComPort.h"

#include <QDebug>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

#include "link/PortNames.h"

EComPort::EComPort(Code code, int systemError, const QString& detail)
    : std::runtime_error(MessageFor(code).toStdString()),
      code_(code),
      systemError_(systemError),
      detail_(detail) {}

QString EComPort::message() const { return MessageFor(code_); }

QString EComPort::MessageFor(Code code) {
  switch (code) {
    case OpenFailed: return QStringLiteral("Unable to open com port");
    case WriteFailed: return QStringLiteral("WriteFile function failed");
    case ReadFailed: return QStringLiteral("ReadFile function failed");
    case SetCommStateFailed: return QStringLiteral("SetCommState function failed");
    case SetCommTimeoutsFailed: return QStringLiteral("SetCommTimeouts failed");
    case SetupCommFailed: return QStringLiteral("SetupComm function failed");
    case ClearCommErrorFailed: return QStringLiteral("ClearCommError function failed");
  }
  return {};
}

ComPortSettings ComPortSettings::ComPort1() {
  ComPortSettings s;
  s.portName = QStringLiteral("COM1");
  s.dtrOn = true;
  return s;
}

ComPortSettings ComPortSettings::KComKalib() {
  ComPortSettings s;
  s.portName = QStringLiteral("COM1");
  return s;
}

ComPortSettings ComPortSettings::KComWzor() {
  ComPortSettings s;
  s.portName = QStringLiteral("COM2");
  s.dataBits = QSerialPort::Data7;
  return s;
}

TComPort::TComPort(const ComPortSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), port_(new QSerialPort(this)) {
  // The driver's receive queue of the port settings; the receivers read on every arrival.
  port_->setReadBufferSize(kReadBufferSize);
  connect(port_, &QSerialPort::readyRead, this, [this] {
    if (dispatching_ || quietDepth_ > 0) {
      dispatchPending_ = true;  // seen again once the running handler or read is over
      return;
    }
    Dispatch();
  });
  connect(port_, &QSerialPort::errorOccurred, this, &TComPort::OnError);
  frameClock_.setSingleShot(true);
  frameClock_.setTimerType(Qt::PreciseTimer);
  connect(&frameClock_, &QTimer::timeout, this, &TComPort::FrameDue);
}

TComPort::~TComPort() {
  // The owner closes its port in its own close handler; here only the device is released.
  if (port_->isOpen()) port_->close();
}

QString TComPort::DeviceName() const { return DeviceForPort(settings_.portName); }

bool TComPort::IsPseudoTerminal() const {
  return QFileInfo(DeviceName()).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
}

void TComPort::SetPortName(const QString& name) {
  if (!connected_) settings_.portName = name;
}

void TComPort::SetSettings(const ComPortSettings& settings) {
  if (!connected_) settings_ = settings;
}

void TComPort::Open() {
  if (connected_) return;
  port_->setPortName(DeviceName());
  if (!port_->open(QIODevice::ReadWrite)) {
    const int err = errno;
    const QString detail = port_->errorString();
    port_->clearError();
    throw EComPort(EComPort::OpenFailed, err, detail);
  }
  // A Linux pseudo-terminal forces 8 data bits; the simulated reference meter speaks 7-bit
  // ASCII over it, so a refusal there is not a failure of the link.
  const bool configured = port_->setBaudRate(settings_.baudRate) &&
                          (port_->setDataBits(settings_.dataBits) || IsPseudoTerminal()) &&
                          port_->setParity(settings_.parity) &&
                          port_->setStopBits(settings_.stopBits) &&
                          port_->setFlowControl(QSerialPort::NoFlowControl);
  if (!configured) {
    const int err = errno;
    const QString detail = port_->errorString();
    port_->close();
    port_->clearError();
    throw EComPort(EComPort::SetCommStateFailed, err, detail);
  }
  // A pseudo-terminal or a USB adapter without modem lines refuses DTR/RTS; that is not a
  // failure of the link.
  port_->setDataTerminalReady(settings_.dtrOn);
  port_->setRequestToSend(false);
  port_->clearError();
  // A real port holds nothing from before it was opened.
  port_->clear(QSerialPort::AllDirections);
  port_->clearError();
  connected_ = true;
  lossPending_ = false;
#ifdef Q_OS_LINUX
  // The toolkit watches the handle with a read notifier of its own, a child of the port object.
  readNotifier_.clear();
  for (QSocketNotifier* n : port_->findChildren<QSocketNotifier*>())
    if (n->type() == QSocketNotifier::Read && n->socket() == port_->handle()) readNotifier_ = n;
  termios now{};
  wakeCount_ = ::tcgetattr(int(port_->handle()), &now) == 0 ? std::max<int>(now.c_cc[VMIN], 1) : 1;
  if (wakeCount_ != 1 || now.c_cc[VTIME] != 0) {
    wakeCount_ = 0;  // unknown: set on the next change
    SetWakeCount(1);
  }
#endif
  awaitedBytes_ = 0;
  if (OnAfterOpen) OnAfterOpen();
}

void TComPort::Close() {
  if (!connected_) return;
  frameClock_.stop();
  clocked_.clear();
  port_->clear(QSerialPort::AllDirections);
  port_->close();
  port_->clearError();
  connected_ = false;
  dispatchPending_ = false;
  if (OnAfterClose) OnAfterClose();
}

int TComPort::Write(const char* data, int length) {
  if (!connected_) throw EComPort(EComPort::WriteFailed, 0, QStringLiteral("port not open"));
  if (length <= 0) return 0;
  WakeAtEveryByte();  // the reply has a length of its own
  const qint64 written = port_->write(data, length);
  if (written != length) throw EComPort(EComPort::WriteFailed, errno, port_->errorString());
  // The write is complete when the bytes have left for the device, not when they were queued.
  // Waiting also reads what arrives meanwhile; its receive event waits for the event loop, as
  // it would behind any other handler that holds the GUI thread.
  const int timeoutMs = 100 * length + 1000;
  quietDepth_++;
  bool ok = true;
  while (ok && port_->bytesToWrite() > 0) ok = port_->waitForBytesWritten(timeoutMs);
  quietDepth_--;
  if (dispatchPending_ && !dispatching_ && quietDepth_ == 0) ScheduleDispatch();
  if (!ok) throw EComPort(EComPort::WriteFailed, errno, port_->errorString());
  return length;
}

qint64 TComPort::PullQueued() {
  // Without the event loop (inside a handler) the port object does not
  // learn of new bytes by itself; a zero wait reads what the device holds.
  WakeAtEveryByte();  // a part of a frame counts too
  quietDepth_++;
  port_->waitForReadyRead(0);
  quietDepth_--;
  if (dispatchPending_ && !dispatching_ && quietDepth_ == 0) ScheduleDispatch();
  return Queued();
}

qint64 TComPort::Queued() const { return clocked_.size() + port_->bytesAvailable(); }

int TComPort::Read(char* buffer, int count) {
  if (!connected_) throw EComPort(EComPort::ReadFailed, 0, QStringLiteral("port not open"));
  if (count <= 0) return 0;
  if (Queued() < count) PullQueued();
  // What the frame clock read came off the handle before anything the port object holds.
  const int early = int(std::min<qint64>(clocked_.size(), count));
  if (early > 0) {
    std::memcpy(buffer, clocked_.constData(), size_t(early));
    clocked_.remove(0, early);
    if (early == count) return early;
  }
  const qint64 got = port_->read(buffer + early, count - early);
  if (got < 0) throw EComPort(EComPort::ReadFailed, errno, port_->errorString());
  return early + int(got);
}

QByteArray TComPort::Read(int count) {
  QByteArray bytes(qMax(count, 0), Qt::Uninitialized);
  bytes.resize(Read(bytes.data(), int(bytes.size())));
  return bytes;
}

int TComPort::WriteString(const QString& text) { return Write(text.toLatin1()); }

QString TComPort::ReadString(int count) { return QString::fromLatin1(Read(count)); }

void TComPort::ClearBuffers(bool input, bool output) {
  if (!connected_)
    throw EComPort(EComPort::ClearCommErrorFailed, 0, QStringLiteral("port not open"));
  QSerialPort::Directions directions;
  if (input) {
    PullQueued();  // what the device already holds is part of the input queue
    clocked_.clear();
    directions |= QSerialPort::Input;
  }
  if (output) directions |= QSerialPort::Output;
  if (directions && !port_->clear(directions)) {
    const int err = errno;
    const QString detail = port_->errorString();
    port_->clearError();
    throw EComPort(EComPort::ClearCommErrorFailed, err, detail);
  }
}

void TComPort::Dispatch() {
  if (!connected_) return;
  dispatching_ = true;
  dispatchPending_ = false;
  frameAwaited_ = false;
  const qint64 queued = Queued();
  if (queued > 0 && OnRxChar) OnRxChar(int(qMin<qint64>(queued, INT_MAX)));
  dispatching_ = false;
  if (!frameAwaited_) WakeAtEveryByte();
  if (dispatchPending_ && connected_) ScheduleDispatch();
}

void TComPort::AwaitFrame(int missing) {
#ifdef Q_OS_LINUX
  if (!connected_ || !readNotifier_) return;
  if (missing <= 0) {
    WakeAtEveryByte();
    return;
  }
  frameAwaited_ = true;
  awaitedBytes_ = std::min(missing, 255);
  SetReadNotifier(false);
  // Half a millisecond after the last byte is due; a timer counts whole milliseconds.
  frameClock_.start(int(std::ceil((awaitedBytes_ * ByteTimeUs() + 500) / 1000.0)));
#else
  Q_UNUSED(missing);
#endif
}

void TComPort::FrameDue() {
#ifdef Q_OS_LINUX
  if (!connected_) return;
  // The handler that would take the bytes is running, or a write of ours waits: the notifier
  // hands them over afterwards.
  if (dispatching_ || quietDepth_ > 0) {
    WakeAtEveryByte();
    return;
  }
  // Bytes the port object holds go first; the handler asks for the next frame again.
  if (port_->bytesAvailable() > 0) {
    Dispatch();
    return;
  }
  // The frame whole: it is read straight off the (non-blocking) handle. A read through the port
  // object that empties its buffer sets its notifier going again, and every change of the
  // notifier costs the event loop another turn.
  const int fd = int(port_->handle());
  int queued = 0;
  if (::ioctl(fd, FIONREAD, &queued) == 0 && queued >= awaitedBytes_) {
    char chunk[kReadBufferSize];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got > 0) {
      clocked_.append(chunk, qsizetype(got));
      Dispatch();
      return;
    }
  }
  // Not all there yet (a slower stream, the meter stopped), or the device failed: the terminal
  // wakes us once the missing bytes are all queued, and the port object reports a failure.
  SetWakeCount(awaitedBytes_);
  SetReadNotifier(true);
#endif
}

void TComPort::WakeAtEveryByte() {
  frameClock_.stop();
  awaitedBytes_ = 0;
  if (!connected_) return;
  SetWakeCount(1);
  SetReadNotifier(true);
}

void TComPort::SetReadNotifier(bool enabled) {
  if (auto* notifier = qobject_cast<QSocketNotifier*>(readNotifier_.data()))
    if (notifier->isEnabled() != enabled) notifier->setEnabled(enabled);
}

void TComPort::SetWakeCount(int bytes) {
#ifdef Q_OS_LINUX
  if (bytes == wakeCount_ || !connected_) return;
  // Only VMIN and VTIME change; reads stay non-blocking and return what is queued.
  termios t{};
  const int fd = int(port_->handle());
  if (::tcgetattr(fd, &t) != 0) return;
  t.c_cc[VMIN] = cc_t(bytes);
  t.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &t) == 0) wakeCount_ = bytes;
#else
  Q_UNUSED(bytes);
#endif
}

int TComPort::ByteTimeUs() const {
  const int stopBits = settings_.stopBits == QSerialPort::OneStop ? 1 : 2;
  const int parity = settings_.parity == QSerialPort::NoParity ? 0 : 1;
  const int bits = 1 + int(settings_.dataBits) + parity + stopBits;
  return int(std::ceil(bits * 1e6 / std::max(settings_.baudRate, 1)));
}

void TComPort::ScheduleDispatch() {
  dispatchPending_ = false;
  QTimer::singleShot(0, this, [this] {
    if (connected_ && Queued() > 0 && !dispatching_) Dispatch();
  });
}

void TComPort::OnError(QSerialPort::SerialPortError error) {
  if (!connected_) return;
  // ReadError comes back on every notification of a pseudo-terminal whose other end hung up,
  // so it is treated as a lost device too; otherwise the event loop would spin on it.
  if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
    if (error == QSerialPort::ReadError) ++readErrors_;
    const QString reason = port_->errorString();
    if (lossPending_) return;
    lossPending_ = true;
    // Closing inside QSerialPort's own notification is not safe; close on the next turn.
    QTimer::singleShot(0, this, [this, reason, readOnly = error == QSerialPort::ReadError] {
      DropLostDevice(reason, readOnly);
    });
  }
}

bool TComPort::DeviceGone(bool readOnly) {
#ifdef Q_OS_UNIX
  // A terminal whose other end hung up, or whose adapter was pulled out, says so on its handle.
  // A read that found nothing says nothing: the toolkit reports it with whatever errno was
  // left (EAGAIN under load, as a resource error), so the error itself cannot tell.
  Q_UNUSED(readOnly);
  pollfd fd{int(port_->handle()), POLLIN, 0};
  return ::poll(&fd, 1, 0) < 0 || (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
  if (!readOnly) return true;
  // A notification whose read finds nothing is not a lost device by itself: a read or a flush
  // of our own can take the bytes between the poll and the notification. A device that is gone
  // fails every read, so one more read tells the two apart.
  const int before = readErrors_;
  PullQueued();
  return readErrors_ != before;
#endif
}

void TComPort::DropLostDevice(const QString& reason, bool readOnly) {
  if (!connected_) {
    lossPending_ = false;
    return;
  }
  if (!DeviceGone(readOnly)) {
    port_->clearError();
    lossPending_ = false;
    return;
  }
  lossPending_ = false;
  qWarning().noquote() << "serial port" << settings_.portName << "lost:" << reason;
  if (OnDeviceLost) OnDeviceLost(reason);
  Close();
}
