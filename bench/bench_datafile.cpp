// Opening a 65535-line data file in the file view (read into the stored series, refilter, first
// window on a new 529 x 217 main chart) against a baseline measured in the same run: awk summing
// the first field of every line of the same file, that is a program start and one pass over the
// bytes. The file view should open the file faster than awk merely reads it.
#include <benchmark/benchmark.h>

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"
#include "measurement/Wykres.h"
#include "records/DataFile.h"

namespace {
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A recording of a noisy field of about 50 mT with slow swings, through zero now and then.
const QString& SampleFile() {
  static QTemporaryDir dir;
  static const QString path = [] {
    QRandomGenerator gen(11);
    QStringList texts;
    for (int i = 0; i < StoredSeries::MaximumCount; ++i)
      texts << FormatValueText(0, 60.0 * std::sin(i / 900.0) + (gen.bounded(200) - 100) / 100.0);
    const QString p = dir.filePath("long.F3D");
    if (!WriteDataFile(p, texts)) std::abort();
    return p;
  }();
  return path;
}

double AwkOnceSeconds() {
  const QByteArray command =
      "awk '{s+=$1} END {print s}' '" + SampleFile().toLocal8Bit() + "' >/dev/null";
  const auto start = Clock::now();
  if (std::system(command.constData()) != 0) std::abort();
  return SecondsSince(start);
}

// The baseline's median over a few runs, taken once per program run.
double AwkSeconds() {
  static const double median = [] {
    std::vector<double> runs;
    for (int i = 0; i < 15; ++i) runs.push_back(AwkOnceSeconds());
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
  }();
  return median;
}
}  // namespace

static void BM_AwkSumSameFile(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(AwkOnceSeconds());
}
BENCHMARK(BM_AwkSumSameFile)->UseManualTime()->Unit(benchmark::kMillisecond);

// Otwrz1Click's work after the dialog: the series keeps its room from the previous file, as the
// main window's does; the chart is new, so the redraw is a first one.
static void BM_OpenDataFile65535(benchmark::State& state) {
  const double awk = AwkSeconds();
  StoredSeries series;
  std::vector<double> times;
  for (auto _ : state) {
    TWykres chart;
    SetUpMainWindowChart(chart);
    const auto start = Clock::now();
    const OpenedDataFile opened = ReadDataFileIntoSeries(SampleFile(), series, 0.05);
    RedrawSeries(series, 1, chart);
    const double seconds = SecondsSince(start);
    if (!opened.ok || opened.count != StoredSeries::MaximumCount) std::abort();
    benchmark::DoNotOptimize(chart.Picture().constBits());
    state.SetIterationTime(seconds);
    times.push_back(seconds);
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  state.counters["median_ms"] = median * 1000.0;
  state.counters["awk_ms"] = awk * 1000.0;
  state.counters["x_faster_than_awk"] = awk / median;
}
BENCHMARK(BM_OpenDataFile65535)->UseManualTime()->Unit(benchmark::kMillisecond);

// The reading alone (the report reads this way too), to see which half to work on.
static void BM_ReadDataFileLines65535(benchmark::State& state) {
  for (auto _ : state) {
    const DataFileLines read = ReadDataFileLines(SampleFile(), StoredSeries::MaximumCount);
    benchmark::DoNotOptimize(read.lines.constData());
  }
}
BENCHMARK(BM_ReadDataFileLines65535)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
