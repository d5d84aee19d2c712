// The pending error, the event flag and the error box.
#pragma once
#include <atomic>
#include <cstdint>

// Set by a failing operation, the Pause key and an exit request; the plotter tests it after every part.
extern std::atomic<bool> event_flag;
inline bool event_flag_is_set() { return event_flag.load(std::memory_order_acquire); }
void set_event_flag();  // safe from any thread

void raise_error(int32_t number);    // 259 and 260 are critical: box, then exit code 0
bool error_pending();
int32_t pending_error_number();
void poll_events(int32_t step);
void report_error();
const char* error_message(int32_t number);  // "Unprintable error" for a number without a message of its own
void reset_errors();
