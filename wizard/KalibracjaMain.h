#pragma once
// TkKalibracja: the calibration wizard's window. Created once at start and kept for the whole
// run. The wizard itself lives in fluxa_core (CalibrationWizard: the two-meter link, the samples
// and the step machine); the window shows the machine's state (ShowState sets every control
// from it) and passes the user's actions on. Tabs "Dane" (the sample grid and the wizard's
// pages), "Wykres" (TkWykres) and "Opcje" (TkOpcje); a status line shows both links.
#include <QWidget>
#include <functional>

#include "wizard/CalibrationWizard.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QStatusBar;
class QTabWidget;
class TkOpcje;
class TkSG1;
class TkWykres;

class TkKalibracja : public QWidget {
  Q_OBJECT
 public:
  explicit TkKalibracja(QWidget* parent = nullptr);
  ~TkKalibracja() override;

  // Opens the wizard for one range (0 DC1, 1 DC2, 2 AC1, 3 AC2) and probe row (1 AXIAL,
  // 2 TRANS) in place of the main window, whose meter port is released for it (and taken back
  // when the wizard closes). The meter under calibration goes on the main window's port and the
  // reference meter on the other one; a choice made on "Opcje" afterwards stands. mainPort may
  // be null: the wizard then keeps its own port names. False, and nothing shown, when the main
  // window's port does not close or the wizard is still closing.
  // serial: the meter's serial number as the service panel holds it; when empty, page 0 asks.
  bool OpenFor(TComPort* mainPort, int rangeIndex, int probeRow, const QString& serial = {});
  // After the wizard closed and handed the main port back: the main window shows itself again;
  // mainPortLost tells that its port had been open and would not open again.
  std::function<void(bool mainPortLost)> OnFinished;
  // "Zakoncz": the gain found goes into the Sondy cell of the range (column 1..4) and the probe
  // (row 1..2), as the text the cell holds.
  std::function<void(int column, int row, const QString& gainText)> OnGainChosen;

  TwoMeterLink& Link() { return wizard_.Link(); }
  const TwoMeterLink& Link() const { return wizard_.Link(); }
  SampleTable& Samples() { return wizard_.Samples(); }
  const CalibrationSteps& Steps() const { return wizard_.Steps(); }
  CalibrationSteps::Phase Phase() const { return wizard_.Steps().phase(); }
  int Step() const { return wizard_.Steps().Step(); }
  int ProbeRow() const { return wizard_.Steps().probeRow(); }
  // The reading the meter should show, set by the step to the last page.
  double TargetReading() const { return wizard_.Steps().Target(); }
  // The gain word this run's search ended with; 0 without a result.
  int FinalGain() const { return wizard_.Steps().FoundGain().value_or(0); }
  const GainSearch& Search() const { return wizard_.Steps().Search(); }
  // The record the last "Zakoncz" kept.
  const CalibrationRecord& LastRecord() const { return wizard_.LastRecord(); }

  // Status line
  QStatusBar* kStatusBar;
  QLabel* kStatusPanel0;
  QLabel* kStatusPanel1;
  QTabWidget* kPageControl;
  QWidget* kTabWizard;
  TkWykres* kTabWykres;  // "Wykres"
  TkOpcje* kTabOpcje;
  // "Dane"
  TkSG1* SG1;
  QStackedWidget* kWizardPages;
  QWidget* kWizardPage0;
  QWidget* kWizardPage1;
  QWidget* kWizardPage2;
  QWidget* kWizardPage3;  // the as-left check
  QPushButton* kWstecz;
  QPushButton* kDalej;
  QPushButton* kStart;
  QLabel* Label11;
  QLabel* Label15;
  QLabel* Label16;
  QLabel* Label29;
  QCheckBox* CheckBox3;
  QSpinBox* SpinEdit2;
  QLineEdit* kNumerSeryjny;
  QLabel* kWzorzecUwaga;  // the reference standard is past its due date
  QComboBox* kKlient;
  QLineEdit* kKlientAdres;
  QLineEdit* kProducent;
  QLineEdit* kModel;
  QComboBox* kTechnik;
  QDoubleSpinBox* kTemperatura;
  QDoubleSpinBox* kWilgotnosc;
  QLabel* kWizzardPage1Opis;
  QLabel* kWizardWzorLabel;
  QLabel* kWizardKalLabel;
  QLabel* kWizardIloscProbekLabel;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
  QPushButton* kWizardReset;
  QPushButton* kWizardRejestruj;
  QLabel* Label25;
  QLabel* Label32;
  QLabel* Label33;
  QLabel* Label34;
  QLabel* Label35;
  QLabel* Label36;
  QLabel* kPostep;  // the search's progress while it runs
  QGroupBox* GroupBoxDebug;
  QPushButton* Button9;
  QSpinBox* SpinEdit1;
  // page 3
  QLabel* kCheckWzorLabel;
  QLabel* kCheckKalLabel;
  QTableWidget* kCheckTable;
  QLabel* kCheckSummary;
  QPushButton* kCheckReset;
  QPushButton* kCheckRejestruj;
  QPushButton* kPomin;

  // Handlers: each passes the user's action on to the step machine.
  void FormCreate();
  void FormResize();
  void kTabWizardEnter();
  void kPageControlChange();
  void kDalejClick();
  void kWsteczClick();
  void kWizardRejestrujClick();
  void kWizardResetClick();
  void StartClick();  // the evaluation, shown on the chart's tab
  void CheckBox3Click();
  void kStartClick();
  void Button9Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildForm();
  QWidget* BuildPage0();
  QGroupBox* BuildOrder();
  // Offers what this serial number's earlier calibrations say (customers, maker and model) and
  // the people who may calibrate.
  void ShowEarlierDetails();
  CalibrationOrder OrderOnPage0() const;
  QWidget* BuildPage1();
  QWidget* BuildPage2();
  QWidget* BuildPage3();
  void ShowCheck();
  void ShowReferenceDue();
  void WireHandlers();
  // Every control from the machine's state.
  void ShowState();
  void ShowSamples();
  void ShowPorts();
  void ShowPortSummaries();
  void ShowArrival(bool frameDecoded);
  void ShowCount();
  void ShowChannel();

  CalibrationWizard wizard_;
  int samplesShown_ = -1;  // the samples' version the grid and the chart show
  bool overdueTold_ = false;  // once an opening
};
