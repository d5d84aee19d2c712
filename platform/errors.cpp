// The pending error, the event flag and the error box.
#include "platform/errors.h"

#include <string>

#include "platform/front_end.h"
#include "platform/lifecycle.h"
#include "platform/screen.h"
#include "platform/timing.h"
#include "winapi/message_box.h"

std::atomic<bool> event_flag{false};
std::atomic<int32_t> pending_error{0};

namespace {
// Touched by the plotter's thread only; atomic so that a test thread may look.
std::atomic<int32_t>& pending = pending_error;
std::atomic<int32_t> kept_step{0};

constexpr UINT yes_no_box = MB_YESNO | MB_SYSTEMMODAL;  // 0x1004
constexpr UINT ok_box = MB_OK | MB_SYSTEMMODAL;         // 0x1000
// The end of Pause wakes the held plotter; it looks again now and then all the same.
constexpr int64_t pause_look_ms = 1000;

// Before a box opens: the picture behind it is complete, and its window is there to open over.
void ready_for_box() {
  flush_screen_text();
  notify_box_opening();
}

[[noreturn]] void critical_error(const char* text) {
  ready_for_box();
  MessageBoxA(nullptr, text, "Critical Error", ok_box);
  end_process(0);
}
}  // namespace

void set_event_flag() {
  event_flag.store(true, std::memory_order_release);
  wake_waiting_thread();  // a pause ends its wait for the poll
}

void raise_error(int32_t number) {
  if (number == 259) critical_error("Cannot find dynamic library file");
  if (number == 260) critical_error("Sub/Function does not exist in dynamic library");
  if (pending.load(std::memory_order_relaxed) != 0) return;  // the first error of a part is the one reported
  pending.store(number <= 0 ? 5 : number, std::memory_order_relaxed);
  set_event_flag();
}

int32_t pending_error_number() { return pending.load(std::memory_order_relaxed); }
int32_t reported_step_number() { return kept_step.load(std::memory_order_relaxed); }

void poll_events(int32_t step) {
  event_flag.store(false, std::memory_order_release);
  // The flag is cleared before the states are read, so a key or request that comes meanwhile
  // sets it again and is seen at the next poll.
  // Held until the next key ends Pause or an exit request comes; both wake the wait.
  const auto held = [] { return pause_is_on() && !exit_requested(); };
  while (held()) clock_wait_ms(pause_look_ms, [&] { return !held(); });
  if (exit_requested()) stop_for_exit_request();
  if (error_pending()) {
    kept_step.store(step, std::memory_order_relaxed);
    report_error();
  }
}

void report_error() {
  const int32_t number = pending_error_number();
  const std::string caption = "Unhandled Error #" + std::to_string(number);
  const std::string text = "Line:" + std::to_string(reported_step_number()) + "\n" +
                           error_message(number) + "\nContinue?";
  ready_for_box();
  const int answer = MessageBoxA(nullptr, text.c_str(), caption.c_str(), yes_no_box);
  if (answer == IDNO) end_process(0);
  // Yes, or a box that could not be shown: go on with the next part.
  pending.store(0, std::memory_order_relaxed);
}

const char* error_message(int32_t number) {
  switch (number) {
    case 5: return "Illegal function call";
    case 6: return "Overflow";
    case 14: return "Out of string space";
    case 52: return "Bad file name or number";
    case 53: return "File not found";
    case 54: return "Bad file mode";
    case 55: return "File already open";
    case 62: return "Input past end of file";
    case 64: return "Bad file name";
    case 68: return "Device unavailable";
    case 70: return "Permission denied";
    case 75: return "Path/File access error";
    case 76: return "Path not found";
    case 259: return "Cannot find dynamic library file";
    case 260: return "Sub/Function does not exist in dynamic library";
    default: return "Unprintable error";
  }
}

void reset_errors() {
  pending.store(0, std::memory_order_relaxed);
  kept_step.store(0, std::memory_order_relaxed);
  event_flag.store(false, std::memory_order_release);
}
