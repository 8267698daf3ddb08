#pragma once
// The open/save file dialog seam. Every data-file and calibration-file operation asks for its
// file name here, with its own filter set anew each time. Production shows a QFileDialog;
// a test installs a hook that returns a prepared path, or "" for a cancelled dialog.
#include <QString>

#include <functional>

#include "common/FileDialogSettings.h"

class QWidget;

// The chosen file name, or "" when the dialog was cancelled.
QString AskSaveFileName(QWidget* parent, const FileDialogSettings& dialogSettings);
QString AskOpenFileName(QWidget* parent, const FileDialogSettings& dialogSettings);

using FileDialogHook = std::function<QString(bool save, const FileDialogSettings& dialogSettings)>;
// Replaces the dialogs (an empty hook restores QFileDialog); returns the previous hook.
FileDialogHook SetFileDialogHook(FileDialogHook hook);
