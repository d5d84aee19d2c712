// Steps 214 to 233: the chart area, its outline and grid, the hour ticks, the legend box and the
// hour ruler. The same pixels at every refresh; the fill wipes the spots of the last one.
#include "platform/platform.h"
#include "plotter/refresh.h"
#include "plotter/state.h"

namespace {

constexpr int32_t filled_box = 2;
constexpr int32_t box_outline = 1;
constexpr int32_t line = 0;
constexpr int32_t pixels_per_hour = 24;

const Text hour_ruler = "00    02    04    06    08    10    12    14    16    18    20    22     hrs";

float at(int32_t coordinate) { return static_cast<float>(coordinate); }

}  // namespace

void draw_chart_frame() {
  PlotterState& s = plotter_state;
  const int32_t left = s.chart_origin_x - 2;                   // 30
  const int32_t right = s.chart_origin_x + s.chart_width + 8;  // 612
  const int32_t bottom = s.chart_baseline_y + 20;              // 365
  const int32_t top = s.chart_baseline_y - 321;                // 24: an S-meter reading of 0
  part(214, [&] { draw_line(at(left), at(bottom), at(right), at(top), 14, filled_box); });
  part(216, [&] { draw_line(at(left), at(bottom), at(right), at(top), 8, box_outline); });
  // Grid lines 10 dB apart, one pixel below the row of a spot of -30, -20, ... +10 dB.
  for (int32_t k = 0; k < 5; ++k) {
    const int32_t y = s.chart_baseline_y - 1 - 64 * k;
    part(217 + k, [&] { draw_line(at(s.chart_origin_x - 5), at(y), at(right), at(y), 7, line); });
  }
  // The count's test comes before each tick; the ruler printed later repaints their lower halves.
  for (s.hour_tick = 0;; s.hour_tick = s.hour_tick + 1) {
    if (s.hour_tick > 24) break;
    end_part(223);
    const int32_t x = s.chart_origin_x + pixels_per_hour * s.hour_tick;
    part(225, [&] {
      draw_line(at(x), at(s.chart_baseline_y + 21), at(x), at(s.chart_baseline_y + 24), 8, line);
    });
  }
  part(228, [&] {
    draw_line(at(left), at(s.chart_baseline_y + 120), at(right), at(s.chart_baseline_y + 50), 8,
              box_outline);
  });
  part(231, [] { set_ink_colour(15); });
  part(232, [] { locate_text_cursor(24, 4); });
  part(233, [] { print_text(hour_ruler); });
}
