// The main window offscreen doing one second of line-rate work: 137 results, each through the
// receiver, decoding, filter, statistics, labels and chart, with the window painted as the
// running program paints it (one paint per frame interval of the repaint throttle). The time of
// an iteration is the CPU that second of the stream costs, so "cpu_percent_at_line_rate" is the
// share of one core the window needs at the line rate (the port's own reading not included).
// "median_latency_us" is the time from an isolated result's arrival to its label's paint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>

#include <chrono>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>
#include <thread>

#include "app/Main.h"
#include "app/RepaintThrottle.h"

namespace {
constexpr int kLineFramesPerSecond = 137;  // 960 bytes/s, 7 bytes a frame
constexpr int kPaintsPerSecond = 1000 / RepaintThrottle::kFrameMs;

QByteArray Frame(int i) {
  // A sine of 40 mT with a 5 s period: the chart trace moves over its whole height.
  const qint16 reading = qint16(std::lround(4000 * std::sin(i * 2 * M_PI / (5 * kLineFramesPerSecond))));
  const qint16 temperature = qint16(250 + (i / 50) % 10);
  QByteArray f;
  f.append(char(0xAA)).append(char(0x55)).append(char(0x01));
  f.append(char(temperature & 0xFF)).append(char(temperature >> 8));
  f.append(char(reading & 0xFF)).append(char(reading >> 8));
  return f;
}

// Lets the frame interval pass without running the event loop, so what it owes runs afterwards.
void SleepOneInterval(int intervals = 1) {
  std::this_thread::sleep_for(std::chrono::milliseconds(intervals * RepaintThrottle::kFrameMs + 1));
}

struct PaintWatch : QObject {
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted = true;
    return false;
  }
  bool painted = false;
};
}  // namespace

static void BM_WindowLineRateSecond(benchmark::State& state) {
  TMainWin window;
  window.show();
  window.filtr->setChecked(state.range(0) == 1);
  QVector<QByteArray> frames;
  for (int i = 0; i < 5 * kLineFramesPerSecond; ++i) frames << Frame(i);
  int next = 0;
  std::clock_t cpu = 0;
  for (auto _ : state) {
    std::clock_t start = std::clock();
    for (int i = 0; i < kLineFramesPerSecond; ++i) {
      window.HandleArrival(frames[next++ % frames.size()]);
      QCoreApplication::processEvents();
      // The frames of one paint interval have arrived: the throttle's paint is due.
      if ((i + 1) * kPaintsPerSecond / kLineFramesPerSecond != i * kPaintsPerSecond / kLineFramesPerSecond) {
        cpu += std::clock() - start;
        state.PauseTiming();
        SleepOneInterval();  // the interval passes; its paint runs timed below
        state.ResumeTiming();
        start = std::clock();
        QCoreApplication::processEvents();
      }
    }
    cpu += std::clock() - start;
  }
  state.counters["paints"] = window.Throttle()->Paints();
  state.counters["cpu_percent_at_line_rate"] =
      100.0 * double(cpu) / CLOCKS_PER_SEC / double(state.iterations());
}
BENCHMARK(BM_WindowLineRateSecond)->Arg(0)->Arg(1)->ArgName("filter")->Unit(benchmark::kMillisecond);

static void BM_IsolatedResultToPaint(benchmark::State& state) {
  TMainWin window;
  window.show();
  PaintWatch watch;
  window.SWynik->installEventFilter(&watch);
  int i = 0;
  std::vector<qint64> latencies;
  for (auto _ : state) {
    state.PauseTiming();
    SleepOneInterval(2);  // a quiet spell
    QCoreApplication::processEvents();
    watch.painted = false;
    state.ResumeTiming();
    QElapsedTimer clock;
    clock.start();
    window.HandleArrival(Frame(37 + 200 * (i++ % 20)));
    while (!watch.painted) QCoreApplication::processEvents();
    latencies.push_back(clock.nsecsElapsed());
  }
  std::sort(latencies.begin(), latencies.end());
  state.counters["median_latency_us"] = double(latencies[latencies.size() / 2]) / 1000.0;
}
BENCHMARK(BM_IsolatedResultToPaint)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(200);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
