#include "wizard/CalibrationSteps.h"

#include <utility>

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
    case Phase::Idle:
      return event == Event::Next;
    case Phase::Connecting:
      return event == Event::ReferenceReady || event == Event::Timer;
    case Phase::RangeCheck:
    case Phase::FirstFrame:
    case Phase::InitialGain:
    case Phase::DebugPause:
    case Phase::GivingBack:
    case Phase::Finishing:
    case Phase::Restoring:
    case Phase::RestoreFrame:
    case Phase::CloseGiveBack:
      return event == Event::Timer || event == Event::Frame;
    case Phase::Sampling:
      return event == Event::Next || event == Event::Back || event == Event::Register ||
             event == Event::Reset || event == Event::Frame;
    case Phase::Registering:
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
    case Phase::CheckRegistering:
      return event == Event::Timer || event == Event::Frame || event == Event::Reply;
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
  meter_ = samplesAt_ = opening_ = HeldGain{};
  finishing_ = false;
  trials_.clear();
  asLeft_.clear();
  skipped_ = false;
  releaseRefused_ = false;
  lost_ = Lost::None;
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
  return sent;
}

void CalibrationSteps::Take(const Input& input) {
  if (!Takes(phase_, input.event)) return;
  ++depth_;
  const Event e = input.event;
  if (e == Event::MeterLost || e == Event::ReferenceLost) {
    // Told once, whatever else goes away while the wizard closes.
    if (lost_ == Lost::None) lost_ = e == Event::MeterLost ? Lost::Meter : Lost::Reference;
    if (!Closing())
      BeginClosing(phase_ == Phase::Finishing);
    else if (phase_ == Phase::CloseRelease && e == Event::ReferenceLost)
      CloseBothPorts();  // nothing left to release
  } else if (e == Event::Close) {
    // "Zakoncz" was said before the check page: closing there ends the calibration with what
    // the check took so far.
    if (phase_ == Phase::Checking || phase_ == Phase::CheckRegistering) {
      skipped_ = asLeft_.isEmpty();
      BeginClosing(true);
    } else if (!Closing() && phase_ != Phase::Finishing) {
      BeginClosing(false);
    }
  } else if (e == Event::Frame) {
    ++frames_;
    if (phase_ == Phase::FirstFrame) CheckRange();
    if (phase_ == Phase::RestoreFrame) ToSampling();
    if (phase_ == Phase::Registering && freshReply_) RegisterPair();
    if (phase_ == Phase::CheckRegistering && freshReply_) RegisterCheck();
  } else {
    switch (phase_) {
      case Phase::Idle:
        FromIdle(input);
        break;
      case Phase::Connecting:
        Connected();
        break;
      case Phase::RangeCheck:
        if (frames_ > 0)
          CheckRange();
        else
          Enter(Phase::FirstFrame, kFirstFrameMs);
        break;
      case Phase::FirstFrame:  // no frame within the second
        Say(kFailure);
        Disconnect();
        break;
      case Phase::InitialGain:
        ToSampling();
        break;
      case Phase::Sampling:
        if (e == Event::Next) {
          if (samples_.Count() >= 2 && Evaluate()) ToPage2();
        } else if (e == Event::Back) {
          ClearSamples();
          Disconnect();
        } else if (e == Event::Register) {
          if (samples_.Count() >= SampleTable::kCapacity) break;  // full: nothing to take
          queryMark_ = io_.QueriesSent();
          freshReply_ = false;
          Enter(Phase::Registering, kFreshPairMs);
        } else if (e == Event::Reset) {
          ClearSamples();
        }
        break;
      case Phase::Registering:
        if (e == Event::Reply) {
          // Only a valid reply to a query sent after "Rejestruj" is fresh; the meter's frame
          // that follows it completes the pair.
          if (input.flag && input.value > queryMark_) freshReply_ = true;
          if (freshReply_ && frames_ > 0) RegisterPair();
        } else {
          Say(kNoFreshPair);
          ToSampling();
        }
        break;
      case Phase::Disconnecting:
        Enter(Phase::Idle);
        break;
      case Phase::Ready:
      case Phase::Found:
        if (e == Event::Start) {
          io_.ClearMeterInput();
          search_.Start(rangeIndex_, target_, io_.SearchMethod());
          searched_ = true;
          trials_.clear();
          found_.reset();
          SendTrial();
        } else if (e == Event::Back) {
          BackFromPage2();
        } else if (e == Event::DebugSend) {
          if (input.value < 0 || input.value > 32767) {
            Say(CannotSendText(QString::number(input.value), 4 * rangeIndex_));
          } else if (Write(int(input.value))) {
            Enter(Phase::DebugPause, kParameterPauseMs);
          }
        } else if (e == Event::Next) {
          Finish();
        }
        break;
      case Phase::DebugPause:
      case Phase::GivingBack:
        Enter(found_ ? Phase::Found : Phase::Ready);
        break;
      case Phase::Searching:
        if (e == Event::Back)
          BackFromPage2();
        else
          SearchStepOver();
        break;
      case Phase::Finishing:
        ToCheck();
        break;
      case Phase::Checking:
        if (e == Event::Next || e == Event::Skip) {
          // "Zakoncz" needs a point taken (a second click of the page before's "Zakoncz" must
          // not skip the check); "Pomiń" is the way without one.
          if (e == Event::Next && asLeft_.isEmpty()) break;
          skipped_ = e == Event::Skip;
          if (skipped_) asLeft_.clear();
          BeginClosing(true);
        } else if (e == Event::Register) {
          queryMark_ = io_.QueriesSent();
          freshReply_ = false;
          Enter(Phase::CheckRegistering, kFreshPairMs);
        } else if (e == Event::Reset) {
          asLeft_.clear();
          ++samplesVersion_;
        }
        break;
      case Phase::CheckRegistering:
        if (e == Event::Reply) {
          if (input.flag && input.value > queryMark_) freshReply_ = true;
          if (freshReply_ && frames_ > 0) RegisterCheck();
        } else {
          Say(kNoFreshPair);
          Enter(Phase::Checking);
        }
        break;
      case Phase::Restoring:
        Enter(Phase::RestoreFrame, kFreshFrameMs);
        break;
      case Phase::RestoreFrame:  // the meter sent nothing at the gain given back
        RestoreFailed(kRestoreNoFrame);
        break;
      case Phase::CloseGiveBack:
        Release();
        break;
      case Phase::CloseRelease:
        releaseRefused_ = e == Event::Timer || !input.flag;
        CloseBothPorts();
        break;
      case Phase::CloseSlave:
        EndClosing();
        break;
    }
  }
  --depth_;
  Flush();
}

void CalibrationSteps::Flush() {
  io_.Changed();
  // Messages last, when the window already shows the new phase: a message box runs events of
  // its own, and any of them may come here again.
  while (!messages_.isEmpty()) io_.Tell(messages_.takeFirst());
}

void CalibrationSteps::RegisterPair() {
  samples_.Register(io_.ReferenceReading(), io_.MeterReading());
  ++samplesVersion_;
  ToSampling();
}

void CalibrationSteps::FromIdle(const Input& input) {
  Enter(Phase::Connecting, kConnectGuardMs);
  ClearSamples();
  if (input.flag) opening_.value = int(input.value);  // sent once the meter is checked
  else opening_ = HeldGain{};
  if (!io_.OpenPorts()) Disconnect();
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
    if (!Write(gain)) {  // said by the writer; the step stays on page 0
      Disconnect();
      return;
    }
    opening_ = meter_;
    Enter(Phase::InitialGain, kParameterPauseMs);
    return;
  }
  opening_ = meter_;
  ToSampling();
}

void CalibrationSteps::ToSampling() {
  if (samples_.Count() == 0) samplesAt_ = meter_;
  Enter(Phase::Sampling);
}

bool CalibrationSteps::Evaluate() {
  const Evaluation& e = samples_.Evaluate();
  ++samplesVersion_;
  if (!e.fitted) Say(kNoSpread);
  if (depth_ == 0) Flush();
  return e.fitted;
}

void CalibrationSteps::ClearSamples() {
  samples_.Clear();
  ++samplesVersion_;
}

void CalibrationSteps::ToPage2() {
  const std::optional<double> target = samples_.Target(io_.MeterReading());
  if (!target) return;  // no fit: there is nothing to calibrate against
  target_ = *target;
  searched_ = false;
  found_.reset();
  Enter(Phase::Ready);
}

void CalibrationSteps::SendTrial() {
  const int gain = search_.NextGain();
  if (!Write(gain)) {  // said by the writer
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
        Enter(Phase::GivingBack, kParameterPauseMs);
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
    Enter(Phase::Restoring, kParameterPauseMs + GainSearch::kSettleMs);
    return;
  }
  if (SamplesMustGo()) {
    // The samples were taken at a gain the meter no longer holds and the wizard cannot send
    // again: new ones, at the gain the meter holds now, are the only sound base.
    ClearSamples();
    Say(kSamplesDropped);
  }
  ToSampling();
}

void CalibrationSteps::RestoreFailed(const QString& why) {
  ClearSamples();
  Say(why.isEmpty() ? kRestoreFailed : why);
  ToSampling();
}
