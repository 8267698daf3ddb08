#include "cli/Interrupt.h"

#include <QCoreApplication>
#include <QMetaObject>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
std::function<void()>& Handler() {
  static std::function<void()> handler;
  return handler;
}

void RunHandler() {
  if (Handler()) Handler()();
}

#ifdef Q_OS_WIN
BOOL WINAPI ConsoleHandler(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  // Called on a thread of its own: the handler runs on the event loop's.
  QMetaObject::invokeMethod(QCoreApplication::instance(), &RunHandler, Qt::QueuedConnection);
  return TRUE;
}
#else
int wakeFds[2] = {-1, -1};  // the handler writes a byte; the event loop reads it (self-pipe)

void SignalHandler(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(wakeFds[1], &byte, 1);
}
#endif
}  // namespace

void OnInterrupt(std::function<void()> handler) {
  Handler() = std::move(handler);
#ifdef Q_OS_WIN
  SetConsoleCtrlHandler(ConsoleHandler, TRUE);
#else
  if (wakeFds[0] >= 0) return;
  if (::pipe(wakeFds) != 0) return;
  for (const int fd : wakeFds) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  ::fcntl(wakeFds[1], F_SETFL, O_NONBLOCK);
  auto* notifier = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [] {
    char byte;
    [[maybe_unused]] const auto got = ::read(wakeFds[0], &byte, 1);
    RunHandler();
  });
  struct sigaction action = {};
  action.sa_handler = SignalHandler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
#endif
}
