#include "platform/window/ending.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/lifecycle.h"
#include "platform/window/wake.h"

namespace {
using Clock = std::chrono::steady_clock;
// The plotter stops at its next event poll, within a few milliseconds; this is only for a
// plotter held where no poll comes (a box still open, a command still running).
constexpr auto exit_grace = std::chrono::milliseconds(50);

std::mutex ending_mutex;
std::condition_variable ending_changed;
std::optional<int> handed_code;
std::optional<Clock::time_point> exit_deadline;
std::thread::id window_thread;  // set before any other thread starts

void hand_over(int exit_code) {
  {
    const std::lock_guard lock(ending_mutex);
    if (!handed_code) handed_code = exit_code;
  }
  ending_changed.notify_all();
  wake_window();
}
}  // namespace

void install_window_end_handler() {
  window_thread = std::this_thread::get_id();
  set_end_process_handler([](int exit_code) {
    if (std::this_thread::get_id() == window_thread) finish_process(exit_code);
    hand_over(exit_code);
    std::mutex never;
    std::condition_variable forever;
    std::unique_lock lock(never);
    for (;;) forever.wait(lock);
  });
}

void end_from_window() {
  request_exit();
  {
    const std::lock_guard lock(ending_mutex);
    if (!exit_deadline) exit_deadline = Clock::now() + exit_grace;
  }
  ending_changed.notify_all();
  wake_window();
}

std::optional<int> exit_code_due() {
  const std::lock_guard lock(ending_mutex);
  if (handed_code) return handed_code;
  if (exit_deadline && Clock::now() >= *exit_deadline) return 0;
  return std::nullopt;
}

int wait_for_exit_code() {
  std::unique_lock lock(ending_mutex);
  for (;;) {
    if (handed_code) return *handed_code;
    if (exit_deadline) {
      if (Clock::now() >= *exit_deadline) return 0;
      ending_changed.wait_until(lock, *exit_deadline);
    } else {
      ending_changed.wait(lock);
    }
  }
}

// An open box goes too: its X connection ends with the process.
void finish_process(int exit_code) {
  std::fflush(nullptr);
  _exit(exit_code);
}
