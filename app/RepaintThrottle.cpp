#include "app/RepaintThrottle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

RepaintThrottle::RepaintThrottle(QWidget* window, int intervalMs)
    : QObject(window), window_(window), intervalMs_(intervalMs) {
  deferred_.setSingleShot(true);
  connect(&deferred_, &QTimer::timeout, this, &RepaintThrottle::Serve);
  window_->installEventFilter(this);
}

bool RepaintThrottle::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_ || event->type() != QEvent::UpdateRequest || serving_)
    return QObject::eventFilter(watched, event);
  requestPosted_ = false;
  if (deferred_.isActive()) return true;  // already owed; served when the interval is up
  const qint64 since = sinceLastPaint_.isValid() ? sinceLastPaint_.elapsed() : intervalMs_;
  if (since >= intervalMs_) {
    sinceLastPaint_.start();
    ++paints_;
    Prepare();
    return false;
  }
  deferred_.start(int(intervalMs_ - since));
  return true;
}

void RepaintThrottle::RequestPaint() {
  prepareOwed_ = true;
  if (requestPosted_ || deferred_.isActive()) return;
  requestPosted_ = true;
  QCoreApplication::postEvent(window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

// Marks are made while the paint's request is on its way in: Qt posts no other request meanwhile,
// and the paint that follows takes them.
void RepaintThrottle::Prepare() {
  if (!prepareOwed_) return;
  prepareOwed_ = false;
  if (beforePaint_) beforePaint_();
}

void RepaintThrottle::Serve() {
  sinceLastPaint_.start();
  ++paints_;
  Prepare();
  serving_ = true;
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(window_, &request);
  serving_ = false;
}
