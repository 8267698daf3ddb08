#pragma once
// The file and print dialogs a window asks for. The dialogs themselves are windows of app/
// (app/FileDialogs.h, app/PrintDialogs.h); a window of a lower folder (the report, the
// calibration card) is handed them by whoever opens it, so it can use them without reaching up.
#include <QString>

#include <functional>

#include "common/FileDialogSettings.h"
#include "common/PrintCanvas.h"

class QWidget;

enum class PrintOutcome {
  Printed,    // the document was started and ended
  Cancelled,  // the user cancelled the printer or file dialog: nothing happened
  Failed,     // the job could not start or did not end: the caller tells the user
};

struct DialogSeams {
  // The chosen file name, or "" when the dialog was cancelled.
  std::function<QString(QWidget* parent, const FileDialogSettings& dialogSettings)> askOpenFileName;
  // The printer dialog, then the layout on the chosen printer.
  std::function<PrintOutcome(QWidget* parent, const PrintLayout& layout)> print;
  // The save dialog for a PDF file, then the layout into that file.
  std::function<PrintOutcome(QWidget* parent, const PrintLayout& layout)> saveAsPdf;
  // A modal preview of the layout on the default printer's page.
  std::function<void(QWidget* parent, const PrintLayout& layout)> preview;
};
