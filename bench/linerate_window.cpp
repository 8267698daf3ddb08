// The main window connected to the meter on FLUXA_COM1 for a given time, as bench/line-rate runs
// it: the same window and result path as the application, connected without a click.
//   linerate_window SECONDS [FRAME_MS]
// Prints "connected" once the port is open, then at the end the result shown and the paints.
// FRAME_MS paints at most once per that many milliseconds instead of the window's own interval.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <cstdio>

#include "app/Main.h"
#include "app/RepaintThrottle.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  TMainWin window;
  if (argc > 2) window.Throttle()->SetInterval(std::atoi(argv[2]));
  window.show();
  window.Poczony1Click();
  if (!window.ComPort1->Connected()) {
    std::fprintf(stderr, "linerate_window: cannot open %s\n", qPrintable(window.ComPort1->DeviceName()));
    return 2;
  }
  std::printf("connected\n");
  std::fflush(stdout);
  QTimer::singleShot(seconds * 1000, &app, [&] {
    std::printf("shown %s, %d paints\n", qPrintable(window.SWynik->text()), window.Throttle()->Paints());
    QApplication::quit();
  });
  return app.exec();
}
