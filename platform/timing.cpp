// Pauses on a millisecond clock, through the clock seam.
#include "platform/timing.h"

#include <chrono>
#include <cmath>
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

void pause_seconds(double seconds) {
  if (error_pending()) return;
  // NaN is refused too: it would compare as neither short nor long.
  if (!(seconds >= 0.0 && seconds <= 2147483.647)) {
    raise_error(5);
    return;
  }
  // Whole microseconds, so that 0.009 s is 9 ms and not a hair more.
  const double wanted = std::round(seconds * 1e6) / 1000.0;
  // Time already waited only ever grows: where the clock steps backwards across a sleep,
  // the sleep itself counts.
  int64_t waited = 0;
  int64_t last = clock_now_ms();
  auto count = [&](int64_t slept) {
    const int64_t now = clock_now_ms();
    const int64_t progress = now - last;
    waited += progress >= 0 ? progress : slept;
    last = now;
  };
  while (wanted - static_cast<double>(waited) >= 10.0) {
    clock_sleep_ms(9);
    count(9);
    poll_events(0);
    count(0);
  }
  const double remaining = wanted - static_cast<double>(waited);
  if (remaining <= 0.0) return;
  const auto rest = static_cast<int64_t>(std::ceil(remaining));
  clock_sleep_ms(rest < 1 ? 1 : rest);
}
