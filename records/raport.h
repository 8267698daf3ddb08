#pragma once
// TRaport_Win: the report dialog. The user describes a series of measurements, fills a table of
// measuring points (typed, or the induction column from a data file) and prints it as a
// paginated report (records/RaportLayout.h). A new dialog is made for every use (Open) and
// deletes itself when closed; nothing of it is kept. Its texts follow the language table.
#include "records/PrintWindow.h"
#include "records/RaportLayout.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

class TRaport_Win : public TPrintWindow {
  Q_OBJECT
 public:
  TRaport_Win(QWidget* mainWindow, DialogSeams dialogs);

  // Creates the dialog and shows it; it deletes itself on close. Do not keep the pointer past
  // the dialog's closing.
  static TRaport_Win* Open(QWidget* mainWindow, DialogSeams dialogs);

  static constexpr int kMaxRows = 500;

  QLabel* Label1;
  QLineEdit* Edit1;
  QLabel* Label2;
  QLineEdit* Edit2;
  QLabel* Label3;
  QComboBox* ComboBox1;
  QLineEdit* Edit4;
  QLabel* Label4;
  QLabel* Label5;
  QLineEdit* Edit3;
  QLabel* Label6;
  QLineEdit* Edit5;
  QLabel* Label7;
  QLineEdit* Edit6;
  QLabel* Label8;
  QLineEdit* Edit7;
  QTableWidget* Wyniki;
  QLabel* Label9;
  QSpinBox* SpinEdit1;
  QPushButton* Zpliku;
  QPushButton* Podglad;
  QPushButton* ZapiszPdf;
  QPushButton* Button1;
  QPushButton* Button2;

  void ComboBox1Change();
  void SpinEdit1Change();
  void ZplikuClick();
  void Button1Click();
  void Button2Click();

  // The report as the controls hold it now.
  RaportContents Contents() const;
  PrintLayout Layout() const override;

 private:
  void FormShow() override;
  void FormPaint() override;
  // Sets the number of data rows (rows beyond are dropped, new ones are empty) and numbers them.
  void SetRowCount(int rows);
  void SetCell(int row, int column, const QString& text);
};
