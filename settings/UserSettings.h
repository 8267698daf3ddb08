#pragma once
// The user's values in the settings store: "name", "company" and "service" (the service
// technician flag, kept as 1 or 0). They sit directly in the key Software\FLUXA3, which is what
// OpenSettingsStore() opens; in the INI file of other platforms that is the top level.
#include <QString>

struct UserSettings {
  QString name;
  QString company;
  bool service = false;  // start in service mode without the password
};

// A missing value reads as "", a missing or unreadable "service" as false.
UserSettings ReadUserSettings();

// Writes the three values exactly as given (no trimming), creating the store if missing.
// False when the store could not be written (a read-only file, no rights on the registry key).
bool WriteUserSettings(const UserSettings& settings);

// Whether the store holds any of the three values: false before the user dialog's first OK,
// also when the INI file exists only for other sections such as the port mapping.
bool UserSettingsKeyExists();
