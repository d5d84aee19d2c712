// Steps 147 to 164: the setup file, read afresh at every refresh, and the tracked-call table.
#include "platform/platform.h"
#include "plotter/refresh.h"
#include "plotter/state.h"

namespace {
// Named without a folder: it is looked up in the current folder, the executable's.
const Text setup_file_name = "Orbelin020.SET";
constexpr int32_t slot_colours[6] = {2, 12, 7, 13, 1, 4};
}  // namespace

bool smeter_display_on() { return compare_texts(plotter_state.setup.smeter_switch, "Y") != 0; }

void read_setup_file() {
  PlotterState& s = plotter_state;
  SetupRecord& setup = s.setup;
  part(147, [] { open_input_file(setup_file_name, 1); });
  // A value whose read fails keeps what the previous refresh gave it (62 empties it).
  part(148, [&] { read_text_field(1, setup.log_path); });
  part(149, [&] { read_text_field(1, setup.smeter_switch); });
  for (int32_t slot = 0; slot < 6; ++slot) {
    part(150 + slot, [&] { read_text_field(1, setup.tracked_calls[slot]); });
  }
  part(156, [] { close_file(1); });
  for (int32_t slot = 0; slot < 6; ++slot) {
    part(158 + slot, [&] { s.tracked_call_table[slot].colour = slot_colours[slot]; });
  }
  part(164, [&] { s.other_colour = 15; });
}
