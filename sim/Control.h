// The stdin command channel of fluxa-sim: one command a line, each answered on stdout with
// "ok <command>" once it took effect, or "error <command>: <reason>" (HelpText lists them).
#pragma once

#include "Meter.h"
#include "Pty.h"
#include "Reference.h"

#include <string>
#include <vector>

namespace sim {

class Control {
 public:
  Control(Meter& meter, PtyEndpoint& meterPort, Reference* reference, PtyEndpoint* referencePort);

  void Handle(const std::string& line, double now);
  bool QuitRequested() const { return quit_; }

 private:
  // Returns an empty string on success, else the reason.
  std::string Execute(const std::vector<std::string>& tokens, double now);

  Meter& meter_;
  PtyEndpoint& meterPort_;
  Reference* reference_;
  PtyEndpoint* referencePort_;
  bool quit_ = false;
};

}  // namespace sim
