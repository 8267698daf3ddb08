#pragma once
// TPrintWindow: the base of the dialogs that print (the report, the calibration card). Like
// every modeless dialog of the main window it stays on top, opens centred on the screen, has no
// Qt parent and disables the main window while it is shown. It prints its own layout through
// the dialogs it was handed: on paper, into a preview, or into a PDF file, always with the same
// layout, so the preview and the PDF show what the printer gets.
//
// A print that cannot start, or fails, keeps the dialog open with everything typed into it and
// says so; only a print that was carried out closes the dialog.
#include <QPointer>
#include <QWidget>

#include "common/DialogSeams.h"

inline const QString kPrintErrorText = QStringLiteral("Błąd drukowania.");

class TPrintWindow : public QWidget {
  Q_OBJECT
 public:
  TPrintWindow(QWidget* mainWindow, DialogSeams dialogs);
  ~TPrintWindow() override;

  // What the dialog prints, as it stands now.
  virtual PrintLayout Layout() const = 0;

  // Printer dialog, then the printout; closes the dialog once it is printed.
  PrintOutcome PrintAndClose();
  void ShowPreview();
  // Save dialog, then the printout into a PDF file; the dialog stays open.
  PrintOutcome SavePdf();

 protected:
  // Fixes the size and centres the dialog; called at the end of a constructor.
  void SetFormSize(int width, int height);
  // After the main window was disabled.
  virtual void FormShow() {}
  // Sets the texts that follow the language; runs before every paint.
  virtual void FormPaint() {}

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

  const DialogSeams& Dialogs() const { return dialogs_; }

 private:
  void Report(PrintOutcome outcome);

  QPointer<QWidget> mainWindow_;
  DialogSeams dialogs_;
  bool shown_ = false;
};
