#include "app/settings/DialogWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include "app/Main.h"

TDialogWindow::TDialogWindow(TMainWin* mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint), mainWindow_(mainWindow) {
  QFont small = font();
  small.setPointSizeF(8);
  setFont(small);
}

void TDialogWindow::SetFormSize(int width, int height) {
  setFixedSize(width, height);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TDialogWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (mainWindow_) mainWindow_->setEnabled(false);
  FormShow();
}

// The setters do nothing when a text is unchanged, so this does not cause another paint.
void TDialogWindow::paintEvent(QPaintEvent* event) {
  FormPaint();
  QDialog::paintEvent(event);
}

void TDialogWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;
  FormHide();
  if (mainWindow_) mainWindow_->setEnabled(true);
}

void TDialogWindow::keyPressEvent(QKeyEvent* event) { QWidget::keyPressEvent(event); }
