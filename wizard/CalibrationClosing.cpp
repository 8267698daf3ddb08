// The step machine's end: "Zakoncz" and the as-left check page, the record it hands over, and
// the closing sequence (the gain given back or kept, the reference meter released, both ports
// closed, the main port reopened).
#include "wizard/CalibrationSteps.h"

#include "store/AsLeft.h"
#include "wizard/Samples.h"
#include "wizard/WizardTexts.h"

using namespace wizard_text;
using Phase = CalibrationSteps::Phase;

void CalibrationSteps::Finish() {
  if (!found_) return;
  // The meter keeps what goes into the cell, even after a gain sent by hand.
  if (meter_.value != found_) {
    if (!Write(*found_)) return;  // said by the writer; nothing is written
    Enter(Phase::Finishing, kParameterPauseMs);
    return;
  }
  ToCheck();
}

void CalibrationSteps::ToCheck() {
  asLeft_.clear();
  skipped_ = false;
  ++samplesVersion_;
  Enter(Phase::Checking);
}

void CalibrationSteps::RegisterCheck() {
  asLeft_.append({io_.ReferenceReading(), io_.MeterReading(), QDateTime::currentDateTimeUtc()});
  ++samplesVersion_;
  Enter(Phase::Checking);
}

CalibrationRecord CalibrationSteps::Record(int gain) const {
  CalibrationRecord r;
  r.rangeIndex = rangeIndex_;
  r.probeRow = probeRow_;
  r.at = QDateTime::currentDateTimeUtc();
  for (int i = 1; i <= samples_.Count(); ++i) {
    const Sample& sample = samples_.At(i);
    r.asFound.append({sample.uwz, sample.ucal, sample.at});
  }
  const Evaluation& e = samples_.Result();
  r.slope = e.fitted ? e.a : 0;
  r.offset = e.fitted ? e.b : 0;
  // The fit is Ucal = a X + b with X = Uwz.
  r.residualSd = ResidualSd(r.asFound, r.slope, r.offset).value_or(0);
  r.gainBefore = samplesAt_.value;
  r.gainAfter = gain;
  r.steps = trials_;
  r.search = search_.Used() == GainSearch::Method::Secant ? QStringLiteral("secant") : QStringLiteral("bisection");
  r.asLeft = asLeft_;
  r.asLeftSkipped = skipped_;
  return r;
}

void CalibrationSteps::BeginClosing(bool finishing) {
  finishing_ = finishing && lost_ == Lost::None;
  closingPage_ = Page();
  if (phase_ == Phase::Disconnecting) {  // the reference meter is being released already
    Enter(Phase::CloseSlave, kSlaveGuardMs);
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
  Enter(Phase::CloseRelease, kReleaseGuardMs);
  io_.StartRelease();
}

void CalibrationSteps::CloseBothPorts() {
  Enter(Phase::CloseSlave, kSlaveGuardMs);
  if (io_.ClosePorts()) EndClosing();
}

void CalibrationSteps::EndClosing() {
  const bool finished = finishing_ && lost_ == Lost::None;
  QStringList told;
  if (lost_ == Lost::Meter) told << kMeterLost;
  if (lost_ == Lost::Reference) told << kReferenceLost;
  if (!finished && !Same(meter_, opening_)) told << kTrialGainKept;
  if (releaseRefused_) Say(kFailure);
  if (!told.isEmpty()) Say(told.join(QLatin1Char('\n')));
  const bool meterLost = lost_ == Lost::Meter;
  const int gain = found_.value_or(0);
  CalibrationRecord record;
  if (finished) record = Record(gain);
  ClearSamples();
  asLeft_.clear();
  trials_.clear();
  searched_ = false;
  found_.reset();
  finishing_ = false;
  releaseRefused_ = false;
  lost_ = Lost::None;
  Enter(Phase::Idle);
  Flush();  // the messages come before the main window is back
  // A meter that went away has been told of once; its port will not open again either.
  const bool mainPortLost = !io_.ReopenMainPort(!meterLost);
  io_.Closed(mainPortLost);
  if (finished) {
    io_.GainChosen(gain);
    const QString kept = io_.Recorded(record);
    Say(GainWritten(GainCellText(gain), probeRow_, rangeIndex_) + (kept.isEmpty() ? QString() : "\n" + kept));
  }
}

void CalibrationSteps::Disconnect() {
  // The meter under calibration first: its close hands the reference meter back to local
  // control while the reference port is still open.
  Enter(Phase::Disconnecting, kSlaveGuardMs);
  if (io_.ClosePorts()) Enter(Phase::Idle);
}
