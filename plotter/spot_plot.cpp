// Steps 293 to 334: one spot classified and plotted. A tracked spot becomes a dot in its slot's
// colour (after its S-meter marker); any other becomes a black point and its call joins the list.
#include "platform/platform.h"
#include "plotter/refresh.h"
#include "plotter/state.h"

namespace {

constexpr float snr_max_tracked = 19;
constexpr float snr_min_tracked = -33;
constexpr Extended pixels_per_hour = 24;
constexpr Extended minutes_per_pixel = 2.5L;
constexpr double snr_pixels_per_db = 6.4;  // the double nearest 6.4, not a float
constexpr double snr_offset = 194;
constexpr double smeter_offset = 321;

// Row 29 from column 19: the field of the list of other calls.
constexpr int32_t other_calls_width = 56;
const Text other_calls_blanks = make_blank_text(other_calls_width);
const Text blank = " ";

// A height above the baseline: widened, scaled and offset in extended precision, rounded once.
float height_of(float reading, double offset) {
  return to_single(static_cast<Extended>(reading) * snr_pixels_per_db + offset);
}

}  // namespace

void plot_spot() {
  PlotterState& s = plotter_state;
  const SpotRecord& spot = s.spot;

  // Classification: every slot is compared, so the last matching slot gives the colour.
  part(293, [&] { s.spot_colour = s.other_colour; });
  part(293, [&] { s.spot_tracked = 0; });
  for (int32_t slot = 0; slot < 6; ++slot) {
    const int32_t step = 294 + slot;
    if (decide(step, compare_texts(spot.station_call, s.setup.tracked_calls[slot]) != 0)) {
      part(step, [&] { s.spot_colour = s.tracked_call_table[slot].colour; });
      part(step, [&] { s.spot_tracked = 1; });
    }
  }
  if (decide(303, spot.snr_db > snr_max_tracked)) part(303, [&] { s.spot_tracked = 0; });
  if (decide(304, spot.snr_db < snr_min_tracked)) part(304, [&] { s.spot_tracked = 0; });

  // Position: hours and minutes by character position; the separators and seconds are never read.
  part(307, [&] { s.hour_text = take_left_text(spot.time_text, 2); });
  part(307, [&] { s.minute_text = take_mid_text(spot.time_text, 4, 2); });
  part(309, [&] {
    const Extended offset =
        text_to_number(s.hour_text) * pixels_per_hour + text_to_number(s.minute_text) / minutes_per_pixel;
    s.spot_x = static_cast<int32_t>(round_to_integer(offset));  // its low 32 bits
  });
  part(312, [&] { s.spot_height = height_of(spot.snr_db, snr_offset); });
  part(313, [&] { s.smeter_height = height_of(spot.smeter_value, smeter_offset); });
  part(314, [&] { s.smeter_valid = 0; });
  if (decide(314, spot.smeter_value > -64.0f && spot.smeter_value < 0.0f)) {
    part(314, [&] { s.smeter_valid = 1; });
  }

  // The spot point and the marker point. set_pixel takes y as a float (ties to even), draw_circle
  // as a double (half away from zero): on an exact .5 they may pick different rows.
  const int32_t x = s.spot_x + s.chart_origin_x;
  const auto depth_of = [&](float height) {
    return static_cast<Extended>(s.chart_baseline_y) - static_cast<Extended>(height);
  };

  if (decide(316, s.spot_tracked == 1)) {
    if (decide(318, smeter_display_on() && s.smeter_valid == 1)) {
      part(318, [&] { draw_circle(x, static_cast<double>(depth_of(s.smeter_height)), 1, 7); });
    }
    part(322, [&] { set_pixel(static_cast<float>(x), to_single(depth_of(s.spot_height)), s.spot_colour); });
    const double dot_y = static_cast<double>(depth_of(s.spot_height));
    part(323, [&] { draw_circle(x, dot_y, 3, s.spot_colour); });
    part(324, [&] { draw_circle(x, dot_y, 2, s.spot_colour); });
    part(325, [&] { draw_circle(x, dot_y, 1, s.spot_colour); });
    return;
  }

  part(329, [&] { set_pixel(static_cast<float>(x), to_single(depth_of(s.spot_height)), 15); });
  // The substring test over the whole list decides what is appended. Once the list holds 56
  // characters its shown part can no longer change, so neither the test nor an append could
  // alter anything on the screen; both are left out from then on, which keeps a record's cost
  // independent of the number of calls before it.
  const auto call_is_new = [&] {
    return static_cast<int32_t>(s.other_calls.size()) < other_calls_width &&
           find_text(s.other_calls, spot.station_call) == 0;
  };
  if (decide(330, call_is_new())) {
    part(331, [&] { s.other_calls = join_texts(join_texts(s.other_calls, spot.station_call), blank); });
  }
  print_at(333, 29, 19, other_calls_blanks);
  part(334, [] { locate_text_cursor(29, 19); });
  part(334, [&] { print_text(take_left_text(s.other_calls, other_calls_width)); });
}
