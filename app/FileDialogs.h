#pragma once
// The open/save file dialog seam. Every data-file and calibration-file operation asks for its
// file name here, with its own filter set anew each time. Production shows a QFileDialog;
// a test installs a hook that returns a prepared path, or "" for a cancelled dialog.
//
// This header names no widget class, so core code may include it for FileDialogSpec.
#include <QString>

#include <functional>

class QWidget;

struct FileDialogSpec {
  QString caption;        // window title; "" keeps the platform's own ("Save As", "Open")
  QString filter;         // Qt filter text, e.g. "Pliki danych Fluxa 3.0 (*.F3D)"
  QString defaultSuffix;  // appended when the user types a name without one, e.g. "F3D"
};

// The chosen file name, or "" when the dialog was cancelled.
QString AskSaveFileName(QWidget* parent, const FileDialogSpec& dialogSettings);
QString AskOpenFileName(QWidget* parent, const FileDialogSpec& dialogSettings);

using FileDialogHook = std::function<QString(bool save, const FileDialogSpec& dialogSettings)>;
// Replaces the dialogs (an empty hook restores QFileDialog); returns the previous hook.
FileDialogHook SetFileDialogHook(FileDialogHook hook);
