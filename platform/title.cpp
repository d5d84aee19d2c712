// The window title. The plotter's thread sets it; the window's thread reads it, hence the lock.
#include "platform/title.h"

#include <mutex>
#include <utility>

#include "platform/errors.h"
#include "platform/screen_handover.h"
#include "winapi/user32.h"

namespace {
std::mutex title_lock;
Text title = "Untitled";
uint64_t generation = 0;
HWND titled_window = nullptr;
}  // namespace

void set_window_title(const Text& new_title) {
  if (error_pending()) return;
  {
    const std::lock_guard lock(title_lock);
    Text cut = new_title.substr(0, new_title.find('\0'));
    if (cut == title) return;  // every refresh sets the same title: the window need not wake
    title = std::move(cut);
    ++generation;
    if (titled_window) SetWindowTextA(titled_window, title.c_str());
  }
  signal_presentation();  // the window takes it over
}

Text current_window_title() {
  const std::lock_guard lock(title_lock);
  return title;
}

uint64_t window_title_generation() {
  const std::lock_guard lock(title_lock);
  return generation;
}

void reset_window_title() {
  {
    const std::lock_guard lock(title_lock);
    title = "Untitled";
    ++generation;  // a change like any other, so a window that shows it follows
    titled_window = nullptr;
  }
  signal_presentation();
}

void set_titled_window(HWND window) {
  const std::lock_guard lock(title_lock);
  titled_window = window;
  if (window) SetWindowTextA(window, title.c_str());
}
