#pragma once
// THistoryWin: Serwis → "Historia kalibracji…". The calibration records (calibrations and
// parameter transfers) newest first, from the lab's server when the settings name one and it
// answers, else from the local file; filtered by the meter's serial number as it is typed. A
// calibration shows its certificate (in Polish or English) and prints it or saves it as a PDF
// through the program's print dialogs; a transfer shows the values it sent. The list exports to
// CSV. "Popraw…" corrects a calibration's record: the correction is a new record that names the
// one it amends, with who made it and why, both required (TAmendWin); the original is shown as
// superseded. Records that wait for the server or that conflict with the server's record of
// their number are marked in the list; the status line says when the bench id is taken by
// another installation and names every record the chain check finds changed, removed,
// inserted or replaced. Built on first use and kept.
#include <QWidget>
#include <memory>
#include <optional>

#include "common/PrintCanvas.h"
#include "store/RecordStore.h"

class QComboBox;
class QDateEdit;
class QDialog;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrintPreviewWidget;
class QPrinter;
class QPushButton;
class QStackedWidget;
class QTableView;
class RecordListModel;

// The fields of a calibration's record that a correction may change, filled from the record;
// the reference's U shows the readings' unit.
class TAmendWin : public QWidget {
  Q_OBJECT
 public:
  TAmendWin(const CalibrationRecord& record, QWidget* parent);
  // The record as corrected.
  CalibrationRecord Corrected() const;

  QLineEdit* Serial;
  QLineEdit* Technician;
  QLineEdit* Company;
  QLineEdit* ReferenceModel;
  QLineEdit* ReferenceSerial;
  QLineEdit* ReferenceCertificate;
  QDateEdit* ReferenceDue;
  QDoubleSpinBox* ReferenceU;
  QLineEdit* Autor;   // who corrects: empty until typed
  QLineEdit* Powod;   // why: required
  QPushButton* OK;
  QPushButton* Anuluj;

 private:
  CalibrationRecord record_;
};

// "Zatwierdź…": the approver's id and password for signing one calibration, and the meaning of
// the signature; what came of the last try below them.
class TApproveWin : public QWidget {
  Q_OBJECT
 public:
  TApproveWin(const QString& calibration, QWidget* parent);

  const QString number;
  QLineEdit* Id;
  QLineEdit* Haslo;
  QLabel* Stan;
  QPushButton* OK;
  QPushButton* Anuluj;
};

class THistoryWin : public QWidget {
  Q_OBJECT
 public:
  explicit THistoryWin(QWidget* parent = nullptr);
  ~THistoryWin() override;

  // Opens the store anew (the settings may have changed) and shows the list.
  void Reload();
  // The list as it is shown now.
  const QList<RecordSummary>& Shown() const;
  // Selects a row of the list (-1: none) and shows its record.
  void Select(int row);

  QLineEdit* Filtr;
  QLabel* Stan;
  QTableView* Lista;
  QLabel* Korekty;  // the selected record's amendment: what it amends, who, when, why; or its successor
  QStackedWidget* Szczegoly;
  QPrintPreviewWidget* Swiadectwo;
  QPlainTextEdit* Przeslanie;
  QComboBox* Jezyk;
  QPushButton* Drukuj;
  QPushButton* ZapiszPdf;
  QPushButton* EksportCsv;
  QPushButton* Popraw;
  TAmendWin* Korekta = nullptr;  // while a correction is typed
  QPushButton* Zatwierdz;  // "Zatwierdź…": sign the selected calibration
  TApproveWin* Zatwierdzenie = nullptr;  // while an approval is asked for

  void DrukujClick();
  void PoprawClick();
  void ZatwierdzClick();
  // Signs with the id and password typed in Zatwierdzenie.
  void Approve();
  // The correction typed is kept as a new record; the list shows it selected.
  void KeepCorrection();
  void ZapiszPdfClick();
  void EksportCsvClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Label();
  void Filter();
  void ShowSelected();
  // The certificate of the selected calibration, in the chosen language; none without one.
  PrintLayout Certificate() const;

  std::unique_ptr<QPrinter> printer_;  // the preview's page
  std::unique_ptr<RecordStore> store_;
  RecordListModel* model_;
  std::optional<CalibrationRecord> selected_;
  std::optional<SignatureRecord> approval_;  // the selected calibration's, when approved
};
