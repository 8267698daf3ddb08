#include "Control.h"

#include "Clock.h"
#include "Options.h"

#include <sstream>

namespace sim {

namespace {

constexpr int kMaxFrames = 100000;

std::string Join(const std::vector<std::string>& tokens) {
  std::string s;
  for (const auto& t : tokens) {
    if (!s.empty()) s += ' ';
    s += t;
  }
  return s;
}

bool ParseCount(const std::string& text, int& count) {
  long long n = 0;
  if (!ParseInt(text, n) || n < 0 || n > kMaxFrames) return false;
  count = int(n);
  return true;
}

bool ParseHexByte(const std::string& text, std::uint8_t& byte) {
  std::string t = text;
  if (t.rfind("0x", 0) == 0 || t.rfind("0X", 0) == 0) t.erase(0, 2);
  if (t.empty() || t.size() > 2) return false;
  unsigned v = 0;
  for (char c : t) {
    v <<= 4;
    if (c >= '0' && c <= '9')
      v |= unsigned(c - '0');
    else if (c >= 'a' && c <= 'f')
      v |= unsigned(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      v |= unsigned(c - 'A' + 10);
    else
      return false;
  }
  byte = std::uint8_t(v);
  return true;
}

}  // namespace

Control::Control(Meter& meter, PtyEndpoint& meterPort, Reference* reference, PtyEndpoint* referencePort)
    : meter_(meter), meterPort_(meterPort), reference_(reference), referencePort_(referencePort) {}

void Control::Handle(const std::string& line, double now) {
  std::vector<std::string> tokens;
  std::istringstream in(line);
  for (std::string t; in >> t;) tokens.push_back(t);
  if (tokens.empty()) return;
  const std::string command = Join(tokens);
  const std::string error = Execute(tokens, now);
  PrintLine(error.empty() ? "ok " + command : "error " + command + ": " + error);
}

std::string Control::Execute(const std::vector<std::string>& tokens, double now) {
  const std::string& name = tokens[0];
  const std::size_t argc = tokens.size() - 1;
  const std::string arg = argc >= 1 ? tokens[1] : std::string();
  bool on = false;
  int count = 0;
  double value = 0;

  if (name == "quit") {
    quit_ = true;
    return {};
  }
  if (name == "status") {
    std::string line = "status " + meter_.StatusText();
    if (reference_) line += " " + reference_->StatusText();
    PrintLine(line + " " + Stamp(now));
    return {};
  }
  if (name == "field") {
    if (argc != 1 || !ParseDouble(arg, value)) return "expected field V";
    FieldShape shape = meter_.Shape();
    shape.wave = Wave::Const;
    shape.field = value;
    meter_.SetShape(shape, now);
    return {};
  }
  if (name == "wave") {
    FieldShape shape = meter_.Shape();
    double noise = meter_.Noise();
    std::string error;
    if (argc < 1 || !ParseWave(arg, shape.wave)) return "expected wave const|step|sine|ramp [knob value]...";
    if (!ParseFieldKnobs(tokens, 2, shape, noise, error)) return error;
    meter_.SetShape(shape, now);
    meter_.SetNoise(noise);
    return {};
  }
  if (name == "noise") {
    if (argc != 1 || !ParseDouble(arg, value) || value < 0) return "expected noise N (N >= 0)";
    meter_.SetNoise(value);
    return {};
  }
  if (name == "unit") {
    Unit unit;
    if (argc != 1 || !ParseUnit(arg, unit)) return "expected unit mT|Gs|kA/m";
    meter_.SetUnit(unit);
    return {};
  }
  if (name == "range") {
    if (argc != 1 || (arg != "1" && arg != "2")) return "expected range 1|2";
    meter_.SetRange2(arg == "2");
    return {};
  }
  if (name == "temp") {
    std::optional<double> t;
    if (argc != 1 || !ParseTemperature(arg, t)) return "expected temp T|none";
    meter_.SetTemperature(t);
    return {};
  }
  if (name == "rate") {
    if (argc != 1 || !ParseDouble(arg, value) || value < 0 || value > 1000)
      return "expected rate N (0..1000)";
    meter_.SetRate(value, now);
    return {};
  }
  if (name == "gain") {
    static const char* const ranges[] = {"dc1", "dc2", "ac1", "ac2"};
    long long word = 0;
    int range = -1;
    for (int i = 0; i < 4; ++i)
      if (arg == ranges[i]) range = i;
    if (argc != 2 || range < 0 || !ParseInt(tokens[2], word) || word < -32768 || word > 65535)
      return "expected gain dc1|dc2|ac1|ac2 W";
    meter_.SetGain(range, std::int16_t(std::uint16_t(word)));
    return {};
  }
  if (name == "ac" || name == "silence" || name == "poweroff" || name == "split" || name == "ref-silent" ||
      name == "gain-follow" || name == "hangup-on-gain") {
    if (argc != 1 || !ParseOnOff(arg, on)) return "expected " + name + " on|off";
    if (name == "ac")
      meter_.SetAc(on);
    else if (name == "silence")
      meter_.SetSilence(on);
    else if (name == "poweroff")
      meter_.SetPowerOff(on);
    else if (name == "split")
      meter_.SetSplit(on);
    else if (name == "gain-follow")
      meter_.SetGainFollow(on);
    else if (name == "hangup-on-gain")
      meter_.SetHangupOnParameter(on);
    else if (!reference_)
      return "no reference meter (--reference)";
    else
      reference_->SetSilent(on);
    return {};
  }
  if (name == "ref-classifier") {
    if (argc != 1 || arg.size() != 1) return "expected ref-classifier C (one character)";
    if (!reference_) return "no reference meter (--reference)";
    reference_->SetClassifier(arg[0]);
    return {};
  }
  if (name == "ref-decade" || name == "ref-channel") {
    const std::string normal = name == "ref-decade" ? "auto" : "echo";
    if (argc != 1 || (arg.size() != 1 && arg != normal)) return "expected " + name + " C|" + normal;
    if (!reference_) return "no reference meter (--reference)";
    const char c = arg == normal ? '\0' : arg[0];
    if (name == "ref-decade")
      reference_->SetDecade(c);
    else
      reference_->SetChannel(c);
    return {};
  }
  if (name == "ref-lo-reply") {
    if (argc != 1) return "expected ref-lo-reply TEXT|echo";
    if (!reference_) return "no reference meter (--reference)";
    reference_->SetLoReply(arg == "echo" ? std::nullopt : std::optional(FromPrintableAscii(arg)));
    return {};
  }
  if (name == "garbage" || name == "burst" || name == "flood") {
    if (argc != 1 || !ParseCount(arg, count)) return "expected " + name + " N";
    if (!meterPort_.IsOpen()) return "meter line is hung up";
    if (name == "garbage")
      meter_.SendGarbage(count);
    else if (name == "burst")
      meter_.SendBurst(count, now);
    else
      meter_.SendFlood(count, now);
    return {};
  }
  if (name == "raw") {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
      std::uint8_t b = 0;
      if (!ParseHexByte(tokens[i], b)) return "not a hex byte: " + tokens[i];
      bytes.push_back(b);
    }
    if (!meterPort_.IsOpen()) return "meter line is hung up";
    meter_.SendRaw(std::move(bytes));
    return {};
  }
  if (name == "stored") {
    std::vector<std::int16_t> values;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
      long long v = 0;
      if (!ParseInt(tokens[i], v) || v < -32768 || v > 32767) return "not an int16: " + tokens[i];
      values.push_back(std::int16_t(v));
    }
    meter_.SetStored(std::move(values));
    return {};
  }
  if (name == "hangup") {
    if (argc > 1 || (argc == 1 && arg != "meter" && arg != "reference"))
      return "expected hangup [meter|reference]";
    PtyEndpoint* port = arg == "reference" ? referencePort_ : &meterPort_;
    if (!port) return "no reference meter (--reference)";
    port->Close();
    return {};
  }
  return "unknown command (see --help)";
}

}  // namespace sim
