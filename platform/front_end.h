// What the platform core asks of the front end that is attached (none when headless).
#pragma once
#include <functional>

struct FrontEndHooks {
  std::function<void()> command_starting;  // a started command runs: leave full screen, hold the picture
  std::function<void()> command_finished;  // it has ended: restore both
  std::function<void()> box_opening;       // an error box is to open: wait for its window
};
void set_front_end_hooks(FrontEndHooks hooks);
void notify_command_starting();
void notify_command_finished();
void notify_box_opening();
