// A second X connection that selects KeyPress on the window: X hands key presses to every client
// that asked for them, so freeglut keeps its own events while this thread sees the two keys
// that freeglut drops.
#include "platform/window/x_key_watcher.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <thread>

#include "platform/lifecycle.h"
#include "platform/window/ending.h"

namespace {
void watch(Display* display) {
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != KeyPress) continue;
    XKeyEvent& key = event.xkey;
    // Ctrl+Pause arrives as Break; the key itself has Pause at its first level whatever is held.
    KeySym with_modifiers = NoSymbol;
    unsigned int unused = 0;
    XkbLookupKeySym(display, static_cast<KeyCode>(key.keycode), key.state, &unused, &with_modifiers);
    const KeySym plain = XkbKeycodeToKeysym(display, static_cast<KeyCode>(key.keycode), 0, 0);
    const bool control = (key.state & ControlMask) != 0;
    if (with_modifiers == XK_Break || plain == XK_Break || (plain == XK_Pause && control)) {
      end_from_window();
    } else if (with_modifiers == XK_Pause || plain == XK_Pause) {
      press_pause();
    }
  }
}
}  // namespace

void start_x_key_watcher(Display* display, unsigned long window_id) {
  XSelectInput(display, static_cast<Window>(window_id), KeyPressMask);
  XSync(display, False);
  std::thread(watch, display).detach();
}
