#include "cli/Silence.h"

#include <cmath>

#include "cli/Console.h"
#include "cli/Texts.h"

Silence::Silence(const QString& port, double timeoutSeconds) : port_(port), timeoutSeconds_(timeoutSeconds) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
}

int Silence::LimitMs() const {
  return timeoutSeconds_ > 0 ? int(std::ceil(timeoutSeconds_ * 1000)) : kHintMs;
}

void Silence::Start() {
  clock_.start();
  lastMs_ = 0;
  timer_.start(LimitMs());
}

void Silence::Arrived() {
  any_ = true;
  lastMs_ = clock_.elapsed();
  // After a hint the timer rests until the next result.
  if (!timer_.isActive()) timer_.start(LimitMs());
}

void Silence::Stop() { timer_.stop(); }

QString Silence::NothingText() const { return Text(Msg::NoResults).arg(port_); }

void Silence::Check() {
  // The timer is not restarted for every result: it wakes when the last silence could have
  // reached the limit and looks again from the last result.
  const qint64 silentMs = clock_.elapsed() - lastMs_;
  if (silentMs < LimitMs()) {
    timer_.start(int(LimitMs() - silentMs));
    return;
  }
  if (timeoutSeconds_ <= 0) {
    Complain(Text(Msg::NoResultsHint).arg(port_));
    return;
  }
  Complain(Text(Msg::NoResultsFor).arg(port_, SecondsText(timeoutSeconds_)));
  if (OnTimeout) OnTimeout();
}

QString SecondsText(double seconds) {
  QString text = QString::number(seconds, 'f', 3);
  while (text.endsWith(u'0')) text.chop(1);
  if (text.endsWith(u'.')) text.chop(1);
  return text;
}
