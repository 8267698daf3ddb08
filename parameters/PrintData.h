#pragma once
// TPrintDataWin: the calibration card dialog, "Drukuj kartę kalibracyjną". It takes the customer
// and the service measurements typed for the card, reads the service panel's parameter set at
// the moment of printing and prints the card (parameters/CardLayout.h). A new dialog is made for
// every use (Open), so its fields are empty each time; it deletes itself when closed and keeps
// nothing. Its texts are Polish whatever the interface language.
#include <functional>

#include "parameters/CardLayout.h"
#include "records/PrintWindow.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TPrintDataWin : public TPrintWindow {
  Q_OBJECT
 public:
  // The service panel's parameter set as it stands when the card is printed.
  using PanelReader = std::function<MeterParameters()>;

  TPrintDataWin(QWidget* mainWindow, DialogSeams dialogs, PanelReader panel);

  // Creates the dialog and shows it; it deletes itself on close. Do not keep the pointer past
  // the dialog's closing.
  static TPrintDataWin* Open(QWidget* mainWindow, DialogSeams dialogs, PanelReader panel);

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QLineEdit* Klient;
  QGroupBox* GroupBox2;
  QLabel* Label2;
  QLineEdit* R1;
  QLabel* Label3;
  QLineEdit* R2;
  QLabel* Label4;
  QLineEdit* R3;
  QGroupBox* GroupBox3;
  QLabel* Label5;
  QLineEdit* I1;
  QLabel* Label6;
  QLineEdit* I2;
  QLabel* Label7;
  QLineEdit* I3;
  QGroupBox* GroupBox4;
  QLabel* Label8;
  QLineEdit* O1;
  QLabel* Label9;
  QLineEdit* O2;
  QPushButton* Podglad;
  QPushButton* ZapiszPdf;
  QPushButton* Drukuj;
  QPushButton* Anuluj;

  void DrukujClick();
  void AnulujClick();

  // The card as it would print now, dated today in the program's language (Polish: 07.12.2026),
  // whatever the system's.
  CalibrationCard Card() const;
  PrintLayout Layout() const override;

 private:
  void FormShow() override;

  PanelReader panel_;
};
