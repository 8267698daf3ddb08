#pragma once
// THasloWin: the password dialog, the way into service mode. The password is a fixed constant;
// a wrong one just closes the dialog, with no message and no count of attempts.
#include "app/settings/DialogWindow.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TMainWin;

class THasloWin : public TDialogWindow {
  Q_OBJECT
 public:
  explicit THasloWin(TMainWin* mainWindow);

  static constexpr int kMaxPasswordLength = 12;

  QFrame* Panel1;
  QLabel* Label1;
  QLineEdit* TekstHaslo;
  QPushButton* OK;
  QPushButton* Anuluj;

  void OKClick();
  void AnulujClick();

 private:
  void FormShow() override;
  void FormHide() override;
  void FormPaint() override;
};
