// The program's windows recording from COM1 until they are killed: the first half of the test
// of a recording that a crash interrupts (test_recovery_live). Takes the data file's name; takes
// the port, the settings store and the platform from the environment as the program does.
// Prints "recording" once the recording runs.
#include <QApplication>

#include <cstdio>

#include "app/Application.h"
#include "app/Main.h"
#include "tests/common/StartRecording.h"
#include "link/ComPort.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: recording_child DATAFILE\n");
    return 2;
  }
  const QString dataFile = QString::fromLocal8Bit(argv[1]);
  FluxaApplication fluxa;
  fluxa.Start();
  TMainWin& window = fluxa.MainWin();
  window.Poczony1Click();
  if (!window.ComPort1->Connected()) {
    std::fprintf(stderr, "recording_child: no port\n");
    return 1;
  }
  StartRecordingEveryResult(window, dataFile);
  if (!window.Recording().Recording()) {
    std::fprintf(stderr, "recording_child: the recording did not start\n");
    return 1;
  }
  std::printf("recording\n");
  std::fflush(stdout);
  return app.exec();
}
