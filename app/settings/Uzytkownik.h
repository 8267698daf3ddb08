#pragma once
// TUzytkownikWin: the user dialog. Edits the user's name, company and the service technician
// flag kept in the settings store. Polish only; the flag takes effect at the next start.
#include "app/settings/DialogWindow.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TMainWin;

class TUzytkownikWin : public TDialogWindow {
  Q_OBJECT
 public:
  explicit TUzytkownikWin(TMainWin* mainWindow);

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QLineEdit* Nazwa;
  QLabel* Label2;
  QLineEdit* Miasto;
  QCheckBox* Serwisant;
  QPushButton* OK;
  QPushButton* Anuluj;

  void SerwisantClick();
  void OKClick();
  void AnulujClick();

 protected:

 private:
  void FormShow() override;
};
