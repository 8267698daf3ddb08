// The wizard's step machine without a window or ports: a random walk over every event it can
// get, against a model of the meter whose reading follows the gain it holds and of the
// reference meter behind the link's own exchanges (ReferenceExchange), on a clock of the walk's
// own; with either search, messages that run events inside them (as a message box does), guards
// that run out while an exchange is under way, and the samples changed from the window. The
// machine's promises are checked after every event; and which controls each phase enables.
#include <QtTest>
#include <cmath>
#include <random>

#include "wizard/CalibrationSteps.h"
#include "wizard/ReferenceExchange.h"
#include "wizard/ReferenceProtocol.h"
#include "wizard/Samples.h"
#include "wizard/WizardTexts.h"

using Phase = CalibrationSteps::Phase;
using Event = CalibrationSteps::Event;
using Handshake = ReferenceExchange::Handshake;
Q_DECLARE_METATYPE(CalibrationSteps::Phase)

namespace {
constexpr int kTrueGain = 20000;
constexpr qint64 kSettleMs = CalibrationSteps::kGainSettleMs;

// The reference meter's reply to "ME1...": the field, decade 5 (x 1).
QByteArray MeasurementText(double field) {
  return "ME105 " + QByteArray::number(field, 'f', 1).rightJustified(5, ' ').left(5) + " \r";
}

class Walk;

// The reference meter's port as ReferenceExchange sees it, and the meter behind it: remote or
// local, answering each command after a delay (a measurement now and then after its pause, so
// that the link drains it), or not at all. The reply to one command must have come before the
// next command is written, and nothing asks for a measurement after ESC LO1 CR.
struct Line : ReferenceLine {
  explicit Line(Walk& walk) : walk(walk) {}
  bool Connected() const override { return connected; }
  bool Write(const QByteArray& bytes) override;
  std::optional<QByteArray> ReadQueued(int count) override;
  bool ClearBuffers(bool, bool) override { return connected; }
  void StartPause(int ms) override;
  void StopPause() override { pauseDue.reset(); }
  void Close() override;

  Walk& walk;
  bool connected = false;
  std::optional<qint64> pauseDue;
  int silence = 0;  // percent of commands left unanswered
  struct Reply {
    QByteArray bytes;
    qint64 due;
    int query;
  };
  std::optional<Reply> reply;  // on its way back
  bool released = false;       // ESC LO1 CR written since the last ESC LO2 CR
  int queries = 0;
  int answered = 0;  // the query whose reply reached the link last
};

class Walk : public StepsIo {
 public:
  explicit Walk(quint32 seed, bool purposeful);
  bool Run(int events);
  QString why() const { return why_ + "; " + trace_.join(' '); }

  int found = 0;
  int given = 0;
  int openings = 1;
  int records = 0;
  QSet<int> reached;

  // StepsIo
  bool OpenPorts() override;
  bool MeterOpen() const override { return meterOpen_; }
  bool ReferenceOpen() const override { return line_.connected; }
  bool ReferenceAcknowledged() const override { return exchange_.LastSetMaster() == Handshake::Acknowledged; }
  void ClearMeterInput() override {}
  bool SendGain(int gain) override;
  double MeterReading() const override { return frame_.reading; }
  bool WrongRange() const override { return wrongRange_; }
  QString MeterUnit() const override { return frame_.unit; }
  std::optional<double> ProbeTemperature() const override { return frame_.temperature; }
  QString ReferenceUnit() const override { return referenceUnit_; }
  QString StoreRefusal() override { return storeRefuses_ ? QStringLiteral("locked") : QString(); }
  void SetChannel(int channel) override { channel_ = channel; }
  double ReferenceReading() const override { return referenceReading_; }
  int QueriesSent() const override { return exchange_.QueriesSent(); }
  void StartRelease() override {
    exchange_.StartRelease([this](Handshake h) { Post({Event::ReleaseDone, 0, h != Handshake::NoAnswer}); });
  }
  bool ClosePorts() override;
  void CloseReferenceNow() override { line_.Close(); }
  bool ReopenMainPort(bool) override { return true; }
  GainSearch::Method SearchMethod() const override { return method_; }
  void StartTimer(int ms) override { timerDue_ = now_ + ms; }
  void StopTimer() override { timerDue_.reset(); }
  bool TimerPending() const override { return timerDue_.has_value(); }
  void Tell(const QString& message) override;
  void Changed() override;
  void Closed(bool) override { ++closed_; }
  void GainChosen(int gain) override {
    cellGains_ << gain;
    if (records_.isEmpty()) Violate("the cell written before the record was kept");
  }
  QString Recorded(CalibrationRecord& record) override {
    records_ << record;
    return {};
  }

  // For the line
  void Violate(const QString& what) {
    if (violation_.isEmpty()) violation_ = what;
  }
  qint64 Now() const { return now_; }
  double Field() const { return field_; }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool Chance(int percent) { return Pick(100) < percent; }
  void PortClosed() { exchange_.Closed(); }

 private:
  struct Taken {
    double reference = 0;
    double calibrated = 0;
    int gain = 0;
    std::optional<double> temperature;
    QString unit;
  };

  // One event given to the machine, and what was there before it.
  struct Step {
    CalibrationSteps::Input input;
    Phase before;
    int samplesBefore;
    int asLeftBefore;
    int queriesBefore;
    int writes;
    bool seen = false;
  };
  void Give(const CalibrationSteps::Input& input);
  void Look(Step& step);
  QString CheckTold() const;
  void OneEvent();
  void PurposefulEvent();
  void AnyEvent();
  void Advance(bool guardFirst);
  void Frame();
  void Arrive();
  void Post(const CalibrationSteps::Input& input) { posted_ << input; }
  void Measured(const QString& reply);
  void Reopen();
  void LoseMeter();
  void LoseReference();
  QString Check(const CalibrationSteps::Input& input, Phase before, int samplesBefore, int asLeftBefore);
  QString CheckRecord(const CalibrationRecord& r) const;
  QString FreshPair(QList<Taken>& into, const QString& unit);

  std::mt19937 random_;
  bool purposeful_;
  Line line_;
  ReferenceExchange exchange_;
  SampleTable samples_;
  CalibrationSteps steps_;
  qint64 now_ = 0;
  std::optional<qint64> timerDue_;
  QList<CalibrationSteps::Input> posted_;
  int nested_ = 0;  // events given inside a message
  Step* current_ = nullptr;
  // the meter under calibration
  bool meterOpen_ = false;
  int gain_ = 16000;
  int gainWrites_ = 0;
  qint64 writtenAt_ = -kSettleMs;  // its last gain frame
  bool followsGain_ = true;
  bool wrongRange_ = false;
  bool failNextWrite_ = false;
  double field_ = 100;
  QString unit_ = QStringLiteral("Gs");
  double temperature_ = 23.5;
  GainSearch::Method method_ = GainSearch::Method::Bisection;
  struct FrameSent {
    double reading = 0;
    int gain = 0;
    qint64 at = 0;
    QString unit;
    std::optional<double> temperature;
  } frame_;
  // the reference meter, as the link reports it
  double referenceReading_ = 0;
  int validReplyQuery_ = 0;  // the query the last valid reply answered
  int channel_ = 1;
  QString referenceUnit_ = QStringLiteral("Gs");
  bool storeRefuses_ = false;
  // what the user was told and what was kept
  QStringList told_;
  int closed_ = 0;
  QList<int> cellGains_;
  QList<CalibrationRecord> records_;
  QString violation_;
  // what the walk knows of this opening
  int openingGain_ = 16000;         // the meter's when the wizard opened
  std::optional<int> chosenGain_;   // "Wpisz inicjujaca nastawe" of the last "Dalej >>" on page 0
  std::optional<int> initialGain_;  // sent, and page 1 reached
  QList<Taken> samples_taken_;      // beside the machine's samples, as they were taken
  QList<Taken> fit_;                // the samples when page 2 was entered
  QList<Taken> asLeft_;
  int registerFrames_ = 0;          // frames since "Rejestruj" was taken
  int registerMark_ = 0;            // queries sent before it
  int sampleTarget_ = 3;            // a purposeful user's samples before "Dalej >>"
  bool finishSaid_ = false;
  GainSearch::Method searchRun_ = GainSearch::Method::Bisection;
  QList<SearchStepRecord> trials_;
  double trialReading_ = NAN;
  QString why_;
  QStringList trace_;
};

bool Line::Write(const QByteArray& bytes) {
  if (!connected) return false;
  if (reply) walk.Violate("two exchanges on the reference port: " + QString::fromLatin1(bytes.toPercentEncoding()) +
                          " written while " + QString::fromLatin1(reply->bytes.toPercentEncoding()) + " was due");
  const bool measure = bytes.startsWith("\x1BME");
  if (measure && released) walk.Violate("a query after the reference meter was released");
  QByteArray answer;
  qint64 delay = 0;
  if (bytes == reference::SetMasterCommand()) {
    released = false;
    answer = "LO2";
    delay = 1 + walk.Pick(reference::kMasterPauseMs - 10);
  } else if (bytes == reference::SetSlaveCommand()) {
    released = true;
    answer = "LO1";
    delay = 1 + walk.Pick(reference::kReleasePauseMs - 10);
  } else if (measure) {
    ++queries;
    answer = walk.Chance(95) ? MeasurementText(walk.Field()) : QByteArray("ME1?5 00100 \r");
    // Mostly within its pause, now and then late, while the link drains it.
    delay = 1 + walk.Pick(walk.Chance(80) ? reference::kMeasurePauseMs - 10 : 2 * reference::kMeasurePauseMs - 20);
  }
  if (!answer.isEmpty() && !walk.Chance(silence)) reply = Reply{answer, walk.Now() + delay, measure ? queries : 0};
  return true;
}

std::optional<QByteArray> Line::ReadQueued(int count) {
  if (!connected) return std::nullopt;
  if (!reply || reply->due > walk.Now()) return QByteArray();
  const Reply r = *std::exchange(reply, std::nullopt);
  if (r.query) answered = r.query;
  return r.bytes.left(count);
}

void Line::StartPause(int ms) { pauseDue = walk.Now() + ms; }

void Line::Close() {
  if (!connected) return;
  connected = false;
  reply.reset();
  pauseDue.reset();
  walk.PortClosed();
}

Walk::Walk(quint32 seed, bool purposeful)
    : random_(seed), purposeful_(purposeful), line_(*this), exchange_(line_), steps_(*this, samples_) {
  followsGain_ = Chance(purposeful_ ? 95 : 85);
  method_ = Chance(50) ? GainSearch::Method::Secant : GainSearch::Method::Bisection;
  line_.silence = purposeful_ ? 2 : Pick(3) * 10;
  exchange_.OnReady = [this] { Post({Event::ReferenceReady}); };
  exchange_.OnClosedAfterSlave = [this] { Post({Event::ReferenceClosed}); };
  exchange_.OnMeasured = [this](const QString& reply, bool) { Measured(reply); };
  steps_.Open(0, 1);
  openingGain_ = gain_;
}

bool Walk::OpenPorts() {
  if (meterOpen_ || line_.connected) Violate(QString("ports opened again while open (meter %1, reference %2)").arg(meterOpen_).arg(line_.connected));
  if (!purposeful_ && Chance(3)) return false;  // "Nie można podłączyć się do ..."
  meterOpen_ = true;
  line_.connected = true;
  exchange_.Opened();
  return true;
}

bool Walk::ClosePorts() {
  // The meter's port first: its closing hands the reference meter back to local control.
  if (meterOpen_) {
    meterOpen_ = false;
    exchange_.SetSlave();
  }
  return exchange_.CloseWhenQuiet();
}

bool Walk::SendGain(int gain) {
  ++gainWrites_;
  if (gain < 0 || gain > 32767) Violate(QString("gain %1 sent").arg(gain));
  if (!meterOpen_ || std::exchange(failNextWrite_, false)) {
    if (meterOpen_ && gain % 2) {  // a failed write may still have reached the meter
      gain_ = gain;
      writtenAt_ = now_;
    }
    return false;
  }
  gain_ = gain;
  writtenAt_ = now_;
  return true;
}

void Walk::Tell(const QString& message) {
  told_ << message;
  // A message box: the events that come while it is up are taken inside it (after the closing,
  // the window is gone: the next opening waits for the walk).
  if (nested_ >= 2 || closed_ > 0 || !Chance(purposeful_ ? 20 : 40)) return;
  ++nested_;
  for (int k = 1 + Pick(4); k > 0 && closed_ == 0; --k) OneEvent();
  --nested_;
}

void Walk::Measured(const QString& reply) {
  const reference::MeasurementReply parsed = reference::ParseMeasurementReply(reply, QString::number(channel_));
  if (parsed.valid) {
    referenceReading_ = parsed.value;
    validReplyQuery_ = line_.answered;
    if (line_.answered != exchange_.QueriesSent()) Violate("a reply taken for a later query's");
  }
  Give({Event::Reply, exchange_.QueriesSent(), parsed.valid});
}

void Walk::Frame() {
  if (!meterOpen_) return;
  frame_.gain = gain_;
  frame_.at = now_;
  frame_.unit = unit_;
  frame_.temperature = temperature_;
  frame_.reading = std::nearbyint(field_ * (followsGain_ ? gain_ : 16000) / kTrueGain * 10) / 10;
  ++registerFrames_;
  Give({Event::Frame});
  exchange_.Measure(QString::number(channel_), true);  // the link asks for the same moment
}

void Walk::Arrive() {
  const Line::Reply r = *std::exchange(line_.reply, std::nullopt);
  if (r.query) line_.answered = r.query;
  exchange_.Arrived(r.bytes);
}

// Time passes to what is due next: a reply, the link's pause or the machine's timer. With
// guardFirst the machine's timer runs out first, whatever the link still waits for (a loaded
// machine delivers the port's news late).
void Walk::Advance(bool guardFirst) {
  enum { None, Reply, Pause, Timer } next = None;
  qint64 due = 0;
  auto consider = [&](const std::optional<qint64>& at, decltype(next) what) {
    if (at && (next == None || *at < due)) {
      next = what;
      due = *at;
    }
  };
  if (guardFirst && timerDue_) {
    next = Timer;
    due = *timerDue_;
  } else {
    consider(line_.reply ? std::optional<qint64>(line_.reply->due) : std::nullopt, Reply);
    consider(line_.pauseDue, Pause);
    consider(timerDue_, Timer);
  }
  switch (next) {
    case None:
      now_ += 1 + Pick(2000);  // the user takes a while
      return;
    case Reply:
      now_ = std::max(now_, due);
      Arrive();
      return;
    case Pause:
      now_ = std::max(now_, due);
      line_.pauseDue.reset();
      exchange_.PauseOver();
      return;
    case Timer:
      // A meter that is on sends results all the time the machine waits.
      if (meterOpen_ && Chance(purposeful_ ? 95 : 60)) {
        now_ = std::max(now_, due - 1 - Pick(100));
        Frame();
        if (timerDue_ != due) return;
      }
      now_ = std::max(now_, due);
      timerDue_.reset();
      Give({Event::Timer});
      return;
  }
}

void Walk::LoseMeter() {
  if (!meterOpen_) return;
  meterOpen_ = false;
  exchange_.SetSlave();  // its port's closing, as the link does
  Post({Event::MeterLost});
}

void Walk::LoseReference() {
  if (!line_.connected) return;
  line_.Close();
  Post({Event::ReferenceLost});
}

void Walk::OneEvent() {
  if (!posted_.isEmpty() && Chance(60)) {
    Give(posted_.takeFirst());  // the next turn of the event loop
    return;
  }
  if (purposeful_)
    PurposefulEvent();
  else
    AnyEvent();
}

// A user who goes on through the pages, rarely back, with a meter and a reference that behave.
void Walk::PurposefulEvent() {
  const Phase phase = steps_.phase();
  const int r = Pick(100);
  switch (phase) {
    case Phase::Idle:
      if (r < 80) Give({Event::Next, 15000 + 500 * Pick(10), Chance(40)});
      else AnyEvent();
      return;
    case Phase::Sampling:
      if (r < 3) {
        Give({Event::Delete, 1 + Pick(std::max(1, samples_.Count()))});
      } else if (r < 5) {
        Give({Event::Refit});
      } else if (r < 6) {
        Give({Event::Back});
      } else if (samples_.Count() < sampleTarget_) {
        // The field moves between samples; now and then the probe is out of it.
        field_ = Chance(4) ? 0.3 + Pick(3) * 0.1 : 50.0 * (1 + Pick(4));
        Give({Event::Register});
      } else {
        Give({Event::Next});
        if (steps_.phase() == Phase::Sampling) {  // refused: new samples
          sampleTarget_ = 2 + Pick(3);
          Give({Event::Reset});
        }
      }
      return;
    case Phase::Ready:
      if (r < 3) Give({Event::Delete, 1});  // the grid's "Usuń", on any page
      else if (r < 80) Give({Event::Start});
      else if (r < 90) Give({Event::Back});
      else AnyEvent();
      return;
    case Phase::Found:
      if (r < 3) Give({Event::Delete, 1});
      else if (r < 80) Give({Event::Next});
      else if (r < 88) Give({Event::DebugSend, 15000 + Pick(10000)});
      else if (r < 92) Give({Event::Back});
      else Give({Event::Start});
      return;
    case Phase::Checking:
      if (r < 5) Give({Event::Skip});
      else if (asLeft_.size() < 2 && r < 90) Give({Event::Register});
      else Give({Event::Next});
      return;
    default:
      if (r < 2 && phase == Phase::Searching) Give({Event::Back});  // a search cut short
      else if (r < 40) Frame();
      else Advance(false);
      return;
  }
}

// Anything at any time: any action, the world changing, a device going, a guard running out.
void Walk::AnyEvent() {
  switch (Pick(17)) {
    case 0:
      Give({Event::Next, Chance(50) ? 16000 + 500 * Pick(20) : Pick(3) * 30000 - 10, Chance(40)});
      break;
    case 1:
      Give({Event::Back});
      break;
    case 2:
      Give({Event::Start});
      break;
    case 3:
      Give({Event::Register});
      break;
    case 4:
      switch (Pick(8)) {
        case 0: Give({Event::Reset}); break;
        case 1: Give({Event::DebugSend, Pick(3) == 0 ? 40000 : 15000 + Pick(10000)}); break;
        case 2:  // "Szybkie szukanie" on "Opcje", at any time; a search under way keeps its own
          method_ = method_ == GainSearch::Method::Secant ? GainSearch::Method::Bisection : GainSearch::Method::Secant;
          break;
        case 3: Give({Event::Close}); break;
        case 4: Give({Event::Skip}); break;
        case 5: Give({Event::Delete, Pick(samples_.Count() + 2)}); break;
        case 6: Give({Event::Refit}); break;
        default: Give({Event::Channel, 1 + Pick(2)}); break;
      }
      break;
    case 5:
    case 6:
    case 7:
      Advance(Chance(15));
      break;
    case 8:
    case 9:
    case 10:
      Frame();
      break;
    case 11:
      field_ = Chance(10) ? 0.5 : 50.0 * (1 + Pick(4));
      break;
    case 12:
      switch (Pick(8)) {
        case 0: failNextWrite_ = true; break;
        case 1: wrongRange_ = Chance(20); break;
        case 2: followsGain_ = Chance(70); break;
        case 3: unit_ = Chance(80) ? "Gs" : "mT"; break;
        case 4: referenceUnit_ = Chance(80) ? "Gs" : Chance(50) ? "mT" : ""; break;
        case 5: storeRefuses_ = Chance(20); break;
        case 6: temperature_ = 20 + Pick(60) / 10.0; break;
        default: line_.silence = Pick(3) * 20; break;
      }
      break;
    case 13:
    case 14:
      if (!posted_.isEmpty()) Give(posted_.takeFirst());
      break;
    case 15:
      if (Chance(10)) LoseMeter();
      else if (Chance(10)) LoseReference();
      break;
    case 16:
      Advance(false);
      break;
  }
}

void Walk::Give(const CalibrationSteps::Input& input) {
  Step step{input, steps_.phase(), samples_.Count(), int(steps_.AsLeft().size()), exchange_.QueriesSent(), gainWrites_};
  Step* const outer = std::exchange(current_, &step);
  const bool taken = steps_.Take(input);
  current_ = outer;
  if (!taken) {
    if (why_.isEmpty()) why_ = "an event came while the machine was taking another one";
    return;
  }
  // A step that changed nothing reports no change; one that did was looked at in Changed, before
  // its messages ran events of their own.
  if (!step.seen) Look(step);
  if (!why_.isEmpty()) return;
  if (!violation_.isEmpty()) why_ = violation_;
}

void Walk::Changed() {
  if (current_ && !current_->seen) Look(*current_);
}

// What the walk keeps beside the machine, and the checks of one step, as the step left things.
void Walk::Look(Step& step) {
  step.seen = true;
  const Phase before = step.before;
  const Phase after = steps_.phase();
  const CalibrationSteps::Input& input = step.input;
  trace_ << QString("%1(%2,%3):%4->%5@%6").arg(int(input.event)).arg(input.value).arg(input.flag)
                .arg(int(before)).arg(int(after)).arg(now_);
  // The last 30 steps name a failure; FLUXA_WALK_TRACE=N keeps N more.
  if (trace_.size() > qEnvironmentVariableIntValue("FLUXA_WALK_TRACE") + 30) trace_.removeFirst();
  if (input.event == Event::Register && (after == Phase::Registering || after == Phase::CheckRegistering) &&
      before != after) {
    registerFrames_ = 0;
    registerMark_ = step.queriesBefore;
  }
  // The search's trials as the walk saw them: a trial counts once a frame came during its step.
  if (input.event == Event::Frame && after == Phase::Searching) trialReading_ = frame_.reading;
  if (before == Phase::Searching && input.event == Event::Timer && !trials_.isEmpty()) {
    if (!std::isnan(trialReading_)) trials_.last().reading = trialReading_;
    else trials_.removeLast();
  }
  if (after == Phase::Searching && gainWrites_ != step.writes) {
    if (before != Phase::Searching) {
      trials_.clear();
      searchRun_ = method_;
    }
    trials_ << SearchStepRecord{gain_, NAN};
    trialReading_ = NAN;
  }
  if (why_.isEmpty() && violation_.isEmpty())
    why_ = Check(input, before, step.samplesBefore, step.asLeftBefore);
}

QString Walk::FreshPair(QList<Taken>& into, const QString& unit) {
  // Per query: the reply answers a query sent after "Rejestruj", and a frame came after it too,
  // after the last gain write had settled, in the samples' unit.
  if (registerFrames_ == 0) return "a pair without a frame after \"Rejestruj\"";
  if (validReplyQuery_ <= registerMark_) return "a pair with a reply to a query sent before \"Rejestruj\"";
  if (frame_.at < writtenAt_ + kSettleMs) return QString("a pair from a frame %1 ms after a gain write").arg(frame_.at - writtenAt_);
  if (!unit.isEmpty() && frame_.unit != unit) return "a pair in another unit than the samples";
  into << Taken{referenceReading_, frame_.reading, frame_.gain, frame_.temperature, frame_.unit};
  return {};
}

QString Walk::Check(const CalibrationSteps::Input& input, Phase before, int samplesBefore, int asLeftBefore) {
  const Phase now = steps_.phase();
  if (before == Phase::Found && input.event == Event::Next) finishSaid_ = true;
  // The cell gets a gain only from "Zakoncz" after this run's search found one, it is the gain
  // the meter holds, and its record was kept first.
  if (!cellGains_.isEmpty()) {
    if (cellGains_.size() > 1 || records_.size() != 1) return "the cell written twice, or without its record";
    if (cellGains_.first() != gain_) return "the cell got a gain the meter does not hold";
    if (!finishSaid_) return "the cell written without \"Zakoncz\"";
    if (QString why = CheckRecord(records_.first()); !why.isEmpty()) return why;
  } else if (!records_.isEmpty() && closed_ == 0) {
    return "a record without the cell written";
  }
  // The samples change only through the machine's events, and each new one is a fresh pair.
  const int count = samples_.Count();
  if (count > samplesBefore) {
    if (before != Phase::Registering || count != samplesBefore + 1) return "a sample outside \"Rejestruj\"";
    if (QString why = FreshPair(samples_taken_, samples_taken_.isEmpty() ? QString() : samples_taken_.first().unit);
        !why.isEmpty())
      return why;
  } else if (count < samplesBefore) {
    if (input.event == Event::Delete && count == samplesBefore - 1)
      samples_taken_.removeAt(int(input.value) - 1);
    else if (count != 0)
      return "samples removed by another event than \"Usuń\"";
  }
  if (count == 0) samples_taken_.clear();
  for (int i = 1; i <= count; ++i)
    if (samples_.At(i).ucal != samples_taken_[i - 1].calibrated || samples_.At(i).uwz != samples_taken_[i - 1].reference)
      return QString("sample %1 is not the pair taken").arg(i);
  const int asLeft = int(steps_.AsLeft().size());
  if (asLeft > asLeftBefore) {
    if (before != Phase::CheckRegistering) return "a check point outside \"Rejestruj\"";
    if (QString why = FreshPair(asLeft_, fit_.first().unit); !why.isEmpty()) return "check: " + why;
    if (asLeft_.last().gain != steps_.FoundGain()) return "a check point at another gain than the one found";
  }
  if (asLeft == 0) asLeft_.clear();
  // Page 0: nothing starts when a record could not be kept; page 1 is at the initial gain.
  if (before == Phase::Idle && input.event == Event::Next) {
    if (now != Phase::Idle && storeRefuses_) return "a calibration started that could not be recorded";
    chosenGain_ = input.flag ? std::optional<int>(int(input.value)) : std::nullopt;
    initialGain_.reset();
  }
  if ((now == Phase::Sampling || now == Phase::InitialGain) &&
      (before == Phase::RangeCheck || before == Phase::FirstFrame || before == Phase::InitialGain)) {
    if (chosenGain_ && gain_ != *chosenGain_) return "page 1 without the initial gain";
    if (chosenGain_) initialGain_ = chosenGain_;
  }
  // Page 2 only with a fit whose target means something, in the reference meter's unit.
  if (before == Phase::Sampling && now == Phase::Ready) {
    if (std::abs(steps_.Target()) < GainSearch::kLeastTargetDigits * GainSearch::LastDigit(0))
      return QString("page 2 with the target %1").arg(steps_.Target());
    if (referenceUnit_.isEmpty() || samples_taken_.first().unit != referenceUnit_)
      return "page 2 with the reference meter in another unit";
    fit_ = samples_taken_;
  }
  // From page 2 on, the samples are the fit's.
  const bool backToPage1 = now == Phase::Restoring || now == Phase::RestoreFrame;  // samples may go
  if (!backToPage1 && !steps_.Closing() && !fit_.isEmpty() && steps_.Page() >= 2) {
    if (samples_taken_.size() != fit_.size()) return "the samples changed after the fit";
    for (int i = 0; i < fit_.size(); ++i)
      if (samples_taken_[i].calibrated != fit_[i].calibrated || samples_taken_[i].reference != fit_[i].reference)
        return "the samples changed after the fit";
  }
  // Page 1 holds samples only once the last gain write has settled.
  if (now == Phase::Sampling && count > 0 && now_ < writtenAt_ + kSettleMs)
    return QString("page 1 with samples %1 ms after a gain write").arg(now_ - writtenAt_);
  // Samples are only ever taken at one gain: the one the meter holds while they are taken.
  // Back on page 1 after a gain was given back, the samples stay only on a frame that came
  // after the gain settled.
  if (now == Phase::Sampling && before != Phase::Sampling && followsGain_ && count > 0) {
    if (frame_.at < writtenAt_ + kSettleMs && (before == Phase::RestoreFrame || before == Phase::Restoring))
      return "page 1 after a give-back without a settled frame";
    for (const Taken& t : samples_taken_)
      if (t.gain != gain_ && before != Phase::Registering)
        return QString("page 1 with samples at gain %1, the meter at %2").arg(t.gain).arg(gain_);
  }
  // No dead end: a phase that takes no action of the user (but a close) has a timer running.
  const bool userAction = CalibrationSteps::Takes(now, Event::Next) || CalibrationSteps::Takes(now, Event::Back) ||
                          CalibrationSteps::Takes(now, Event::Start) || CalibrationSteps::Takes(now, Event::Register);
  if (!userAction && !timerDue_) return "a phase with nothing to end it";
  // The ports are open exactly while the machine is past page 0's start (a device that went
  // is news still on its way).
  const bool lossOnItsWay = std::any_of(posted_.begin(), posted_.end(), [](const CalibrationSteps::Input& i) {
    return i.event == Event::MeterLost || i.event == Event::ReferenceLost;
  });
  if (now == Phase::Idle && meterOpen_) return "page 0 with the meter's port open";
  if (!lossOnItsWay && (now == Phase::Sampling || now == Phase::Ready || now == Phase::Found || now == Phase::Checking) &&
      (!meterOpen_ || !line_.connected))
    return "a page that waits for the user with a port closed";
  if (closed_ > 0 && now != Phase::Idle) return "closed but not idle";
  return {};
}

// After the closing sequence and its messages: a meter left at another gain than it had when the
// wizard opened is the gain written to the cell, or the user was told.
QString Walk::CheckTold() const {
  const QString all = told_.join('\n');
  const bool told = all.contains(wizard_text::kTrialGainKept) || all.contains(wizard_text::InitialGainKept(gain_));
  if (cellGains_.isEmpty() && gain_ != openingGain_ && !told)
    return QString("closed with the meter at %1 instead of %2, not told").arg(gain_).arg(openingGain_);
  return {};
}

// The record holds exactly what the calibration was: the fit's points as found, the gain they
// were taken at and the gain found, the initial gain, the unit, the check and the probe's
// temperatures over both, and the search with every trial.
QString Walk::CheckRecord(const CalibrationRecord& r) const {
  if (r.asFound.size() != fit_.size()) return QString("the record keeps %1 points as found of the fit's %2").arg(r.asFound.size()).arg(fit_.size());
  for (int i = 0; i < fit_.size(); ++i)
    if (r.asFound[i].reference != fit_[i].reference || r.asFound[i].calibrated != fit_[i].calibrated)
      return QString("the record's point %1 as found is not the fit's").arg(i + 1);
  if (r.gainBefore)
    for (const Taken& t : fit_)
      if (t.gain != *r.gainBefore) return QString("the record's gain before %1, the samples at %2").arg(*r.gainBefore).arg(t.gain);
  if (initialGain_ && r.initialGain != initialGain_) return "the record's initial gain is not the one sent";
  if (!initialGain_ && r.initialGain) return "an initial gain in the record that was not sent";
  if (r.gainAfter != cellGains_.first()) return "the record's gain after is not the cell's";
  if (r.unit != fit_.first().unit) return "the record's unit is not the samples'";
  if (r.asLeftSkipped != asLeft_.isEmpty() || r.asLeft.size() != asLeft_.size())
    return QString("the record's check (%1 points, skipped %2) is not the check taken (%3 points)")
        .arg(r.asLeft.size()).arg(r.asLeftSkipped).arg(asLeft_.size());
  for (int i = 0; i < asLeft_.size(); ++i)
    if (r.asLeft[i].reference != asLeft_[i].reference || r.asLeft[i].calibrated != asLeft_[i].calibrated)
      return QString("the record's check point %1 is not the one taken").arg(i + 1);
  std::optional<double> low, high;
  for (const Taken& t : fit_ + asLeft_) {
    low = low ? std::min(*low, *t.temperature) : *t.temperature;
    high = high ? std::max(*high, *t.temperature) : *t.temperature;
  }
  if (r.probeTemperatureMin != low || r.probeTemperatureMax != high) return "the record's probe temperatures";
  if (r.search != (searchRun_ == GainSearch::Method::Secant ? "secant" : "bisection"))
    return "the record names another search: " + r.search;
  if (r.steps != trials_) {
    QStringList a, b;
    for (const SearchStepRecord& t : r.steps) a << QString("%1:%2").arg(t.gain).arg(t.reading);
    for (const SearchStepRecord& t : trials_) b << QString("%1:%2").arg(t.gain).arg(t.reading);
    return QString("the record keeps the trials %1, the search made %2").arg(a.join(','), b.join(','));
  }
  if (r.steps.isEmpty() || r.steps.last().gain != r.gainAfter) return "the record's last trial is not the gain found";
  return {};
}

void Walk::Reopen() {
  records += int(records_.size());
  closed_ = 0;
  cellGains_.clear();
  records_.clear();
  told_.clear();
  finishSaid_ = false;
  samples_taken_.clear();
  fit_.clear();
  asLeft_.clear();
  chosenGain_.reset();
  initialGain_.reset();
  openingGain_ = gain_;
  writtenAt_ = -kSettleMs;  // a new opening knows nothing of the gains written before it
  ++openings;
  steps_.Open(0, 1);
}

bool Walk::Run(int events) {
  for (int i = 0; i < events && why_.isEmpty(); ++i) {
    ++given;
    OneEvent();
    if (steps_.phase() == Phase::Found) ++found;
    reached.insert(int(steps_.phase()));
    if (closed_ > 0 && why_.isEmpty()) {
      why_ = CheckTold();  // every message out
      Reopen();  // the next opening, late reports and all
    }
  }
  records += int(records_.size());
  records_.clear();
  return why_.isEmpty();
}
}  // namespace

class TestWizardSteps : public QObject {
  Q_OBJECT
 private slots:
  // The user's actions each phase takes: the window enables a control exactly when its action
  // is taken, so this is what the user can press. A close is taken in every phase. The samples
  // change only on page 1 (and before a calibration starts).
  void actionsOfEachPhase_data() {
    QTest::addColumn<Phase>("phase");
    QTest::addColumn<QString>("actions");
    const QString none;
    QTest::newRow("page 0") << Phase::Idle << "Next Delete Refit Channel";
    for (Phase p : {Phase::Connecting, Phase::RangeCheck, Phase::FirstFrame, Phase::InitialGain,
                    Phase::Disconnecting, Phase::Registering, Phase::Searching, Phase::GivingBack,
                    Phase::DebugPause, Phase::Finishing, Phase::Restoring, Phase::RestoreFrame,
                    Phase::CheckRegistering, Phase::CloseGiveBack, Phase::CloseRelease, Phase::CloseSlave})
      QTest::addRow("waiting %d", int(p))
          << p << (p == Phase::Searching || p == Phase::Restoring || p == Phase::RestoreFrame ? "Back" : none);
    QTest::newRow("page 1") << Phase::Sampling << "Next Back Register Reset Delete Refit Channel";
    QTest::newRow("page 2, no result") << Phase::Ready << "Back Start DebugSend";
    QTest::newRow("page 2, a result") << Phase::Found << "Next Back Start DebugSend";
    QTest::newRow("page 3, the check") << Phase::Checking << "Next Register Reset Skip";
  }
  void actionsOfEachPhase() {
    QFETCH(Phase, phase);
    QFETCH(QString, actions);
    const QList<QPair<Event, QString>> all = {
        {Event::Next, "Next"},   {Event::Back, "Back"},   {Event::Start, "Start"},   {Event::Register, "Register"},
        {Event::Reset, "Reset"}, {Event::DebugSend, "DebugSend"}, {Event::Skip, "Skip"}, {Event::Delete, "Delete"},
        {Event::Refit, "Refit"}, {Event::Channel, "Channel"}};
    QStringList taken;
    for (const auto& [event, name] : all)
      if (CalibrationSteps::Takes(phase, event)) taken << name;
    QCOMPARE(taken.join(' '), actions);
    QVERIFY(CalibrationSteps::Takes(phase, Event::Close));
    // A device lost is news only while a port may be open.
    QCOMPARE(CalibrationSteps::Takes(phase, Event::MeterLost), phase != Phase::Idle);
  }

  void randomWalk() {
    const quint32 seed = qEnvironmentVariableIsSet("FLUXA_WALK_SEED")
                             ? quint32(qEnvironmentVariableIntValue("FLUXA_WALK_SEED"))
                             : 20261208u;
    std::mt19937 seeds(seed);
    constexpr int kSequences = 4000;
    constexpr int kMaxEvents = 400;
    qint64 events = 0;
    qint64 openings = 0;
    int reachedFound = 0;
    int records = 0;
    QSet<int> phases;  // reached by some walk
    for (int k = 0; k < kSequences; ++k) {
      // Half the walks are a user who goes on through the pages; the other half press anything
      // at any time while the meters misbehave.
      Walk walk(seeds(), k % 2 == 0);
      const bool ok = walk.Run(kMaxEvents);
      QVERIFY2(ok, qPrintable(QString("seed %1, sequence %2 (FLUXA_WALK_SEED=%1): %3")
                                  .arg(seed).arg(k).arg(walk.why())));
      events += walk.given;
      openings += walk.openings;
      reachedFound += walk.found > 0;
      records += walk.records;
      phases += walk.reached;
    }
    qInfo("random walk: %d sequences, %lld openings, %lld events, seed %u; %d reached a found gain, %d records "
          "kept, %lld of %d phases reached",
          kSequences, openings, events, seed, reachedFound, records, qint64(phases.size()), int(Phase::CloseSlave) + 1);
    QVERIFY(records >= 1000);
    QCOMPARE(phases.size(), int(Phase::CloseSlave) + 1);  // every phase was visited
  }
};

QTEST_MAIN(TestWizardSteps)
#include "test_wizard_steps.moc"
