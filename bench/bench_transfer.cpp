// A full parameter transfer through the real main window offscreen, against fluxa-sim on a
// pseudo-terminal: 25 parameter frames and the store command, as "Wyslij" sends them with
// "Zapisz do EEPROM" ticked. The protocol's own minimum is its pauses, 25 x 300 ms + 500 ms,
// plus the 26 frames' 156 bytes at 9600 baud (10 bits a byte): 8162.5 ms. A pseudo-terminal
// carries the bytes at once, so what the program adds shows as the time beyond the pauses.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>

#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include "app/FileDialogs.h"
#include "app/Main.h"
#include "app/ServicePanel.h"
#include "records/Pobieranie.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"
#include "tests/parameters/ReferenceCalibration.h"

namespace {
constexpr double kPausesMs = 25 * 300.0 + 500.0;
constexpr double kLineMs = 26 * 6 * 10 * 1000.0 / 9600.0;
constexpr double kMinimumMs = kPausesMs + kLineMs;

// The longest time the GUI thread did not turn its event loop while it ran: a timer asks to be
// run every millisecond, and the widest gap between two of its runs is the longest stretch the
// window could not repaint or answer a click.
class StallWatch {
 public:
  StallWatch() {
    tick_.setTimerType(Qt::PreciseTimer);
    tick_.setInterval(1);
    QObject::connect(&tick_, &QTimer::timeout, [this] {
      longest_ = std::max(longest_, double(since_.nsecsElapsed()) / 1e6);
      since_.start();
    });
  }
  void Start() {
    longest_ = 0;
    since_.start();
    tick_.start();
  }
  double Stop() {
    tick_.stop();
    return std::max(longest_, double(since_.nsecsElapsed()) / 1e6);
  }

 private:
  QTimer tick_;
  QElapsedTimer since_;
  double longest_ = 0;
};
}  // namespace

static void BM_FullTransfer(benchmark::State& state) {
  SimProcess sim({"--rate", "10"});
  if (!sim.start()) {
    state.SkipWithError("fluxa-sim did not start");
    return;
  }
  qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
  MessageRecorder messages;
  TMainWin window;
  window.show();
  window.Poczony1Click();
  window.ShowServiceMode();
  window.Send->SetParameters(ReferenceParameters());
  window.Send->SaveEPROM->setChecked(true);
  if (!window.ComPort1->Connected()) {
    state.SkipWithError("no link to fluxa-sim");
    return;
  }
  double totalMs = 0;
  double simSpanMs = 0;
  double stallMs = 0;
  int transfers = 0;
  StallWatch stalls;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    stalls.Start();
    window.Send->WyslijClick();
    sim.pumpUntil([&] { return !window.Send->Transferring(); }, 30000);
    stallMs = std::max(stallMs, stalls.Stop());
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    state.SetIterationTime(ms / 1000.0);
    totalMs += ms;
    ++transfers;
    if (!sim.waitForMeterFrames(26 * transfers, 5000)) {
      state.SkipWithError("the simulator did not see every frame");
      return;
    }
    const auto frames = sim.meterFrames();
    simSpanMs += frames.last().ms - frames[frames.size() - 26].ms;
  }
  if (!messages.texts().isEmpty()) state.SkipWithError(qPrintable(messages.texts().join(" | ")));
  const double meanMs = totalMs / transfers;
  state.counters["transfer_ms"] = meanMs;
  state.counters["x_protocol_minimum"] = meanMs / kMinimumMs;
  state.counters["beyond_pauses_ms"] = meanMs - kPausesMs;
  // First frame to store command as the meter saw them: 25 pauses of 300 ms and the 500 ms one.
  state.counters["meter_span_ms"] = simSpanMs / transfers;
  state.counters["longest_stall_ms"] = stallMs;
}
BENCHMARK(BM_FullTransfer)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// A download of 300 stored readings through the main window, from the menu command to the wait
// dialog's closing: how long it takes and the longest stretch without a turn of the event loop.
static void BM_Download300(benchmark::State& state) {
  SimProcess sim({"--rate", "10"});
  if (!sim.start()) {
    state.SkipWithError("fluxa-sim did not start");
    return;
  }
  QStringList words;
  for (int i = 0; i < 300; ++i) words << QString::number(i * 13 % 9999 - 4999);
  sim.command("stored " + words.join(' '));
  qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
  MessageRecorder messages;
  TMainWin window;
  TPobierzWin wait(&window);
  window.SetPobierzWin(&wait);
  window.show();
  window.Poczony1Click();
  QTemporaryDir dir;
  const QString file = dir.filePath("stored.F3D");
  SetFileDialogHook([file](bool, const FileDialogSettings&) { return file; });
  double stallMs = 0;
  StallWatch stalls;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    stalls.Start();
    window.Pobierzwynikizurzdzenia1Click();
    sim.pumpUntil([&] { return !window.Downloading().Active(); }, 30000);
    stallMs = std::max(stallMs, stalls.Stop());
    state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    if (window.Downloading().Texts().size() != 300) state.SkipWithError("the file does not hold 300 results");
  }
  SetFileDialogHook({});
  if (!messages.texts().isEmpty()) state.SkipWithError(qPrintable(messages.texts().join(" | ")));
  state.counters["longest_stall_ms"] = stallMs;
}
BENCHMARK(BM_Download300)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
