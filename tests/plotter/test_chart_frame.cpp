// The chart frame: the same pixels at every refresh, whatever the setup file and the log hold.
#include "tests/plotter/plotter_harness.h"

namespace {

const std::string hour_ruler = "00    02    04    06    08    10    12    14    16    18    20    22     hrs";

void expect_frame() {
  // Fill and outline.
  EXPECT_EQ(pixel(31, 100), attr::white);
  EXPECT_EQ(pixel(611, 364), attr::white);
  EXPECT_EQ(pixel(31, 25), attr::white);
  for (auto [x, y] : {std::pair{30, 100}, {612, 100}, {100, 24}, {100, 365}, {30, 24}, {612, 365}})
    EXPECT_EQ(pixel(x, y), attr::dark_grey) << x << "," << y;
  // Grid lines, drawn over the outline, from three pixels left of the chart area to its right edge.
  for (int y : {344, 280, 216, 152, 88}) {
    for (int x : {27, 29, 30, 31, 320, 611, 612}) EXPECT_EQ(pixel(x, y), attr::light_grey) << x << "," << y;
    EXPECT_EQ(pixel(26, y), attr::cream) << y;
    EXPECT_EQ(pixel(613, y), attr::cream) << y;
    EXPECT_EQ(pixel(100, y - 1), attr::white) << y;  // one pixel below a whole -30 + 10k dB
  }
  // Hour ticks: two dark grey pixels under the bottom edge; the ruler's cells took the lower two.
  for (int i = 0; i <= 24; ++i) {
    const int x = 32 + 24 * i;
    EXPECT_EQ(pixel(x, 366), attr::dark_grey) << "tick " << i;
    EXPECT_EQ(pixel(x, 367), attr::dark_grey) << "tick " << i;
    EXPECT_EQ(pixel(x, 368), attr::cream) << "tick " << i;
    EXPECT_EQ(pixel(x, 369), attr::cream) << "tick " << i;
    EXPECT_EQ(pixel(x + 1, 366), attr::cream) << "tick " << i;
  }
  EXPECT_EQ(pixel(612, 366), attr::cream);  // no tick at the right edge
  // Legend box.
  for (auto [x, y] : {std::pair{30, 395}, {612, 395}, {30, 465}, {612, 465}, {300, 395}, {300, 465}, {30, 430}, {612, 430}})
    EXPECT_EQ(pixel(x, y), attr::dark_grey) << x << "," << y;
  EXPECT_EQ(pixel(29, 430), attr::cream);
  EXPECT_EQ(pixel(31, 396), attr::cream);
  // Hour ruler: row 24 from column 4, black; "00" covers x 24 to 39, "hrs" x 608 to 631.
  EXPECT_EQ(row_text(24, 4, 76), hour_ruler);
  EXPECT_EQ(cell_ink(24, 4), attr::black);
  EXPECT_EQ(cell_ink(24, 79), attr::black);
  EXPECT_TRUE(cell_is_paper(24, 3));
  EXPECT_TRUE(cell_is_paper(24, 80));
}

struct FrameCase {
  const char* name;
  bool setup_file;
  const char* log;  // nullptr: no log file
};
void PrintTo(const FrameCase& c, std::ostream* out) { *out << c.name; }

class ChartFrameTest : public PlotterTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(ChartFrameTest, NamedPixelsOfTheFrame) {
  const FrameCase& c = GetParam();
  if (c.setup_file) write_setup("spots.csv", "Y", standard_calls);
  if (c.log) write_file("spots.csv", c.log);
  run_passes(1);
  expect_frame();
}

INSTANTIATE_TEST_SUITE_P(Logs, ChartFrameTest,
                         ::testing::Values(FrameCase{"HeadingOnly", true, "RxSpot\r\n"},
                                           FrameCase{"EmptyLog", true, ""},
                                           FrameCase{"MissingLog", true, nullptr},
                                           FrameCase{"MissingSetupFile", false, nullptr}),
                         CaseName());

class ChartFillTest : public PlotterTest {};

TEST_F(ChartFillTest, TheFillWipesTheChartAreaAndNothingOutsideIt) {
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {});
  before_pass(101, [] {
    set_pixel(100, 200, attr::red);  // inside the chart area
    set_pixel(100, 10, attr::red);   // above it
    set_pixel(300, 390, attr::red);  // between the ruler and the legend box
    set_pixel(100, 370, attr::red);  // inside the ruler's cells, which are printed again
  });
  run_passes(101);
  EXPECT_EQ(pixel(100, 200), attr::white);
  EXPECT_EQ(pixel(100, 10), attr::red);
  EXPECT_EQ(pixel(300, 390), attr::red);
  EXPECT_EQ(pixel(100, 370), attr::cream);
  expect_frame();
}

}  // namespace
