#pragma once
// A window that blocks its GUI thread for seconds (the parameter transfer) between short steps.
// Between two steps it catches up with what the window system asks (painting, exposure, the
// window manager's pings), so that it never looks hung; it takes no user input meanwhile, runs
// none of its timer components (a link check would see no results and call the link silent)
// and reads no sockets, so that serial arrivals wait in their queue.
// A message box opened meanwhile works as usual. The busy cursor shows meanwhile, so that a click
// that goes unanswered is not taken for a hang.
class QWidget;

class BusyWindow {
 public:
  explicit BusyWindow(QWidget* window);
  ~BusyWindow();  // input that arrived while busy is dropped, not acted on late
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

  // Handles what waits: painting and window-system events, posted calls; no input, no timer
  // components.
  void CatchUp();

 private:
  QWidget* window_;
};
