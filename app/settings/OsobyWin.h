#pragma once
// TOsobyWin: Ustawienia → "Osoby…". The register of people who calibrate and approve
// (RecordStore.h): everyone with id, printed name, role and whether active; a new person added
// with a password typed twice; the selected person deactivated (never deleted). The register is
// the lab server's when the settings name one, else the local file's. A new one is made for
// every use (Open) and deletes itself when closed.
#include "app/settings/DialogWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class TOsobyWin : public TDialogWindow {
  Q_OBJECT
 public:
  explicit TOsobyWin(TMainWin* mainWindow);
  static TOsobyWin* Open(TMainWin* mainWindow);

  QTableWidget* Lista;
  QLineEdit* Id;
  QLineEdit* Nazwisko;
  QComboBox* Rola;  // data: "technician" / "approver"
  QLineEdit* Haslo;
  QLineEdit* Haslo2;
  QLabel* Stan;
  QPushButton* Dodaj;
  QPushButton* Dezaktywuj;
  QPushButton* Zamknij;

  void DodajClick();
  void DezaktywujClick();

 private:
  void FormShow() override;
  void FormPaint() override;
  void Fill();
  // Texts 199..202: "Dodaj", "Dezaktywuj", "Powtórz hasło", "Hasła się różnią".
  static QString Part(int index);

  QList<QLabel*> captions_;
};
