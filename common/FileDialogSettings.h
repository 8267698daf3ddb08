#pragma once
// What an open/save file dialog is asked for: its title, filter and default extension. Core code
// names the dialog it wants with this; the dialog itself is shown by the window (app/FileDialogs.h).
#include <QString>

struct FileDialogSettings {
  QString caption;        // window title; "" keeps the platform's own ("Save As", "Open")
  QString filter;         // Qt filter text, e.g. "Pliki danych Fluxa 3.0 (*.F3D)"
  QString defaultSuffix;  // appended when the user types a name without one, e.g. "F3D"
};
