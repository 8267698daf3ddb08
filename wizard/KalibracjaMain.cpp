#include "wizard/KalibracjaMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <utility>

#include "common/Messages.h"
#include "common/Pacing.h"
#include "parameters/MeterParameters.h"
#include "wizard/KalibracjaOpcje.h"
#include "wizard/KalibracjaTablica.h"
#include "wizard/KalibracjaWykres.h"
#include "wizard/WizardTexts.h"

using namespace wizard_text;

TkKalibracja::TkKalibracja(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("kKalibracja");
  setWindowTitle(QStringLiteral("Kalibracja"));
  BuildForm();
  WireHandlers();
  FormCreate();
}

TkKalibracja::~TkKalibracja() {
  // The ports close without their handlers: the window is going.
  link_.OnPortsChanged = nullptr;
  link_.OnArrival = nullptr;
  link_.OnReferenceMeasured = nullptr;
  link_.OnDeviceLost = nullptr;
}

void TkKalibracja::WireHandlers() {
  link_.OnPortsChanged = [this] { ShowPorts(); };
  link_.OnReferenceMeasured = [this](bool polled) {
    kTabOpcje->Label12->setText(FormatFixed(link_.ReferenceReading(), 5, 4));
    if (!polled) return;
    // A measurement asked for by an arrival shows beside the calibrated reading.
    const QString reference = FormatFixed(link_.ReferenceReading(), 5, 2);
    kTabOpcje->Label12->setText(reference);
    kWizardWzorLabel->setText(reference);
  };
  link_.OnArrival = [this](bool decoded) { ShowArrival(decoded); };
  link_.OnDeviceLost = [this](bool meter) {
    // The port closes itself right after this; the wizard closes on the next turn.
    if (std::exchange(lostPending_, true)) return;
    QTimer::singleShot(0, this, [this, meter] { LeaveForLostDevice(meter); });
  };
  connect(kDalej, &QPushButton::clicked, this, &TkKalibracja::kDalejClick);
  connect(kWstecz, &QPushButton::clicked, this, &TkKalibracja::kWsteczClick);
  connect(kWizardRejestruj, &QPushButton::clicked, this, &TkKalibracja::kWizardRejestrujClick);
  connect(kWizardReset, &QPushButton::clicked, this, &TkKalibracja::kWizardResetClick);
  connect(CheckBox3, &QCheckBox::toggled, this, &TkKalibracja::CheckBox3Click);
  connect(CheckBox2, &QCheckBox::toggled, this, [this](bool on) { link_.invertSign = on; });
  connect(kStart, &QPushButton::clicked, this, &TkKalibracja::kStartClick);
  connect(Button9, &QPushButton::clicked, this, &TkKalibracja::Button9Click);
  connect(kPageControl, &QTabWidget::currentChanged, this, [this] {
    if (kPageControl->currentWidget() == kTabWizard) kTabWizardEnter();
    kPageControlChange();
  });
  SG1->OnCountShown = [this] { ShowCount(); };
}

// ---- Window ----

void TkKalibracja::FormCreate() {
  ShowPorts();
  step_ = 0;
  ShowPage(0);
  kPageControlChange();
}

bool TkKalibracja::OpenFor(TComPort* mainPort, int rangeIndex, int probeRow, const QString& cellText) {
  mainPort_ = mainPort;
  if (mainPort_ && !handOver_.Release(*mainPort_)) return false;
  link_.rangeIndex = rangeIndex;
  probeRow_ = probeRow;
  // The ports are paired once, here: a choice made on "Opcje" afterwards stands.
  if (mainPort_) kTabOpcje->PairPorts(mainPort_->PortName());
  const EncodedWord cellGain = EncodeGain(cellText);
  meterGain_ = cellGain.ok() ? std::optional<int>(cellGain.signedWord()) : std::nullopt;
  samplesGain_.reset();
  trialSent_ = false;
  trialKept_ = false;
  finishing_ = false;
  lost_ = Lost::None;
  show();
  raise();
  activateWindow();
  return true;
}

void TkKalibracja::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) kTabWizardEnter();
}

void TkKalibracja::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) kWizardResetClick();
}

void TkKalibracja::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TkKalibracja::FormResize() {
  kStatusPanel0->setFixedWidth(width() / 2);
  kTabOpcje->kOpcjeGroupBox1->setFixedWidth(qMax(0, width() / 2 - 8));
  kTabWykres->CentreNotice();
}

void TkKalibracja::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TkKalibracja::StopOperations() {
  connecting_.Stop();
  searching_.Stop();
  restoring_.Stop();
}

void TkKalibracja::FormClose() {
  StopOperations();
  // Left without "Zakoncz" after a search: the meter gets the samples' gain back when it is
  // known; otherwise the user is told that it keeps the trial gain.
  QStringList messages;
  if (lost_ == Lost::Meter) messages << kMeterLost;
  if (lost_ == Lost::Reference) messages << kReferenceLost;
  if (!finishing_ && trialSent_ && samplesGain_ && link_.kComKalib.Connected())
    SendGain(*samplesGain_, false);
  if (!finishing_ && (trialSent_ || trialKept_)) messages << kTrialGainKept;
  // The reference meter goes back to local control before its port closes; a meter that does
  // not answer must not hold the window open.
  const TwoMeterLink::Handshake release = link_.ReleaseReference();
  ClosePorts();
  kWizardResetClick();  // before the tab changes, so that no old sample is evaluated
  kPageControl->setCurrentWidget(kTabWizard);
  step_ = 0;
  kWstecz->setEnabled(false);
  kStart->hide();
  kDalej->setText(QStringLiteral("Dalej >>"));
  kDalej->setEnabled(true);
  ShowPage(0);
  if (release == TwoMeterLink::Handshake::NoAnswer) ShowMessage(kFailure);
  if (!messages.isEmpty()) ShowMessage(messages.join(QLatin1Char('\n')));
  // A meter that went away has been told of once; its port will not open again either.
  const bool mainPortLost = mainPort_ && !handOver_.Reopen(*mainPort_, lost_ != Lost::Meter);
  lost_ = Lost::None;
  mainPort_ = nullptr;
  if (OnFinished) OnFinished(mainPortLost);
}

void TkKalibracja::kTabWizardEnter() {
  Label29->setText(RangeName(link_.rangeIndex));
  setWindowTitle("Kalibracja - zakres: " + Label29->text());
  ShowPortSummaries();  // the opening may just have paired the ports anew
  if (step_ == 0) {
    kDalej->setEnabled(true);
    kDalej->setText(QStringLiteral("Dalej >>"));
    kStart->hide();
  }
}

void TkKalibracja::kPageControlChange() {
  if (samples_.Count() < 2) {
    kTabWykres->ShowNoSeries();
  } else {
    StartClick();
    kTabWykres->HideNotice();
  }
  ShowPortSummaries();
}

void TkKalibracja::ShowPortSummaries() {
  Label15->setText(PortSummary(link_.kComWzor.Settings()));
  Label16->setText(PortSummary(link_.kComKalib.Settings()));
}

void TkKalibracja::ShowPage(int page) { kWizardPages->setCurrentIndex(page); }

void TkKalibracja::CheckBox3Click() { SpinEdit2->setVisible(CheckBox3->isChecked()); }

// ---- Links ----

void TkKalibracja::ShowPorts() {
  kStatusPanel0->setText(link_.kComWzor.Connected() ? QStringLiteral("Wzor: Online")
                                                    : QStringLiteral("Wzor: Offline"));
  kStatusPanel1->setText(link_.kComKalib.Connected() ? QStringLiteral("Kalib: Online")
                                                     : QStringLiteral("Kalib: Offline"));
  kTabOpcje->ShowPorts();
}

void TkKalibracja::ShowArrival(bool frameDecoded) {
  if (frameDecoded) {
    const QString calibrated = FormatGeneral(link_.CalibratedReading(), 4);
    kTabOpcje->Label13->setText(calibrated);
    kWizardKalLabel->setText(calibrated);
    Label36->setText(calibrated);
  }
}

void TkKalibracja::LeaveForLostDevice(bool meter) {
  lostPending_ = false;
  if (!isVisible()) return;
  StopOperations();
  lost_ = meter ? Lost::Meter : Lost::Reference;
  close();
}

void TkKalibracja::ClosePorts() {
  // The meter under calibration first: its close hands the reference meter back to local
  // control while the reference port is still open.
  link_.kComKalibClose();
  link_.kComWzorClose();
}

// ---- Samples ----

void TkKalibracja::kWizardRejestrujClick() {
  const double reference = link_.ReferenceReading();
  const double calibrated = link_.CalibratedReading();
  if (!samples_.Register(reference, calibrated)) {
    QApplication::beep();  // the table is full
    return;
  }
  kWizardKalLabel->setText(FormatGeneral(calibrated, 4));
  kWizardWzorLabel->setText(FormatGeneral(reference, 5));
  ShowCount();
  SG1->WyswietlTablice();
}

void TkKalibracja::kWizardResetClick() {
  samples_.Clear();
  kWizardKalLabel->setText(QStringLiteral("0"));
  kWizardIloscProbekLabel->setText(QStringLiteral("0"));
  kWizardWzorLabel->setText(QStringLiteral("0"));
  SG1->ClearRows();
  kTabWykres->kWykresLabel2->clear();
  kTabWykres->kWykresLabel4->setText(kNoEquation);
}

void TkKalibracja::ShowCount() { kWizardIloscProbekLabel->setText(QString::number(samples_.Count())); }

void TkKalibracja::StartClick() {
  const Evaluation& e = samples_.Evaluate();
  if (!e.fitted) ShowMessage(kNoSpread);
  kTabWykres->kWykresLabel2->setText(ReferenceEquationText(e));
  kTabWykres->kWykresLabel4->setText(EquationText(e));
  SG1->WyswietlTablice();
  kTabWykres->KreslWykresClick();
}
