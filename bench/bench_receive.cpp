// The receive path without a window: arrivals cut into frames and decoded, against the line
// rate (9600 baud, 10 bits a byte, 7-byte frames: 137 frames a second).
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QRandomGenerator>
#include <QVector>

#include "link/MeterProtocol.h"
#include "measurement/MeasurementResult.h"

namespace {
constexpr double kLineFramesPerSecond = 960.0 / 7.0;

// A recorded-like stream: frames of a slowly changing field, cut into arrivals of 1 to 14
// bytes as a busy event loop delivers them, with an occasional burst of line noise.
QVector<QByteArray> RecordedArrivals(int frames) {
  QRandomGenerator gen(7);
  QByteArray stream;
  for (int i = 0; i < frames; ++i) {
    const qint16 reading = qint16(1000 + (i % 400) - 200);
    const qint16 temperature = qint16(250 + (i % 10));
    stream.append(char(0xAA)).append(char(0x55)).append(char(i % 16 == 0 ? 0x41 : 0x01));
    stream.append(char(temperature & 0xFF)).append(char(temperature >> 8));
    stream.append(char(reading & 0xFF)).append(char(reading >> 8));
    if (i % 500 == 499)
      for (int k = 0; k < 5; ++k) stream.append(char(gen.bounded(256)));
  }
  QVector<QByteArray> arrivals;
  for (int pos = 0; pos < stream.size();) {
    const int n = 1 + int(gen.bounded(14));
    arrivals.append(stream.mid(pos, n));
    pos += n;
  }
  return arrivals;
}
}  // namespace

static void BM_ReceiveAndDecode(benchmark::State& state) {
  const QVector<QByteArray> arrivals = RecordedArrivals(20000);
  qint64 frames = 0;
  double sink = 0;
  for (auto _ : state) {
    MeterReceiver receiver;
    for (const QByteArray& arrival : arrivals) {
      if (const auto frame = receiver.Receive(arrival)) {
        const MeasurementResult r = DecodeResultFrame(*frame);
        sink += r.value;
        ++frames;
      }
    }
  }
  benchmark::DoNotOptimize(sink);
  state.counters["frames_per_s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
  state.counters["x_line_rate"] =
      benchmark::Counter(double(frames) / kLineFramesPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveAndDecode)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
