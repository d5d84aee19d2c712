// The presentation thread: it sleeps until the plotter's thread changes the screen image, then
// gives it a presentation period to go on, and converts the picture it hands over into a frame
// and wakes the window's thread. A change that is over within the period (a refresh of a usual
// log) shows as one frame, handed over as the plotter's thread went to sleep; a longer one shows
// part-done, a frame every period, until it is over. A new title, a change of the menu line and
// the end of a hold wake it as well. Three frames rotate: the one being made, the newest
// finished one, and the one the window shows, so neither side waits long.
#include "platform/window/presentation.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/screen_handover.h"
#include "platform/title.h"
#include "platform/window/wake.h"
#include "winapi/user32.h"

namespace {
constexpr auto presentation_period = std::chrono::milliseconds(32);

std::mutex newest_mutex;
Frame newest;  // the finished frame not yet taken
std::atomic<bool> newest_is_fresh{false};
std::atomic<bool> held{false};

// A new title, or a change of the menu line (a menu attached, an item's highlight reported to
// the plotter), goes to the window at once: the window's thread sleeps until woken.
class WindowFollower {
 public:
  void look() {
    const uint64_t title_now = window_title_generation();
    const uint64_t menu_now = user32_generation();
    if (title_now == title_seen_ && menu_now == menu_seen_) return;
    title_seen_ = title_now;
    menu_seen_ = menu_now;
    wake_window();
  }

 private:
  uint64_t title_seen_ = window_title_generation();
  uint64_t menu_seen_ = user32_generation();
};

void present_forever() {
  Frame making;
  std::unique_ptr<ScreenPicture> picture;
  WindowFollower follower;
  for (;;) {
    follower.look();
    if (held.load(std::memory_order_acquire)) {
      wait_for_presentation_signal();
      continue;
    }
    wait_for_screen_change();
    follower.look();
    bool at_rest = false;
    while (!at_rest && !held.load(std::memory_order_acquire)) {
      std::this_thread::sleep_for(presentation_period);
      if (!wait_for_screen_picture(picture, at_rest)) {
        follower.look();
        continue;
      }
      convert_screen_picture(*picture, making);
      {
        const std::lock_guard lock(newest_mutex);
        std::swap(newest, making);
      }
      newest_is_fresh.store(true, std::memory_order_release);
      wake_window();
    }
  }
}
}  // namespace

void convert_screen_picture(const ScreenPicture& picture, Frame& frame) {
  frame.mode = picture.mode;
  std::array<uint32_t, 16> colours;
  for (size_t i = 0; i < colours.size(); ++i) colours[i] = 0xFF000000u | (picture.palette[i] & 0xFFFFFFu);
  const uint8_t* from = picture.pixels.data();
  uint32_t* to = frame.pixels.data();
  for (size_t i = 0; i < picture.pixels.size(); ++i) to[i] = colours[from[i] & 15];
}

void start_presentation_thread() {
  attach_presentation();
  std::thread(present_forever).detach();
}

bool new_frame_waiting() { return newest_is_fresh.load(std::memory_order_acquire); }

bool take_new_frame(Frame& into) {
  if (!newest_is_fresh.load(std::memory_order_acquire)) return false;
  const std::lock_guard lock(newest_mutex);
  std::swap(into, newest);
  newest_is_fresh.store(false, std::memory_order_release);
  return true;
}

void hold_presentation(bool hold) {
  held.store(hold, std::memory_order_release);
  if (!hold) signal_presentation();  // what was handed over meanwhile is shown now
}
