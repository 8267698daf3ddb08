// The calibration wizard's window while both meters talk: fluxa-sim's meter sends 10 results a
// second and its reference meter answers every measurement query. A thread posts an event to
// the GUI thread every 10 ms and notes how long it waited to run: that is how long a click or
// a repaint would wait. Measured on page 1 (samples) and during a whole gain search, whose
// time is also set against the protocol's minimum, 1150 ms a step (the 300 ms pause after the
// gain frame and the 850 ms wait for the meter to settle).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStackedWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <initializer_list>
#include <mutex>
#include <thread>

#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"
#include "wizard/KalibracjaMain.h"

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
    Pinger pinger;
    live.Idle(10000);
    const auto [median, worst] = pinger.Figures();
    state.counters["wait_median_ms"] = median;
    state.counters["wait_worst_ms"] = worst;
    state.counters["reference_polls_per_s"] = (live.Polls() - pollsBefore) / 10.0;
  }
}
BENCHMARK(BM_WizardPage1)->Iterations(1)->Unit(benchmark::kMillisecond);

static void BM_WizardSearch(benchmark::State& state) {
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
  for (auto _ : state) {
    const int pollsBefore = live.Polls();
    Pinger pinger;
    QElapsedTimer clock;
    clock.start();
    w.kStartClick();  // returns at once: the search runs in the event loop
    if (!live.Await({Phase::Found, Phase::Ready}, 60000)) {
      state.SkipWithError("the search did not end");
      return;
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    state.SetIterationTime(ms / 1000.0);
    const auto [median, worst] = pinger.Figures();
    const int steps = w.Search().Steps();
    state.counters["steps"] = steps;
    state.counters["search_ms"] = ms;
    state.counters["x_protocol_minimum"] = ms / (steps * kStepMinimumMs);
    state.counters["wait_median_ms"] = median;
    state.counters["wait_worst_ms"] = worst;
    state.counters["reference_polls_per_s"] = (live.Polls() - pollsBefore) / (ms / 1000.0);
  }
  if (!live.messages.texts().isEmpty())
    state.SkipWithError(qPrintable(live.messages.texts().join(" | ")));
}
BENCHMARK(BM_WizardSearch)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
