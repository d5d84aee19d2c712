// The SNR scale, always, and the S-meter scale or its blanks, as the switch says at each refresh.
#include "tests/plotter/plotter_harness.h"

namespace {

struct Label {
  int row;
  const char* text;
};
const Label snr_labels[] = {{3, " dB"}, {4, "+15"}, {6, "+10"}, {8, "+ 5"}, {10, "  0"}, {12, "- 5"},
                            {14, "-10"}, {16, "-15"}, {18, "-20"}, {20, "-25"}, {22, "-30"}, {23, "SNR"}};
const Label smeter_labels[] = {{3, "S9"}, {5, "S8"}, {7, "S7"}, {9, "S6"}, {12, "S5"},
                               {14, "S4"}, {17, "S3"}, {19, "S2"}, {21, "S1"}, {23, "MTR"}};

void expect_snr_scale() {
  for (const Label& label : snr_labels) {
    EXPECT_EQ(row_text(label.row, 1, 3), label.text) << "row " << label.row;
    for (int column = 1; column <= 3; ++column) EXPECT_EQ(cell_ink(label.row, column), attr::black);
  }
}

void expect_smeter_scale() {
  for (const Label& label : smeter_labels) {
    const int length = static_cast<int>(std::string(label.text).size());
    EXPECT_EQ(row_text(label.row, 78, length), label.text) << "row " << label.row;
    for (int column = 78; column < 78 + length; ++column) EXPECT_EQ(cell_ink(label.row, column), attr::light_grey);
  }
}

void expect_smeter_blanks() {
  for (const Label& label : smeter_labels)
    for (int column = 78; column <= 80; ++column)
      EXPECT_TRUE(cell_is_paper(label.row, column)) << "row " << label.row << ", column " << column;
}

class ScalesTest : public PlotterTest {};

TEST_F(ScalesTest, WithTheSwitchOnBothScalesAndColumn80OfTheSRowsUntouched) {
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {"AB1CD,x,12:00:00,-3,-20"});
  before_pass(101, [] {
    set_pixel(636, 40, attr::red);   // row 3, column 80: beside "S9"
    set_pixel(636, 360, attr::red);  // row 23, column 80: the last cell of "MTR"
  });
  run_passes(101);
  expect_snr_scale();
  expect_smeter_scale();
  EXPECT_EQ(pixel(636, 40), attr::red);
  EXPECT_EQ(pixel(636, 360), attr::cream);
  // The texts printed after the scales are black again.
  EXPECT_EQ(cell_ink(27, 50), attr::black);
  EXPECT_EQ(cell_ink(29, 19), attr::black);
}

// A switch changed in the setup file between refreshes.
struct SwitchCase {
  const char* name;
  const char* first;
  const char* second;
  bool scale_after_second;
};
void PrintTo(const SwitchCase& c, std::ostream* out) { *out << c.name; }

class SmeterSwitchTest : public PlotterTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SmeterSwitchTest, TheScaleFollowsTheSwitchAtTheNextRefresh) {
  const SwitchCase& c = GetParam();
  write_setup("spots.csv", c.first, standard_calls);
  write_log("spots.csv", {});
  before_pass(2, [&] { write_setup("spots.csv", c.second, standard_calls); });
  run_passes(101);
  expect_snr_scale();
  if (c.scale_after_second)
    expect_smeter_scale();
  else
    expect_smeter_blanks();
}

INSTANTIATE_TEST_SUITE_P(Switch, SmeterSwitchTest,
                         ::testing::Values(SwitchCase{"YThenLowerCaseY", "Y", "y", false},
                                           SwitchCase{"YThenYes", "Y", "Yes", false},
                                           SwitchCase{"YThenEmpty", "Y", "", false},
                                           SwitchCase{"YThenN", "Y", "N", false},
                                           SwitchCase{"NThenY", "N", "Y", true},
                                           SwitchCase{"YThenY", "Y", "Y", true}),
                         CaseName());

TEST_F(ScalesTest, SpotsOfWholeDecibelsLieInTheEighthPixelRowOfTheirLabels) {
  // An untracked call gives one black pixel at 151 - 6.4 x SNR, 12:00 puts it at x 320.
  plot_records({"ZZ9ZZ,x,12:00:00,-30,-20", "ZZ9ZZ,x,12:00:00,10,-20", "ZZ9ZZ,x,12:00:00,0,-20"});
  for (auto [row, y] : {std::pair{22, 343}, {6, 87}, {10, 151}}) {
    EXPECT_EQ(y, 16 * (row - 1) + 7);
    EXPECT_EQ(pixel(320, y), attr::black) << y;
    EXPECT_EQ(pixel(320, y - 1), attr::white) << y;
    EXPECT_EQ(pixel(320, y + 1), attr::light_grey) << y;  // the grid line one pixel below
  }
}

}  // namespace
