#pragma once
// A main window connected to fluxa-sim over real pseudo-terminals, for end-to-end tests.
#include <QtTest>

#include "app/Main.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"

struct LiveWindow {
  explicit LiveWindow(const QStringList& simArgs = {}) : sim(simArgs) {}
  bool Start() {
    if (!sim.start()) return false;
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    qputenv("FLUXA_COM2", sim.referencePath().toUtf8());
    window.show();
    return true;
  }
  bool Connect() {
    window.Poczony1Click();
    return window.ComPort1->Connected();
  }
  MessageRecorder messages;
  SimProcess sim;
  TMainWin window;
};

inline QColor TextColour(const QWidget* w) { return w->palette().color(QPalette::WindowText); }
