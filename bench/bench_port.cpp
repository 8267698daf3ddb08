// The serial port's receive side on a real pseudo-terminal, a writer thread pacing the meter's
// bytes as the line does (one every 1.04 ms at 9600 baud): how often the receiver is woken and
// what the GUI thread's CPU costs while results stream, and how late an isolated frame reaches
// the receiver after its last byte. Argument 0: the receiver wakes at every byte; 1: it tells
// the port what its next frame still needs, as the main window does.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <algorithm>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "link/ComPort.h"
#include "link/MeterProtocol.h"

namespace {
constexpr auto kByteTime = std::chrono::microseconds(1042);

struct Terminal {
  int master = -1;
  QString slave;
  Terminal() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
      slave = QString::fromLatin1(::ptsname(master));
  }
  ~Terminal() {
    if (master >= 0) ::close(master);
  }
};

// The meter's side: frames written byte by byte at the line's pace.
void WriteFrames(int master, int frames, std::chrono::steady_clock::time_point* lastByte) {
  const char frame[7] = {char(0xAA), 0x55, 0x01, 0x2C, 0x01, char(0xE8), 0x03};
  auto due = std::chrono::steady_clock::now();
  for (int i = 0; i < frames * 7; ++i) {
    std::this_thread::sleep_until(due);
    if (::write(master, &frame[i % 7], 1) != 1) return;
    due += kByteTime;
  }
  if (lastByte) *lastByte = std::chrono::steady_clock::now();
}

struct Receiver {
  TComPort port;
  FrameAssembler assembler;
  bool asking = false;
  int arrivals = 0;
  int frames = 0;
  std::chrono::steady_clock::time_point lastFrame;
  explicit Receiver(const QString& device) {
    qputenv("FLUXA_COM1", device.toLocal8Bit());
    port.OnRxChar = [this](int count) {
      ++arrivals;
      if (assembler.Append(port.Read(count))) {
        ++frames;
        lastFrame = std::chrono::steady_clock::now();
      }
      port.AwaitFrame(asking ? assembler.BytesToNextFrame() : 0);
    };
    port.Open();
  }
  void RunUntil(int wanted) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (frames >= wanted) loop.quit();
    });
    poll.start(20);
    loop.exec();
  }
};

double ThreadCpuMs() {
  rusage u{};
  ::getrusage(RUSAGE_THREAD, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}
long ThreadSwitches() {
  rusage u{};
  ::getrusage(RUSAGE_THREAD, &u);
  return u.ru_nvcsw + u.ru_nivcsw;
}
}  // namespace

// One second of the stream at the line rate (137 frames) per iteration.
static void BM_StreamAtTheLineRate(benchmark::State& state) {
  Terminal terminal;
  Receiver r(terminal.slave);
  r.asking = state.range(0) == 1;
  double cpuMs = 0;
  long switches = 0;
  int arrivals = 0, frames = 0;
  for (auto _ : state) {
    const int before = r.frames;
    const int arrivalsBefore = r.arrivals;
    const double cpu0 = ThreadCpuMs();
    const long sw0 = ThreadSwitches();
    std::thread writer(WriteFrames, terminal.master, 137, nullptr);
    r.RunUntil(before + 137);
    writer.join();
    cpuMs += ThreadCpuMs() - cpu0;
    switches += ThreadSwitches() - sw0;
    arrivals += r.arrivals - arrivalsBefore;
    frames += r.frames - before;
  }
  state.counters["arrivals_per_frame"] = double(arrivals) / std::max(frames, 1);
  state.counters["switches_per_frame"] = double(switches) / std::max(frames, 1);
  state.counters["gui_cpu_percent"] = cpuMs / 10.0 / double(state.iterations());
}
BENCHMARK(BM_StreamAtTheLineRate)->Arg(0)->Arg(1)->ArgName("asking")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// An isolated frame after a quiet spell: from its last byte written to the receiver's frame.
static void BM_IsolatedFrameLatency(benchmark::State& state) {
  Terminal terminal;
  Receiver r(terminal.slave);
  r.asking = state.range(0) == 1;
  std::vector<double> latencies;
  for (auto _ : state) {
    const int before = r.frames;
    std::chrono::steady_clock::time_point lastByte;
    std::thread writer(WriteFrames, terminal.master, 1, &lastByte);
    r.RunUntil(before + 1);
    writer.join();
    latencies.push_back(std::chrono::duration<double, std::micro>(r.lastFrame - lastByte).count());
    // A quiet spell: the port has stopped expecting the frame by now.
    QEventLoop quiet;
    QTimer::singleShot(30, &quiet, &QEventLoop::quit);
    quiet.exec();
  }
  std::sort(latencies.begin(), latencies.end());
  state.counters["median_latency_us"] = latencies[latencies.size() / 2];
  state.counters["p90_latency_us"] = latencies[latencies.size() * 9 / 10];
}
BENCHMARK(BM_IsolatedFrameLatency)->Arg(0)->Arg(1)->ArgName("asking")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir settings;
  qputenv("FLUXA_SETTINGS", settings.filePath("settings.ini").toLocal8Bit());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
