// Pauses and the clock. The clock and the sleep are a seam: tests install a fake that advances instantly.
#pragma once
#include <cstdint>
#include <functional>

struct Clock {
  std::function<int64_t()> now_ms;          // a millisecond clock (may step backwards)
  std::function<void(int64_t)> sleep_ms;    // sleep that many milliseconds
};
void set_clock(Clock clock);  // an empty Clock (or an empty member) restores the real one; set it while nothing runs
int64_t clock_now_ms();
void clock_sleep_ms(int64_t ms);

void pause_seconds(double seconds);
