#pragma once
// The settings store: the key Software\FLUXA3. On Windows it is the registry key under
// HKEY_LOCAL_MACHINE; elsewhere an INI file, at $FLUXA_SETTINGS when set, otherwise
// FLUXA3.ini in the platform's configuration folder.
#include <QSettings>
#include <QString>
#include <memory>

std::unique_ptr<QSettings> OpenSettingsStore();
// Where the store lives (a file path, or the registry key on Windows).
QString SettingsStoreLocation();
