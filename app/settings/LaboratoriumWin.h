#pragma once
// TLaboratoriumWin: Ustawienia → "Laboratorium…". The laboratory that calibrates, as its
// certificates name it: its name, address, accreditation number and the method or procedure it
// follows, kept in the settings store (RecordsSettings::laboratory). The wizard copies them into
// each calibration record it makes, so a change here does not change a record already kept. OK
// keeps what is typed (trimmed); a store that cannot be written is told and the window stays
// open. A new one is made for every use (Open) and deletes itself when closed.
#include "app/settings/DialogWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TLaboratoriumWin : public TDialogWindow {
  Q_OBJECT
 public:
  explicit TLaboratoriumWin(TMainWin* mainWindow);
  static TLaboratoriumWin* Open(TMainWin* mainWindow);

  QLineEdit* Nazwa;
  QLineEdit* Adres;
  QLineEdit* Akredytacja;
  QLineEdit* Metoda;
  QLabel* Opis;  // what the data are for
  QPushButton* OK;
  QPushButton* Anuluj;

  void OKClick();
  void AnulujClick();

 private:
  void FormShow() override;
  void FormPaint() override;

  QList<QLabel*> captions_;
};
