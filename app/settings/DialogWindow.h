#pragma once
// A modeless dialog of the main window: it stays on top and opens centred on the screen; while
// it is shown the main window is disabled, and hiding or closing it enables the main window
// again. It has no Qt parent, since disabling the main window would disable its children too.
// It is a QDialog, so the window system and assistive tools see a dialog with its title.
#include <QDialog>

class TMainWin;

class TDialogWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TDialogWindow(TMainWin* mainWindow);

 protected:
  // Fixes the size and centres the dialog; called at the end of a constructor.
  void SetFormSize(int width, int height);
  // After the main window was disabled / before it is enabled again. Not called when the
  // window system merely minimises or restores the dialog.
  virtual void FormShow() {}
  virtual void FormHide() {}
  // Sets the texts that follow the language; run before every paint, so an open dialog
  // relabels itself after a change of language.
  virtual void FormPaint() {}

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  // Keys behave as in any window: Enter does not press a default button, Escape does not close.
  void keyPressEvent(QKeyEvent* event) override;

  TMainWin* mainWindow_;
};
