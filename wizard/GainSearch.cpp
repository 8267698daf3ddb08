#include "wizard/GainSearch.h"

#include <cmath>
#include <cstdlib>

void GainSearch::Start(int rangeIndex, double target, Method method) {
  method_ = method;
  lo_ = 0;
  hi_ = kFullScale;
  gain_ = 0;
  steps_ = 0;
  target_ = target;
  tolerance_ = LastDigit(rangeIndex);
  previous_ = -1.0;
  lastGain_ = 0;
  lastReading_ = 0;
  beforeGain_ = 0;
  beforeReading_ = 0;
  fed_ = 0;
  loRead_ = hiRead_ = false;
  // The first trial moves half the scale from either end; the move before it counts as the whole.
  lastMove_ = kFullScale;
  moveBefore_ = kFullScale;
  outcome_ = Outcome::Running;
}

int GainSearch::NextGain() {
  ++steps_;
  const int middle = lo_ + (hi_ - lo_) / 2;
  const int secant = method_ == Method::Secant ? SecantGain() : -1;
  const int gain = secant >= 0 ? secant : middle;
  moveBefore_ = lastMove_;
  lastMove_ = fed_ > 0 ? std::abs(gain - lastGain_) : kFullScale / 2;
  gain_ = gain;
  return gain_;
}

int GainSearch::SecantGain() const {
  if (fed_ < 2 || lastGain_ == beforeGain_) return -1;
  // Ends that read a last digit apart or less: nothing between them reads nearer the target,
  // and a line through them is mostly rounding. The next word inside from the last trial reads
  // as it did, and the search ends there.
  if (loRead_ && hiRead_ && hiReading_ - loReading_ <= tolerance_ * 1.001) {
    const int inside = lastGain_ == lo_ ? lo_ + 1 : hi_ - 1;
    return inside > lo_ && inside < hi_ ? inside : lastGain_;
  }
  const double slope = (lastReading_ - beforeReading_) / (lastGain_ - beforeGain_);
  if (!(slope > 0)) return -1;  // no line that rises with the gain
  const double estimate = lastGain_ + (target_ - lastReading_) / slope;
  if (!(estimate > lo_ && estimate < hi_)) return -1;
  int gain = int(std::lround(estimate));
  // A line that meets the target within half a word of the last trial: the next word towards it,
  // so that the trial moves at all.
  if (gain == lastGain_) gain += estimate < lastGain_ ? -1 : 1;
  if (gain <= lo_ || gain >= hi_) return -1;
  // Moves that stop shrinking (each under half the one before the last) gain less than halving
  // the interval does.
  if (2 * std::abs(gain - lastGain_) >= moveBefore_) return -1;
  return gain;
}

GainSearch::Outcome GainSearch::Feed(double reading, bool frameArrived) {
  if (!Running()) return outcome_;
  if (!frameArrived) return outcome_ = Outcome::NoFrame;
  if (steps_ >= 2 && lastGain_ > 0) {
    const double expected = lastReading_ * (gain_ - lastGain_) / lastGain_;
    const double moved = (reading - lastReading_) * (expected > 0 ? 1 : -1);
    if (std::abs(expected) > 2 * tolerance_ && !(moved > tolerance_)) return outcome_ = Outcome::NotFollowing;
  }
  beforeGain_ = lastGain_;
  beforeReading_ = lastReading_;
  lastGain_ = gain_;
  lastReading_ = reading;
  ++fed_;
  if (reading > target_) {
    hi_ = gain_;
    hiReading_ = reading;
    hiRead_ = true;
  }
  if (reading < target_) {
    lo_ = gain_;
    loReading_ = reading;
    loRead_ = true;
  }
  if (reading == target_) return outcome_ = Outcome::Equal;
  if (reading - tolerance_ < previous_ && reading + tolerance_ > previous_)
    return outcome_ = Outcome::Settled;
  previous_ = reading;
  if (steps_ >= kMaxSteps) return outcome_ = Outcome::StepLimit;
  return outcome_;
}
