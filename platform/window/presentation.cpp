// The presentation thread: about every 32 ms it looks at the screen image's generation and, only
// when it moved, converts the image into a fresh frame and wakes the window's thread. Three frames
// rotate: the one being made, the newest finished one, and the one the window shows, so neither
// side waits long. It also wakes the window's thread for a new title or a change of the menu
// line made on another thread.
#include "platform/window/presentation.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/title.h"
#include "platform/window/wake.h"
#include "winapi/user32.h"

namespace {
constexpr auto presentation_period = std::chrono::milliseconds(32);

std::mutex newest_mutex;
Frame newest;  // the finished frame not yet taken
std::atomic<bool> newest_is_fresh{false};
std::atomic<bool> held{false};

void present_forever() {
  Frame making;
  uint64_t converted = ~uint64_t{0};
  int32_t converted_mode = -1;
  uint64_t title_seen = window_title_generation();
  uint64_t menu_seen = user32_generation();
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    // Text is painted lazily on the plotter's thread: ask for it now, so that it is in the
    // pixels by the time this pass looks.
    request_screen_flush();
    next += presentation_period;
    std::this_thread::sleep_until(next);
    const auto now = std::chrono::steady_clock::now();
    if (now > next + presentation_period) next = now;  // after a stall, no burst of catching up
    // A new title, or a change of the menu line (a menu attached, an item's highlight reported
    // to the plotter), goes to the window at once: the window's thread sleeps until woken.
    const uint64_t title_now = window_title_generation();
    const uint64_t menu_now = user32_generation();
    if (title_now != title_seen || menu_now != menu_seen) {
      title_seen = title_now;
      menu_seen = menu_now;
      wake_window();
    }
    if (held.load(std::memory_order_acquire)) continue;
    const ScreenState& screen = screen_state();
    const uint64_t generation = screen.generation.load(std::memory_order_acquire);
    const int32_t mode = screen.mode;
    if (generation == converted && mode == converted_mode) continue;
    // A refresh in progress shows part-done; the next pass sees the generation move on again.
    convert_screen_image(screen, making);
    converted = generation;
    converted_mode = mode;
    {
      const std::lock_guard lock(newest_mutex);
      std::swap(newest, making);
    }
    newest_is_fresh.store(true, std::memory_order_release);
    wake_window();
  }
}
}  // namespace

void convert_screen_image(const ScreenState& screen, Frame& frame) {
  frame.mode = screen.mode;
  std::array<uint32_t, 16> colours;
  for (size_t i = 0; i < colours.size(); ++i) colours[i] = 0xFF000000u | (screen.palette[i] & 0xFFFFFFu);
  const uint8_t* from = screen.pixels.data();
  uint32_t* to = frame.pixels.data();
  for (size_t i = 0; i < screen.pixels.size(); ++i) to[i] = colours[from[i] & 15];
}

void start_presentation_thread() { std::thread(present_forever).detach(); }

bool new_frame_waiting() { return newest_is_fresh.load(std::memory_order_acquire); }

bool take_new_frame(Frame& into) {
  if (!newest_is_fresh.load(std::memory_order_acquire)) return false;
  const std::lock_guard lock(newest_mutex);
  std::swap(into, newest);
  newest_is_fresh.store(false, std::memory_order_release);
  return true;
}

void hold_presentation(bool hold) { held.store(hold, std::memory_order_release); }
