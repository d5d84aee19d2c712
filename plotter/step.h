// The plotter's unit of work: a part of a numbered step. Every part ends with the event poll,
// which carries the step's number into the error box; nothing else may end a part.
#pragma once
#include <cstdint>

#include "platform/errors.h"

// The end of a part of step `step`: one flag test unless something happened.
inline void end_part(int32_t step) {
  if (event_flag_is_set()) [[unlikely]]
    poll_events(step);
}

// One part of step `step`: runs `action`, then the event poll.
template <class Action>
inline void part(int32_t step, Action&& action) {
  action();
  end_part(step);
}

// A decision of step `step`: its condition has just been evaluated (it is the argument); an
// error raised by that evaluation makes it true, and its box comes, with this step's number,
// before the true branch. A decision is a part of its own: its branch's actions are further parts.
inline bool decide(int32_t step, bool condition) {
  const bool taken = condition || error_pending();
  end_part(step);
  return taken;
}
