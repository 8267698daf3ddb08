#include "common/Pacing.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {
PacingHooks& Hooks() {
  static PacingHooks hooks;
  return hooks;
}
}  // namespace

void BlockingPause(int ms) {
  if (Hooks().pause) {
    Hooks().pause(ms);
    return;
  }
  if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

void EventWait(int ms) {
  if (Hooks().wait) {
    Hooks().wait(ms);
    return;
  }
  QDeadlineTimer deadline(ms);
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  while (!deadline.hasExpired()) {
    timer.start(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    loop.exec();
  }
}

PacingHooks SetPacingHooks(PacingHooks hooks) {
  PacingHooks previous = std::move(Hooks());
  Hooks() = std::move(hooks);
  return previous;
}
