#include "Reference.h"

#include "Clock.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>

namespace sim {

namespace {

constexpr char kEsc = '\x1B';
constexpr char kCr = '\r';
// A command longer than this without CR is noise; it is reported and dropped.
constexpr std::size_t kMaxCommand = 64;

}  // namespace

std::string PrintableAscii(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == 0x1B)
      out += "\\e";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else
      out += char(c);
  }
  return out;
}

std::string FromPrintableAscii(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'e')
      out += kEsc;
    else if (c == 'r')
      out += kCr;
    else if (c == 'n')
      out += '\n';
    else if (c == 'x' && i + 2 < text.size() && std::isxdigit((unsigned char)text[i + 1]) &&
             std::isxdigit((unsigned char)text[i + 2])) {
      out += char(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else
      out += c;
  }
  return out;
}

Reference::Reference(PtyEndpoint& port, std::function<double(double)> field)
    : port_(port), field_(std::move(field)) {}

std::string Reference::MeasurementReply(char channel, char classifier, double value) {
  return MeasurementReply(channel, classifier, value, '\0');
}

std::string Reference::MeasurementReply(char channel, char classifier, double value, char forced) {
  // The smallest decade whose five characters still hold the value keeps the most digits.
  int decade = 7;
  long long n = 0;
  for (int d = 1; d <= 7; ++d) {
    n = std::llround(value / std::pow(10.0, d - 5));
    if (n >= -9999 && n <= 99999) {
      decade = d;
      break;
    }
  }
  if (forced >= '1' && forced <= '7') {
    decade = forced - '0';
    n = std::llround(value / std::pow(10.0, decade - 5));
  }
  n = std::clamp(n, -9999LL, 99999LL);
  char digits[8];
  if (n < 0)
    std::snprintf(digits, sizeof digits, "-%04lld", -n);
  else
    std::snprintf(digits, sizeof digits, "%05lld", n);
  std::string reply = "ME";
  reply += channel;
  reply += classifier;
  reply += forced ? forced : char('0' + decade);
  reply += ' ';
  reply += digits;
  reply += ' ';
  reply += kCr;
  return reply;
}

void Reference::OnBytes(const std::uint8_t* data, std::size_t size, double now) {
  for (std::size_t i = 0; i < size; ++i) {
    // The line has 7 data bits.
    const char c = char(data[i] & 0x7F);
    rx_ += c;
    if (c == kCr) {
      PrintLine("rx reference " + PrintableAscii(rx_) + " " + Stamp(now));
      HandleCommand(rx_, now);
      rx_.clear();
    } else if (rx_.size() > kMaxCommand) {
      PrintLine("rx reference-garbage " + PrintableAscii(rx_) + " " + Stamp(now));
      rx_.clear();
    }
  }
}

void Reference::HandleCommand(const std::string& command, double now) {
  // Whatever came before the last ESC is noise from an earlier, broken command.
  const auto esc = command.rfind(kEsc);
  if (esc == std::string::npos || silent_) return;
  const std::string body = command.substr(esc + 1, command.size() - esc - 2);
  if (body == "LO2" || body == "LO1")
    Reply(loReply_ ? *loReply_ : body);
  else if (body.size() >= 3 && body.compare(0, 2, "ME") == 0)
    Reply(MeasurementReply(channel_ ? channel_ : body[2], classifier_, field_(now), decade_));
}

void Reference::Reply(const std::string& text) {
  PtyEndpoint::Chunk chunk;
  chunk.bytes.assign(text.begin(), text.end());
  chunk.gapBefore = kReplyDelay;
  port_.Enqueue(std::move(chunk));
}

std::string Reference::StatusText() const {
  return std::string("reference=") + (port_.IsOpen() ? "open" : "closed") +
         " reference-listeners=" + std::to_string(port_.Openers()) +
         " ref-silent=" + (silent_ ? "on" : "off") + " ref-classifier=" + classifier_ +
         " ref-decade=" + (decade_ ? std::string(1, decade_) : "auto") +
         " ref-channel=" + (channel_ ? std::string(1, channel_) : "echo") +
         " ref-lo-reply=" + (loReply_ ? PrintableAscii(*loReply_) : "echo");
}

}  // namespace sim
