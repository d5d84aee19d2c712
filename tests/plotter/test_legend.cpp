// The legend: the six calls beside their markers, the S-meter entry, "Other:" and its field.
#include "platform/title.h"
#include "tests/plotter/plotter_harness.h"

namespace {

struct Slot {
  int row, column, x, y;
  uint8_t colour;
};
const Slot slots[6] = {{26, 12, 78, 407, attr::green},          {27, 12, 78, 423, attr::light_red},
                       {28, 12, 78, 439, attr::light_grey},     {26, 25, 182, 407, attr::light_magenta},
                       {27, 25, 182, 423, attr::blue},          {28, 25, 182, 439, attr::red}};

// The marker: circles of radius 3, 2 and 1, 32 pixels; the centre and its diagonal neighbours
// keep what was beneath (paper on an untouched band). '#' is the slot's colour, '.' paper.
const std::vector<std::string> marker_shape = {
    "..###..",
    ".#####.",
    "##.#.##",
    "###.###",
    "##.#.##",
    ".#####.",
    "..###..",
};

std::vector<std::string> shape_of(int cx, int cy, uint8_t colour) {
  std::vector<std::string> rows;
  for (int dy = -3; dy <= 3; ++dy) {
    std::string row;
    for (int dx = -3; dx <= 3; ++dx) {
      const uint8_t p = pixel(cx + dx, cy + dy);
      row += p == colour ? '#' : p == attr::cream ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

class LegendTest : public PlotterTest {};

TEST_F(LegendTest, CallsInTheirSlotColoursBesideMarkersWithoutCentrePixels) {
  plot_records({});
  for (int slot = 0; slot < 6; ++slot) {
    const Slot& s = slots[slot];
    SCOPED_TRACE("slot " + std::to_string(slot + 1));
    const std::string& call = standard_calls[static_cast<std::size_t>(slot)];
    EXPECT_EQ(row_text(s.row, s.column, static_cast<int>(call.size())), call);
    EXPECT_EQ(cell_ink(s.row, s.column), s.colour);
    EXPECT_EQ(s.y, 16 * (s.row - 1) + 7);
    EXPECT_EQ(shape_of(s.x, s.y, s.colour), marker_shape);
  }
  // "Other:" in black and its one-pixel marker.
  EXPECT_EQ(row_text(29, 12, 6), "Other:");
  EXPECT_EQ(cell_ink(29, 12), attr::black);
  EXPECT_EQ(block(77, 454, 3, 3), (std::vector<std::string>{"000", "0F0", "000"}));
  // The field of other calls is blank with no other spot in the log.
  for (int column = 19; column <= 74; ++column) EXPECT_TRUE(cell_is_paper(29, column)) << column;
}

TEST_F(LegendTest, TheSmeterEntryComesAndGoesWithTheSwitch) {
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {});
  std::string text_with_switch_on;
  std::vector<std::string> symbol_with_switch_on;
  before_pass(2, [&] {
    text_with_switch_on = row_text(26, 38, 7);
    symbol_with_switch_on = block(279, 406, 3, 3);
    EXPECT_EQ(cell_ink(26, 38), attr::light_grey);
    write_setup("spots.csv", "y", standard_calls);
  });
  run_passes(101);
  EXPECT_EQ(text_with_switch_on, "S Meter");
  EXPECT_EQ(symbol_with_switch_on, (std::vector<std::string>{"070", "707", "070"}));
  for (int column = 30; column <= 45; ++column) EXPECT_TRUE(cell_is_paper(26, column)) << column;
}

TEST_F(LegendTest, AShorterCallLeavesTheTailOfTheOneBefore) {
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {});
  before_pass(2, [&] { write_setup("spots.csv", "Y", {"K1J", "", "G4XYZ", "", "", ""}); });
  run_passes(101);
  EXPECT_EQ(row_text(26, 12, 6), "K1JABC");
  for (int column = 12; column < 18; ++column) EXPECT_EQ(cell_ink(26, column), attr::green);
  // An empty call prints nothing: the earlier text stays, and its marker is drawn.
  EXPECT_EQ(row_text(27, 12, 5), "G4XYZ");
  EXPECT_EQ(shape_of(78, 423, attr::light_red), marker_shape);
}

TEST_F(LegendTest, ALongCallInSlotOneRunsUnderSlotFoursMarkerAndCall) {
  plot_records({}, "Y", {"ABCDEFGHIJKLMN", "", "", "XY", "", ""});
  // Columns 12 to 25; slot 4's marker is drawn over columns 23 and 24, its call over column 25.
  EXPECT_EQ(row_text(26, 12, 11), "ABCDEFGHIJK");
  EXPECT_EQ(row_text(26, 25, 2), "XY");
  EXPECT_EQ(cell_ink(26, 25), attr::light_magenta);
  EXPECT_EQ(pixel(179, 407), attr::light_magenta);
  EXPECT_EQ(pixel(185, 407), attr::light_magenta);
  EXPECT_EQ(pixel(182, 404), attr::light_magenta);
}

TEST_F(LegendTest, AControlByteInACallActsAsPrintingDefinesIt) {
  // A tab in column 14 writes blanks through column 16; the rest of the call follows at 17.
  plot_records({}, "Y", {"AB\tCD", "", "", "", "", ""});
  EXPECT_EQ(row_text(26, 12, 2), "AB");
  for (int column = 14; column <= 16; ++column) EXPECT_TRUE(cell_is_paper(26, column)) << column;
  EXPECT_EQ(row_text(26, 17, 2), "CD");
}

TEST_F(LegendTest, AnEmptyLogPathLeavesTheTitleWithItsFourBlanks) {
  write_file("Orbelin020.SET", "\r\nY\r\nA\r\nB\r\nC\r\nD\r\nE\r\nF\r\n");
  run_passes(1);
  EXPECT_EQ(current_window_title(), base_title + "    ");
}

}  // namespace
