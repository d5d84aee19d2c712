// Pauses on a millisecond clock, through the clock seam.
#include "platform/timing.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/errors.h"
#include "platform/screen.h"

namespace {
int64_t real_now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
void real_sleep_ms(int64_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::mutex wait_mutex;
std::condition_variable wait_signal;

int64_t real_wait_ms(int64_t ms, const std::function<bool()>& woken) {
  using namespace std::chrono;
  const auto start = steady_clock::now();
  std::unique_lock lock(wait_mutex);
  if (!wait_signal.wait_for(lock, milliseconds(ms > 0 ? ms : 0), woken)) return ms;
  return duration_cast<milliseconds>(steady_clock::now() - start).count();
}

Clock installed;
}  // namespace

void set_clock(Clock clock) { installed = std::move(clock); }

int64_t clock_now_ms() { return installed.now_ms ? installed.now_ms() : real_now_ms(); }

void clock_sleep_ms(int64_t ms) {
  flush_screen_text();  // the window shows every printed cell while this thread sleeps
  if (installed.sleep_ms)
    installed.sleep_ms(ms);
  else
    real_sleep_ms(ms);
}

int64_t clock_wait_ms(int64_t ms, const std::function<bool()>& woken) {
  flush_screen_text();  // as for a sleep
  if (installed.wait_ms) return installed.wait_ms(ms, woken);
  if (installed.sleep_ms) {
    installed.sleep_ms(ms);
    return ms;
  }
  return real_wait_ms(ms, woken);
}

void wake_waiting_thread() {
  // Taking the lock orders this wake after the waiter's look at its condition or before it.
  { const std::lock_guard lock(wait_mutex); }
  wait_signal.notify_all();
}

void pause_seconds(double seconds) {
  if (error_pending()) return;
  // NaN is refused too: it would compare as neither short nor long.
  if (!(seconds >= 0.0 && seconds <= 2147483.647)) {
    raise_error(5);
    return;
  }
  // Whole microseconds, so that 0.009 s is 9 ms and not a hair more.
  const double wanted = std::round(seconds * 1e6) / 1000.0;
  // One wait for the whole length: only the event flag (Pause, an exit request) ends it early,
  // and the event poll then holds or stops here. Time already waited only ever grows: where the
  // clock steps backwards across a wait, the wait itself counts.
  int64_t waited = 0;
  int64_t last = clock_now_ms();
  auto count = [&](int64_t slept) {
    const int64_t now = clock_now_ms();
    const int64_t progress = now - last;
    waited += progress >= 0 ? progress : slept;
    last = now;
  };
  for (;;) {
    const double remaining = wanted - static_cast<double>(waited);
    if (remaining <= 0.0) return;
    const int64_t length = std::max<int64_t>(1, static_cast<int64_t>(std::ceil(remaining)));
    count(clock_wait_ms(length, event_flag_is_set));
    if (event_flag_is_set()) {
      poll_events(0);
      count(0);
    }
  }
}
