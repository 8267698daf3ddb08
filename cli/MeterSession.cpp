#include "cli/MeterSession.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "cli/Console.h"
#include "cli/Texts.h"
#include "link/PortNames.h"
#include "settings/Jezyki.h"

namespace {
bool IsPath(const QString& port) { return port.contains(u'/') || port.contains(u'\\'); }

ComPortSettings SettingsFor(const QString& portOrPath) {
  ComPortSettings settings = ComPortSettings::ComPort1();
  if (!IsPath(portOrPath)) settings.portName = portOrPath;
  return settings;
}

// Why an open failed, in the words a technician acts on. QSerialPort tells a device that
// another program holds in two ways: its own lock file held (the lock of another QSerialPort,
// told only by this text), or the device's exclusive use (TIOCEXCL) refusing the open with
// EBUSY. Both say "permission" although the user's rights are fine, so the rights are asked
// of the system itself.
QString OpenFailureText(const QString& device, const EComPort& e) {
  const QString lockHeld =
      QCoreApplication::translate("QSerialPort", "Permission error while locking the device");
#ifdef Q_OS_UNIX
  const QByteArray path = QFile::encodeName(device);
  if (QFileInfo::exists(device) && ::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
    return Text(Msg::NoPermission).arg(device);
  if (e.systemError() == EBUSY || e.detail() == lockHeld) return Text(Msg::PortBusy);
  if (e.systemError() == EACCES) return Text(Msg::NoPermission).arg(device);
#else
  if (e.detail() == lockHeld) return Text(Msg::PortBusy);
#endif
  return e.detail().isEmpty() ? e.message() : e.detail();
}
}  // namespace

MeterSession::MeterSession(const QString& portOrPath)
    : path_(IsPath(portOrPath) ? portOrPath : QString()), port_(SettingsFor(portOrPath)) {
  // A path goes through the port's own seam, as FLUXA_COM1=PATH would.
  if (!path_.isEmpty())
    qputenv(PortVariable(port_.PortName()).toLocal8Bit().constData(), path_.toLocal8Bit());
  port_.OnRxChar = [this](int count) {
    char buffer[TComPort::kReadBufferSize];
    int got = 0;
    try {
      got = port_.Read(buffer, qMin(count, int(sizeof buffer)));
    } catch (const EComPort&) {
      return;
    }
    const auto frame = receiver_.Receive(QByteArray::fromRawData(buffer, got));
    if (frame && OnFrame) OnFrame(*frame);
    // While results stream, the port wakes this handler once a frame is whole, as the window's
    // does; a download (every byte its dump) goes on waking at every byte.
    if (receiver_.mode() == MeterReceiver::kParseFrames && port_.Connected())
      port_.AwaitFrame(receiver_.assembler().BytesToNextFrame());
  };
  port_.OnDeviceLost = [this](const QString& reason) {
    if (OnLost) OnLost(reason);
  };
}

bool MeterSession::Open() {
  try {
    port_.Open();
  } catch (const EComPort& e) {
    Complain(Text(Msg::CannotOpen).arg(Describe(), OpenFailureText(port_.DeviceName(), e)));
    return false;
  }
  return true;
}

QString MeterSession::Describe() const {
  if (!path_.isEmpty()) return path_;
  return QStringLiteral("%1 (%2)").arg(port_.PortName(), port_.DeviceName());
}

QString LostDeviceText(const MeterSession& session, const QString& reason) {
  // The window's own words for it.
  return QStringLiteral("%1: %2: %3").arg(LookupText(49), session.Describe(), reason);
}
