#include "wizard/CalibrationSteps.h"

#include <cmath>
#include <utility>

#include "wizard/ReferenceProtocol.h"

#include "parameters/Transfer.h"
#include "wizard/Samples.h"
#include "wizard/WizardTexts.h"

using namespace wizard_text;
using Phase = CalibrationSteps::Phase;
using Event = CalibrationSteps::Event;

bool CalibrationSteps::Same(const HeldGain& a, const HeldGain& b) {
  return a.writes == b.writes || (a.value && b.value && *a.value == *b.value);
}

bool CalibrationSteps::Takes(Phase phase, Event event) {
  // Every phase takes a close request, and every phase with a port open the loss of a device
  // (a loss reported late, after the ports closed, is no news).
  if (event == Event::Close) return true;
  if (event == Event::MeterLost || event == Event::ReferenceLost) return phase != Phase::Idle;
  switch (phase) {
    case Phase::Idle:  // samples there belong to no calibration yet: the next opening clears them
      return event == Event::Next || event == Event::Channel || event == Event::Delete ||
             event == Event::Refit;
    case Phase::Connecting:
      return event == Event::ReferenceReady || event == Event::Timer;
    case Phase::RangeCheck:
    case Phase::FirstFrame:
    case Phase::InitialGain:
    case Phase::DebugPause:
    case Phase::GivingBack:
    case Phase::Finishing:
    case Phase::CloseGiveBack:
      return event == Event::Timer || event == Event::Frame;
    case Phase::Restoring:  // on the way to page 1: a second Back goes on to page 0
    case Phase::RestoreFrame:
      return event == Event::Timer || event == Event::Frame || event == Event::Back;
    case Phase::Sampling:
      return event == Event::Next || event == Event::Back || event == Event::Register ||
             event == Event::Reset || event == Event::Frame || event == Event::Delete ||
             event == Event::Refit || event == Event::Channel;
    case Phase::Registering:
    case Phase::CheckRegistering:
      return event == Event::Timer || event == Event::Frame || event == Event::Reply;
    case Phase::Disconnecting:
    case Phase::CloseSlave:
      return event == Event::ReferenceClosed || event == Event::Timer;
    case Phase::Ready:
      return event == Event::Start || event == Event::Back || event == Event::DebugSend;
    case Phase::Found:
      return event == Event::Start || event == Event::Back || event == Event::DebugSend ||
             event == Event::Next;
    case Phase::Searching:
      return event == Event::Back || event == Event::Timer || event == Event::Frame;
    case Phase::CloseRelease:
      return event == Event::ReleaseDone || event == Event::Timer;
    case Phase::Checking:
      return event == Event::Next || event == Event::Skip || event == Event::Register ||
             event == Event::Reset || event == Event::Frame;
  }
  return false;
}

CalibrationSteps::CalibrationSteps(StepsIo& io, SampleTable& samples) : io_(io), samples_(samples) {}

void CalibrationSteps::Open(int rangeIndex, int probeRow) {
  rangeIndex_ = rangeIndex;
  probeRow_ = probeRow;
  phase_ = Phase::Idle;
  target_ = 0;
  searched_ = false;
  found_.reset();
  writes_ = 0;
  meter_ = samplesAt_ = opening_ = original_ = HeldGain{};
  initialGain_.reset();
  fitPoints_.clear();
  fitTemperatures_.clear();
  fit_ = Evaluation{};
  asLeftTemperatures_.clear();
  finishing_ = false;
  trials_.clear();
  asLeft_.clear();
  skipped_ = false;
  releaseRefused_ = false;
  lost_ = LostDevice::None;
  messages_.clear();
  io_.Changed();
}

bool CalibrationSteps::Closing() const {
  return phase_ == Phase::CloseGiveBack || phase_ == Phase::CloseRelease || phase_ == Phase::CloseSlave;
}

int CalibrationSteps::Page() const {
  switch (phase_) {
    case Phase::Idle:
    case Phase::Connecting:
    case Phase::RangeCheck:
    case Phase::FirstFrame:
    case Phase::InitialGain:
    case Phase::Disconnecting:
      return 0;
    case Phase::Sampling:
    case Phase::Registering:
      return 1;
    case Phase::Checking:
    case Phase::CheckRegistering:
      return 3;
    case Phase::CloseGiveBack:
    case Phase::CloseRelease:
    case Phase::CloseSlave:
      return closingPage_;
    default:
      return 2;
  }
}

int CalibrationSteps::Step() const {
  switch (phase_) {
    case Phase::Idle:
    case Phase::Disconnecting:
      return 0;
    case Phase::Connecting:
    case Phase::RangeCheck:
    case Phase::FirstFrame:
    case Phase::InitialGain:
    case Phase::Sampling:
    case Phase::Registering:
    case Phase::Restoring:
    case Phase::RestoreFrame:
      return 1;
    case Phase::CloseGiveBack:
    case Phase::CloseRelease:
    case Phase::CloseSlave:
      return 0;
    case Phase::Checking:
    case Phase::CheckRegistering:
      return 3;
    default:
      return 2;
  }
}

QString CalibrationSteps::Progress() const {
  if (phase_ == Phase::Searching) return SearchStep(search_.Steps(), GainSearch::kMaxSteps);
  if ((phase_ == Phase::Restoring || phase_ == Phase::RestoreFrame || phase_ == Phase::GivingBack) &&
      samplesAt_.value)
    return RestoringGain(*samplesAt_.value);
  return {};
}

void CalibrationSteps::Enter(Phase phase, int timerMs) {
  phase_ = phase;
  frames_ = 0;
  if (timerMs > 0)
    io_.StartTimer(timerMs);
  else
    io_.StopTimer();
}

bool CalibrationSteps::Write(int gain) {
  ++writes_;
  const bool sent = io_.SendGain(gain);
  meter_ = HeldGain{writes_, sent ? std::optional<int>(gain) : std::nullopt};
  if (!sent) Say(CannotSendText(QString::number(gain), 4 * rangeIndex_));
  return sent;
}

bool CalibrationSteps::Take(const Input& input) {
  if (taking_) {
    // A step that let another event in would carry on from a state it no longer holds.
    ++refused_;
    return false;
  }
  if (!Takes(phase_, input.event)) return true;
  taking_ = true;
  const Event e = input.event;
  if (e == Event::MeterLost || e == Event::ReferenceLost) {
    Lost(e);
  } else if (e == Event::Close) {
    CloseAsked();
  } else if (e == Event::Frame) {
    OnFrame();
  } else {
    switch (phase_) {
      case Phase::Idle: FromIdle(input); break;
      case Phase::Connecting: FromConnecting(); break;
      case Phase::RangeCheck: FromRangeCheck(); break;
      case Phase::FirstFrame:  // no frame within the second
        Say(kFailure);
        Disconnect();
        break;
      case Phase::InitialGain: ToSampling(); break;
      case Phase::Sampling: FromSampling(input); break;
      case Phase::Registering:
      case Phase::CheckRegistering: FromRegistering(input); break;
      case Phase::Disconnecting:
        if (io_.ReferenceOpen()) io_.CloseReferenceNow();  // Set Slave's guard is over
        Enter(Phase::Idle);
        break;
      case Phase::Ready:
      case Phase::Found:
      case Phase::Searching: FromPage2(input); break;
      case Phase::DebugPause:
      case Phase::GivingBack: Enter(found_ ? Phase::Found : Phase::Ready); break;
      case Phase::Finishing: ToCheck(); break;
      case Phase::Checking: FromChecking(input); break;
      case Phase::Restoring:
      case Phase::RestoreFrame:
        if (e == Event::Back) {
          ClearSamples();
          Disconnect();
        } else if (phase_ == Phase::Restoring) {
          Enter(Phase::RestoreFrame, kFreshFrameMs);
        } else {  // the meter sent nothing at the gain given back
          RestoreFailed(kRestoreNoFrame);
        }
        break;
      case Phase::CloseGiveBack:
      case Phase::CloseRelease:
      case Phase::CloseSlave: FromClosing(input); break;
    }
  }
  taking_ = false;
  io_.Changed();
  Deliver();
  return true;
}

void CalibrationSteps::Deliver() {
  // One at a time, when the window already shows the new phase: a message box runs events of
  // its own, and each of them is a whole step.
  if (delivering_ || taking_) return;
  delivering_ = true;
  while (!messages_.isEmpty()) io_.Tell(messages_.takeFirst());
  delivering_ = false;
}

void CalibrationSteps::Lost(Event e) {
  // Told once, whatever else goes away while the wizard closes.
  if (lost_ == LostDevice::None) lost_ = e == Event::MeterLost ? LostDevice::Meter : LostDevice::Reference;
  if (!Closing())
    BeginClosing(phase_ == Phase::Finishing);
  else if (phase_ == Phase::CloseRelease && e == Event::ReferenceLost)
    CloseBothPorts();  // nothing left to release
}

void CalibrationSteps::CloseAsked() {
  // "Zakoncz" was said before the check page: closing there ends the calibration with what the
  // check took so far.
  if (Checking()) {
    skipped_ = asLeft_.isEmpty();
    BeginClosing(true);
  } else if (!Closing() && phase_ != Phase::Finishing) {
    BeginClosing(false);
  }
}

void CalibrationSteps::OnFrame() {
  ++frames_;
  switch (phase_) {
    case Phase::FirstFrame: CheckRange(); break;
    case Phase::RestoreFrame: ToSampling(); break;
    case Phase::Registering:
    case Phase::CheckRegistering:
      if (io_.MeterUnit() != registerUnit_) {
        Say(UnitChanged(registerUnit_, io_.MeterUnit()));
        EndRegistering();
      } else if (freshReply_) {
        RegisterPair();
      }
      break;
    default: break;
  }
}

void CalibrationSteps::FromIdle(const Input& input) {
  if (input.event != Event::Next) {
    FromSampling(input);  // the grid's and the channel's events, as on page 1
    return;
  }
  // A calibration whose record cannot be kept does not start.
  const QString refusal = io_.StoreRefusal();
  if (!refusal.isEmpty()) {
    Say(RecordCannotBeKept(refusal));
    return;
  }
  Enter(Phase::Connecting, reference::kConnectGuardMs);
  ClearSamples();
  initialGain_.reset();
  if (input.flag) opening_.value = int(input.value);  // sent once the meter is checked
  else opening_ = HeldGain{};
  if (!io_.OpenPorts()) Disconnect();
}

void CalibrationSteps::FromConnecting() {
  Connected();
}

void CalibrationSteps::FromRangeCheck() {
  if (frames_ > 0)
    CheckRange();
  else
    Enter(Phase::FirstFrame, kFirstFrameMs);
}

void CalibrationSteps::FromSampling(const Input& input) {
  switch (input.event) {
    case Event::Next: {
      if (samples_.Count() < 2 || !EvaluateSamples()) break;
      const QString reference = io_.ReferenceUnit();
      if (reference.isEmpty()) {
        Say(kReferenceUnitNotChosen);
        break;
      }
      if (reference != samplesUnit_) {
        Say(UnitsDiffer(reference, samplesUnit_));
        break;
      }
      ToPage2();
      break;
    }
    case Event::Back:
      ClearSamples();
      Disconnect();
      break;
    case Event::Register:
      if (samples_.Count() < SampleTable::kCapacity) StartRegistering();  // full: nothing to take
      break;
    case Event::Reset:
      ClearSamples();
      break;
    case Event::Delete:
      if (!DeleteSample(int(input.value))) Say(kNoWay);
      break;
    case Event::Refit:
      EvaluateSamples();
      break;
    case Event::Channel:
      io_.SetChannel(int(input.value));
      if (samples_.Count() > 0) {  // they were read on another channel
        ClearSamples();
        Say(kChannelSamplesDropped);
      }
      break;
    default: break;
  }
}

void CalibrationSteps::StartRegistering() {
  queryMark_ = io_.QueriesSent();
  freshReply_ = false;
  // A pair in another unit than the samples before it (and the fit) is no sample of theirs.
  registerUnit_ = samples_.Count() == 0 ? io_.MeterUnit() : samplesUnit_;
  Enter(phase_ == Phase::Checking ? Phase::CheckRegistering : Phase::Registering, kFreshPairMs);
}

void CalibrationSteps::FromRegistering(const Input& input) {
  if (input.event == Event::Reply) {
    // Only a valid reply to a query sent after "Rejestruj" is fresh; the meter's frame that
    // follows it completes the pair.
    if (input.flag && input.value > queryMark_) freshReply_ = true;
    if (freshReply_ && frames_ > 0) RegisterPair();
    return;
  }
  Say(kNoFreshPair);
  EndRegistering();
}

void CalibrationSteps::RegisterPair() {
  const CalibrationPoint point{io_.ReferenceReading(), io_.MeterReading(), QDateTime::currentDateTimeUtc()};
  if (phase_ == Phase::CheckRegistering) {
    asLeft_.append(point);
    asLeftTemperatures_.append(io_.ProbeTemperature());
  } else {
    samples_.Register(point.reference, point.calibrated);
    sampleTemperatures_.append(io_.ProbeTemperature());
    samplesUnit_ = registerUnit_;
  }
  ++samplesVersion_;
  EndRegistering();
}

void CalibrationSteps::EndRegistering() {
  if (phase_ == Phase::CheckRegistering)
    Enter(Phase::Checking);
  else
    ToSampling();
}

void CalibrationSteps::FromPage2(const Input& input) {
  switch (input.event) {
    case Event::Start:
      io_.ClearMeterInput();
      search_.Start(rangeIndex_, target_, io_.SearchMethod());
      searched_ = true;
      trials_.clear();
      found_.reset();
      SendTrial();
      break;
    case Event::Back:
      BackFromPage2();
      break;
    case Event::DebugSend:
      if (input.value < 0 || input.value > 32767)
        Say(CannotSendText(QString::number(input.value), 4 * rangeIndex_));
      else if (Write(int(input.value)))
        Enter(Phase::DebugPause, kGainSettleMs);
      break;
    case Event::Next:
      Finish();
      break;
    case Event::Timer:  // a search step's wait is over
      SearchStepOver();
      break;
    default: break;
  }
}

void CalibrationSteps::FromChecking(const Input& input) {
  switch (input.event) {
    case Event::Next:
    case Event::Skip:
      // "Zakoncz" needs a point taken (a second click of the page before's "Zakoncz" must not
      // skip the check); "Pomiń" is the way without one.
      if (input.event == Event::Next && asLeft_.isEmpty()) break;
      skipped_ = input.event == Event::Skip;
      if (skipped_) {
        asLeft_.clear();
        asLeftTemperatures_.clear();
      }
      BeginClosing(true);
      break;
    case Event::Register:
      StartRegistering();
      break;
    case Event::Reset:
      asLeft_.clear();
      asLeftTemperatures_.clear();
      ++samplesVersion_;
      break;
    default: break;
  }
}

void CalibrationSteps::FromClosing(const Input& input) {
  switch (phase_) {
    case Phase::CloseGiveBack:
      Release();
      break;
    case Phase::CloseRelease:
      releaseRefused_ = input.event == Event::Timer || !input.flag;
      CloseBothPorts();
      break;
    default:
      if (io_.ReferenceOpen()) io_.CloseReferenceNow();  // Set Slave's guard is over
      EndClosing();
      break;
  }
}

void CalibrationSteps::Connected() {
  // Never go on with a port that is not open or a reference meter that is not under remote
  // control.
  if (!io_.MeterOpen() || !io_.ReferenceOpen()) {
    Disconnect();
    return;
  }
  if (!io_.ReferenceAcknowledged()) {
    Say(kFailure);
    Disconnect();
    return;
  }
  Enter(Phase::RangeCheck, kRangeCheckMs);
}

void CalibrationSteps::CheckRange() {
  if (io_.WrongRange()) {
    Say(WrongRange(RangeName(rangeIndex_)));
    Disconnect();
    return;
  }
  if (opening_.value) {
    const int gain = *opening_.value;
    if (gain < 0 || gain > 32767) {
      Say(CannotSendText(QString::number(gain), 4 * rangeIndex_));
      Disconnect();
      return;
    }
    if (!Write(gain)) {  // the step stays on page 0
      Disconnect();
      return;
    }
    opening_ = meter_;
    initialGain_ = gain;
    Enter(Phase::InitialGain, kGainSettleMs);
    return;
  }
  opening_ = meter_;
  ToSampling();
}

void CalibrationSteps::ToSampling() {
  if (samples_.Count() == 0) samplesAt_ = meter_;
  Enter(Phase::Sampling);
}

bool CalibrationSteps::EvaluateSamples() {
  const Evaluation& e = samples_.Evaluate();
  ++samplesVersion_;
  if (!e.fitted) Say(kNoSpread);
  return e.fitted;
}

void CalibrationSteps::ClearSamples() {
  samples_.Clear();
  sampleTemperatures_.clear();
  samplesUnit_.clear();
  ++samplesVersion_;
}

bool CalibrationSteps::DeleteSample(int position) {
  if (!samples_.Delete(position)) return false;
  if (position <= sampleTemperatures_.size()) sampleTemperatures_.removeAt(position - 1);
  if (samples_.Count() == 0) samplesUnit_.clear();
  ++samplesVersion_;
  return true;
}

void CalibrationSteps::ToPage2() {
  const std::optional<double> target = samples_.Target(io_.MeterReading());
  if (!target) return;  // no fit: there is nothing to calibrate against
  // Near zero the reading says nothing of the gain (a probe out of the field).
  const double least = GainSearch::kLeastTargetDigits * GainSearch::LastDigit(rangeIndex_);
  if (!(std::abs(*target) >= least)) {
    Say(TargetTooSmall(*target, least));
    return;
  }
  target_ = *target;
  // The record's as-found points are exactly the ones this fit was made of.
  fit_ = samples_.Result();
  fitPoints_.clear();
  for (int i = 1; i <= samples_.Count(); ++i) {
    const Sample& sample = samples_.At(i);
    fitPoints_.append({sample.uwz, sample.ucal, sample.at});
  }
  fitTemperatures_ = sampleTemperatures_;
  searched_ = false;
  found_.reset();
  Enter(Phase::Ready);
}

void CalibrationSteps::SendTrial() {
  const int gain = search_.NextGain();
  if (!Write(gain)) {
    Enter(Phase::Ready);
    return;
  }
  Enter(Phase::Searching, kParameterPauseMs + GainSearch::kSettleMs);
}

void CalibrationSteps::SearchStepOver() {
  if (frames_ > 0) trials_.append({search_.Gain(), io_.MeterReading()});
  switch (search_.Feed(io_.MeterReading(), frames_ > 0)) {
    case GainSearch::Outcome::Running:
      SendTrial();
      return;
    case GainSearch::Outcome::NoFrame:
      Say(kFailure);
      Enter(Phase::Ready);
      return;
    case GainSearch::Outcome::NotFollowing:
      Say(kNotFollowing);
      if (RestoreNeeded() && Write(*samplesAt_.value)) {
        Enter(Phase::GivingBack, kGainSettleMs);
        return;
      }
      Enter(Phase::Ready);
      return;
    default:
      found_ = search_.Gain();
      Enter(Phase::Found);
      return;
  }
}

void CalibrationSteps::BackFromPage2() {
  if (RestoreNeeded()) {
    // The meter gets the samples' gain again and settles before the next reading is taken.
    if (!Write(*samplesAt_.value)) {
      RestoreFailed(QString());
      return;
    }
    Enter(Phase::Restoring, kGainSettleMs);
    return;
  }
  if (SamplesMustGo()) {
    // The samples were taken at a gain the meter no longer holds and the wizard cannot send
    // again: new ones, at the gain the meter holds now, are the only sound base.
    ClearSamples();
    Say(kSamplesDropped);
  }
  if (meter_.writes != samplesAt_.writes) {
    // A gain went out since the samples (a trial, "Wyslij", the same word again): it settles as
    // any write does before page 1 takes a reading.
    Enter(Phase::Restoring, kGainSettleMs);
    return;
  }
  ToSampling();
}

void CalibrationSteps::RestoreFailed(const QString& why) {
  ClearSamples();
  Say(why.isEmpty() ? kRestoreFailed : why);
  ToSampling();
}
