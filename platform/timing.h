// Pauses and the clock. The clock and the sleep are a seam: tests install a fake that advances instantly.
#pragma once
#include <cstdint>
#include <functional>

struct Clock {
  std::function<int64_t()> now_ms;          // a millisecond clock (may step backwards)
  std::function<void(int64_t)> sleep_ms;    // sleep that many milliseconds
  // Sleep at most that many milliseconds, ending early once `woken` holds: it is looked at when
  // the wait begins and whenever wake_waiting_thread is called. Gives the milliseconds slept.
  std::function<int64_t(int64_t, const std::function<bool()>& woken)> wait_ms;
};
// An empty Clock (or an empty member) restores the real one; set it while nothing runs. With a
// sleep installed but no wait, a wait sleeps its whole length through the installed sleep.
void set_clock(Clock clock);
int64_t clock_now_ms();
void clock_sleep_ms(int64_t ms);
int64_t clock_wait_ms(int64_t ms, const std::function<bool()>& woken);
// Makes a thread in clock_wait_ms look at its condition again; call it after changing what the
// condition reads. Safe from any thread.
void wake_waiting_thread();

void pause_seconds(double seconds);
