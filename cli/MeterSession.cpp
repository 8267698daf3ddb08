#include "cli/MeterSession.h"

#include "cli/Console.h"
#include "link/PortNames.h"

namespace {
bool IsPath(const QString& port) { return port.contains(u'/') || port.contains(u'\\'); }

ComPortSettings SettingsFor(const QString& portOrPath) {
  ComPortSettings settings = ComPortSettings::ComPort1();
  if (!IsPath(portOrPath)) settings.portName = portOrPath;
  return settings;
}
}  // namespace

MeterSession::MeterSession(const QString& portOrPath)
    : path_(IsPath(portOrPath) ? portOrPath : QString()), port_(SettingsFor(portOrPath)) {
  // A path goes through the port's own seam, as FLUXA_COM1=PATH would.
  if (!path_.isEmpty())
    qputenv(PortVariable(port_.PortName()).toLocal8Bit().constData(), path_.toLocal8Bit());
  port_.OnRxChar = [this](int count) {
    // At the line rate nearly every byte is an arrival of its own: read into the stack.
    char buffer[TComPort::kReadBufferSize];
    int got = 0;
    try {
      got = port_.Read(buffer, qMin(count, int(sizeof buffer)));
    } catch (const EComPort&) {
      return;
    }
    const auto frame = receiver_.Receive(QByteArray::fromRawData(buffer, got));
    if (frame && OnFrame) OnFrame(*frame);
  };
  port_.OnDeviceLost = [this](const QString& reason) {
    if (OnLost) OnLost(reason);
  };
}

bool MeterSession::Open() {
  try {
    port_.Open();
  } catch (const EComPort& e) {
    const QString why = e.detail().isEmpty() ? e.message() : e.detail();
    Complain(QStringLiteral("cannot open %1: %2").arg(Describe(), why));
    return false;
  }
  return true;
}

QString MeterSession::Describe() const {
  if (!path_.isEmpty()) return path_;
  return QStringLiteral("%1 (%2)").arg(port_.PortName(), port_.DeviceName());
}

QString LostDeviceText(const MeterSession& session, const QString& reason) {
  return QStringLiteral("lost the device of %1: %2").arg(session.Describe(), reason);
}
