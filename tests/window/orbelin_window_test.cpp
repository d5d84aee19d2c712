// Orbelin itself on the bundled sample: its title, its cream screen, and its end through Escape.
#include "pattern.h"
#include "platform/platform.h"
#include "platform/window/layout.h"
#include "probe_fixture.h"

namespace {
using OrbelinWindow = WindowTest;
constexpr int bar = menu_bar_height;

TEST_F(OrbelinWindow, OpensTitledOnTheCreamScreenAndEndsThroughThePrompt) {
  auto& orbelin = start(ORBELIN_EXE);
  // The base title first; from the first refresh on, four blanks and the spot log's path follow.
  const auto window = find_window(display.name(), "^Q0ZVNL Orbelin V0\\.20 18/03/18( {4}SampleDay\\.csv)?$");
  ASSERT_TRUE(window) << "no window with Orbelin's title";
  EXPECT_EQ(find_window(display.name(), "^Q0ZVNL Orbelin V0\\.20 18/03/18 {4}SampleDay\\.csv$"), window);
  // The picture's 480 rows under the menu line, which the window has grown by.
  const WindowSize size = window_size_once(display.name(), *window, [&](WindowSize s) { return s.height == bar + 480; });
  EXPECT_EQ(size.width, 640);
  EXPECT_EQ(size.height, bar + 480);

  // Cream wherever the chart leaves the screen alone: between the hour ruler and the legend box,
  // and below the legend box.
  reset_platform();
  draw_cream_screen();
  const Picture cream = expected_picture();
  ASSERT_EQ(cream.at(0, 0), 0xFFFBCFu);
  const Comparison between = window_shows(display.name(), *window, rows_of(cream, 385, 8), "between", 0, bar + 385);
  EXPECT_TRUE(between.same) << between.report;
  const Comparison below = window_shows(display.name(), *window, rows_of(cream, 467, 13), "below", 0, bar + 467);
  EXPECT_TRUE(below.same) << below.report;

  ASSERT_TRUE(keys(*window, {"Escape"}));
  const Comparison prompt = window_shows(display.name(), *window, end_prompt_row(), "prompt", 0, bar + 464);
  EXPECT_TRUE(prompt.same) << prompt.report;
  EXPECT_EQ(end_at_prompt(display.name(), *window, orbelin), 0);
}
}  // namespace
