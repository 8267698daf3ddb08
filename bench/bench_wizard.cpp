// The calibration wizard's window while both meters talk: fluxa-sim's meter sends 10 results a
// second and its reference meter answers every measurement query (one a frame: polls_per_frame).
// A thread posts an event to the GUI thread every 10 ms and notes how long it waited to run: that
// is how long a click or a repaint would wait. Measured on page 1 (samples) and while one range
// is calibrated by the bisection and then by the secant search ("Szybkie szukanie"): the trials
// and time of each, the secant's time against the bisection's, and both against the protocol's
// minimum, 1150 ms a step (the 300 ms pause after the gain frame and the 850 ms wait for the
// meter to settle).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QCheckBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <initializer_list>
#include <mutex>
#include <thread>

#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/KalibracjaOpcje.h"

namespace {
using Clock = std::chrono::steady_clock;
using Phase = CalibrationSteps::Phase;
constexpr double kStepMinimumMs = 300 + 850;

// Posts a timestamped event to the GUI thread every 10 ms while it lives.
class Pinger {
 public:
  Pinger()
      : thread_([this] {
          while (!stop_) {
            const Clock::time_point posted = Clock::now();
            QMetaObject::invokeMethod(
                qApp,
                [this, posted] {
                  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - posted).count();
                  std::lock_guard lock(mutex_);
                  waits_.push_back(ms);
                },
                Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
        }) {}
  ~Pinger() {
    stop_ = true;
    thread_.join();
  }
  // Median and worst wait so far.
  std::pair<double, double> Figures() {
    std::lock_guard lock(mutex_);
    if (waits_.empty()) return {0, 0};
    std::vector<double> w = waits_;
    std::sort(w.begin(), w.end());
    return {w[w.size() / 2], w.back()};
  }

 private:
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<double> waits_;
  std::thread thread_;
};

struct LiveWizard {
  LiveWizard() : sim({"--unit", "Gs", "--field", "100", "--gain", "16000", "--rate", "10"}) {}
  bool Start(benchmark::State& state) {
    if (!sim.start()) {
      state.SkipWithError("fluxa-sim did not start");
      return false;
    }
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    qputenv("FLUXA_COM2", sim.referencePath().toUtf8());
    wizard.OpenFor(nullptr, 0, 1, QStringLiteral("KV-0001"));
    wizard.kDalejClick();
    if (!Await({Phase::Sampling, Phase::Idle}, 20000) || wizard.Phase() != Phase::Sampling) {
      state.SkipWithError("the meters did not connect");
      return false;
    }
    return true;
  }
  void Idle(int ms) { sim.pumpUntil([] { return false; }, ms); }
  // Runs the event loop until the wizard's steps are in one of `phases`.
  bool Await(std::initializer_list<Phase> phases, int timeoutMs) {
    return sim.pumpUntil(
        [&] { return std::find(phases.begin(), phases.end(), wizard.Phase()) != phases.end(); }, timeoutMs);
  }
  // "Rejestruj": the sample is taken once a fresh pair of readings came.
  bool Register() {
    const int before = wizard.Samples().Count();
    wizard.kWizardRejestrujClick();
    return Await({Phase::Sampling}, 5000) && wizard.Samples().Count() == before + 1;
  }
  int Polls() {
    int n = 0;
    for (const auto& c : sim.referenceCommands()) n += c.bytes.startsWith("\x1BME");
    return n;
  }
  // Result frames the wizard decoded since its meter's port opened.
  int Frames() { return wizard.Link().Receiver().FramesDecoded(); }
  MessageRecorder messages;
  SimProcess sim;
  TkKalibracja wizard;
};
}  // namespace

static void BM_WizardPage1(benchmark::State& state) {
  LiveWizard live;
  if (!live.Start(state)) return;
  live.Idle(1000);
  for (auto _ : state) {
    const int pollsBefore = live.Polls();
    const int framesBefore = live.Frames();
    Pinger pinger;
    live.Idle(10000);
    const auto [median, worst] = pinger.Figures();
    state.counters["wait_median_ms"] = median;
    state.counters["wait_worst_ms"] = worst;
    state.counters["reference_polls_per_s"] = (live.Polls() - pollsBefore) / 10.0;
    state.counters["polls_per_frame"] = double(live.Polls() - pollsBefore) / std::max(1, live.Frames() - framesBefore);
  }
}
BENCHMARK(BM_WizardPage1)->Iterations(1)->Unit(benchmark::kMillisecond);

static void BM_WizardSearches(benchmark::State& state) {
  LiveWizard live;
  if (!live.Start(state)) return;
  auto& w = live.wizard;
  auto settle = [&](const QString& field) {
    live.sim.command("field " + field);
    live.Idle(800);
  };
  settle("100");
  const bool first = live.Register();
  settle("50");
  const bool second = live.Register();
  settle("100");
  if (!first || !second) {
    state.SkipWithError("no samples registered");
    return;
  }
  w.kDalejClick();
  if (w.Phase() != Phase::Ready) {
    state.SkipWithError("no target reading");
    return;
  }
  // The same range calibrated twice in a row: by the bisection, then by the secant search
  // ("Szybkie szukanie"), each from its first trial.
  struct Figures {
    int steps = 0;
    double ms = 0;
  };
  auto search = [&](bool secant, Figures& f) {
    w.kTabOpcje->kSzybkieSzukanie->setChecked(secant);
    QElapsedTimer clock;
    clock.start();
    w.kStartClick();  // returns at once: the search runs in the event loop
    if (!live.Await({Phase::Found, Phase::Ready}, 60000) || w.Phase() != Phase::Found) return false;
    f = {w.Search().Steps(), double(clock.nsecsElapsed()) / 1e6};
    return w.FinalGain() == 20000;
  };
  for (auto _ : state) {
    const int pollsBefore = live.Polls();
    const int framesBefore = live.Frames();
    Pinger pinger;
    QElapsedTimer clock;
    clock.start();
    Figures bisection;
    Figures secant;
    if (!search(false, bisection) || !search(true, secant)) {
      state.SkipWithError("a search did not end at the true gain");
      return;
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    state.SetIterationTime(secant.ms / 1000.0);
    const auto [median, worst] = pinger.Figures();
    state.counters["bisection_steps"] = bisection.steps;
    state.counters["bisection_ms"] = bisection.ms;
    state.counters["secant_steps"] = secant.steps;
    state.counters["secant_ms"] = secant.ms;
    state.counters["secant_x_bisection"] = secant.ms / bisection.ms;
    state.counters["x_protocol_minimum"] = (bisection.ms + secant.ms) / ((bisection.steps + secant.steps) * kStepMinimumMs);
    state.counters["wait_median_ms"] = median;
    state.counters["wait_worst_ms"] = worst;
    state.counters["reference_polls_per_s"] = (live.Polls() - pollsBefore) / (ms / 1000.0);
    state.counters["polls_per_frame"] = double(live.Polls() - pollsBefore) / std::max(1, live.Frames() - framesBefore);
  }
  if (!live.messages.texts().isEmpty())
    state.SkipWithError(qPrintable(live.messages.texts().join(" | ")));
}
BENCHMARK(BM_WizardSearches)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The choice of search is kept in a settings store of the benchmark's own.
  QTemporaryDir settings;
  qputenv("FLUXA_SETTINGS", settings.filePath("settings.ini").toUtf8());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
