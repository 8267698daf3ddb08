// The wizard's steps: page 0 connects the two meters, page 1 collects samples, page 2 finds the
// gain. "Dalej >>", "<< Wstecz", "Start" and "Zakoncz" of TkKalibracja.
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QCheckBox>
#include <QStackedWidget>

#include "common/Messages.h"
#include "common/Pacing.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/WizardTexts.h"

using namespace wizard_text;

namespace {
constexpr int kConnectWaitMs = 200;     // for the first frames after both ports opened
constexpr int kFirstFrameWaitMs = 1000;  // more, while the meter has sent nothing yet
constexpr int kWaitSliceMs = 50;

void SetBold(QLabel* label, bool bold) {
  QFont f = label->font();
  f.setBold(bold);
  label->setFont(f);
}
}  // namespace

void TkKalibracja::kDalejClick() {
  if (step_ == 0)
    NextFromPage0();
  else if (step_ == 1)
    NextFromPage1();
  else
    ZakonczClick();
}

bool TkKalibracja::StillOn(int step, int run) const {
  return isVisible() && step_ == step && run_ == run;
}

void TkKalibracja::BackToPage0(const QString& message) {
  ClosePorts();
  step_ = 0;
  kWstecz->setEnabled(false);
  ShowPage(0);
  kDalej->setFocus();
  if (!message.isEmpty()) ShowMessage(message);
}

void TkKalibracja::NextFromPage0() {
  step_ = 1;
  const int run = ++run_;
  kStart->hide();
  link_.Receiver().ClearFrameCount();
  if (link_.kComKalibOpen()) {
    try {
      link_.kComKalib.ClearBuffers(true, true);
    } catch (const EComPort&) {
    }
    link_.kComWzorOpen();  // takes the reference meter under remote control
  }
  // Never go on with a port that is not open or a reference meter that is not under remote
  // control.
  const bool masterRefused = link_.kComWzor.Connected() &&
                             link_.LastSetMaster() != TwoMeterLink::Handshake::Acknowledged;
  if (!link_.kComKalib.Connected() || !link_.kComWzor.Connected() || masterRefused) {
    BackToPage0(masterRefused ? kFailure : QString());
    return;
  }
  // The range check needs a frame of this opening: a silent meter does not pass.
  EventWait(kConnectWaitMs);
  QElapsedTimer more;
  more.start();
  while (StillOn(1, run) && link_.Receiver().FramesDecoded() == 0 && more.elapsed() < kFirstFrameWaitMs)
    EventWait(kWaitSliceMs);
  if (!StillOn(1, run)) return;  // closed or sent back meanwhile
  if (!link_.kComKalib.Connected() || link_.Receiver().FramesDecoded() == 0) {
    BackToPage0(kFailure);
    return;
  }
  if (link_.WrongRange()) {
    BackToPage0(WrongRange(Label29->text()));
    return;
  }
  if (CheckBox3->isChecked()) link_.wyslij_wzmocnienie(link_.rangeIndex, QString::number(SpinEdit2->value()));
  kWstecz->setEnabled(true);
  ShowPage(1);
  kWizardRejestruj->setFocus();
}

void TkKalibracja::NextFromPage1() {
  if (samples_.Count() < 2) return;
  StartClick();
  const std::optional<double> target = samples_.Target(link_.CalibratedReading());
  if (!target) return;  // no fit: there is nothing to calibrate against
  target_ = *target;
  kStart->show();
  kStart->setEnabled(true);
  SetBold(Label25, false);
  SetBold(Label32, false);
  kPostep->clear();
  ShowPage(2);
  step_ = 2;
  kDalej->setText(QStringLiteral("Zakoncz"));
  kDalej->setEnabled(false);
  const int decimals = link_.rangeIndex == 1 || link_.rangeIndex == 3 ? 0 : 1;
  Label35->setText(FormatNumber(target_, 3, decimals));
}

void TkKalibracja::kWsteczClick() {
  ++run_;  // stops a search or a connection that waits
  if (step_ == 1) {
    kWstecz->setEnabled(false);
    ShowPage(0);
    step_ = 0;
    kWizardResetClick();
    ClosePorts();
  } else if (step_ == 2) {
    kStart->hide();
    kDalej->setEnabled(true);
    kDalej->setText(QStringLiteral("Dalej >>"));
    kPostep->clear();
    ShowPage(1);
    step_ = 1;
  }
}

void TkKalibracja::kStartClick() {
  if (step_ != 2) return;
  const int run = ++run_;
  kStart->setEnabled(false);
  SetBold(Label25, false);
  SetBold(Label32, false);
  try {
    link_.kComKalib.ClearBuffers(true, true);
  } catch (const EComPort&) {
  }
  search_.Start(link_.rangeIndex, target_);
  link_.pollReference = false;
  struct PollAgain {
    TwoMeterLink& link;
    ~PollAgain() { link.pollReference = true; }
  } pollAgain{link_};
  while (search_.Running()) {
    const int gain = search_.NextGain();
    Label32->setText(QString::number(gain));
    SpinEdit1->setValue(gain);
    kPostep->setText(QStringLiteral("Krok %1 z %2").arg(search_.Steps()).arg(GainSearch::kMaxSteps));
    link_.Receiver().ClearFrameCount();
    if (!link_.wyslij_wzmocnienie(link_.rangeIndex, QString::number(gain))) break;
    EventWait(GainSearch::kSettleMs);
    // Back, a close or another search meanwhile: stop without a frame or a control change.
    if (!StillOn(2, run) || !link_.kComKalib.Connected()) return;
    const double reading = link_.CalibratedReading();
    switch (search_.Feed(reading, link_.Receiver().FramesDecoded() > 0)) {
      case GainSearch::Outcome::Equal:
        SetBold(Label25, true);
        SetBold(Label32, true);
        break;
      case GainSearch::Outcome::NoFrame:
        kPostep->clear();
        kStart->setEnabled(true);  // "Zakoncz" stays disabled: there is no result
        ShowMessage(kFailure);
        return;
      case GainSearch::Outcome::Running:
        Label33->setText(FormatGeneral(reading, 4));
        Label34->setText(QString::number(search_.Steps()));
        break;
      default:
        break;
    }
  }
  kPostep->clear();
  if (search_.Running()) {  // the trial gain did not go out
    kStart->setEnabled(true);
    return;
  }
  finalGain_ = search_.Gain();
  kDalej->setEnabled(true);
  kStart->setEnabled(true);
}

void TkKalibracja::Button9Click() {
  link_.wyslij_wzmocnienie(link_.rangeIndex, QString::number(SpinEdit1->value()));
}

void TkKalibracja::ZakonczClick() {
  const int column = link_.rangeIndex + 1;
  const int row = probeRow_;
  const QString gain = GainCellText(finalGain_);
  kStart->hide();
  close();  // hands the ports back and shows the main window
  if (OnGainChosen) OnGainChosen(column, row, gain);
  step_ = 0;
  kDalej->setText(QStringLiteral("Dalej >>"));
}
