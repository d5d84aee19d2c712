// Steps 167 to 206: the legend band in text rows 26 to 29, and the window title on the way.
#include "platform/platform.h"
#include "plotter/refresh.h"
#include "plotter/state.h"

namespace {

// Where each slot's call is printed and its marker drawn.
struct LegendPlace {
  int32_t row, column;   // text cell of the call
  double x, y;           // marker centre
  int32_t first_step;    // its three circles: radius 3, 2, 1
};
constexpr LegendPlace legend_places[6] = {
    {26, 12, 78, 407, 185}, {27, 12, 78, 423, 188}, {28, 12, 78, 439, 191},
    {26, 25, 182, 407, 195}, {27, 25, 182, 423, 198}, {28, 25, 182, 439, 201},
};

}  // namespace

void draw_legend() {
  PlotterState& s = plotter_state;
  if (decide(167, smeter_display_on())) {
    part(168, [] { set_ink_colour(7); });
    print_at(168, 26, 38, "S Meter");
  } else {
    print_at(170, 26, 30, Text(16, ' '));  // erases "S Meter" and its symbol
  }
  part(174, [&] { set_window_title(join_texts(join_texts(s.base_title, "    "), s.setup.log_path)); });
  for (int32_t slot = 0; slot < 6; ++slot) {
    const int32_t step = 176 + slot;
    const LegendPlace& place = legend_places[slot];
    part(step, [&] { set_ink_colour(s.tracked_call_table[slot].colour); });
    // Printed whole and unpadded: a shorter call leaves the tail of the one before it.
    print_at(step, place.row, place.column, s.setup.tracked_calls[slot]);
  }
  part(182, [&] { set_ink_colour(s.other_colour); });
  print_at(183, 29, 12, "Other:");
  if (decide(184, smeter_display_on())) {
    part(184, [] { draw_circle(280, 407, 1, 7); });
  }
  // The slot markers: three circles and no centre pixel.
  for (int32_t slot = 0; slot < 6; ++slot) {
    const LegendPlace& place = legend_places[slot];
    const int32_t colour = s.tracked_call_table[slot].colour;
    part(place.first_step, [&] { draw_circle(place.x, place.y, 3, colour); });
    part(place.first_step + 1, [&] { draw_circle(place.x, place.y, 2, colour); });
    part(place.first_step + 2, [&] { draw_circle(place.x, place.y, 1, colour); });
  }
  part(205, [] { set_pixel(78, 455, 15); });  // the "Other:" marker
  print_at(206, 29, 19, make_blank_text(56));  // the field of other_calls
}
