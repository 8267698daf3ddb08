#pragma once
// Pacing seam. The link is paced by blocking pauses on the GUI thread (after every parameter
// frame, around download commands and reference-meter exchanges) and by waits that keep
// processing events (the wizard's waits, during which receive events still run).
// Production uses real time; a test may replace either to run faster while keeping the order.
#include <functional>

// Blocks the calling thread for ms milliseconds without processing events.
void BlockingPause(int ms);
// Waits ms milliseconds while the event loop keeps running.
void EventWait(int ms);
// Processes events until done() holds or maxMs have passed, and returns done(). done() is asked
// after every batch of events, so it is answered as soon as the event that settles it ran.
bool EventWaitUntil(const std::function<bool()>& done, int maxMs);

struct PacingHooks {
  std::function<void(int)> pause;
  std::function<void(int)> wait;
};
// Replaces the hooks (an empty function restores the real one); returns the previous hooks.
PacingHooks SetPacingHooks(PacingHooks hooks);
