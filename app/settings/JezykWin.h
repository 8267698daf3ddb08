#pragma once
// TJezyk: the language dialog. A new one is made for every use (Open) and deletes itself when
// closed; OK switches the interface language and relabels the main window at once.
#include "app/settings/DialogWindow.h"

class QGroupBox;
class QListWidget;
class QPushButton;
class TMainWin;

class TJezyk : public TDialogWindow {
  Q_OBJECT
 public:
  explicit TJezyk(TMainWin* mainWindow);

  // Creates the dialog and shows it; it deletes itself on close. Returned for the caller's
  // convenience only: do not keep it past the dialog's closing.
  static TJezyk* Open(TMainWin* mainWindow);

  QGroupBox* GroupBox1;
  QListWidget* WybranyJezyk;
  QPushButton* OK;
  QPushButton* Anuluj;

  void OKClick();
  void AnulujClick();

 protected:
  void FormShow() override;

 private:
  void FormPaint() override;
};
