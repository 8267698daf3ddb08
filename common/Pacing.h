#pragma once
// Pacing seam. The link is paced by timers, never by holding the GUI thread: a paced exchange
// asks PaceMs how long to wait before its next frame and starts a timer for that long (the
// parameter frames' 300 ms, the store command's 500 ms). Waits that keep processing events
// (the wizard's) go through EventWait. Production uses real time; a test may observe every
// pause, or shorten it to run faster while keeping the order.
#include <functional>

// How long a paced exchange waits where its protocol asks for ms milliseconds.
int PaceMs(int ms);
// Waits ms milliseconds while the event loop keeps running.
void EventWait(int ms);
// Processes events until done() holds or maxMs have passed, and returns done(). done() is asked
// after every batch of events, so it is answered as soon as the event that settles it ran.
bool EventWaitUntil(const std::function<bool()>& done, int maxMs);

struct PacingHooks {
  std::function<int(int)> pace;  // the protocol's pause in, the pause to take out
  std::function<void(int)> wait;
};
// Replaces the hooks (an empty function restores the real one); returns the previous hooks.
PacingHooks SetPacingHooks(PacingHooks hooks);
