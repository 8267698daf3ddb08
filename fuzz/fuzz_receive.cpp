// The main window's receive path: the input is cut into arrivals of 1..24 bytes for the
// receiver, with pause, single-result and receive-mode changes driven by the input's control
// bytes, and every frame it completes goes through the steps the window plugs in (filters,
// maximum jump, statistics, display texts, chart, stored series). Then clean frames follow, and
// results must flow again.
//
// Input: byte 0 sets the filters (bit 0 digital, bit 1 temperature, bits 2-4 the time constant);
// then, repeatedly, a control byte c and up to 1 + (c & 31) % 24 bytes of the arrival:
//   c >> 5 == 5  toggles the pause first;  6  asks for a single result first;
//   c >> 5 == 7  sets the receive mode to (c & 3) % 3 first.
#include <cstdint>
#include <cstring>

#include "FuzzCheck.h"
#include "link/MeterProtocol.h"
#include "measurement/Filters.h"
#include "measurement/ResultSequence.h"
#include "measurement/Wykres.h"

namespace {
const ResultFrame kClean = {0xAA, 0x55, 0x01, 0x2C, 0x01, 0xE8, 0x03};

struct Window {
  MeterReceiver receiver;
  FirstResultFlag firstResult;
  DigitalFilter digital;
  TemperatureFilter temperature;
  MaximumJump jump;
  Statistics statistics;
  TWykres chart{32, 24};
  StoredSeries series;
  bool digitalOn = false;
  bool temperatureOn = false;
  int results = 0;
  ResultSteps steps;

  Window() {
    steps.powerOffIndicator = [](bool) {};
    steps.digitalFilter = [this](MeasurementResult& r) {
      if (digitalOn) r.value = digital.Apply(r.value, r.jumpThreshold, firstResult);
      FUZZ_CHECK(std::isfinite(r.value));
    };
    steps.temperatureFilter = [this](MeasurementResult& r) {
      if (temperatureOn) r.temperature = temperature.Apply(r.temperature);
      FUZZ_CHECK(std::isfinite(r.temperature));
    };
    steps.maximumJump = [this](const MeasurementResult& r) {
      jump.Apply(r.value, r.decimalClass, firstResult);
      FUZZ_CHECK(jump.Value() >= 0);
    };
    steps.statistics = [this](const MeasurementResult& r) {
      const auto texts = statistics.Apply(r.value, r.decimalClass);
      FUZZ_CHECK(texts.has_value());
      const double slack = 1e-9 * (std::fabs(statistics.Minimum()) + std::fabs(statistics.Maximum()) + 1);
      FUZZ_CHECK(statistics.Minimum() <= statistics.Average() + slack);
      FUZZ_CHECK(statistics.Average() <= statistics.Maximum() + slack);
    };
    steps.display = [](const MeasurementResult& r) {
      const ResultDisplay d = DisplayFor(r);
      FUZZ_CHECK(d.resultText == FormatValueText(r.decimalClass, r.value) + r.unitText);
      FUZZ_CHECK(!d.temperatureText.isEmpty());
    };
    steps.chart = [this](const MeasurementResult& r) {
      chart.AddValue(temperatureOn ? r.temperature : r.value);
      FUZZ_CHECK(chart.Ilosc() <= TWykres::BufferSize);
    };
    steps.recording = [this](const MeasurementResult& r) {
      const QString text = FormatValueText(r.decimalClass, r.value);
      CheckValueText(r.decimalClass, r.value);
      if (!series.IsFull()) series.AppendText(text);
    };
  }

  // One arrival; checks what the receiver may and may not do with it, and takes a frame it
  // completes through the result steps when process is set.
  std::optional<ResultFrame> Arrive(const QByteArray& bytes, bool process = true) {
    const bool paused = receiver.paused();
    const bool single = receiver.singleResultRequested();
    const int mode = receiver.mode();
    const auto frame = receiver.Receive(bytes);
    FUZZ_CHECK(receiver.dataSeen());
    FUZZ_CHECK(receiver.assembler().Length() <= FrameAssembler::kCapacity);
    FUZZ_CHECK(receiver.dump().size() <= MeterReceiver::kDumpCapacity);
    if (paused && !single) FUZZ_CHECK(!frame && receiver.assembler().Length() == 0);
    if (paused && single) FUZZ_CHECK(!receiver.singleResultRequested());
    if (mode != MeterReceiver::kParseFrames) FUZZ_CHECK(!frame);
    if (frame) FUZZ_CHECK((*frame)[0] == 0xAA && (*frame)[1] == 0x55);
    if (frame && process) {
      const MeasurementResult r = ProcessResultFrame(*frame, steps);
      FUZZ_CHECK(r.decimalClass >= 0 && r.decimalClass <= 2);
      FUZZ_CHECK(r.unitText == " Gs" || r.unitText == " mT" || r.unitText == " kA/m");
      if (r.alternating && !digitalOn) FUZZ_CHECK(r.value >= 0);
      ++results;
    }
    return frame;
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Window w;
  w.digitalOn = data[0] & 1;
  w.temperatureOn = data[0] & 2;
  w.digital.SetTimeConstant(((data[0] >> 2) & 7) * 0.5);
  w.temperature.SetTimeConstant(((data[0] >> 2) & 7) * 0.25);
  std::size_t at = 1;
  while (at < size) {
    const std::uint8_t c = data[at++];
    switch (c >> 5) {
      case 5: w.receiver.setPaused(!w.receiver.paused()); break;
      case 6: w.receiver.requestSingleResult(); break;
      case 7: w.receiver.setMode((c & 3) % 3); break;
      default: break;
    }
    const std::size_t count = std::min<std::size_t>(1 + (c & 31) % 24, size - at);
    if (count == 0) break;
    w.Arrive(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(count)));
    at += count;
  }
  FUZZ_CHECK(w.series.Count() <= w.results);
  // Clean frames, one an arrival: whatever came before (a header inside the old bytes may still
  // make a frame or two of them), the clean frames soon come through, one each arrival, exactly
  // as sent.
  w.receiver.setPaused(false);
  w.receiver.setMode(MeterReceiver::kParseFrames);
  const QByteArray clean(reinterpret_cast<const char*>(kClean.data()), 7);
  int inARow = 0;
  for (int i = 0; i < 64 && inARow < 8; ++i) {
    const auto frame = w.Arrive(clean, false);
    inARow = frame && *frame == kClean ? inARow + 1 : 0;
  }
  FUZZ_CHECK(inARow == 8);
  return 0;
}
