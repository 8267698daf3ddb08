#pragma once
// The print-dialog seam. Every printout runs one layout (common/PrintCanvas.h) on whatever
// this gives it: the printer chosen in a QPrintDialog, a QPrintPreviewDialog's pages, or a
// PDF file named in the save dialog (app/FileDialogs.h). Production shows QPrintDialog; a test
// installs a hook that returns a prepared device (a QPdfWriter at its chosen resolution), or
// none for a cancelled dialog.
#include <QPagedPaintDevice>

#include <functional>
#include <memory>

#include "common/DialogSeams.h"

class QWidget;

// The printer dialog (parented to the window that prints, so it stays above it), then the
// layout on the chosen printer.
PrintOutcome PrintWithDialog(QWidget* parent, const PrintLayout& layout);
// The save dialog for a PDF file, then the layout into that file on an A4 page.
PrintOutcome SaveAsPdf(QWidget* parent, const PrintLayout& layout);
// The layout in a modal print preview; its own print button prints the same layout.
void ShowPrintPreview(QWidget* parent, const PrintLayout& layout);

inline const QString kPdfFilter = QStringLiteral("Dokumenty PDF (*.pdf)");
inline const QString kPdfSuffix = QStringLiteral("pdf");

using PrintDialogHook = std::function<std::unique_ptr<QPagedPaintDevice>()>;
// Replaces the printer dialog (an empty hook restores QPrintDialog); returns the previous hook.
PrintDialogHook SetPrintDialogHook(PrintDialogHook hook);

// The program's file and print dialogs, for a window that is handed them.
DialogSeams ProgramDialogs();
