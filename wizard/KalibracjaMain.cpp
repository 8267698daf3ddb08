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

#include "common/Messages.h"
#include "common/Pacing.h"
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
}

void TkKalibracja::WireHandlers() {
  link_.OnPortsChanged = [this] { ShowPorts(); };
  link_.OnReferenceMeasured = [this] {
    kTabOpcje->Label12->setText(FormatFixed(link_.ReferenceReading(), 5, 4));
  };
  link_.OnArrival = [this](bool decoded) { ShowArrival(decoded); };
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

bool TkKalibracja::OpenFor(TComPort* mainPort, int rangeIndex, int probeRow) {
  mainPort_ = mainPort;
  if (mainPort_ && !handOver_.Release(*mainPort_)) return false;
  link_.rangeIndex = rangeIndex;
  probeRow_ = probeRow;
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

void TkKalibracja::FormClose() {
  // The reference meter goes back to local control before its port closes; a meter that does
  // not answer must not hold the window open.
  ++run_;  // a connection or a search that waits stops
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
  const bool mainPortLost = mainPort_ && !handOver_.Reopen(*mainPort_);
  mainPort_ = nullptr;
  if (OnFinished) OnFinished(mainPortLost);
}

void TkKalibracja::kTabWizardEnter() {
  Label29->setText(RangeName(link_.rangeIndex));
  setWindowTitle("Kalibracja - zakres: " + Label29->text());
  if (mainPort_) kTabOpcje->PairPorts(mainPort_->PortName());
  ShowPortSummaries();  // the pairing may just have swapped the ports
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
  const QString reference = FormatFixed(link_.ReferenceReading(), 5, 2);
  kTabOpcje->Label12->setText(reference);
  kWizardWzorLabel->setText(reference);
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
