// The hand-over of the screen picture, and the presentation's waits for it.
#include "platform/screen_handover.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "platform/screen_image.h"
#include "winapi/user32.h"

std::atomic<uint8_t> picture_wanted{wanted_nothing};

namespace {
std::atomic<bool> attached{false};
std::atomic<int32_t> newest_mode{0};

// The plotter's thread's own: the buffer it copies into, and what it handed over last.
std::unique_ptr<ScreenPicture> spare;
uint64_t handed_generation = 0;
uint64_t menu_seen = 0;

std::mutex news_mutex;
std::condition_variable news;
// Under news_mutex:
std::unique_ptr<ScreenPicture> newest;
bool newest_is_fresh = false;  // not taken yet
bool newest_at_rest = false;
bool change_noticed = false;
bool signalled = false;

void hand_over(const ScreenState& s, bool at_rest) {
  spare->mode = s.mode;
  spare->palette = s.palette;
  spare->pixels = s.pixels;
  handed_generation = s.generation;
  picture_wanted.store(wanted_nothing, std::memory_order_relaxed);
  {
    const std::lock_guard lock(news_mutex);
    std::swap(spare, newest);
    newest_is_fresh = true;
    newest_at_rest = at_rest;
  }
  newest_mode.store(s.mode, std::memory_order_relaxed);
  news.notify_all();
}

void notify(bool& what) {
  {
    const std::lock_guard lock(news_mutex);
    what = true;
  }
  news.notify_all();
}
}  // namespace

void answer_picture_request(ScreenState& s) {
  if (!attached.load(std::memory_order_acquire)) return;
  if (picture_wanted.load(std::memory_order_relaxed) == wanted_change) {
    if (s.generation == handed_generation && s.pending_rows == 0) return;
    picture_wanted.store(wanted_nothing, std::memory_order_relaxed);
    notify(change_noticed);
    return;
  }
  flush_pending_cells(s);
  if (s.generation != handed_generation) hand_over(s, false);
}

void present_before_waiting(const ScreenState& s) {
  if (!attached.load(std::memory_order_acquire)) return;
  // A picture asked for comes now even when nothing changed: the presentation waits for it.
  if (s.generation != handed_generation || picture_wanted.load(std::memory_order_relaxed) == wanted_picture)
    hand_over(s, true);
  // The plotter changes the menu line (attaching it, reporting a click) only on its own thread;
  // before it waits, the presentation hears of it.
  const uint64_t menu_now = user32_generation();
  if (menu_now != menu_seen) {
    menu_seen = menu_now;
    signal_presentation();
  }
}

void attach_presentation() {
  {
    const std::lock_guard lock(news_mutex);
    if (!spare) spare = std::make_unique<ScreenPicture>();
    if (!newest) newest = std::make_unique<ScreenPicture>();
  }
  attached.store(true, std::memory_order_release);
}

void wait_for_screen_change() {
  picture_wanted.store(wanted_change, std::memory_order_relaxed);
  std::unique_lock lock(news_mutex);
  news.wait(lock, [] { return change_noticed || newest_is_fresh || signalled; });
  change_noticed = signalled = false;
}

bool wait_for_screen_picture(std::unique_ptr<ScreenPicture>& into, bool& at_rest) {
  if (!into) into = std::make_unique<ScreenPicture>();
  std::unique_lock lock(news_mutex);
  if (!newest_is_fresh) picture_wanted.store(wanted_picture, std::memory_order_relaxed);
  news.wait(lock, [] { return newest_is_fresh || signalled; });
  signalled = false;
  if (!newest_is_fresh) return false;
  std::swap(into, newest);
  newest_is_fresh = false;
  change_noticed = false;
  at_rest = newest_at_rest;
  return true;
}

void wait_for_presentation_signal() {
  std::unique_lock lock(news_mutex);
  news.wait(lock, [] { return signalled; });
  signalled = false;
}

void signal_presentation() { notify(signalled); }

int32_t handed_over_mode() { return newest_mode.load(std::memory_order_relaxed); }

void detach_presentation() {
  attached.store(false, std::memory_order_release);
  picture_wanted.store(wanted_nothing, std::memory_order_relaxed);
  handed_generation = 0;
  menu_seen = 0;
  newest_mode.store(0, std::memory_order_relaxed);
  const std::lock_guard lock(news_mutex);
  newest_is_fresh = newest_at_rest = change_noticed = signalled = false;
}
