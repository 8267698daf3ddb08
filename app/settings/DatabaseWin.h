#pragma once
// TDatabaseWin: Ustawienia → "Baza kalibracji…". Where calibration records go besides the local
// file: a lab's PostgreSQL server (host, port, database, user; no host: the local file only) and
// this bench's id, which begins every record's number. The password is never kept in the
// settings: it comes from FLUXA_DB_PASSWORD, or the one typed here is kept for this run only.
// "Połącz i wyślij oczekujące" connects at once and sends what waits; OK keeps the settings. A
// bench id the server gives to another installation is told, and "Przejmij stanowisko" (enabled
// only then) gives it to this installation on purpose. A new one is made for every use (Open)
// and deletes itself when closed.
#include "app/settings/DialogWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TDatabaseWin : public TDialogWindow {
  Q_OBJECT
 public:
  explicit TDatabaseWin(TMainWin* mainWindow);
  static TDatabaseWin* Open(TMainWin* mainWindow);

  QLineEdit* Serwer;
  QSpinBox* Port;
  QLineEdit* Baza;
  QLineEdit* Uzytkownik;
  QLineEdit* Haslo;
  QLineEdit* Stanowisko;
  QLabel* Plik;  // the local file
  QLabel* Stan;  // the server's answer and what waits
  QPushButton* Polacz;
  QPushButton* Przejmij;
  QPushButton* OK;
  QPushButton* Anuluj;

  void PolaczClick();
  void PrzejmijClick();
  void OKClick();
  void AnulujClick();

 private:
  void FormShow() override;
  void FormPaint() override;
  void Keep();
  // Connects (taking the bench over when told) and says how it went.
  void Connect(bool takeOver);

  QList<QLabel*> captions_;
};
