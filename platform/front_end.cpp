#include "platform/front_end.h"

#include <utility>

namespace {
FrontEndHooks hooks;
}

void set_front_end_hooks(FrontEndHooks new_hooks) { hooks = std::move(new_hooks); }
void notify_command_starting() {
  if (hooks.command_starting) hooks.command_starting();
}
void notify_command_finished() {
  if (hooks.command_finished) hooks.command_finished();
}
void notify_box_opening() {
  if (hooks.box_opening) hooks.box_opening();
}
