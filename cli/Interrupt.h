#pragma once
// Ctrl+C and SIGTERM as an event: the handler runs on the event loop, like any other event, so
// a command can end cleanly (a recording writes what it received). While a handler runs, the
// signal waits for it.
#include <functional>

void OnInterrupt(std::function<void()> handler);
