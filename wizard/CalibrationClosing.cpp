// The step machine's end: "Zakoncz" and the as-left check page, the record it hands over, and
// the closing sequence (the gain given back or kept, the reference meter released, both ports
// closed, the main port reopened).
#include "wizard/CalibrationSteps.h"

#include <algorithm>

#include "store/AsLeft.h"
#include "wizard/ReferenceProtocol.h"
#include "wizard/Samples.h"
#include "wizard/WizardTexts.h"

using namespace wizard_text;
using Phase = CalibrationSteps::Phase;

void CalibrationSteps::Finish() {
  if (!found_) return;
  // The meter keeps what goes into the cell, even after a gain sent by hand.
  if (meter_.value != found_) {
    if (!Write(*found_)) return;  // nothing is written
    Enter(Phase::Finishing, kGainSettleMs);
    return;
  }
  ToCheck();
}

void CalibrationSteps::ToCheck() {
  asLeft_.clear();
  asLeftTemperatures_.clear();
  skipped_ = false;
  ++samplesVersion_;
  Enter(Phase::Checking);
}

CalibrationRecord CalibrationSteps::Record(int gain) const {
  CalibrationRecord r;
  r.rangeIndex = rangeIndex_;
  r.probeRow = probeRow_;
  r.at = QDateTime::currentDateTimeUtc();
  r.unit = samplesUnit_;
  r.asFound = fitPoints_;
  r.slope = fit_.fitted ? fit_.a : 0;
  r.offset = fit_.fitted ? fit_.b : 0;
  // The fit is Ucal = a X + b with X = Uwz.
  r.residualSd = ResidualSd(r.asFound, r.slope, r.offset).value_or(0);
  r.initialGain = initialGain_;
  r.gainBefore = samplesAt_.value;
  r.gainAfter = gain;
  r.steps = trials_;
  r.search = search_.Used() == GainSearch::Method::Secant ? QStringLiteral("secant") : QStringLiteral("bisection");
  r.asLeft = asLeft_;
  r.asLeftSkipped = skipped_;
  // The probe's temperature over the frames taken as samples of the fit and as check points.
  for (const std::optional<double>& t : fitTemperatures_ + (skipped_ ? decltype(asLeftTemperatures_){} : asLeftTemperatures_)) {
    if (!t) continue;
    r.probeTemperatureMin = r.probeTemperatureMin ? std::min(*r.probeTemperatureMin, *t) : *t;
    r.probeTemperatureMax = r.probeTemperatureMax ? std::max(*r.probeTemperatureMax, *t) : *t;
  }
  return r;
}

void CalibrationSteps::BeginClosing(bool finishing) {
  finishing_ = finishing && lost_ == LostDevice::None;
  closingPage_ = Page();
  if (phase_ == Phase::Disconnecting) {  // the reference meter is being released already
    Enter(Phase::CloseSlave, reference::kSlaveGuardMs);
    return;
  }
  if (!finishing_ && RestoreNeeded() && io_.MeterOpen()) {
    Write(*samplesAt_.value);
    Enter(Phase::CloseGiveBack, kParameterPauseMs);
    return;
  }
  Release();
}

void CalibrationSteps::Release() {
  // The reference meter goes back to local control before its port closes; a meter that does
  // not answer must not hold the window open.
  if (!io_.ReferenceOpen()) {
    CloseBothPorts();
    return;
  }
  Enter(Phase::CloseRelease, reference::kReleaseGuardMs);
  io_.StartRelease();
}

void CalibrationSteps::CloseBothPorts() {
  Enter(Phase::CloseSlave, reference::kSlaveGuardMs);
  if (io_.ClosePorts()) EndClosing();
}

void CalibrationSteps::EndClosing() {
  const bool finished = finishing_ && lost_ == LostDevice::None;
  QStringList told;
  if (lost_ == LostDevice::Meter) told << kMeterLost;
  if (lost_ == LostDevice::Reference) told << kReferenceLost;
  // A meter left at another gain than it had when the wizard opened is told of, the initial
  // gain included.
  if (!finished && !Same(meter_, original_)) {
    if (Same(meter_, opening_) && meter_.value)
      told << InitialGainKept(*meter_.value);
    else
      told << kTrialGainKept;
  }
  if (releaseRefused_) Say(kFailure);
  if (!told.isEmpty()) Say(told.join(QLatin1Char('\n')));
  const bool meterLost = lost_ == LostDevice::Meter;
  const int gain = found_.value_or(0);
  CalibrationRecord record;
  if (finished) record = Record(gain);
  ClearSamples();
  asLeft_.clear();
  asLeftTemperatures_.clear();
  trials_.clear();
  searched_ = false;
  found_.reset();
  finishing_ = false;
  releaseRefused_ = false;
  lost_ = LostDevice::None;
  Enter(Phase::Idle);
  // A meter that went away has been told of once; its port will not open again either.
  const bool mainPortLost = !io_.ReopenMainPort(!meterLost);
  io_.Closed(mainPortLost);
  if (finished) {
    // The record first: a gain in the cell always has its record, kept or waiting.
    const QString kept = io_.Recorded(record);
    io_.GainChosen(gain);
    Say(GainWritten(GainCellText(gain), probeRow_, rangeIndex_) + (kept.isEmpty() ? QString() : "\n" + kept));
  }
}

void CalibrationSteps::Disconnect() {
  // The meter under calibration first: its close hands the reference meter back to local
  // control while the reference port is still open.
  Enter(Phase::Disconnecting, reference::kSlaveGuardMs);
  if (io_.ClosePorts()) Enter(Phase::Idle);
}
