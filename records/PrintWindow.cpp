#include "records/PrintWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include "common/Messages.h"

TPrintWindow::TPrintWindow(QWidget* mainWindow, DialogSeams dialogs)
    : QWidget(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint),
      mainWindow_(mainWindow),
      dialogs_(std::move(dialogs)) {
  QFont small = font();
  small.setPointSizeF(8);
  setFont(small);
}

// Destroyed while shown: the main window must not stay disabled.
TPrintWindow::~TPrintWindow() {
  if (shown_ && mainWindow_) mainWindow_->setEnabled(true);
}

void TPrintWindow::SetFormSize(int width, int height) {
  setFixedSize(width, height);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TPrintWindow::Report(PrintOutcome outcome) {
  if (outcome == PrintOutcome::Failed) ShowMessage(kPrintErrorText);
}

PrintOutcome TPrintWindow::PrintAndClose() {
  const PrintOutcome outcome = dialogs_.print(this, Layout());
  Report(outcome);
  if (outcome == PrintOutcome::Printed) close();
  return outcome;
}

void TPrintWindow::ShowPreview() { dialogs_.preview(this, Layout()); }

PrintOutcome TPrintWindow::SavePdf() {
  const PrintOutcome outcome = dialogs_.saveAsPdf(this, Layout());
  Report(outcome);
  return outcome;
}

void TPrintWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  shown_ = true;
  if (mainWindow_) mainWindow_->setEnabled(false);
  FormShow();
}

// The setters do nothing when a text is unchanged, so this does not cause another paint.
void TPrintWindow::paintEvent(QPaintEvent* event) {
  FormPaint();
  QWidget::paintEvent(event);
}

void TPrintWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (event->spontaneous()) return;
  shown_ = false;
  if (mainWindow_) mainWindow_->setEnabled(true);
}
