#pragma once
// What an open/save file dialog is asked for: its title, filter and default extension. Core code
// names the dialog it wants with this; the dialog itself is shown by the window (app/FileDialogs.h).
#include <QString>

#include <utility>

struct FileDialogSettings {
  // Most dialogs name no file to start with: {caption, filter, suffix} leaves it out.
  FileDialogSettings(QString caption = {}, QString filter = {}, QString defaultSuffix = {},
                     QString proposedName = {})
      : caption(std::move(caption)),
        filter(std::move(filter)),
        defaultSuffix(std::move(defaultSuffix)),
        proposedName(std::move(proposedName)) {}

  QString caption;        // window title; "" keeps the platform's own ("Save As", "Open")
  QString filter;         // Qt filter text, e.g. "Pliki danych Fluxa 3.0 (*.F3D)"
  QString defaultSuffix;  // appended when the user types a name without one, e.g. "F3D"
  QString proposedName;   // a save dialog's name to start with, e.g. "fluxa-2026-12-07-2341.csv"
};
