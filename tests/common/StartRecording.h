#pragma once
// Starts a recording of every result on a main window, as a user would: the file dialog answers
// dataFile and the modal step dialog is answered 1 from inside its own event loop. The file
// dialog keeps answering dataFile afterwards. For programs that drive the real window (the
// soak, the crash-recovery child).
#include <QApplication>
#include <QSpinBox>
#include <QPushButton>
#include <QTimer>

#include "app/FileDialogs.h"
#include "app/Main.h"
#include "records/SpeedStep.h"

inline void StartRecordingEveryResult(TMainWin& window, const QString& dataFile) {
  SetFileDialogHook([dataFile](bool, const FileDialogSettings&) { return dataFile; });
  QTimer answer;
  answer.setInterval(20);
  QObject::connect(&answer, &QTimer::timeout, [&answer] {
    auto* dialog = qobject_cast<TSpeedStepWin*>(QApplication::activeModalWidget());
    if (!dialog) return;
    answer.stop();
    dialog->SpinEdit1->setValue(1);
    dialog->Button1->click();
  });
  answer.start();
  window.Zapisz1Click();
}
