// Steps 282 to 292 and the record loop: the spot log read whole, record after record, each shown
// as the latest spot and then plotted.
#include <limits>

#include "platform/platform.h"
#include "plotter/refresh.h"
#include "plotter/state.h"

namespace {

const Text latest_spot_heading = "Latest spot:";
const Text latest_spot_blanks(22, ' ');  // columns 50 to 71; the line's own last four are blanks
const Text blank = " ";
const Text decibels = "dB    ";

// Step 286: the five fields in order. A read that fails ends the step, so the fields after it
// keep the previous record's values; the failed field itself is emptied or zeroed by its read.
void read_spot_record(SpotRecord& spot) {
  read_text_field(1, spot.station_call);
  if (error_pending()) return;
  read_text_field(1, spot.ignored_field);
  if (error_pending()) return;
  read_text_field(1, spot.time_text);
  if (error_pending()) return;
  spot.snr_db = to_single(read_number_field(1));
  if (error_pending()) return;
  spot.smeter_value = to_single(read_number_field(1));
}

// Step 292's one output: six items, each printed where the one before it left the cursor.
void print_latest_spot_line(const SpotRecord& spot) {
  print_text(spot.station_call);
  print_text(blank);
  print_text(spot.time_text);
  print_text(blank);
  print_text(join_texts(number_to_text(spot.snr_db), blank));
  print_text(decibels);
}

}  // namespace

float to_single(Extended value) {
  // Halfway between the largest float and 2^128: from there on the nearest float is beyond range.
  constexpr Extended overflow_at = 0x1p128L - 0x1p103L;
  if (value >= overflow_at) return std::numeric_limits<float>::infinity();
  if (value <= -overflow_at) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

void read_spot_log() {
  PlotterState& s = plotter_state;
  SpotRecord& spot = s.spot;
  part(282, [&] { open_input_file(s.setup.log_path, 1); });
  part(283, [] {
    Text first_field;  // dropped: a heading, or the first field of a log without one
    read_text_field(1, first_field);
  });
  for (;;) {
    // The loop test comes before every record. A test that fails (file 1 is not open) ends the
    // loop after its box, like the end of the file: otherwise the boxes would come back after
    // every Yes and Escape could never be read. The next refresh tries the log again.
    const bool at_end = at_end_of_file(1) != 0;
    const bool test_failed = error_pending();
    end_part(284);
    if (at_end || test_failed) break;
    part(286, [&] { read_spot_record(spot); });
    print_at(290, 26, 50, latest_spot_heading);
    print_at(291, 27, 50, latest_spot_blanks);
    part(292, [] { locate_text_cursor(27, 50); });
    part(292, [&] { print_latest_spot_line(spot); });
    plot_spot();  // 293 to 334
  }
}
