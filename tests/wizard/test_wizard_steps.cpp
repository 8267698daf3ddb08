// The wizard's step machine without a window or ports: a random walk over every event it can
// get, against a model of both meters whose reading follows the gain the meter holds, with
// either search chosen (and the choice changed between searches), the machine's promises checked
// after every event; and which controls each phase enables.
#include <QtTest>
#include <cmath>
#include <random>

#include "wizard/CalibrationSteps.h"
#include "wizard/Samples.h"
#include "wizard/WizardTexts.h"

using Phase = CalibrationSteps::Phase;
using Event = CalibrationSteps::Event;
Q_DECLARE_METATYPE(CalibrationSteps::Phase)

namespace {
constexpr int kTrueGain = 20000;

// Both meters and the timer as the machine sees them through StepsIo. The meter's reading is
// the field x its gain / the true gain in tenths (or the field at its starting gain when it
// does not follow the gain); the reference meter answers each query with the field.
struct Model : StepsIo {
  // the meter under calibration
  bool meterOpen = false;
  int gain = 16000;
  bool followsGain = true;
  bool wrongRange = false;
  bool failNextWrite = false;
  GainSearch::Method method = GainSearch::Method::Bisection;  // "Szybkie szukanie"
  double field = 100;
  double frameReading = 0;  // of the last frame delivered
  int frameGain = 0;        // the gain the meter held when it measured that frame
  // the reference meter
  bool referenceOpen = false;
  bool handshake = false;    // Set Master and its pause running
  bool acknowledged = true;  // its outcome
  bool release = false;      // ESC LO1 tries running
  bool closeAfterSlave = false;
  int queries = 0;
  int pendingQuery = 0;
  double referenceValue = 0;
  // the timer and the user
  bool timer = false;
  QStringList told;
  int closed = 0;
  QList<int> cellGains;
  QString violation;

  void Violate(const QString& what) {
    if (violation.isEmpty()) violation = what;
  }

  bool OpenPorts() override {
    if (meterOpen || referenceOpen || closeAfterSlave) Violate("ports opened again while open");
    meterOpen = referenceOpen = handshake = true;
    return true;
  }
  bool MeterOpen() const override { return meterOpen; }
  bool ReferenceOpen() const override { return referenceOpen; }
  bool ReferenceAcknowledged() const override { return acknowledged; }
  void ClearMeterInput() override {}
  int writes = 0;
  bool SendGain(int g) override {
    ++writes;
    if (g < 0 || g > 32767) Violate(QString("gain %1 sent").arg(g));
    if (!meterOpen || std::exchange(failNextWrite, false)) {
      if (meterOpen && g % 2) gain = g;  // a failed write may still have reached the meter
      told << "Nie można wysłać tekstu";
      return false;
    }
    gain = g;
    return true;
  }
  double MeterReading() const override { return frameReading; }
  bool WrongRange() const override { return wrongRange; }
  double ReferenceReading() const override { return referenceValue; }
  int QueriesSent() const override { return queries; }
  void StartRelease() override {
    if (release || closeAfterSlave) Violate("a second exchange on the reference port");
    handshake = false;  // a new exchange takes the port
    pendingQuery = 0;
    release = true;
  }
  bool ClosePorts() override {
    meterOpen = false;
    if (!referenceOpen) return true;
    release = handshake = false;
    pendingQuery = 0;
    closeAfterSlave = true;  // Set Slave's pause first
    return false;
  }
  bool ReopenMainPort(bool) override { return true; }
  GainSearch::Method SearchMethod() const override { return method; }
  void StartTimer(int) override { timer = true; }
  void StopTimer() override { timer = false; }
  bool TimerPending() const override { return timer; }
  void Tell(const QString& message) override { told << message; }
  void Changed() override {}
  void Closed(bool) override { ++closed; }
  void GainChosen(int g) override { cellGains << g; }
  QString Recorded(CalibrationRecord& record) override {
    records << record;
    return {};
  }
  QList<CalibrationRecord> records;
};

// A random walk: each step picks one event that could happen now and gives it to the machine.
class Walk {
 public:
  Walk(quint32 seed) : random_(seed), steps_(model_, samples_) {
    // Half the walks are a user who goes on through the pages, rarely back or away; the other
    // half press anything at any time.
    purposeful_ = Chance(50);
    model_.followsGain = Chance(85);
    model_.method = Chance(50) ? GainSearch::Method::Secant : GainSearch::Method::Bisection;
    steps_.Open(0, 1);
    openingGain_ = model_.gain;
  }
  // false: a promise broken; why() says which.
  bool Run(int events);
  // What broke, and the last events before it: event(value,flag):phase->phase, by number.
  QString why() const { return why_ + "; " + trace_.join(' '); }
  int found = 0;
  int foundBySecant = 0;
  int recordsBySecant = 0;
  int given = 0;
  int openings = 1;
  QSet<int> reached;

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool Chance(int percent) { return Pick(100) < percent; }
  void Give(const CalibrationSteps::Input& input);
  void OneEvent();
  void EndExchange();
  void Frame();
  void Reopen();
  bool Check(const CalibrationSteps::Input& input, Phase before, int countBefore, int toldBefore);

  std::mt19937 random_;
  bool purposeful_ = false;
  Model model_;
  SampleTable samples_;
  CalibrationSteps steps_;
  QList<int> sampleGains_;  // the meter's gain when each sample's frame was measured
  int toldAtFirstSample_ = 0;
  int openingGain_ = 0;
  std::optional<int> chosenGain_;  // "Wpisz inicjujaca nastawe" of the last "Dalej >>" on page 0
  bool gainSettled_ = false;  // the opening's gain is known to the walk (page 1 was reached)
  int framesSinceRegister_ = 0;
  int validRepliesSinceRegister_ = 0;
  bool finishSaid_ = false;  // "Zakoncz" on page 2 in this opening
  // The last search: the one chosen at its "Start", and each trial's gain and the reading of
  // its step's last frame (NAN while its step runs, or when no frame came).
  GainSearch::Method searchRun_ = GainSearch::Method::Bisection;
  QList<SearchStepRecord> trials_;
  double trialReading_ = NAN;
  QString why_;
  QStringList trace_;
};

void Walk::Give(const CalibrationSteps::Input& input) {
  const Phase before = steps_.phase();
  const int count = samples_.Count() + steps_.AsLeft().size();
  const int told = int(model_.told.size());
  if (input.event == Event::Register && (before == Phase::Sampling || before == Phase::Checking))
    framesSinceRegister_ = validRepliesSinceRegister_ = 0;
  if (input.event == Event::Frame) ++framesSinceRegister_;
  if (input.event == Event::Reply && input.flag) ++validRepliesSinceRegister_;
  const int writes = model_.writes;
  steps_.Take(input);
  const Phase after = steps_.phase();
  if (input.event == Event::Frame && after == Phase::Searching) trialReading_ = model_.frameReading;
  if (before == Phase::Searching && input.event == Event::Timer) {
    // The step's wait is over: its trial counts when a frame came during it.
    if (!std::isnan(trialReading_) && !trials_.isEmpty()) trials_.last().reading = trialReading_;
    else if (!trials_.isEmpty()) trials_.removeLast();
  }
  if (after == Phase::Searching && model_.writes != writes) {
    if (before != Phase::Searching) {
      trials_.clear();
      searchRun_ = model_.method;
    }
    trials_ << SearchStepRecord{model_.gain, NAN};
    trialReading_ = NAN;
  }
  trace_ << QString("%1(%2,%3):%4->%5").arg(int(input.event)).arg(input.value).arg(input.flag).arg(int(before)).arg(int(steps_.phase()));
  if (trace_.size() > 25) trace_.removeFirst();
  if (why_.isEmpty() && !Check(input, before, count, told) && why_.isEmpty()) why_ = "unknown";
}

void Walk::Reopen() {
  model_.closed = 0;
  model_.cellGains.clear();
  model_.records.clear();
  finishSaid_ = false;
  sampleGains_.clear();
  chosenGain_.reset();
  gainSettled_ = false;
  openingGain_ = model_.gain;
  ++openings;
  steps_.Open(0, 1);
}

void Walk::Frame() {
  Model& m = model_;
  if (!m.meterOpen) return;
  // A result frame; the link asks the reference meter for the same moment.
  m.frameGain = m.gain;
  m.frameReading = std::nearbyint(m.field * (m.followsGain ? m.gain : 16000) / kTrueGain * 10) / 10;
  if (m.referenceOpen && !m.handshake && !m.release && !m.closeAfterSlave && !m.pendingQuery)
    m.pendingQuery = ++m.queries;
  Give({Event::Frame});
}

void Walk::EndExchange() {
  Model& m = model_;
  if (m.handshake) {
    m.handshake = false;
    m.acknowledged = Chance(90);
    Give({Event::ReferenceReady});
  } else if (m.release) {
    m.release = false;
    Give({Event::ReleaseDone, 0, Chance(80)});
  } else if (m.closeAfterSlave) {
    m.closeAfterSlave = false;
    m.referenceOpen = false;
    Give({Event::ReferenceClosed});
  }
}

void Walk::OneEvent() {
  Model& m = model_;
  switch (Pick(16)) {
    case 0:
      Give({Event::Next, Chance(50) ? 16000 + 500 * Pick(20) : Pick(3) * 30000 - 10, Chance(40)});
      break;
    case 1:
      if (!purposeful_ || Chance(3)) Give({Event::Back});
      break;
    case 2:
      Give({Event::Start});
      break;
    case 3:
      Give({Event::Register});
      break;
    case 4:
      if (Chance(20)) Give({Event::Reset});
      else if (Chance(30)) Give({Event::DebugSend, Pick(3) == 0 ? 40000 : 15000 + Pick(10000)});
      else if (Chance(10))  // "Szybkie szukanie" on "Opcje", at any time; a search under way keeps its own
        m.method = m.method == GainSearch::Method::Secant ? GainSearch::Method::Bisection : GainSearch::Method::Secant;
      else if (Chance(purposeful_ ? 2 : 15)) Give({Event::Close});
      else if (Chance(purposeful_ ? 10 : 30)) Give({Event::Skip});
      break;
    case 5:
    case 6:
    case 7:
      // Time passes: a reference exchange under way ends well before any of the machine's
      // guards would.
      if (m.handshake || m.release || m.closeAfterSlave) {
        EndExchange();
      } else if (m.timer) {
        // A meter that is on sends results all the time the machine waits.
        if (purposeful_ && Chance(95)) Frame();
        if (m.timer && !m.handshake && !m.release && !m.closeAfterSlave) {
          m.timer = false;
          Give({Event::Timer});
        }
      }
      break;
    case 8:
    case 9:
    case 10:
      Frame();
      break;
    case 11:
    case 12:
      if (m.pendingQuery) {  // on time, malformed, or too late (the link drops those)
        const int query = std::exchange(m.pendingQuery, 0);
        if (Chance(10)) break;
        const bool valid = Chance(85);
        if (valid) m.referenceValue = m.field;
        Give({Event::Reply, query, valid});
      }
      break;
    case 13:
      EndExchange();
      break;
    case 14:  // the world changes; a purposeful user moves the field between samples only
      if (purposeful_ && steps_.phase() != Phase::Sampling) break;
      switch (purposeful_ && Chance(80) ? 0 : Pick(6)) {
        case 0: m.field = m.field == 100 ? 50 : 100; break;
        case 1: m.failNextWrite = true; break;
        case 2: m.wrongRange = Chance(20); break;
        case 3: m.followsGain = Chance(70); break;
        default: break;
      }
      break;
    case 15:  // a device goes away now and then
      if (purposeful_) break;
      if (Chance(8) && m.meterOpen) {
        m.meterOpen = false;
        Give({Event::MeterLost});
      } else if (Chance(8) && m.referenceOpen) {
        m.referenceOpen = m.handshake = m.release = false;
        m.pendingQuery = 0;
        const bool pending = std::exchange(m.closeAfterSlave, false);
        Give({Event::ReferenceLost});
        if (pending) Give({Event::ReferenceClosed});
      }
      break;
  }
}

bool Walk::Check(const CalibrationSteps::Input& input, Phase before, int countBefore, int toldBefore) {
  Model& m = model_;
  auto fail = [this](const QString& what) {
    why_ = what;
    return false;
  };
  if (!m.violation.isEmpty()) return fail(m.violation);
  const Phase now = steps_.phase();
  if (before == Phase::Found && input.event == Event::Next) finishSaid_ = true;
  // An as-left sample pairs fresh readings too, at the gain found (the meter's now).
  if (steps_.AsLeft().size() + samples_.Count() > countBefore && before == Phase::CheckRegistering) {
    if (framesSinceRegister_ == 0 || validRepliesSinceRegister_ == 0) return fail("an as-left sample without a fresh pair");
    if (m.frameGain != steps_.FoundGain()) return fail("an as-left sample at another gain than the one found");
  }
  // A sample pairs a frame and a valid reply both after "Rejestruj", at the gain of that frame.
  if (samples_.Count() > countBefore) {
    if (before != Phase::Registering || framesSinceRegister_ == 0 || validRepliesSinceRegister_ == 0)
      return fail("a sample without a fresh pair");
    if (sampleGains_.isEmpty()) toldAtFirstSample_ = int(m.told.size());
    sampleGains_ << m.frameGain;
  }
  if (samples_.Count() == 0) sampleGains_.clear();
  if (samples_.Count() < sampleGains_.size()) sampleGains_ = sampleGains_.mid(0, samples_.Count());
  if (before == Phase::Idle && input.event == Event::Next)
    chosenGain_ = input.flag ? std::optional<int>(int(input.value)) : std::nullopt;
  // The gain of page 0 (untouched, or the initial gain the user chose) is the meter's own; an
  // initial gain that was refused or did not go out keeps the wizard on page 0.
  if ((now == Phase::Sampling || now == Phase::InitialGain) &&
      (before == Phase::RangeCheck || before == Phase::FirstFrame || before == Phase::InitialGain)) {
    if (chosenGain_ && m.gain != *chosenGain_) return fail("page 1 without the initial gain");
    gainSettled_ = true;
    openingGain_ = m.gain;
  }
  // Samples are only ever taken at one gain: the one the meter holds while they are taken.
  if (now == Phase::Sampling && !m.timer && int(m.told.size()) == toldAtFirstSample_)
    for (int g : sampleGains_)
      if (m.followsGain && g != m.gain)
        return fail(QString("page 1 with samples at gain %1, the meter at %2").arg(g).arg(m.gain));
  // The cell gets a gain only from "Zakoncz" after this run's search found one, and it is the
  // gain the meter holds.
  if (!m.cellGains.isEmpty()) {
    if (m.cellGains.size() > 1) return fail("the cell written twice");
    if (m.cellGains.first() != m.gain) return fail("the cell got a gain the meter does not hold");
    if (!finishSaid_) return fail("the cell written without \"Zakoncz\"");
    // ... and the calibration's record with it, once, with that gain.
    if (m.records.size() != 1 || m.records.first().gainAfter != m.cellGains.first())
      return fail("the cell written without its record");
    const CalibrationRecord& r = m.records.first();
    if (r.asLeftSkipped != r.asLeft.isEmpty() || r.asFound.size() < 2) return fail("a record that is not whole");
    // ... naming the search that found the gain, with every trial it made and its reading.
    if (r.search != (searchRun_ == GainSearch::Method::Secant ? "secant" : "bisection"))
      return fail("the record names another search: " + r.search);
    if (r.steps != trials_) return fail(QString("the record keeps %1 trials of %2").arg(r.steps.size()).arg(trials_.size()));
    if (r.steps.isEmpty() || r.steps.last().gain != r.gainAfter) return fail("the record's last trial is not the gain found");
  } else if (!m.records.isEmpty()) {
    return fail("a record without the cell written");
  }
  // No dead end: a phase that takes no action of the user (but a close) has a timer running.
  const bool userAction = CalibrationSteps::Takes(now, Event::Next) || CalibrationSteps::Takes(now, Event::Back) ||
                          CalibrationSteps::Takes(now, Event::Start) || CalibrationSteps::Takes(now, Event::Register);
  if (!userAction && !m.timer) return fail("a phase with nothing to end it");
  // After the closing sequence: ports closed, and a meter left at another gain than it had is
  // either the gain written to the cell or the user was told.
  if (m.closed > 0) {
    if (now != Phase::Idle) return fail("closed but not idle");
    if (m.meterOpen || (m.referenceOpen && !m.closeAfterSlave)) return fail("closed with a port open");
    const bool told = m.told.mid(toldBefore).join('\n').contains(wizard_text::kTrialGainKept);
    if (m.cellGains.isEmpty() && gainSettled_ && m.gain != openingGain_ && !told)
      return fail(QString("closed with the meter at %1 instead of %2, not told").arg(m.gain).arg(openingGain_));
    return true;
  }
  return true;
}

bool Walk::Run(int events) {
  for (int i = 0; i < events && why_.isEmpty(); ++i) {
    ++given;
    OneEvent();
    if (steps_.phase() == Phase::Found) {
      ++found;
      foundBySecant += searchRun_ == GainSearch::Method::Secant;
    }
    for (const CalibrationRecord& r : model_.records) recordsBySecant += r.search == "secant";
    reached.insert(int(steps_.phase()));
    if (model_.closed > 0 && why_.isEmpty()) Reopen();  // the next opening, late reports and all
  }
  return why_.isEmpty();
}
}  // namespace

class TestWizardSteps : public QObject {
  Q_OBJECT
 private slots:
  // The user's actions each phase takes: the window enables a control exactly when its action
  // is taken, so this is what the user can press. A close is taken in every phase.
  void actionsOfEachPhase_data() {
    QTest::addColumn<Phase>("phase");
    QTest::addColumn<QString>("actions");
    const QString none;
    QTest::newRow("page 0") << Phase::Idle << "Next";
    for (Phase p : {Phase::Connecting, Phase::RangeCheck, Phase::FirstFrame, Phase::InitialGain,
                    Phase::Disconnecting, Phase::Registering, Phase::Searching, Phase::GivingBack,
                    Phase::DebugPause, Phase::Finishing, Phase::Restoring, Phase::RestoreFrame,
                    Phase::CheckRegistering, Phase::CloseGiveBack, Phase::CloseRelease, Phase::CloseSlave})
      QTest::addRow("waiting %d", int(p)) << p << (p == Phase::Searching ? "Back" : none);
    QTest::newRow("page 1") << Phase::Sampling << "Next Back Register Reset";
    QTest::newRow("page 2, no result") << Phase::Ready << "Back Start DebugSend";
    QTest::newRow("page 2, a result") << Phase::Found << "Next Back Start DebugSend";
    QTest::newRow("page 3, the check") << Phase::Checking << "Next Register Reset Skip";
  }
  void actionsOfEachPhase() {
    QFETCH(Phase, phase);
    QFETCH(QString, actions);
    const QList<QPair<Event, QString>> all = {{Event::Next, "Next"},       {Event::Back, "Back"},
                                              {Event::Start, "Start"},     {Event::Register, "Register"},
                                              {Event::Reset, "Reset"},     {Event::DebugSend, "DebugSend"},
                                              {Event::Skip, "Skip"}};
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
                             : 20261207u;
    std::mt19937 seeds(seed);
    constexpr int kSequences = 4000;
    constexpr int kMaxEvents = 400;
    qint64 events = 0;
    qint64 openings = 0;
    int reachedFound = 0;
    int reachedBySecant = 0;
    int recordsBySecant = 0;
    QSet<int> phases;  // reached by some walk
    for (int k = 0; k < kSequences; ++k) {
      const quint32 sequenceSeed = seeds();
      Walk walk(sequenceSeed);
      const bool ok = walk.Run(kMaxEvents);
      QVERIFY2(ok, qPrintable(QString("seed %1, sequence %2 (FLUXA_WALK_SEED=%1): %3")
                                  .arg(seed).arg(k).arg(walk.why())));
      events += walk.given;
      openings += walk.openings;
      reachedFound += walk.found > 0;
      reachedBySecant += walk.foundBySecant > 0;
      recordsBySecant += walk.recordsBySecant > 0;
      phases += walk.reached;
    }
    qInfo("random walk: %d sequences, %lld openings, %lld events, seed %u; %d reached a found gain, %d by the "
          "secant search, %d kept a secant search's record",
          kSequences, openings, events, seed, reachedFound, reachedBySecant, recordsBySecant);
    QVERIFY(reachedFound > reachedBySecant);
    QVERIFY(reachedBySecant > 0);
    QVERIFY(recordsBySecant > 0);
    QCOMPARE(phases.size(), int(Phase::CloseSlave) + 1);  // every phase was visited
  }
};

QTEST_MAIN(TestWizardSteps)
#include "test_wizard_steps.moc"
