#include "settings/SettingsStore.h"

#include <QDir>
#include <QStandardPaths>

QString SettingsStoreLocation() {
#ifdef Q_OS_WIN
  return QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\FLUXA3");
#else
  const QString fromEnv = qEnvironmentVariable("FLUXA_SETTINGS");
  if (!fromEnv.isEmpty()) return fromEnv;
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
      .filePath(QStringLiteral("FLUXA3.ini"));
#endif
}

std::unique_ptr<QSettings> OpenSettingsStore() {
#ifdef Q_OS_WIN
  return std::make_unique<QSettings>(SettingsStoreLocation(), QSettings::NativeFormat);
#else
  return std::make_unique<QSettings>(SettingsStoreLocation(), QSettings::IniFormat);
#endif
}
