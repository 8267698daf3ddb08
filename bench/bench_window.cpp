// The whole per-result path with the real main window offscreen: arrival -> receiver ->
// decoding -> filter, statistics -> labels -> chart, against the line rate (137 frames/s).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>

#include "app/Main.h"

namespace {
constexpr double kLineFramesPerSecond = 960.0 / 7.0;

QByteArray Frame(int i) {
  const qint16 reading = qint16(1000 + (i % 400) - 200);
  const qint16 temperature = qint16(250 + (i % 10));
  QByteArray f;
  f.append(char(0xAA)).append(char(0x55)).append(char(0x01));
  f.append(char(temperature & 0xFF)).append(char(temperature >> 8));
  f.append(char(reading & 0xFF)).append(char(reading >> 8));
  return f;
}
}  // namespace

static void BM_WindowPerResult(benchmark::State& state) {
  TMainWin window;
  window.show();
  window.filtr->setChecked(state.range(0) == 1);
  if (state.range(0) == 2) window.Danezurzdzenia1->setChecked(false);
  QVector<QByteArray> frames;
  for (int i = 0; i < 1000; ++i) frames << Frame(i);
  qint64 results = 0;
  for (auto _ : state) {
    for (const QByteArray& f : frames) window.HandleArrival(f);
    results += frames.size();
    QCoreApplication::processEvents();  // the labels and the chart repaint
  }
  state.counters["results_per_s"] = benchmark::Counter(double(results), benchmark::Counter::kIsRate);
  state.counters["x_line_rate"] =
      benchmark::Counter(double(results) / kLineFramesPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WindowPerResult)->Arg(0)->Arg(1)->Arg(2)->ArgName("mode")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
