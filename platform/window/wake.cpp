#include "platform/window/wake.h"

#include <X11/Xlib.h>

#include <atomic>

namespace {
std::atomic<Display*> waker{nullptr};
std::atomic<unsigned long> target{0};
XErrorHandler previous_handler = nullptr;

// A wake that reaches a window just destroyed (the close button) fails harmlessly; every other
// X error goes where it went before.
int on_x_error(Display* display, XErrorEvent* error) {
  if (display == waker.load()) return 0;
  return previous_handler ? previous_handler(display, error) : 0;
}
}  // namespace

void open_window_waker(Display* connection) {
  if (!connection) return;
  previous_handler = XSetErrorHandler(on_x_error);
  waker.store(connection);
}

void set_waker_window(unsigned long window_id) { target.store(window_id); }

void wake_window() {
  Display* display = waker.load();
  const unsigned long window = target.load();
  if (!display || !window) return;
  XEvent event{};
  event.xexpose.type = Expose;
  event.xexpose.window = static_cast<Window>(window);
  event.xexpose.width = 1;
  event.xexpose.height = 1;
  event.xexpose.count = 0;
  XSendEvent(display, static_cast<Window>(window), False, ExposureMask, &event);
  XFlush(display);
}
