// Back to the state of a fresh process, for tests that run many in one.
#include "platform/platform.h"

#include "platform/screen_handover.h"

void reset_platform() {
  close_all_files();
  detach_presentation();
  screen_state().reset();
  reset_window_title();
  reset_errors();
  reset_keys();
  reset_lifecycle();
  set_clock({});
}
