#pragma once
// The gain search over the gain word 0..32768 for the gain at which the meter under calibration
// shows the target reading. Each step sends one trial gain (the parameter frame and its 300 ms
// pause), waits 0.85 s for the meter to settle while results keep arriving, and compares the
// reading with the target. A higher gain is assumed to give a higher reading.
//
// Two ways to choose the next trial gain:
// - Bisection (the default): the middle of the interval the trials so far bracket.
// - Secant ("Szybkie szukanie"): the gain at which the line through the last two trials'
//   (gain, reading) pairs meets the target (one word on from the last trial when it rounds to
//   that trial). The first two trials bisect, and so does any step whose secant would leave the
//   interval, or whose move from the last trial would not be under half the move before the
//   last one (moves that stop shrinking gain less than halving does). Once both ends of the
//   interval have read a last digit apart or less, nothing between them reads nearer: the next
//   trial is the word next to the last one, inside, whose reading comes again.
//
// Both end alike: when the reading equals the target, when it no longer moves by the range's
// tolerance (0.1 in the first range of a pair, 1 in the second), after 20 steps, or when the
// meter sent nothing during a step's wait (its reading would be stale). From the second trial
// on, a gain step that should move the reading by more than two of its last digits must move it
// by more than one in the gain's direction; a reading that does not follow the gain (a probe
// whose trials reach another row's gain) ends the search without a result.
class GainSearch {
 public:
  static constexpr int kMaxSteps = 20;
  static constexpr int kFullScale = 32768;
  static constexpr int kSettleMs = 850;

  enum class Method { Bisection, Secant };
  enum class Outcome { Running, Equal, Settled, StepLimit, NoFrame, NotFollowing };

  // The range's last digit: 0.1 in the first range of a pair, 1 in the second.
  static double LastDigit(int rangeIndex) { return rangeIndex == 1 || rangeIndex == 3 ? 1.0 : 0.1; }
  // A target nearer zero than this many last digits gives no meaningful gain.
  static constexpr int kLeastTargetDigits = 20;

  void Start(int rangeIndex, double target, Method method = Method::Bisection);
  bool Running() const { return outcome_ == Outcome::Running; }
  Outcome Result() const { return outcome_; }
  Method Used() const { return method_; }

  // The next trial gain; counts the step.
  int NextGain();
  // The reading after the step's wait, and whether a frame from the meter arrived during it.
  Outcome Feed(double reading, bool frameArrived);
  // A search that ended with a gain to write.
  bool Found() const {
    return outcome_ == Outcome::Equal || outcome_ == Outcome::Settled || outcome_ == Outcome::StepLimit;
  }

  int Steps() const { return steps_; }
  int Gain() const { return gain_; }  // the last trial gain
  double Reading() const { return lastReading_; }  // the last reading fed
  double Tolerance() const { return tolerance_; }

 private:
  int SecantGain() const;  // -1: bisect

  Method method_ = Method::Bisection;
  int lo_ = 0;  // the interval the trials bracket, and the readings at its ends when tried
  int hi_ = kFullScale;
  double loReading_ = 0;
  double hiReading_ = 0;
  bool loRead_ = false;
  bool hiRead_ = false;
  int gain_ = 0;
  int steps_ = 0;
  double target_ = 0;
  double tolerance_ = 0.1;
  double previous_ = -1.0;
  int lastGain_ = 0;  // the trial before this one, and its reading
  double lastReading_ = 0;
  int beforeGain_ = 0;  // and the one before that
  double beforeReading_ = 0;
  int fed_ = 0;        // trials whose reading was taken
  int lastMove_ = 0;   // from one trial gain to the next: the last move
  int moveBefore_ = 0;  // and the one before it
  Outcome outcome_ = Outcome::Settled;
};
