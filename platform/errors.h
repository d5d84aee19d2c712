// The pending error, the event flag and the error box.
#pragma once
#include <atomic>
#include <cstdint>

// Set by a failing operation, the Pause key and an exit request; the plotter tests it after every part.
extern std::atomic<bool> event_flag;
inline bool event_flag_is_set() { return event_flag.load(std::memory_order_acquire); }
void set_event_flag();  // safe from any thread

// 259 and 260 are critical: an OK-only "Critical Error" box, then exit code 0; never returns.
// Any other number becomes the pending error unless one is pending already (0 or below: 5).
void raise_error(int32_t number);
// The pending error's number, 0 when none. Written by the plotter's thread only; atomic so that
// a test thread may look.
extern std::atomic<int32_t> pending_error;
inline bool error_pending() { return pending_error.load(std::memory_order_relaxed) != 0; }
int32_t pending_error_number();
int32_t reported_step_number();  // the step that poll_events kept for the box

// The end of a part with the event flag set: Pause holds here, an exit request stops here for
// good, a pending error is reported here.
void poll_events(int32_t step);
void report_error();  // the Yes/No box of the pending error; No ends the process with exit code 0
const char* error_message(int32_t number);  // "Unprintable error" for a number without a message of its own
void reset_errors();
