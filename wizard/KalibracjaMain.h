#pragma once
// TkKalibracja: the calibration wizard's window. Created once at start and kept for the whole
// run; it drives the meter under calibration and the reference meter on two ports (the link and
// the samples live in fluxa_core: TwoMeterLink, SampleTable). Tabs "Dane" (the sample grid and
// the wizard's pages), "Wykres" (TkWykres) and "Opcje" (TkOpcje); a status line shows both
// links.
#include <QWidget>
#include <functional>
#include <optional>

#include "wizard/GainSearch.h"
#include "wizard/Samples.h"
#include "wizard/TwoMeterLink.h"

class QCheckBox;
class QGroupBox;
class QLabel;
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
  // be null: the wizard then keeps its own port names. cellText is the Sondy cell's gain, which
  // the meter is taken to hold (empty: not known). False, and nothing shown, when the main
  // window's port does not close.
  bool OpenFor(TComPort* mainPort, int rangeIndex, int probeRow, const QString& cellText = {});
  // After the wizard closed and handed the main port back: the main window shows itself again;
  // mainPortLost tells that its port had been open and would not open again.
  std::function<void(bool mainPortLost)> OnFinished;
  // "Zakoncz": the gain found goes into the Sondy cell of the range (column 1..4) and the probe
  // (row 1..2), as the text the cell holds.
  std::function<void(int column, int row, const QString& gainText)> OnGainChosen;

  TwoMeterLink& Link() { return link_; }
  const TwoMeterLink& Link() const { return link_; }
  SampleTable& Samples() { return samples_; }
  int Step() const { return step_; }
  int ProbeRow() const { return probeRow_; }
  // The reading the meter should show, set by the step to the last page.
  double TargetReading() const { return target_; }
  // The gain word the last completed search ended with.
  int FinalGain() const { return finalGain_; }
  // The gain the samples are taken at, when the wizard knows it.
  std::optional<int> SamplesGain() const { return samplesGain_; }
  const GainSearch& Search() const { return search_; }

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
  QPushButton* kWstecz;
  QPushButton* kDalej;
  QPushButton* kStart;
  QLabel* Label11;
  QLabel* Label15;
  QLabel* Label16;
  QLabel* Label29;
  QCheckBox* CheckBox3;
  QSpinBox* SpinEdit2;
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

  // Handlers
  void FormCreate();
  void FormClose();
  void FormResize();
  void kTabWizardEnter();
  void kPageControlChange();
  void kDalejClick();
  void kWsteczClick();
  void kWizardRejestrujClick();
  void kWizardResetClick();
  void StartClick();
  void CheckBox3Click();
  void kStartClick();
  void Button9Click();
  void ZakonczClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildForm();
  QWidget* BuildPage0();
  QWidget* BuildPage1();
  QWidget* BuildPage2();
  void WireHandlers();
  void ShowPage(int page);
  void ShowPorts();
  void ShowPortSummaries();
  void ShowArrival(bool frameDecoded);
  void ShowCount();
  void NextFromPage0();
  void NextFromPage1();
  void BackToPage0(const QString& message);
  void ClosePorts();
  // The gain search, step by step: what each outcome shows, and how the search ends.
  void ShowSearchStart();
  void ShowTrialGain(int gain);
  bool ShowSearchStep(GainSearch::Outcome outcome, double reading);  // false: the search failed
  void ShowSearchEnd();
  // Sends a gain to the meter under calibration and notes what the meter holds.
  bool SendGain(int gain, bool trial);
  // Back from page 2: the meter gets the samples' gain again, or the samples go.
  void GiveBackSamplesGain();
  void LeaveForLostDevice(bool meter);
  void StopOperations();

  // One operation that waits with the event loop running. Begin() hands out a ticket and makes
  // every earlier ticket of the same operation stale; Stop() makes the running one stale. An
  // operation goes on after each wait only while its ticket is current.
  class Operation {
   public:
    int Begin() { return ++generation_; }
    void Stop() { ++generation_; }
    bool Current(int ticket) const { return ticket == generation_; }

   private:
    int generation_ = 0;
  };
  Operation connecting_;  // page 0 -> 1
  Operation searching_;   // "Start"
  Operation restoring_;   // Back from page 2 giving the samples' gain back

  TwoMeterLink link_;
  SampleTable samples_;
  MainPortHandOver handOver_;
  TComPort* mainPort_ = nullptr;
  GainSearch search_;
  int step_ = 0;
  int probeRow_ = 1;
  double target_ = 0;
  int finalGain_ = 0;
  // What the meter under calibration holds, as far as the wizard knows.
  std::optional<int> meterGain_;
  std::optional<int> samplesGain_;  // the gain the samples are taken at
  bool trialSent_ = false;   // a trial gain went out since the samples' gain was set
  bool trialKept_ = false;   // the meter keeps a trial gain that cannot be given back
  bool finishing_ = false;   // "Zakoncz": the meter keeps the gain found
  enum class Lost { None, Meter, Reference };
  Lost lost_ = Lost::None;   // why the wizard closes, when a device went away
  bool lostPending_ = false;
};
