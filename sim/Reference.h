// The simulated reference meter on its serial line (9600 baud, 7 data bits, no parity, 1 stop bit:
// 9 bits a byte).
//
// It speaks plain ASCII, each command ESC ... CR:
//   ESC "LO2" CR            -> "LO2"  (remote control)
//   ESC "LO1" CR            -> "LO1"  (local control)
//   ESC "ME" c "00000000" CR -> "ME" c "0" d " " nnnnn " " CR, where c is the channel asked, d the
//     decade digit ('1'..'7': multiplier 10^(d-5)) and nnnnn five characters of a decimal number
//     ("12345", "-1234"); the value is nnnnn x multiplier, in the meter's display unit.
// A reply starts kReplyDelay after the command's CR and then runs at the line rate, so it is
// complete well within the 100 ms the application waits before it reads.
// For tests of malformed replies it can force the decade digit or the channel it echoes, and
// answer the LO commands with a text of its own.
#pragma once

#include "Pty.h"

#include <functional>
#include <optional>
#include <string>

namespace sim {

class Reference {
 public:
  static constexpr double kReplyDelay = 0.020;

  // field(now): the true field in the meter's display unit.
  Reference(PtyEndpoint& port, std::function<double(double)> field);

  void OnBytes(const std::uint8_t* data, std::size_t size, double now);

  void SetSilent(bool on) { silent_ = on; }
  void SetClassifier(char c) { classifier_ = c; }
  // '\0' restores the normal behaviour of each.
  void SetDecade(char d) { decade_ = d; }
  void SetChannel(char c) { channel_ = c; }
  void SetLoReply(std::optional<std::string> text) { loReply_ = std::move(text); }
  std::string StatusText() const;

  // The 13-byte measurement reply for a value, with the decade digit that keeps most digits.
  static std::string MeasurementReply(char channel, char classifier, double value);
  // The same with the decade digit d: the value's digits in that decade when d is '1'..'7',
  // else the digits of the natural decade under the digit d.
  static std::string MeasurementReply(char channel, char classifier, double value, char d);

 private:
  void HandleCommand(const std::string& command, double now);
  void Reply(const std::string& text);

  PtyEndpoint& port_;
  std::function<double(double)> field_;
  std::string rx_;
  bool silent_ = false;
  char classifier_ = '0';
  char decade_ = '\0';
  char channel_ = '\0';
  std::optional<std::string> loReply_;
};

// ESC as \e, CR as \r, LF as \n, backslash as \\, other control bytes as \xHH.
std::string PrintableAscii(const std::string& bytes);
// The reverse, for texts given on the command line.
std::string FromPrintableAscii(const std::string& text);

}  // namespace sim
