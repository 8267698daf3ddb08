#include "wizard/GainSearch.h"

#include <cmath>

void GainSearch::Start(int rangeIndex, double target) {
  lo_ = 0;
  hi_ = kFullScale;
  gain_ = 0;
  steps_ = 0;
  target_ = target;
  tolerance_ = rangeIndex == 1 || rangeIndex == 3 ? 1.0 : 0.1;
  previous_ = -1.0;
  lastGain_ = 0;
  lastReading_ = 0;
  outcome_ = Outcome::Running;
}

int GainSearch::NextGain() {
  ++steps_;
  gain_ = lo_ + (hi_ - lo_) / 2;
  return gain_;
}

GainSearch::Outcome GainSearch::Feed(double reading, bool frameArrived) {
  if (!Running()) return outcome_;
  if (!frameArrived) return outcome_ = Outcome::NoFrame;
  if (steps_ >= 2 && lastGain_ > 0) {
    const double expected = lastReading_ * (gain_ - lastGain_) / lastGain_;
    const double moved = (reading - lastReading_) * (expected > 0 ? 1 : -1);
    if (std::abs(expected) > 2 * tolerance_ && !(moved > tolerance_)) return outcome_ = Outcome::NotFollowing;
  }
  lastGain_ = gain_;
  lastReading_ = reading;
  if (reading > target_) hi_ = gain_;
  if (reading < target_) lo_ = gain_;
  if (reading == target_) return outcome_ = Outcome::Equal;
  if (reading - tolerance_ < previous_ && reading + tolerance_ > previous_)
    return outcome_ = Outcome::Settled;
  previous_ = reading;
  if (steps_ >= kMaxSteps) return outcome_ = Outcome::StepLimit;
  return outcome_;
}
