// The strip chart against the line rate: a result frame arrives every 7.29 ms (7 bytes of 10 bits
// at 9600 baud), and each one redraws the whole chart. The file view refilters and redraws a full
// series when the filter is switched or the track bar rests; it should stay within 20 ms.
#include <benchmark/benchmark.h>

#include <QRandomGenerator>

#include <chrono>
#include <cmath>

#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"
#include "measurement/Wykres.h"

namespace {
constexpr double kFramePeriodSeconds = 7.0 * 10.0 / 9600.0;
constexpr double kFileViewTargetSeconds = 0.020;

// A noisy field of about 50 mT with slow swings, as the meter sends it.
double Field(int i, QRandomGenerator& gen)
{
    return 50.0 + 20.0 * std::sin(i / 90.0) + (gen.bounded(200) - 100) / 100.0;
}

// Measures the loop on the wall clock, to report one iteration as a share of a period in percent.
class PeriodShare {
public:
    PeriodShare() : start_(std::chrono::steady_clock::now()) {}
    benchmark::Counter Percent(benchmark::IterationCount iterations, double periodSeconds) const
    {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
        return benchmark::Counter(100.0 * elapsed.count() / double(iterations) / periodSeconds);
    }

private:
    std::chrono::steady_clock::time_point start_;
};
}  // namespace

static void BM_AddValueFullStrip(benchmark::State& state)
{
    TWykres chart;
    SetUpMainWindowChart(chart);
    chart.Clear();
    QRandomGenerator gen(3);
    int i = 0;
    for (; i < chart.StripLength(); ++i)
        chart.AddValue(Field(i, gen));
    const PeriodShare share;
    for (auto _ : state) {
        chart.AddValue(Field(i++, gen));
        benchmark::DoNotOptimize(chart.Picture().constBits());
    }
    state.counters["pct_of_7.29ms"] = share.Percent(state.iterations(), kFramePeriodSeconds);
}
BENCHMARK(BM_AddValueFullStrip)->Unit(benchmark::kMicrosecond);

static void BM_RefilterAndRedrawSeries(benchmark::State& state)
{
    StoredSeries series;
    QRandomGenerator gen(5);
    for (int i = 0; i < StoredSeries::MaximumCount; ++i)
        series.AppendText(FormatValueText(0, Field(i, gen) - 50.0));
    TWykres chart;
    SetUpMainWindowChart(chart);
    const int last = TrackBarMaximum(series.Count(), chart.Width());
    int start = 1;
    const PeriodShare share;
    for (auto _ : state) {
        RefilterSeries(series, 0.05);
        RedrawSeries(series, start, chart);
        start = start % last + 997;
        benchmark::DoNotOptimize(chart.Picture().constBits());
    }
    state.counters["pct_of_20ms"] = share.Percent(state.iterations(), kFileViewTargetSeconds);
}
BENCHMARK(BM_RefilterAndRedrawSeries)->Unit(benchmark::kMillisecond);

// The two halves of the file view apart, to see which one to work on.
static void BM_RefilterSeries(benchmark::State& state)
{
    StoredSeries series;
    QRandomGenerator gen(5);
    for (int i = 0; i < StoredSeries::MaximumCount; ++i)
        series.AppendText(FormatValueText(0, Field(i, gen) - 50.0));
    const PeriodShare share;
    for (auto _ : state)
        RefilterSeries(series, 0.05);
    state.counters["pct_of_20ms"] = share.Percent(state.iterations(), kFileViewTargetSeconds);
}
BENCHMARK(BM_RefilterSeries)->Unit(benchmark::kMillisecond);

static void BM_RedrawSeriesWindow(benchmark::State& state)
{
    StoredSeries series;
    QRandomGenerator gen(5);
    for (int i = 0; i < StoredSeries::MaximumCount; ++i)
        series.AppendText(FormatValueText(0, Field(i, gen) - 50.0));
    TWykres chart;
    SetUpMainWindowChart(chart);
    int start = 1;
    const PeriodShare share;
    for (auto _ : state) {
        RedrawSeries(series, start, chart);
        benchmark::DoNotOptimize(chart.Picture().constBits());  // the drawing is done on demand
        start = start % 60000 + 997;
    }
    state.counters["pct_of_20ms"] = share.Percent(state.iterations(), kFileViewTargetSeconds);
}
BENCHMARK(BM_RedrawSeriesWindow)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
