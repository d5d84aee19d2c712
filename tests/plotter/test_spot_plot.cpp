// One spot classified and plotted: position by the time text, heights and their two roundings,
// the S-meter marker, the 33-pixel dot, the black point and the list of other calls.
#include <random>

#include "tests/plotter/plotter_harness.h"

namespace {

// The dot of a tracked spot: the centre pixel, then circles of radius 3, 2 and 1.
const std::vector<std::string> dot_shape = {
    "..###..",
    ".#####.",
    "##.#.##",
    "###O###",
    "##.#.##",
    ".#####.",
    "..###..",
};

// The 7 x 7 block about (cx, cy): '#' the colour, 'O' the centre in the colour, '.' another.
std::vector<std::string> shape_at(int cx, int cy, uint8_t colour) {
  std::vector<std::string> rows;
  for (int dy = -3; dy <= 3; ++dy) {
    std::string row;
    for (int dx = -3; dx <= 3; ++dx) {
      const uint8_t p = pixel(cx + dx, cy + dy);
      row += p == colour ? (dx == 0 && dy == 0 ? 'O' : '#') : '.';
    }
    rows.push_back(row);
  }
  return rows;
}

// Black pixels of a pixel row right of the SNR labels.
std::vector<int> black_in_row(int y) {
  std::vector<int> xs;
  for (int x = 24; x < screen_width; ++x)
    if (pixel(x, y) == attr::black) xs.push_back(x);
  return xs;
}

class SpotPlotTest : public PlotterTest {};

TEST_F(SpotPlotTest, ATrackedSpotIsA33PixelDotInItsSlotsColour) {
  // Slot 2, -12 dB at 12:30: the centre at (332, 228), y 227.8.
  plot_records({"G4XYZ,x,12:30:00,-12,0"});
  EXPECT_EQ(shape_at(332, 228, attr::light_red), dot_shape);
  EXPECT_TRUE(cell_is_paper(29, 19));  // not listed
}

// Time texts by position: x = 32 + spot_x, one black point at 0 dB (y 151).
struct TimeCase {
  const char* name;
  const char* time_text;
  int x;  // -1: off the screen
};
void PrintTo(const TimeCase& c, std::ostream* out) { *out << c.name; }

class TimeTextTest : public PlotterTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(TimeTextTest, HoursAndMinutesGiveX) {
  const TimeCase& c = GetParam();
  plot_records({std::string("ZZ9ZZ,x,") + c.time_text + ",0,-20"});
  EXPECT_EQ(black_in_row(151), c.x < 0 ? std::vector<int>{} : std::vector<int>{c.x});
  EXPECT_EQ(row_text(29, 19, 6), "ZZ9ZZ ");
}

INSTANTIATE_TEST_SUITE_P(
    Times, TimeTextTest,
    ::testing::Values(TimeCase{"Midnight", "00:00:00", 32}, TimeCase{"SixHours", "06:00:00", 176},
                      TimeCase{"MinuteEndingIn1RoundsDown", "12:31:00", 332},
                      TimeCase{"MinuteEndingIn2RoundsUp", "12:32:00", 333},
                      TimeCase{"MinuteEndingIn3RoundsDown", "12:33:00", 333},
                      TimeCase{"MinuteEndingIn4RoundsUp", "12:34:00", 334},
                      TimeCase{"SecondsNeverMatter", "23:59:59", 608}, TimeCase{"TwentyFour", "24:00:00", 608},
                      TimeCase{"OneDigitHourByPosition", "9:15:00", 250}, TimeCase{"Empty", "", 32},
                      TimeCase{"NotANumber", "noon", 32}, TimeCase{"FourCharacters", "12:3", 321},
                      TimeCase{"OneDigit", "7", 200}, TimeCase{"RightOfTheChart", "25:00:00", 632},
                      TimeCase{"OffTheScreen", "27:00:00", -1}),
    CaseName());

// The SNR limits of a tracked call (K1JT, slot 3, light grey) at 12:00, x 320.
struct LimitCase {
  const char* name;
  const char* snr;
  bool tracked;
  int y;  // the centre row; -1: off the screen
};
void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.name; }

class SnrLimitTest : public PlotterTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(SnrLimitTest, BeyondTheLimitsEvenATrackedCallIsAnOtherSpot) {
  const LimitCase& c = GetParam();
  plot_records({std::string("K1JT,x,12:00:00,") + c.snr + ",0"});
  if (c.tracked) {
    EXPECT_EQ(shape_at(320, c.y, attr::light_grey), dot_shape);
    EXPECT_TRUE(cell_is_paper(29, 19));
    return;
  }
  if (c.y >= 0) {
    EXPECT_EQ(pixel(320, c.y), attr::black);
    EXPECT_EQ(pixel(323, c.y), c.y == 365 ? attr::dark_grey : attr::white);  // no dot
  } else {
    for (int y = 24; y <= 365; ++y) EXPECT_NE(pixel(320, y), attr::black) << y;
  }
  EXPECT_EQ(row_text(29, 19, 5), "K1JT ");
}

INSTANTIATE_TEST_SUITE_P(Limits, SnrLimitTest,
                         ::testing::Values(LimitCase{"Nineteen", "19", true, 29},            // y 29.4
                                           LimitCase{"MinusThirtyThree", "-33", true, 362},  // y 362.2
                                           LimitCase{"NineteenAndAHalf", "19.5", false, 26},
                                           LimitCase{"MinusThirtyThreeAndAHalf", "-33.5", false, 365},
                                           LimitCase{"TwentyFive", "25", false, -1},
                                           // Heights beyond the float range: off the screen, still listed.
                                           LimitCase{"HeightBeyondTheFloatRange", "3E38", false, -1},
                                           LimitCase{"DepthBeyondTheFloatRange", "-3E38", false, -1}),
                         CaseName());

TEST_F(SpotPlotTest, AHalfPixelTieRoundsThePixelToEvenAndTheCirclesAwayFromZero) {
  // 0.078125 dB: y 150.5. The centre pixel goes to row 150 (where the radius-1 circle also sets
  // a pixel); the circles are about row 151, whose centre keeps the white beneath.
  // -0.078125 dB: y 151.5, both rules give row 152, a whole dot.
  plot_records({"G4XYZ,x,06:00:00,0.078125,0", "G4XYZ,x,18:00:00,-0.078125,0"});
  std::vector<std::string> hollow = dot_shape;
  hollow[3][3] = '.';
  EXPECT_EQ(shape_at(176, 151, attr::light_red), hollow);
  EXPECT_EQ(pixel(176, 151), attr::white);
  EXPECT_EQ(pixel(176, 150), attr::light_red);
  EXPECT_EQ(shape_at(464, 152, attr::light_red), dot_shape);
}

// The S-meter marker of a tracked spot (G4XYZ, slot 2, -25 dB at 06:00, y 311).
struct SmeterCase {
  const char* name;
  const char* smeter_switch;
  const char* reading;
  int marker_y;  // -1: no marker
};
void PrintTo(const SmeterCase& c, std::ostream* out) { *out << c.name; }

class SmeterMarkerTest : public PlotterTest, public ::testing::WithParamInterface<SmeterCase> {};

TEST_P(SmeterMarkerTest, APlusOfLightGreyWhenOnAndTheReadingLiesStrictlyInside) {
  const SmeterCase& c = GetParam();
  plot_records({std::string("G4XYZ,x,06:00:00,-25,") + c.reading}, c.smeter_switch);
  EXPECT_EQ(shape_at(176, 311, attr::light_red), dot_shape);
  // Every light-grey pixel in column 176 and around it, outside the grid lines and the dot.
  std::vector<std::pair<int, int>> grey;
  for (int y = 0; y < screen_height; ++y)
    for (int x = 174; x <= 178; ++x)
      if (pixel(x, y) == attr::light_grey && y != 88 && y != 152 && y != 216 && y != 280 && y != 344)
        grey.emplace_back(x, y);
  std::vector<std::pair<int, int>> expected;
  if (c.marker_y >= 0) expected = {{176, c.marker_y - 1}, {175, c.marker_y}, {177, c.marker_y}, {176, c.marker_y + 1}};
  EXPECT_EQ(grey, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, SmeterMarkerTest,
    ::testing::Values(SmeterCase{"MinusTwelve", "Y", "-12", 101},      // y 100.8
                      SmeterCase{"MinusSixtyThreePointNine", "Y", "-63.9", 433},  // y 432.96, in the legend band
                      SmeterCase{"Zero", "Y", "0", -1}, SmeterCase{"MinusSixtyFour", "Y", "-64", -1},
                      SmeterCase{"Positive", "Y", "5", -1}, SmeterCase{"DisplayOff", "N", "-12", -1},
                      SmeterCase{"DisplayOffLowerCaseY", "y", "-63.9", -1}),
    CaseName());

TEST_F(SpotPlotTest, TheDotIsDrawnOverItsOwnMarker) {
  // -10 dB at 06:00 (y 215) with a reading of -30 (y 216): the marker lies inside the dot.
  plot_records({"G4XYZ,x,06:00:00,-10,-30", "ZZ9ZZ,x,12:00:00,-10,-10", "G4XYZ,x,18:00:00,-25,-10"});
  EXPECT_EQ(shape_at(176, 215, attr::light_red), dot_shape);
  // A reading of -10 centres the plus on y 88 (its side pixels lie on the +10 dB grid line).
  EXPECT_EQ(pixel(464, 87), attr::light_grey);
  EXPECT_EQ(pixel(464, 89), attr::light_grey);
  // An other spot never gets a marker: nothing at y 87 or 89 about x 320.
  EXPECT_EQ(pixel(320, 87), attr::white);
  EXPECT_EQ(pixel(320, 89), attr::white);
  EXPECT_EQ(pixel(320, 215), attr::black);
}

TEST_F(SpotPlotTest, ACallInTwoSlotsTakesTheLaterSlotsColour) {
  plot_records({"DUP1,x,12:00:00,0,0"}, "Y", {"A", "DUP1", "B", "C", "DUP1", "D"});
  EXPECT_EQ(shape_at(320, 151, attr::blue), dot_shape);
}

TEST_F(SpotPlotTest, CaseAndWholeTextDecideAMatch) {
  plot_records({"g4xyz,x,12:00:00,0,0", "G4XYZ/P,x,06:00:00,0,0", "G4XY,x,18:00:00,0,0"});
  EXPECT_EQ(black_in_row(151), (std::vector<int>{176, 320, 464}));
  EXPECT_EQ(row_text(29, 19, 15), "g4xyz G4XYZ/P  ");  // G4XY stands inside G4XYZ/P
}

TEST_F(SpotPlotTest, AnEmptyCallMatchesAnEmptyTrackedCall) {
  plot_records({",x,12:00:00,0,0"}, "Y", {"A", "B", "C", "D", "E", ""});
  EXPECT_EQ(shape_at(320, 151, attr::red), dot_shape);
}

// The list of other calls: a substring test on the whole list's text.
struct ListCase {
  const char* name;
  std::vector<std::string> calls;
  std::string shown;  // row 29 from column 19
};
void PrintTo(const ListCase& c, std::ostream* out) { *out << c.name; }

class OtherCallsTest : public PlotterTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(OtherCallsTest, ACallStandingAnywhereInTheListIsNotAddedAgain) {
  const ListCase& c = GetParam();
  std::vector<std::string> records;
  for (const auto& call : c.calls) records.push_back(call + ",x,12:00:00,0,-20");
  plot_records(records);
  EXPECT_EQ(row_text(29, 19, static_cast<int>(c.shown.size())), c.shown);
  for (int column = 19 + static_cast<int>(c.shown.size()); column <= 74; ++column)
    EXPECT_TRUE(cell_is_paper(29, column)) << column;
  EXPECT_TRUE(cell_is_paper(29, 75));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, OtherCallsTest,
    ::testing::Values(ListCase{"InsideALongerCall", {"ALPHA", "ALP", "PHA", "ALPHAS"}, "ALPHA ALPHAS "},
                      ListCase{"AcrossTheBlank", {"ALPHA", "BETA", "A B", "HA BE", "ABETA"}, "ALPHA BETA ABETA "},
                      ListCase{"SameCallOnManyRecords", {"ZZ9ZZ", "ZZ9ZZ", "AA1AA", "ZZ9ZZ", "AA1AA"}, "ZZ9ZZ AA1AA "},
                      ListCase{"EmptyCallIntoAnEmptyList", {"", "ZZ9ZZ"}, " ZZ9ZZ "},
                      ListCase{"EmptyCallNeverAddedLater", {"ZZ9ZZ", "", "QQ1"}, "ZZ9ZZ QQ1 "},
                      // Ten calls of five: the tenth straddles character 56 and shows in part.
                      ListCase{"LongerThan56",
                               {"AA1AA", "BB1BB", "CC1CC", "DD1DD", "EE1EE", "FF1FF", "GG1GG", "HH1HH", "II1II",
                                "JJ1JJ", "KK1KK"},
                               "AA1AA BB1BB CC1CC DD1DD EE1EE FF1FF GG1GG HH1HH II1II JJ"}),
    CaseName());

// However the list is kept, the field must show what the rule gives over the whole log:
// many short calls from a small alphabet, so that substrings turn up often, also past char 56.
TEST_F(SpotPlotTest, TheFieldShowsTheFirst56CharactersOfTheWholeListsRule) {
  std::mt19937 random(2018);
  std::vector<std::string> records;
  std::string list;
  for (int i = 0; i < 400; ++i) {
    std::string call;
    const int length = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < length; ++k) call += "AB "[random() % 3];
    while (!call.empty() && call.back() == ' ') call.pop_back();  // the field loses its end blanks
    while (!call.empty() && call.front() == ' ') call.erase(0, 1);
    if (list.empty() ? true : list.find(call) == std::string::npos) list += call + " ";
    records.push_back(call + ",x,12:00:00,0,-20");
  }
  ASSERT_GT(list.size(), 56u);
  plot_records(records);
  EXPECT_EQ(row_text(29, 19, 56), list.substr(0, 56));
}

}  // namespace
