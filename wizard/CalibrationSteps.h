#pragma once
// The calibration wizard's steps as one machine. It has one current phase and takes events: the
// user's actions, what the two meters' ports report and its own timer. Each phase takes a fixed
// set of events (Takes); any other event does nothing. Every wait is a phase that a timer or a
// port's report ends, so nothing here waits inside a handler, and the window only shows the
// phase (its controls are enabled by the phase alone) and passes the user's actions on. The
// samples change only through it ("Usuń", the re-fit, the channel and "Rejestruj" are events).
// Messages wait until the event that raised them is over and then go out through Tell, one by
// one; the machine refuses an event while it is still taking another one.
//
//   page 0  Idle -> Connecting (both ports opened, the reference meter's handshake and the pause
//           after it) -> RangeCheck (200 ms) -> FirstFrame (up to 1 s more while no frame came)
//           -> InitialGain (the gain of "Wpisz inicjujaca nastawe" and its settling, 300 + 850 ms)
//           "Dalej >>" first asks whether a record can be kept at all
//   page 1  Sampling <-> Registering (a fresh pair of readings, up to 1 s)
//           Back: Disconnecting (the meter's port closed, the reference meter's Set Slave and
//           its pause, its port closed) -> Idle
//   page 2  Ready (no result) / Found (this run's search ended with a result)
//           Start: Searching (one trial gain a step: its frame, 300 + 850 ms, the reading)
//           Searching -> GivingBack when the reading did not follow the gain
//           Debug "Wyslij": DebugPause; "Zakoncz": Finishing (the found gain, when the meter does
//           not hold it already) -> page 3; every gain write settles for 300 + 850 ms
//   page 3  the as-left check: Checking <-> CheckRegistering (a fresh pair at the found gain, as
//           on page 1); "Zakoncz" or "Pomiń" (recorded as skipped) -> the closing sequence, which
//           keeps the calibration's record (Recorded) and then writes the cell
//   back    page 2's Back after any gain write: Restoring (the samples' gain again when it
//           changed, and the settling) -> RestoreFrame (a fresh frame, up to 1 s) -> Sampling;
//           Back once more on the way: page 0
//   close   any phase: CloseGiveBack (the samples' gain again when known, 300 ms) ->
//           CloseRelease (ESC LO1 CR until "LO1", at most 10 tries) -> CloseSlave (the meter's
//           port closed, Set Slave, the reference port closed) -> the main port reopened -> Idle
//
// The meter's gain is known only from a frame the machine wrote successfully in this opening;
// a text in the Sondy grid is never taken for it. The record is kept before the gain goes into
// the cell.
#include <QString>
#include <QStringList>
#include <optional>

#include "store/Records.h"
#include "wizard/GainSearch.h"
#include "wizard/Samples.h"

// What the steps ask of the two meters, the timer and the user. TwoMeterLink serves it in the
// program (CalibrationWizard); a test serves it with a model of both meters.
class StepsIo {
 public:
  virtual ~StepsIo() = default;
  // Opens the meter's port (its receive buffer emptied) and then the reference meter's, whose
  // opening starts the handshake; ReferenceReady follows. False when either does not open.
  virtual bool OpenPorts() = 0;
  virtual bool MeterOpen() const = 0;
  virtual bool ReferenceOpen() const = 0;
  virtual bool ReferenceAcknowledged() const = 0;  // the last opening's Set Master
  virtual void ClearMeterInput() = 0;
  // One gain frame to the meter at the range's address; false (and the user told) when it did
  // not go out.
  virtual bool SendGain(int gain) = 0;
  virtual double MeterReading() const = 0;
  virtual bool WrongRange() const = 0;
  // Of the last frame: the unit it reports ("Gs", "mT", "kA/m") and the probe's temperature.
  virtual QString MeterUnit() const { return {}; }
  virtual std::optional<double> ProbeTemperature() const { return std::nullopt; }
  // The reference meter's unit as chosen under "Opcje"; empty: not chosen.
  virtual QString ReferenceUnit() const = 0;
  // Why a calibration's record could not be kept now; empty when it can.
  virtual QString StoreRefusal() { return {}; }
  // The reference meter's measuring channel.
  virtual void SetChannel(int channel) { (void)channel; }
  virtual double ReferenceReading() const = 0;
  // How many measurement queries went to the reference meter so far.
  virtual int QueriesSent() const = 0;
  // ESC LO1 CR until "LO1", at most 10 tries; ReleaseDone follows.
  virtual void StartRelease() = 0;
  // Closes the meter's port (the reference meter is sent back to local control), then the
  // reference meter's once that command's pause is over. False: ReferenceClosed follows.
  virtual bool ClosePorts() = 0;
  // Closes the reference meter's port at once, Set Slave's pause or not (its guard is over).
  virtual void CloseReferenceNow() = 0;
  // Hands the main window's port back; `tell`: say so when it does not open.
  virtual bool ReopenMainPort(bool tell) = 0;
  // The search "Start" runs: the bisection unless "Szybkie szukanie" is chosen.
  virtual GainSearch::Method SearchMethod() const { return GainSearch::Method::Bisection; }
  virtual void StartTimer(int ms) = 0;
  virtual void StopTimer() = 0;
  virtual bool TimerPending() const = 0;
  virtual void Tell(const QString& message) = 0;
  // After every event that changed what the window shows.
  virtual void Changed() = 0;
  // The closing sequence is over: the window goes and the main window comes back.
  virtual void Closed(bool mainPortLost) = 0;
  // "Zakoncz": first the calibration's record (what the steps know of it: the range and probe,
  // the unit, the samples of the fit as found and as left, the fit, the gains, the search's
  // trials and the probe's temperatures) is kept; the text for the user says where it went, or
  // why it did not and where it waits for the next start.
  virtual QString Recorded(CalibrationRecord& record) {
    (void)record;
    return {};
  }
  // Then the found gain goes into the grid cell the wizard was opened for.
  virtual void GainChosen(int gain) = 0;
};

class CalibrationSteps {
 public:
  enum class Phase {
    Idle, Connecting, RangeCheck, FirstFrame, InitialGain,
    Sampling, Registering, Disconnecting,
    Ready, Found, Searching, GivingBack, DebugPause, Finishing, Restoring, RestoreFrame,
    Checking, CheckRegistering,
    CloseGiveBack, CloseRelease, CloseSlave,
  };
  enum class Event {
    // the user's
    Next, Back, Start, Register, Reset, DebugSend, Close, Skip,
    Delete, Refit, Channel,
    // the ports' and the timer's
    Timer, Frame, Reply, ReferenceReady, ReleaseDone, ReferenceClosed, MeterLost, ReferenceLost,
  };
  struct Input {
    Event event;
    // Next: the initial gain; DebugSend: the gain; Reply: its query's number; Delete: the
    // sample's position; Channel: the reference meter's channel
    qint64 value = 0;
    bool flag = false;  // Next: an initial gain chosen; Reply: valid; ReleaseDone: answered
  };

  // The gain the meter holds, or the samples were taken at: the number of gain frames the
  // machine had tried to write when it was set, and its value when the last of them went out.
  struct HeldGain {
    int writes = 0;
    std::optional<int> value;
  };
  // Both stand for the same gain: nothing was written in between, or both values are known
  // and equal.
  static bool Same(const HeldGain& a, const HeldGain& b);

  // How long each wait lasts; the reference meter's guards are beside its pauses
  // (ReferenceProtocol.h).
  static constexpr int kParameterPauseMs = 300;
  // After any gain write: the frame's pause and the meter's settling, as in the search.
  static constexpr int kGainSettleMs = kParameterPauseMs + GainSearch::kSettleMs;
  static constexpr int kRangeCheckMs = 200;
  static constexpr int kFirstFrameMs = 1000;
  static constexpr int kFreshPairMs = 1000;
  static constexpr int kFreshFrameMs = 1000;

  CalibrationSteps(StepsIo& io, SampleTable& samples);

  // A new opening for one range (0..3) and probe row (1, 2): Idle, nothing known of the meter.
  void Open(int rangeIndex, int probeRow);
  // False: refused, the machine was still taking an event (nothing changed).
  bool Take(const Input& input);
  bool Take(Event event) { return Take(Input{event}); }
  // Events that came while another was being taken (none, when nothing runs an event loop
  // inside a step).
  int Refused() const { return refused_; }
  // A message for the user from outside a step (the link's); it goes out after the running
  // step, or by Deliver.
  void Queue(const QString& message) { messages_ << message; }
  void Deliver();

  // Which events a phase takes; the window enables a control when its event is taken.
  static bool Takes(Phase phase, Event event);
  Phase phase() const { return phase_; }
  // The page shown in a phase: 0..3; the closing phases keep the page they started on.
  int Page() const;
  int Step() const;
  bool Running() const { return phase_ != Phase::Idle; }
  bool Closing() const;

  int rangeIndex() const { return rangeIndex_; }
  int probeRow() const { return probeRow_; }
  double Target() const { return target_; }
  const GainSearch& Search() const { return search_; }
  bool Searched() const { return searched_; }  // a search ran since page 2 was entered
  std::optional<int> FoundGain() const { return found_; }
  const HeldGain& MeterGain() const { return meter_; }
  const HeldGain& SamplesGain() const { return samplesAt_; }
  // The as-left check's samples at the found gain (page 3), and whether it was skipped.
  const QList<CalibrationPoint>& AsLeft() const { return asLeft_; }
  bool AsLeftSkipped() const { return skipped_; }
  // The samples of the fit that set the target (page 2 on), with the probe's temperature of each.
  const QList<CalibrationPoint>& FitPoints() const { return fitPoints_; }
  // The unit of the samples (of their frames), and of the fit.
  const QString& SamplesUnit() const { return samplesUnit_; }
  // "Przywracanie wzmocnienia …" while Back gives the gain back.
  QString Progress() const;
  // Changes whenever the samples or their evaluation change.
  int SamplesVersion() const { return samplesVersion_; }

 private:
  void Enter(Phase phase, int timerMs = 0);
  void Say(const QString& message) { messages_ << message; }
  bool Write(int gain);
  // One function for each group of phases that take the same events.
  void Lost(Event e);
  void CloseAsked();
  void OnFrame();
  void FromIdle(const Input& input);
  void FromConnecting();
  void FromRangeCheck();
  void FromSampling(const Input& input);
  void FromRegistering(const Input& input);
  void FromPage2(const Input& input);
  void FromChecking(const Input& input);
  void FromClosing(const Input& input);
  // Page 0 to page 1
  void Connected();
  void CheckRange();
  void ToSampling();
  // Pages 1 and 3: "Rejestruj" and the fresh pair it waits for.
  bool Checking() const { return phase_ == Phase::Checking || phase_ == Phase::CheckRegistering; }
  void StartRegistering();
  void RegisterPair();
  void EndRegistering();
  bool EvaluateSamples();
  void ClearSamples();
  bool DeleteSample(int position);
  void ToPage2();
  // Page 2
  void SendTrial();
  void SearchStepOver();
  void BackFromPage2();
  void RestoreFailed(const QString& why);
  void Finish();
  void ToCheck();
  // Closing
  CalibrationRecord Record(int gain) const;
  void BeginClosing(bool finishing);
  void Release();
  void CloseBothPorts();
  void EndClosing();
  void Disconnect();
  bool RestoreNeeded() const { return samplesAt_.value && !Same(meter_, samplesAt_); }
  bool SamplesMustGo() const { return !samplesAt_.value && !Same(meter_, samplesAt_); }

  StepsIo& io_;
  SampleTable& samples_;
  Phase phase_ = Phase::Idle;
  int rangeIndex_ = 0;
  int probeRow_ = 1;
  double target_ = 0;
  GainSearch search_;
  bool searched_ = false;
  std::optional<int> found_;
  HeldGain meter_;
  HeldGain samplesAt_;
  HeldGain opening_;  // after page 0: untouched, or the initial gain
  HeldGain original_;  // what the meter held when the wizard opened
  std::optional<int> initialGain_;
  int writes_ = 0;
  int frames_ = 0;          // frames decoded since the running wait began
  int queryMark_ = 0;       // replies to later queries are fresh
  bool freshReply_ = false;
  QString registerUnit_;    // the unit the pair under way must be in
  QString samplesUnit_;
  QList<std::optional<double>> sampleTemperatures_;  // beside the samples, by position
  QList<CalibrationPoint> fitPoints_;
  QList<std::optional<double>> fitTemperatures_;
  Evaluation fit_;
  QList<std::optional<double>> asLeftTemperatures_;
  int closingPage_ = 0;
  bool finishing_ = false;
  QList<SearchStepRecord> trials_;  // this run's search
  QList<CalibrationPoint> asLeft_;
  bool skipped_ = false;
  bool releaseRefused_ = false;
  enum class LostDevice { None, Meter, Reference };
  LostDevice lost_ = LostDevice::None;
  QStringList messages_;
  bool taking_ = false;
  bool delivering_ = false;
  int refused_ = 0;
  int samplesVersion_ = 0;
};
