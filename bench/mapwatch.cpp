// mapwatch PROGRAM [ARGS...]: starts the program and prints the milliseconds from its start to
// the first top-level window it maps on the X display (a MapNotify on the root window), then
// ends it. bench/startup runs it under Xvfb.
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mapwatch PROGRAM [ARGS...]\n");
    return 2;
  }
  int screenNumber = 0;
  xcb_connection_t* x = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(x)) {
    std::fprintf(stderr, "mapwatch: no X display\n");
    return 2;
  }
  const xcb_setup_t* setup = xcb_get_setup(x);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(x, it.data->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(x);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  double ms = -1;
  pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
  while (ms < 0) {
    if (poll(&fd, 1, 30000) <= 0) break;
    while (xcb_generic_event_t* e = xcb_poll_for_event(x)) {
      if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && ms < 0)
        ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      std::free(e);
    }
    if (xcb_connection_has_error(x)) break;
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  xcb_disconnect(x);
  if (ms < 0) return 1;
  std::printf("%.1f\n", ms);
  return 0;
}
