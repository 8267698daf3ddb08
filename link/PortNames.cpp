#include "link/PortNames.h"

#include "settings/SettingsStore.h"

QString DeviceForPort(const QString& portName) {
#ifdef Q_OS_WIN
  return portName;
#else
  const QString upper = portName.toUpper();
  const QString fromEnv = qEnvironmentVariable(("FLUXA_" + upper).toLatin1().constData());
  if (!fromEnv.isEmpty()) return fromEnv;
  const QString stored = OpenSettingsStore()->value("ports/" + upper).toString();
  if (!stored.isEmpty()) return stored;
  if (upper.startsWith("COM")) {
    bool ok = false;
    const int number = upper.mid(3).toInt(&ok);
    if (ok && number >= 1) return QStringLiteral("/dev/ttyS%1").arg(number - 1);
  }
  return portName;
#endif
}
