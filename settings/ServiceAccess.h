#pragma once
// Service access: the way into service mode (the calibration panel and the transfer of
// parameters). Either the service flag of the user's settings (UserSettings.h) or the service
// password, which is a fixed word typed in either case.
#include <QString>

// Whether typed is the service password. Letters count in either case, as the password dialog
// turns them into upper case while they are typed.
bool IsServicePassword(const QString& typed);
