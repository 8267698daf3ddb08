#include "parameters/BusyWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QInputEvent>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace {

// Eats the events of one window that a busy window must not act on. Only at the event-loop
// level where it was put up: a message box's own loop inside it is left alone.
class Gate : public QObject {
 public:
  Gate(QWidget* window, bool timersToo)
      : window_(window), timersToo_(timersToo), level_(QThread::currentThread()->loopLevel()) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~Gate() override { QCoreApplication::instance()->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (QThread::currentThread()->loopLevel() != level_) return false;
    if (timersToo_ && event->type() == QEvent::Timer) return true;
    if (!dynamic_cast<QInputEvent*>(event) && event->type() != QEvent::Close &&
        event->type() != QEvent::Shortcut)
      return false;
    return OfWindow(receiver);
  }

 private:
  bool OfWindow(QObject* receiver) const {
    if (auto* widget = qobject_cast<QWidget*>(receiver)) return widget->window() == window_;
    if (auto* window = qobject_cast<QWindow*>(receiver)) return window == window_->windowHandle();
    return false;
  }

  QWidget* window_;
  bool timersToo_;
  int level_;
};

}  // namespace

void BusyWindow::CatchUp() {
  if (!QCoreApplication::instance()) return;
  Gate gate(window_, true);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

BusyWindow::~BusyWindow() {
  if (!QCoreApplication::instance()) return;
  Gate gate(window_, false);
  QCoreApplication::processEvents();
}
