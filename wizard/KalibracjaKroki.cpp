// The wizard's steps: page 0 connects the two meters, page 1 collects samples, page 2 finds the
// gain. "Dalej >>", "<< Wstecz", "Start" and "Zakoncz" of TkKalibracja.
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QCheckBox>
#include <QStackedWidget>

#include "common/Messages.h"
#include "common/Pacing.h"
#include "link/MeterCommands.h"
#include "wizard/ReferenceProtocol.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/WizardTexts.h"

using namespace wizard_text;

namespace {
constexpr int kConnectWaitMs = 200;     // for the first frames after both ports opened
constexpr int kFirstFrameWaitMs = 1000;  // more, while the meter has sent nothing yet
// The handshake's tries and the pause after it; a port write's own time-out is the margin.
constexpr int kHandshakeWaitMs =
    reference::kHandshakeTries * (reference::kMasterPauseMs + 100) + reference::kAfterOpenPauseMs + 2000;

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

void TkKalibracja::BackToPage0(const QString& message) {
  connecting_.Stop();
  ClosePorts();
  step_ = 0;
  kWstecz->setEnabled(false);
  kDalej->setEnabled(true);
  ShowPage(0);
  kDalej->setFocus();
  if (!message.isEmpty()) ShowMessage(message);
}

bool TkKalibracja::SendGain(int gain, bool trial) {
  if (!link_.SendGainFrame(link_.rangeIndex, QString::number(gain))) return false;
  meterGain_ = gain;
  trialSent_ = trial;
  EventWait(kParameterPauseMs);
  return true;
}

void TkKalibracja::NextFromPage0() {
  step_ = 1;
  const int ticket = connecting_.Begin();
  kStart->hide();
  kDalej->setEnabled(false);  // until the meters are connected
  if (link_.kComKalibOpen()) {  // its opening empties the wizard's receive buffer
    try {
      link_.kComKalib.ClearBuffers(true, true);
    } catch (const EComPort&) {
    }
    link_.kComWzorOpen();  // takes the reference meter under remote control
  }
  EventWaitUntil([&] { return !connecting_.Current(ticket) || link_.ReferenceReady(); },
                 kHandshakeWaitMs);
  if (!connecting_.Current(ticket)) return;  // closed or sent back meanwhile
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
  EventWaitUntil(
      [&] {
        return !connecting_.Current(ticket) || link_.Receiver().FramesDecoded() > 0 ||
               !link_.kComKalib.Connected();
      },
      kFirstFrameWaitMs);
  if (!connecting_.Current(ticket)) return;
  if (!link_.kComKalib.Connected() || link_.Receiver().FramesDecoded() == 0) {
    BackToPage0(kFailure);
    return;
  }
  if (link_.WrongRange()) {
    BackToPage0(WrongRange(Label29->text()));
    return;
  }
  if (CheckBox3->isChecked() && SendGain(SpinEdit2->value(), false)) {
    if (!connecting_.Current(ticket)) return;
    trialKept_ = false;  // the user chose the gain the samples are taken at
  }
  samplesGain_ = meterGain_;
  kDalej->setEnabled(true);
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
  ShowSearchStart();
  ShowPage(2);
  step_ = 2;
  kDalej->setText(QStringLiteral("Zakoncz"));
  kDalej->setEnabled(false);
  const int decimals = link_.rangeIndex == 1 || link_.rangeIndex == 3 ? 0 : 1;
  Label35->setText(FormatNumber(target_, 3, decimals));
}

void TkKalibracja::kWsteczClick() {
  if (step_ == 1) {
    connecting_.Stop();
    restoring_.Stop();
    kWstecz->setEnabled(false);
    ShowPage(0);
    step_ = 0;
    kWizardResetClick();
    ClosePorts();
    kDalej->setEnabled(true);
  } else if (step_ == 2) {
    searching_.Stop();
    kStart->hide();
    kDalej->setText(QStringLiteral("Dalej >>"));
    kPostep->clear();
    step_ = 1;
    GiveBackSamplesGain();
  }
}

void TkKalibracja::GiveBackSamplesGain() {
  if (!trialSent_ || !link_.kComKalib.Connected()) {
    ShowPage(1);
    kDalej->setEnabled(true);
    return;
  }
  if (!samplesGain_) {
    // The samples were taken at a gain the meter no longer holds and the wizard cannot send
    // again: new ones, at the gain the meter holds now, are the only sound base.
    kWizardResetClick();
    samplesGain_ = meterGain_;
    trialSent_ = false;
    trialKept_ = true;
    ShowPage(1);
    kDalej->setEnabled(true);
    ShowMessage(kSamplesDropped);
    return;
  }
  // The meter gets the samples' gain again and settles before the next reading is taken.
  const int ticket = restoring_.Begin();
  kDalej->setEnabled(false);
  kWstecz->setEnabled(false);
  kWizardRejestruj->setEnabled(false);
  kPostep->setText(RestoringGain(*samplesGain_));
  const bool sent = SendGain(*samplesGain_, false);
  if (sent && restoring_.Current(ticket)) {
    link_.Receiver().ClearFrameCount();
    EventWait(GainSearch::kSettleMs);
    EventWaitUntil(
        [&] {
          return !restoring_.Current(ticket) || link_.Receiver().FramesDecoded() > 0 ||
                 !link_.kComKalib.Connected();
        },
        kFirstFrameWaitMs);
  }
  if (!restoring_.Current(ticket)) return;  // closed meanwhile
  kPostep->clear();
  kWstecz->setEnabled(true);
  kWizardRejestruj->setEnabled(true);
  ShowPage(1);
  kDalej->setEnabled(true);
}

// ---- The gain search ----

void TkKalibracja::ShowSearchStart() {
  SetBold(Label25, false);
  SetBold(Label32, false);
  // Nothing is shown that this search has not measured.
  Label32->clear();
  Label33->clear();
  Label34->clear();
  kPostep->clear();
}

void TkKalibracja::ShowTrialGain(int gain) {
  Label32->setText(QString::number(gain));
  SpinEdit1->setValue(gain);
  kPostep->setText(SearchStep(search_.Steps(), GainSearch::kMaxSteps));
}

bool TkKalibracja::ShowSearchStep(GainSearch::Outcome outcome, double reading) {
  switch (outcome) {
    case GainSearch::Outcome::Equal:
      SetBold(Label25, true);
      SetBold(Label32, true);
      return true;
    case GainSearch::Outcome::NoFrame:
      ShowMessage(kFailure);
      return false;
    case GainSearch::Outcome::Running:
      Label33->setText(FormatGeneral(reading, 4));
      return true;
    default:
      return true;
  }
}

void TkKalibracja::ShowSearchEnd() {
  kPostep->clear();
  kStart->setEnabled(true);
  const GainSearch::Outcome outcome = search_.Result();
  if (search_.Running() || outcome == GainSearch::Outcome::NoFrame) return;  // no result
  finalGain_ = search_.Gain();
  kDalej->setEnabled(true);
}

void TkKalibracja::kStartClick() {
  if (step_ != 2) return;
  const int ticket = searching_.Begin();
  kStart->setEnabled(false);
  kDalej->setEnabled(false);  // "Zakoncz" only for this search's result
  ShowSearchStart();
  try {
    link_.kComKalib.ClearBuffers(true, true);
  } catch (const EComPort&) {
  }
  search_.Start(link_.rangeIndex, target_);
  auto stillSearching = [&] { return searching_.Current(ticket) && link_.kComKalib.Connected(); };
  while (search_.Running()) {
    const int gain = search_.NextGain();
    ShowTrialGain(gain);
    link_.Receiver().ClearFrameCount();
    if (!SendGain(gain, true)) break;
    Label34->setText(QString::number(search_.Steps()));  // every gain frame sent counts
    // Back, a close or another search meanwhile: stop without a frame or a control change.
    if (!stillSearching()) return;
    EventWait(GainSearch::kSettleMs);
    if (!stillSearching()) return;
    const double reading = link_.CalibratedReading();
    if (!ShowSearchStep(search_.Feed(reading, link_.Receiver().FramesDecoded() > 0), reading)) break;
  }
  ShowSearchEnd();
}

void TkKalibracja::Button9Click() { SendGain(SpinEdit1->value(), true); }

void TkKalibracja::ZakonczClick() {
  const int column = link_.rangeIndex + 1;
  const int row = probeRow_;
  const QString gain = GainCellText(finalGain_);
  // The meter keeps what goes into the cell, even after a gain sent by hand.
  if (meterGain_ != finalGain_) SendGain(finalGain_, false);
  finishing_ = true;
  kStart->hide();
  close();  // hands the ports back and shows the main window
  finishing_ = false;
  if (OnGainChosen) OnGainChosen(column, row, gain);
  step_ = 0;
  kDalej->setText(QStringLiteral("Dalej >>"));
  ShowMessage(GainWritten(gain, row, link_.rangeIndex));
}
