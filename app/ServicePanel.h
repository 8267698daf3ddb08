#pragma once
// TServicePanel: the service panel `Send` (" Kalibracja "), shown over the chart in service mode.
// Its controls are the storage of MeterParameters: the texts stay as typed or loaded until they
// are sent, saved or printed. It owns the handlers that concern the meter's parameters (the
// transfer, clearing, the diagnostic write, the calibration file); the main window keeps the
// diagnostics handlers, which act on its own filter state.
#include <QGroupBox>
#include <functional>
#include <memory>

#include "parameters/MeterParameters.h"
#include "parameters/Transfer.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;
class QWidget;
class TComPort;
class TParameterGrid;

class TServicePanel : public QGroupBox {
  Q_OBJECT
 public:
  // The panel sends through port, the main window's meter link.
  explicit TServicePanel(TComPort* port, QWidget* parent = nullptr);

  // The 26 texts as they stand, and all of them set at once.
  MeterParameters Parameters() const;
  void SetParameters(const MeterParameters& parameters);

  // Handlers
  void WyslijClick();
  void OdbierzClick();
  void Button4Click();
  void ZapiszClick();
  void OtworzClick();
  void BitBtn1Click();

  // A double click on a data cell of Sondy: column 1..4 is the range DC1..AC2, row 1..2 the
  // probe AXIAL or TRANSVERSE. Filled by the calibration wizard.
  std::function<void(int column, int row)> OnSondyDoubleClick;
  // "Drukuj": filled by the calibration card.
  std::function<void()> OnPrint;
  // After a transfer: what reached the meter (TransferReportText), for the status line.
  std::function<void(const QString& text)> OnTransferReport;
  // A run of frames takes the port, or gives it back: whatever else would write to the port
  // waits until then (the main window disables it and says why).
  std::function<void(bool busy)> OnPortBusy;

  // Runs steps on the port, paced by a timer (TransferRun): progress as it goes, done with what
  // reached the meter. False, and nothing sent, while another run holds the port.
  bool RunSteps(const QList<TransferStep>& steps, std::function<void(int done, int total)> progress,
                std::function<void(TransferEnd, const TransferTally&)> done);
  bool Transferring() const { return run_ != nullptr; }
  void AnulujClick();

  QToolButton* UkrysSerwis;
  QTabWidget* PageControl1;
  // Tab "Sondy"
  QWidget* TabSheet3;
  TParameterGrid* Sondy;
  QLabel* SondyHint;
  QLabel* StalaLabel;
  QLineEdit* Stala;
  // Tab "Temperatura"
  QWidget* TabSheet4;
  QLineEdit* Wtemp;
  QLineEdit* OTemp;
  QLineEdit* WKor;
  QLineEdit* OKor;
  QLineEdit* WzmocnienieFiltruTemp;
  // Tab "Inne"
  QWidget* TabSheet5;
  TParameterGrid* KFILTR;
  QLabel* KFILTRHint;
  TParameterGrid* S_Faza;
  QLabel* S_FazaHint;
  QLineEdit* ProgRodzajuSondy;
  QLineEdit* NumerSeryjnyMiernika;
  // Tab "Diagnostyka": the temperature filter, the largest jump between two results, and
  // any value to any address.
  QWidget* TabSheet1;
  QCheckBox* filtrTemp;
  QLineEdit* TauTemp;
  QLabel* SSkok;
  QPushButton* Button3;
  QGroupBox* AnyValueBox;
  QLineEdit* DWPole;
  QLineEdit* DWWartosc;
  QPushButton* Button4;
  // Beside the tabs
  QPushButton* Otworz;
  QPushButton* Zapisz;
  QPushButton* BitBtn1;
  QPushButton* Odbierz;
  QCheckBox* SaveEPROM;
  QPushButton* Wyslij;
  QPushButton* AnulujWysylanie;    // in Wyslij's place while a transfer runs
  QProgressBar* TransferProgress;  // "k / 25" while a transfer runs

 private:
  void BuildSondyTab();
  void BuildTemperatureTab();
  void BuildOtherTab();
  void BuildDiagnosticsTab();
  void BuildButtons();
  QLineEdit* Edit(QWidget* tab, const char* name, int y, const QString& caption, const QString& hint);
  QLineEdit* EditOf(int member) const;  // nullptr for a grid cell

  TComPort* port_;
  std::unique_ptr<TransferRun> run_;
};
