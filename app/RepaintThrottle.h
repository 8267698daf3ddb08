#pragma once
// At most one repaint of a window per display frame. A window that changes after a quiet spell is
// painted at once, as before; changes that come faster than the frame interval are painted
// together once the interval since the last paint has passed. The window's widgets keep their
// state as it is set (texts, the chart's image), so the one paint shows exactly what painting
// after every change would have left.
//
// It works on the window's update requests: Qt posts one request for all the widgets marked dirty
// and posts no other until that one has been served, so holding it back and serving it later
// holds back every paint of the window.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

class RepaintThrottle : public QObject {
 public:
  // 40 ms: 25 paints a second, as often as the eye and the chart's pixels tell apart.
  static constexpr int kFrameMs = 40;
  explicit RepaintThrottle(QWidget* window, int intervalMs = kFrameMs);
  int Paints() const { return paints_; }  // window paints let through so far
  // Another frame interval, from the next paint on (bench/line-rate weighs the window's cost
  // against it).
  void SetInterval(int intervalMs) { intervalMs_ = intervalMs; }

  // A widget whose drawing is costly draws once per paint rather than once per change: it asks
  // for a paint here, and beforePaint (set once) runs just before the window's next paint, where
  // it marks what it changed.
  void SetBeforePaint(std::function<void()> beforePaint) { beforePaint_ = std::move(beforePaint); }
  void RequestPaint();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Serve();
  void Prepare();

  QWidget* window_;
  int intervalMs_;
  QElapsedTimer sinceLastPaint_;
  QTimer deferred_;
  bool serving_ = false;
  int paints_ = 0;
  std::function<void()> beforePaint_;
  bool prepareOwed_ = false;
  bool requestPosted_ = false;
};
