#include "Meter.h"

#include "Clock.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <numbers>
#include <sstream>

namespace sim {

namespace {

constexpr std::uint8_t kHeader1 = 0xAA;
constexpr std::uint8_t kHeader2 = 0x55;
constexpr std::size_t kResultFrameSize = 7;

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t word) {
  out.push_back(std::uint8_t(word & 0xFF));
  out.push_back(std::uint8_t(word >> 8));
}

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

}  // namespace

std::vector<std::int16_t> DefaultStoredReadings(int count) {
  std::vector<std::int16_t> values;
  values.reserve(std::size_t(std::max(count, 0)));
  for (int k = 0; k < count; ++k)
    values.push_back(std::int16_t(std::lround(4500.0 * std::sin(2.0 * std::numbers::pi * k / 80.0))));
  return values;
}

Meter::Meter(PtyEndpoint& port, const MeterConfig& config, double now)
    : port_(port),
      unit_(config.unit),
      range2_(config.range2),
      ac_(config.ac),
      temperature_(config.temperature),
      rate_(config.rate),
      shape_(config.shape),
      shapeOrigin_(now),
      noise_(config.noise),
      trueGain_(config.trueGain),
      statePath_(config.statePath),
      stored_(DefaultStoredReadings(config.storedCount)),
      nextFrame_(now),
      random_(config.seed) {
  const int gain = config.gain.value_or(config.trueGain);
  for (int range = 0; range < 4; ++range) params_[4 * range] = std::int16_t(gain);
  params_[kPowerOffAddress] = config.powerOff ? 1 : 0;
}

bool Meter::LoadState(std::string& error) {
  if (statePath_.empty()) return true;
  std::ifstream in(statePath_);
  if (!in) return true;  // nothing stored yet
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    int address = -1;
    int value = 0;
    if (!(fields >> address >> value) || address < 0 || address > 255) {
      error = statePath_ + ":" + std::to_string(lineNo) + ": expected <address> <value>";
      return false;
    }
    params_[address] = std::int16_t(value);
  }
  return true;
}

void Meter::SaveState() {
  if (statePath_.empty()) {
    PrintLine("state not saved (no --state)");
    return;
  }
  // Written aside and renamed, so a reader never sees half a file.
  const std::string temp = statePath_ + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << "# fluxa-sim meter parameters: <address> <16-bit word>\n";
    for (const auto& [address, value] : params_) out << address << ' ' << value << '\n';
    if (!out) {
      PrintLine("state error cannot write " + temp);
      return;
    }
  }
  if (std::rename(temp.c_str(), statePath_.c_str()) != 0) {
    PrintLine("state error cannot rename " + temp);
    return;
  }
  PrintLine("state saved " + statePath_);
}

void Meter::OnBytes(const std::uint8_t* data, std::size_t size, double now) {
  rx_.insert(rx_.end(), data, data + size);
  while (!rx_.empty()) {
    // Resynchronise on AA 55; a lone AA at the end may still become a header.
    std::size_t start = 0;
    while (start < rx_.size() &&
           !(rx_[start] == kHeader1 && (start + 1 == rx_.size() || rx_[start + 1] == kHeader2)))
      ++start;
    if (start > 0) {
      PrintLine("rx meter-garbage " + HexBytes(rx_.data(), start) + " " + Stamp(now));
      rx_.erase(rx_.begin(), rx_.begin() + std::ptrdiff_t(start));
    }
    if (hangupOnParameter_ && rx_.size() >= 3 && rx_[2] == 'C') {
      hangupOnParameter_ = false;
      PrintLine("hangup meter on a parameter frame " + Stamp(now));
      rx_.clear();
      port_.Close();
      return;
    }
    if (rx_.size() < 6) return;
    std::array<std::uint8_t, 6> frame{};
    std::copy(rx_.begin(), rx_.begin() + 6, frame.begin());
    rx_.erase(rx_.begin(), rx_.begin() + 6);
    PrintLine("rx meter " + HexBytes(frame.data(), frame.size()) + " " + Stamp(now));
    HandleFrame(frame, now);
  }
}

void Meter::HandleFrame(const std::array<std::uint8_t, 6>& frame, double now) {
  switch (frame[2]) {
    case 'C': {
      const auto value = std::int16_t(std::uint16_t(frame[4] | (frame[5] << 8)));
      params_[frame[3]] = value;
      break;
    }
    case 'S':
      SaveState();
      break;
    case 'H':
      if (mode_ == Mode::Streaming) {
        mode_ = Mode::Prepared;
      } else {
        if (mode_ == Mode::Dumping) port_.ClearOutput();  // a cancelled download stops the dump
        mode_ = Mode::Streaming;
        nextFrame_ = now;
      }
      break;
    case 'V':
      mode_ = Mode::Dumping;
      if (!silence_) SendDump();
      break;
    default:
      break;
  }
}

void Meter::SendDump() {
  std::vector<std::uint8_t> bytes;
  PutWord(bytes, std::uint16_t(5001 + StatusByte() * 256));
  for (std::int16_t v : stored_) PutWord(bytes, std::uint16_t(v));
  PtyEndpoint::Chunk chunk;
  chunk.bytes = std::move(bytes);
  chunk.doneLine = "dump done";
  port_.Enqueue(std::move(chunk));
}

std::int16_t Meter::GainWord(int rangeIndex) const {
  const auto it = params_.find(4 * rangeIndex);
  return it == params_.end() ? std::int16_t(trueGain_) : it->second;
}

void Meter::SetGainFollow(bool on) {
  if (on)
    frozenGains_.reset();
  else if (!frozenGains_)
    frozenGains_ = std::array<std::int16_t, 4>{GainWord(0), GainWord(1), GainWord(2), GainWord(3)};
}

std::uint8_t Meter::StatusByte() const {
  std::uint8_t s = 0;
  if (ac_) s |= 0x01;
  if (range2_) s |= 0x02;
  if (unit_ == Unit::Gauss) s |= 0x04;
  if (unit_ == Unit::KiloAmperePerMetre) s |= 0x08;
  const auto it = params_.find(kPowerOffAddress);
  if (it != params_.end() && it->second != 0) s |= 0x40;
  return s;
}

std::array<std::uint8_t, 7> Meter::ResultFrame(double now) {
  double value = TrueField(now);
  if (noise_ > 0) value += std::uniform_real_distribution<double>(-noise_, noise_)(random_);
  const int rangeIndex = (ac_ ? 2 : 0) + (range2_ ? 1 : 0);
  value = value * (frozenGains_ ? (*frozenGains_)[rangeIndex] : GainWord(rangeIndex)) / trueGain_;
  const std::int16_t raw = ToRawCounts(value, unit_, range2_);
  std::int16_t temp = -10000;
  if (temperature_) {
    const double t = std::round(*temperature_ * 10.0);
    temp = std::int16_t(std::clamp(t, -32768.0, 32767.0));
  }
  return {kHeader1,
          kHeader2,
          StatusByte(),
          std::uint8_t(std::uint16_t(temp) & 0xFF),
          std::uint8_t(std::uint16_t(temp) >> 8),
          std::uint8_t(std::uint16_t(raw) & 0xFF),
          std::uint8_t(std::uint16_t(raw) >> 8)};
}

void Meter::QueueResultFrame(double now) {
  const auto frame = ResultFrame(now);
  if (!split_) {
    port_.EnqueuePaced({frame.begin(), frame.end()});
    return;
  }
  // Two writes, 3 + 4 bytes, with the line idle in between: the receiver must join them.
  PtyEndpoint::Chunk head;
  head.bytes.assign(frame.begin(), frame.begin() + 3);
  head.whole = true;
  PtyEndpoint::Chunk tail;
  tail.bytes.assign(frame.begin() + 3, frame.end());
  tail.whole = true;
  tail.gapBefore = 0.005;
  port_.Enqueue(std::move(head));
  port_.Enqueue(std::move(tail));
}

void Meter::Tick(double now) {
  if (rate_ <= 0) return;
  const double interval = 1.0 / rate_;
  while (nextFrame_ <= now) {
    // A meter does not queue results behind a busy line; it measures again next time.
    if (mode_ == Mode::Streaming && !silence_ && port_.IsOpen() && port_.PacedBacklog() <= kResultFrameSize)
      QueueResultFrame(nextFrame_);
    nextFrame_ += interval;
    if (nextFrame_ < now - 1.0) nextFrame_ = now;  // after a long stall, no catch-up storm
  }
}

double Meter::NextWake() const { return rate_ > 0 ? nextFrame_ : std::numeric_limits<double>::infinity(); }

void Meter::SetShape(const FieldShape& shape, double now) {
  shape_ = shape;
  shapeOrigin_ = now;
}

void Meter::SetRate(double rate, double now) {
  rate_ = rate;
  nextFrame_ = now;
}

void Meter::SetSilence(bool on) {
  silence_ = on;
  if (on) port_.ClearOutput();
}

void Meter::SendGarbage(int count) {
  // Never AA or 55, so garbage cannot fake a header.
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<std::uint8_t> bytes;
  while (int(bytes.size()) < count) {
    const auto b = std::uint8_t(byte(random_));
    if (b != kHeader1 && b != kHeader2) bytes.push_back(b);
  }
  port_.EnqueuePaced(std::move(bytes));
}

void Meter::SendRaw(std::vector<std::uint8_t> bytes) { port_.EnqueuePaced(std::move(bytes)); }

void Meter::SendFlood(int frames, double now) {
  PtyEndpoint::Chunk chunk;
  chunk.paced = false;
  for (int i = 0; i < frames; ++i) {
    const auto frame = ResultFrame(now);
    chunk.bytes.insert(chunk.bytes.end(), frame.begin(), frame.end());
  }
  chunk.doneLine = "flood done";
  port_.Enqueue(std::move(chunk));
}

void Meter::SendBurst(int frames, double now) {
  PtyEndpoint::Chunk chunk;
  for (int i = 0; i < frames; ++i) {
    const auto frame = ResultFrame(now + i * kResultFrameSize * port_.ByteTime());
    chunk.bytes.insert(chunk.bytes.end(), frame.begin(), frame.end());
  }
  chunk.doneLine = "burst done";
  port_.Enqueue(std::move(chunk));
}

std::string Meter::StatusText() const {
  static const char* const modes[] = {"streaming", "prepared", "dump"};
  std::string s =
      "unit=" + UnitName(unit_) + " range=" + (range2_ ? "2" : "1") + " ac=" + (ac_ ? "on" : "off");
  s += " temp=" + (temperature_ ? Number(*temperature_) : std::string("none"));
  s += " wave=" + WaveName(shape_.wave) + " field=" + Number(shape_.field) +
       " step-low=" + Number(shape_.stepLow) + " step-high=" + Number(shape_.stepHigh) +
       " offset=" + Number(shape_.offset) + " amplitude=" + Number(shape_.amplitude) +
       " slope=" + Number(shape_.slope) + " period=" + Number(shape_.period) + " noise=" + Number(noise_);
  s += " rate=" + Number(rate_) + " mode=" + modes[int(mode_)] + " silence=" + (silence_ ? "on" : "off") +
       " split=" + (split_ ? "on" : "off") + " poweroff=" + ((StatusByte() & 0x40) ? "on" : "off");
  s += " status=" + HexBytes(std::array<std::uint8_t, 1>{StatusByte()}.data(), 1);
  s += " gains=" + std::to_string(GainWord(0)) + "," + std::to_string(GainWord(1)) + "," +
       std::to_string(GainWord(2)) + "," + std::to_string(GainWord(3));
  s += " true-gain=" + std::to_string(trueGain_) + " stored=" + std::to_string(stored_.size());
  s += " meter=" + std::string(port_.IsOpen() ? "open" : "closed") +
       " meter-listeners=" + std::to_string(port_.Openers());
  return s;
}

}  // namespace sim
