// The program's windows for bench/soak: connects to COM1, records every result into the data
// file given, and answers on standard input, from the GUI thread's event loop:
//   ping   -> "pong heap=KiB"             (how long that takes is the window's responsiveness;
//                                          heap: bytes the allocator has handed out, in KiB,
//                                          -1 where the C library does not tell)
//   stats  -> "stats results=N connected=0|1 messages=M"
//   quit   -> stops the recording and ends
// Messages the program would show in a box are printed as "message <text>" instead.
#include <QApplication>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "app/Application.h"
#include "app/Main.h"
#include "tests/common/StartRecording.h"
#include "common/Messages.h"
#include "link/ComPort.h"

namespace {

// What the program holds, as against what the allocator keeps from the system (RSS): growth in
// RSS with a flat heap is the allocator's, not the program's.
long long HeapInUseKiB() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long long>((info.uordblks + info.hblkhd) / 1024);
#else
  return -1;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  if (argc != 2) {
    std::fprintf(stderr, "usage: soak_app DATAFILE\n");
    return 2;
  }
  int messages = 0;
  SetMessageSink([&messages](const QString& text) {
    ++messages;
    std::printf("message %s\n", qPrintable(QString(text).replace('\n', ' ')));
    std::fflush(stdout);
  });
  const QString dataFile = QString::fromLocal8Bit(argv[1]);
  FluxaApplication fluxa;
  fluxa.Start();
  TMainWin& window = fluxa.MainWin();
  window.Poczony1Click();
  StartRecordingEveryResult(window, dataFile);

  // A recording stops by itself at 65535 results: start the next one at once.
  int earlier = 0;
  QTimer restart;
  restart.setInterval(1000);
  QObject::connect(&restart, &QTimer::timeout, [&] {
    if (window.Recording().Recording() || !window.Zapisz1->isEnabled()) return;
    earlier += 65535;
    StartRecordingEveryResult(window, dataFile);
  });
  restart.start();

  QByteArray pending;
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      input.setEnabled(false);
      QApplication::quit();
      return;
    }
    pending.append(buffer, n);
    for (qsizetype nl; (nl = pending.indexOf('\n')) >= 0;) {
      const QByteArray line = pending.left(nl).trimmed();
      pending.remove(0, nl + 1);
      if (line == "ping") {
        std::printf("pong heap=%lld\n", HeapInUseKiB());
      } else if (line == "stats") {
        std::printf("stats results=%d connected=%d messages=%d\n",
                    earlier + window.Recording().StoredCount(), int(window.ComPort1->Connected()),
                    messages);
      } else if (line == "quit") {
        window.ZakonczClick();
        QApplication::quit();
      }
      std::fflush(stdout);
    }
  });
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}
