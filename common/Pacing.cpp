#include "common/Pacing.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace {
PacingHooks& Hooks() {
  static PacingHooks hooks;
  return hooks;
}
}  // namespace

int PaceMs(int ms) {
  if (Hooks().pace) return Hooks().pace(ms);
  return ms;
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
  timer.setTimerType(Qt::PreciseTimer);  // a coarse one may end a long wait 5 % late
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  while (!deadline.hasExpired()) {
    timer.start(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    loop.exec();
  }
}

bool EventWaitUntil(const std::function<bool()>& done, int maxMs) {
  QDeadlineTimer deadline(maxMs);
  QTimer wake;  // an event at the deadline, so that the wait for events below returns
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    if (!wake.isActive()) wake.start(int(qMax<qint64>(1, deadline.remainingTime())));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

PacingHooks SetPacingHooks(PacingHooks hooks) {
  PacingHooks previous = std::move(Hooks());
  Hooks() = std::move(hooks);
  return previous;
}
