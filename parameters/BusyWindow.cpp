#include "parameters/BusyWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QInputEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// Eats the user's input to one window and, while catching up, the windows' timer components.
// Only at the event-loop level where it was put up: a message box's own loop inside it is left
// alone.
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
    if (timersToo_ && event->type() == QEvent::Timer) return IsTimerComponent(receiver);
    if (!dynamic_cast<QInputEvent*>(event) && event->type() != QEvent::Close &&
        event->type() != QEvent::Shortcut)
      return false;
    return OfWindow(receiver);
  }

 private:
  // The windows' timer components (named, as every component is: the link check, the download
  // stages); the timers that make the window system and the painting work go on.
  static bool IsTimerComponent(QObject* receiver) {
    const auto* timer = qobject_cast<QTimer*>(receiver);
    return timer && !timer->objectName().isEmpty();
  }

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

BusyWindow::BusyWindow(QWidget* window) : window_(window) {
  if (qGuiApp) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void BusyWindow::CatchUp() {
  if (!QCoreApplication::instance()) return;
  Gate gate(window_, true);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

BusyWindow::~BusyWindow() {
  if (!QCoreApplication::instance()) return;
  {
    Gate gate(window_, false);
    QCoreApplication::processEvents();
  }
  if (qGuiApp) QGuiApplication::restoreOverrideCursor();
}
