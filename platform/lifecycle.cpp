// The end of the process, the exit request and the Pause state.
#include "platform/lifecycle.h"

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/errors.h"
#include "platform/fields.h"
#include "platform/keys.h"
#include "platform/screen.h"
#include "platform/timing.h"

namespace {
std::atomic<bool> exit_request{false};
std::atomic<bool> pause_state{false};

std::mutex handler_mutex;
std::function<void(int)> handler;  // empty: the default

std::function<void(int)> current_handler() {
  std::lock_guard lock(handler_mutex);
  return handler;
}

[[noreturn]] void default_end(int exit_code) {
  std::fflush(nullptr);
  _exit(exit_code);
}
}  // namespace

void end_process(int exit_code) {
  close_all_files();
  if (auto h = current_handler()) h(exit_code);
  default_end(exit_code);  // a handler that returned after all
}

void set_end_process_handler(std::function<void(int)> new_handler) {
  std::lock_guard lock(handler_mutex);
  handler = std::move(new_handler);
}

void request_exit() {
  exit_request.store(true, std::memory_order_release);
  set_event_flag();
}
bool exit_requested() { return exit_request.load(std::memory_order_acquire); }

void stop_for_exit_request() {
  close_all_files();
  if (auto h = current_handler()) {
    h(0);
    default_end(0);
  }
  // The window side ends the process; this thread does nothing more.
  flush_screen_text();
  std::mutex never;
  std::condition_variable forever;
  std::unique_lock lock(never);
  for (;;) forever.wait(lock);
}

void press_pause() {
  pause_state.store(true, std::memory_order_release);
  set_event_flag();
}
bool pause_is_on() { return pause_state.load(std::memory_order_acquire); }
void end_pause() {
  pause_state.store(false, std::memory_order_release);
  wake_waiting_thread();  // the plotter held in the event poll goes on
}

void end_program() {
  close_all_files();
  // The process ends here, so a pending error would never be reported; the prompt shows all the same.
  reset_errors();
  make_row_30_the_text_area();
  print_text("Press any key to continue");
  drop_waiting_keys();
  for (;;) {
    if (exit_requested() || !take_waiting_key().empty()) end_process(0);
    clock_sleep_ms(100);
  }
}

void reset_lifecycle() {
  exit_request.store(false, std::memory_order_release);
  pause_state.store(false, std::memory_order_release);
}
