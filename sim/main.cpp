// fluxa-sim: the Fluxa meter and the reference meter on pseudo-terminals (see --help).
//
// One thread, one poll loop: the two pty masters, their open/close watches and stdin. The loop
// sleeps until the next byte is due on a line or the next result frame is due.

#include "Clock.h"
#include "Control.h"
#include "Meter.h"
#include "Options.h"
#include "Pty.h"
#include "Reference.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int sig) { stopSignal = sig; }

// Stop signals stay blocked except while the loop waits in ppoll, so none slips in between.
sigset_t InstallSignalHandlers() {
  std::signal(SIGPIPE, SIG_IGN);
  // A background job that touches its terminal's input is stopped; reading is skipped instead.
  std::signal(SIGTTIN, SIG_IGN);
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sigset_t stops;
  sigemptyset(&stops);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(sig, &sa, nullptr);
    sigaddset(&stops, sig);
  }
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &stops, &waitMask);
  return waitMask;
}

// Splits stdin into lines; returns false at end of input.
bool ReadStdinLines(std::string& pending, std::vector<std::string>& lines) {
  char buf[4096];
  while (true) {
    const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n == 0) return false;
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    pending.append(buf, std::size_t(n));
    std::size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, nl);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      pending.erase(0, nl + 1);
    }
  }
}

// Stdin is read only when it can be: not a terminal, or a terminal whose foreground we are.
bool StdinReadable() {
  if (!isatty(STDIN_FILENO)) return true;
  return tcgetpgrp(STDIN_FILENO) == getpgrp();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace sim;
  sim::Options options;
  std::string error;
  if (!ParseOptions({argv + 1, argv + argc}, options, error)) {
    std::fprintf(stderr, "fluxa-sim: %s\nTry fluxa-sim --help\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs("fluxa-sim " FLUXA_VERSION "\n", stdout);
    return 0;
  }
  const sigset_t waitMask = InstallSignalHandlers();

  PtyEndpoint meterPort("meter", options.meterPath, 10.0, 9600.0);
  std::unique_ptr<PtyEndpoint> referencePort;
  if (!meterPort.Open(error)) {
    std::fprintf(stderr, "fluxa-sim: meter: %s\n", error.c_str());
    return 1;
  }
  if (!options.referencePath.empty()) {
    referencePort = std::make_unique<PtyEndpoint>("reference", options.referencePath, 9.0, 9600.0);
    if (!referencePort->Open(error)) {
      std::fprintf(stderr, "fluxa-sim: reference: %s\n", error.c_str());
      return 1;
    }
  }

  Meter meter(meterPort, options.meter, Now());
  if (!meter.LoadState(error)) {
    std::fprintf(stderr, "fluxa-sim: %s\n", error.c_str());
    return 1;
  }
  meterPort.SetReceiver([&](const std::uint8_t* d, std::size_t n, double t) { meter.OnBytes(d, n, t); });
  std::unique_ptr<Reference> reference;
  if (referencePort) {
    reference = std::make_unique<Reference>(*referencePort, [&](double t) { return meter.TrueField(t); });
    referencePort->SetReceiver(
        [&](const std::uint8_t* d, std::size_t n, double t) { reference->OnBytes(d, n, t); });
  }
  Control control(meter, meterPort, reference.get(), referencePort.get());

  // Restored at exit: a terminal's stdin is shared with the shell that started us.
  const int stdinFlags = fcntl(STDIN_FILENO, F_GETFL);
  fcntl(STDIN_FILENO, F_SETFL, stdinFlags | O_NONBLOCK);
  PrintLine("clock " + std::to_string(StartMonotonicNs()));
  PrintLine("ready");

  bool stdinOpen = true;
  std::string pending;
  std::vector<pollfd> fds;
  while (!stopSignal && !control.QuitRequested()) {
    fds.clear();
    const bool readStdin = stdinOpen && StdinReadable();
    if (readStdin) fds.push_back({STDIN_FILENO, POLLIN, 0});
    meterPort.AddPollFds(fds);
    if (referencePort) referencePort->AddPollFds(fds);

    double now = Now();
    double wake = std::min(meter.NextWake(), meterPort.NextWake(now));
    if (referencePort) wake = std::min(wake, referencePort->NextWake(now));
    const double wait = std::clamp(wake - now, 0.0, 1.0);
    timespec timeout{};
    timeout.tv_sec = time_t(wait);
    timeout.tv_nsec = long((wait - double(timeout.tv_sec)) * 1e9);
    const int ready = ppoll(fds.data(), fds.size(), &timeout, &waitMask);
    if (ready < 0 && errno != EINTR) {
      std::perror("fluxa-sim: ppoll");
      break;
    }
    if (stopSignal) break;
    if (ready < 0) continue;

    now = Now();
    meterPort.Service(fds, now);
    if (referencePort) referencePort->Service(fds, now);
    meter.Tick(now);

    if (readStdin && fds[0].revents) {
      std::vector<std::string> lines;
      stdinOpen = ReadStdinLines(pending, lines);
      for (const std::string& line : lines) {
        control.Handle(line, Now());
        if (control.QuitRequested()) break;
      }
      if (!stdinOpen && options.exitAtEof) break;
    }
  }
  fcntl(STDIN_FILENO, F_SETFL, stdinFlags);
  // The endpoints' destructors remove the links.
  return 0;
}
