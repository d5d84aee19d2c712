// run_plotter: the start-up steps, then the main loop, one pass after another, for good.
#include "platform/platform.h"
#include "plotter/menu_bar.h"
#include "plotter/plotter.h"
#include "plotter/refresh.h"
#include "plotter/state.h"
#include "plotter/step.h"

namespace {

constexpr int32_t refresh_period = 100;
constexpr double tick_seconds = 0.1;

void start_up() {
  PlotterState& s = plotter_state;
  part(14, [&] { s.base_title = "Q0ZVNL Orbelin V0.20 18/03/18"; });
  part(15, [&] { set_window_title(s.base_title); });
  part(62, [&] { s.refresh_counter = 99; });  // so the first pass refreshes
  end_part(67);
  end_part(68);
  end_part(69);
  part(72, [] { pause_seconds(1.0); });  // lets the window appear before it is looked up
  build_menu_bar();                       // steps 73 to 106
  part(108, [] { set_screen_mode(12); });
  part(108, [] { clear_screen(); });
  part(109, [] { set_palette_entry(0, 3358271); });   // cream: the background
  part(110, [] { set_palette_entry(14, 4144959); });  // white: the chart's fill
  part(111, [] { set_palette_entry(15, 0); });        // black: text and other spots
  part(112, [&] { s.chart_origin_x = 32; });
  part(112, [&] { s.chart_width = 572; });
  part(113, [&] { s.chart_baseline_y = 345; });
}

// One pass, steps 117 to 348.
void run_pass() {
  PlotterState& s = plotter_state;
  end_part(117);
  poll_menu_bar();  // steps 121 to 135
  end_part(140);
  part(143, [&] { s.refresh_counter = s.refresh_counter + 1; });
  if (decide(144, s.refresh_counter == refresh_period)) {
    read_setup_file();   // 147 to 164
    draw_legend();       // 167 to 206
    draw_chart_frame();  // 214 to 233
    draw_scales();       // 234 to 273
  }
  end_part(277);
  if (decide(279, s.refresh_counter == refresh_period)) {
    part(280, [&] { s.refresh_counter = 0; });
    part(281, [&] { s.other_calls = Text(); });  // its memory too: it may have held a call of megabytes
    read_spot_log();  // 282 to 292, and 293 to 334 for every record
  }
  part(344, [&] { s.last_key = read_key(); });
  if (decide(345, compare_texts(s.last_key, make_char_text(27)) != 0)) {
    part(345, [] { end_program(); });
  }
  part(347, [] { pause_seconds(tick_seconds); });
  part(348, [] { close_file(1); });  // whether or not file 1 is open
}

}  // namespace

void run_plotter() {
  reset_plotter_state();
  bind_menu_functions();
  start_up();
  for (;;) run_pass();
}
