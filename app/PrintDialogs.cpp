#include "app/PrintDialogs.h"

#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "app/FileDialogs.h"

namespace {
PrintDialogHook& Hook() {
  static PrintDialogHook hook;
  return hook;
}

PrintOutcome Run(QPagedPaintDevice& device, const PrintLayout& layout) {
  return PrintDocument(device, layout) ? PrintOutcome::Printed : PrintOutcome::Failed;
}
}  // namespace

PrintOutcome PrintWithDialog(QWidget* parent, const PrintLayout& layout) {
  if (Hook()) {
    const std::unique_ptr<QPagedPaintDevice> device = Hook()();
    return device ? Run(*device, layout) : PrintOutcome::Cancelled;
  }
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, parent);
  if (dialog.exec() != QDialog::Accepted) return PrintOutcome::Cancelled;
  return Run(printer, layout);
}

PrintOutcome SaveAsPdf(QWidget* parent, const PrintLayout& layout) {
  const QString name = AskSaveFileName(parent, {QString(), kPdfFilter, kPdfSuffix});
  if (name.isEmpty()) return PrintOutcome::Cancelled;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(name);
  printer.setPageSize(QPageSize(QPageSize::A4));
  return Run(printer, layout);
}

void ShowPrintPreview(QWidget* parent, const PrintLayout& layout) {
  QPrinter printer(QPrinter::HighResolution);
  QPrintPreviewDialog dialog(&printer, parent);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&layout](QPrinter* target) { PrintDocument(*target, layout); });
  dialog.exec();
}

PrintDialogHook SetPrintDialogHook(PrintDialogHook hook) {
  PrintDialogHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

DialogSeams ProgramDialogs() {
  return {AskOpenFileName, PrintWithDialog, SaveAsPdf, ShowPrintPreview};
}
