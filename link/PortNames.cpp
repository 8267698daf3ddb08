#include "link/PortNames.h"

#include <QCollator>
#include <QSerialPortInfo>

#include <algorithm>

#include "settings/SettingsStore.h"

namespace {
QString StoreKey(const QString& portName) { return QStringLiteral("ports/") + portName.toUpper(); }

QString DefaultDevice(const QString& upper) {
#ifdef Q_OS_WIN
  return upper;
#else
  if (upper.startsWith(QLatin1String("COM"))) {
    bool ok = false;
    const int number = upper.mid(3).toInt(&ok);
    if (ok && number >= 1) return QStringLiteral("/dev/ttyS%1").arg(number - 1);
  }
  return upper;
#endif
}
}  // namespace

QString DeviceForPort(const QString& portName) {
  const QString fromEnv = DeviceFromEnvironment(portName);
  if (!fromEnv.isEmpty()) return fromEnv;
  const QString stored = StoredDeviceForPort(portName);
  if (!stored.isEmpty()) return stored;
  return DefaultDevice(portName.toUpper());
}

QStringList ProgramPortNames() { return {QStringLiteral("COM1"), QStringLiteral("COM2")}; }

QString PortVariable(const QString& portName) { return QStringLiteral("FLUXA_") + portName.toUpper(); }

QString DeviceFromEnvironment(const QString& portName) {
  return qEnvironmentVariable(PortVariable(portName).toLatin1().constData());
}

QString StoredDeviceForPort(const QString& portName) {
  return OpenSettingsStore()->value(StoreKey(portName)).toString();
}

void StoreDeviceForPort(const QString& portName, const QString& device) {
  const auto store = OpenSettingsStore();
  if (device.isEmpty())
    store->remove(StoreKey(portName));
  else
    store->setValue(StoreKey(portName), device);
  store->sync();
}

QList<SerialDevice> PresentSerialDevices() {
  QList<SerialDevice> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
    devices.append({info.portName(), info.description()});
#else
    devices.append({info.systemLocation(), info.description()});
#endif
  }
  // COM2 before COM10, ttyS2 before ttyS10.
  QCollator collator;
  collator.setNumericMode(true);
  std::sort(devices.begin(), devices.end(), [&collator](const SerialDevice& a, const SerialDevice& b) {
    return collator.compare(a.device, b.device) < 0;
  });
  return devices;
}

QList<SerialDevice> DeviceChoices(const QList<SerialDevice>& present) {
  QList<SerialDevice> choices;
  const auto offered = [&choices](const QString& device) {
    return std::any_of(choices.begin(), choices.end(),
                       [&device](const SerialDevice& d) { return d.device == device; });
  };
  for (const QString& name : ProgramPortNames()) {
    const QString device = DeviceForPort(name);
    if (offered(device)) continue;
    const auto known = std::find_if(present.begin(), present.end(),
                                    [&device](const SerialDevice& d) { return d.device == device; });
    choices.append(known != present.end() ? *known : SerialDevice{device, {}});
  }
  for (const SerialDevice& d : present)
    if (!offered(d.device)) choices.append(d);
  return choices;
}

QString DeviceChoiceText(const SerialDevice& device) {
  if (device.description.isEmpty()) return device.device;
  return QStringLiteral("%1 (%2)").arg(device.device, device.description);
}
