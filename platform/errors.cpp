// The pending error and the event flag. The box itself comes through poll_events and report_error.
#include "platform/errors.h"

std::atomic<bool> event_flag{false};

namespace {
int32_t pending = 0;  // touched by the plotter's thread only
}

void set_event_flag() { event_flag.store(true, std::memory_order_release); }

void raise_error(int32_t number) {
  if (pending != 0) return;  // the first error of a part is the one reported
  pending = number <= 0 ? 5 : number;
  set_event_flag();
}

bool error_pending() { return pending != 0; }
int32_t pending_error_number() { return pending; }

void reset_errors() {
  pending = 0;
  event_flag.store(false, std::memory_order_release);
}
