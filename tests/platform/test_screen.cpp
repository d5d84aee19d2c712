// The screen image: mode, palette, ink, cursor, clearing, the glyph table, the window title, and
// what these do while an error is pending.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "platform/glyphs.h"
#include "platform/platform.h"
#include "tests/support/harness.h"
#include "tests/support/screen_png.h"

namespace {

using Image = std::vector<uint8_t>;

Image uniform_image(uint8_t attribute) { return Image(screen_width * screen_height, attribute); }

// Something on every part of the screen: a filled box of colour 9, text in rows 1 and 30.
void dirty_the_screen() {
  draw_line(0, 0, 639, 479, 9, 2);
  print_text("dirt");
  locate_text_cursor(30, 70);
  set_ink_colour(3);
  print_text("row 30");
  set_palette_entry(5, 0x010203);
}

class Screen : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    set_screen_mode(12);
  }
};

TEST_F(Screen, ModeTwelveMakesANewImageWithTheStandardPaletteAndHomesEverything) {
  dirty_the_screen();
  set_screen_mode(12);
  const ScreenState& s = screen_state();
  EXPECT_TRUE(screen_matches(uniform_image(0)));
  EXPECT_EQ(s.mode, 12);
  const uint32_t standard[16] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
                                 0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(s.palette[static_cast<size_t>(i)], standard[i]) << i;
  EXPECT_EQ(s.cursor_row, 1);
  EXPECT_EQ(s.cursor_column, 1);
  EXPECT_FALSE(s.wrap_pending);
  EXPECT_EQ(s.ink, 15);
  EXPECT_EQ(s.paper, 0);
  for (int row = 1; row <= text_rows; ++row) EXPECT_EQ(screen_row_text(row), std::string(80, ' ')) << row;
  EXPECT_FALSE(error_pending());
}

TEST_F(Screen, ModesThreeToSixAndAboveThirteenAreIllegalAndChangeNothing) {
  for (int32_t mode : {3, 4, 5, 6, 14, 15, 100, std::numeric_limits<int32_t>::max()}) {
    reset_errors();
    dirty_the_screen();
    const Image before = screen_attributes();
    const auto palette = screen_state().palette;
    set_screen_mode(mode);
    EXPECT_EQ(pending_error_number(), 5) << mode;
    EXPECT_TRUE(screen_matches(before, "mode" + std::to_string(mode))) << mode;
    EXPECT_EQ(screen_state().palette, palette) << mode;
    EXPECT_EQ(screen_state().mode, 12) << mode;
  }
}

TEST_F(Screen, TheOtherValidModesAreAcceptedAndChangeNothingFurther) {
  for (int32_t mode : {0, 1, 2, 7, 8, 9, 10, 11, 13}) {
    dirty_the_screen();
    const Image before = screen_attributes();
    set_screen_mode(mode);
    EXPECT_FALSE(error_pending()) << mode;
    EXPECT_TRUE(screen_matches(before, "mode" + std::to_string(mode))) << mode;
  }
}

TEST_F(Screen, ClearScreenPaintsEverythingPaperAndHomesTheCursor) {
  dirty_the_screen();
  set_ink_colour(7);
  clear_screen();
  EXPECT_TRUE(screen_matches(uniform_image(0)));
  EXPECT_EQ(screen_state().cursor_row, 1);
  EXPECT_EQ(screen_state().cursor_column, 1);
  EXPECT_EQ(screen_state().ink, 7) << "the ink stays";
  EXPECT_EQ(screen_row_text(30), std::string(80, ' '));
}

TEST_F(Screen, PaletteEntriesWidenSixBitPartsToEightBits) {
  const struct {
    int32_t attribute, colour;
    uint32_t rgb;
  } cases[] = {
      {0, 0x333E3F, 0xFFFBCF},   // cream
      {14, 0x3F3F3F, 0xFFFFFF},  // white
      {15, 0, 0x000000},         // black
      {1, 0x100000, 0x000041},   // 16 gives 65, in blue
      {2, 0x003300, 0x00CF00},   // 51 gives 207, in green
      {3, 0x00003E, 0xFB0000},   // 62 gives 251, in red
      {4, 0x010203, 0x0C0804},
      {0x105, 0x00003F, 0xFF0000},  // only the attribute's low byte counts
  };
  for (const auto& c : cases) {
    const uint64_t generation = screen_state().generation;
    set_palette_entry(c.attribute, c.colour);
    EXPECT_FALSE(error_pending()) << c.attribute;
    EXPECT_EQ(screen_state().palette[static_cast<size_t>(c.attribute & 0xFF)], c.rgb) << std::hex << c.colour;
    EXPECT_GT(screen_state().generation, generation) << "the presentation must notice";
  }
}

TEST_F(Screen, IllegalPaletteEntriesRaiseFiveAndLeaveTheEntry) {
  const struct {
    int32_t attribute, colour;
  } cases[] = {{16, 0}, {255, 0}, {-1, 0}, {1, 0x40}, {1, 0x4000}, {1, 0x400000}, {1, 0x01000000},
               {1, static_cast<int32_t>(0x80000000u)}};
  for (const auto& c : cases) {
    reset_errors();
    const auto palette = screen_state().palette;
    set_palette_entry(c.attribute, c.colour);
    EXPECT_EQ(pending_error_number(), 5) << c.attribute << " " << std::hex << c.colour;
    EXPECT_EQ(screen_state().palette, palette);
  }
}

TEST_F(Screen, InkAndCursorAcceptOnlyTheirRanges) {
  set_ink_colour(0);
  EXPECT_EQ(screen_state().ink, 0);
  set_ink_colour(15);
  for (int32_t bad : {-1, 16, 255}) {
    reset_errors();
    set_ink_colour(bad);
    EXPECT_EQ(pending_error_number(), 5) << bad;
    EXPECT_EQ(screen_state().ink, 15);
  }

  reset_errors();
  locate_text_cursor(30, 80);
  EXPECT_FALSE(error_pending());
  EXPECT_EQ(screen_state().cursor_row, 30);
  EXPECT_EQ(screen_state().cursor_column, 80);
  const int32_t bad_cells[][2] = {{0, 1}, {31, 1}, {1, 0}, {1, 81}, {-5, -5}};
  for (const auto& cell : bad_cells) {
    reset_errors();
    locate_text_cursor(cell[0], cell[1]);
    EXPECT_EQ(pending_error_number(), 5) << cell[0] << "," << cell[1];
    EXPECT_EQ(screen_state().cursor_row, 30);
    EXPECT_EQ(screen_state().cursor_column, 80);
  }
}

TEST_F(Screen, WhileAnErrorIsPendingTheScreenAndTitleOperationsDoNothing) {
  dirty_the_screen();
  locate_text_cursor(5, 5);
  set_window_title("Before");
  const Image before = screen_attributes();
  const auto palette = screen_state().palette;
  const uint64_t title_generation = window_title_generation();
  raise_error(62);

  const std::pair<const char*, std::function<void()>> operations[] = {
      {"set_screen_mode", [] { set_screen_mode(12); }},
      {"set_screen_mode illegal", [] { set_screen_mode(4); }},
      {"clear_screen", [] { clear_screen(); }},
      {"set_palette_entry", [] { set_palette_entry(0, 0x333E3F); }},
      {"set_ink_colour", [] { set_ink_colour(2); }},
      {"locate_text_cursor", [] { locate_text_cursor(1, 1); }},
      {"print_text", [] { print_text("ABC\a\f", 1); }},
      {"draw_line", [] { draw_line(0, 0, 100, 100, 1, 2); }},
      {"draw_circle", [] { draw_circle(100, 100, 3, 1); }},
      {"set_pixel", [] { set_pixel(1, 1, 1); }},
      {"set_window_title", [] { set_window_title("After"); }},
  };
  for (const auto& [name, operation] : operations) {
    operation();
    EXPECT_EQ(pending_error_number(), 62) << name;
    EXPECT_TRUE(screen_matches(before, name)) << name;
    EXPECT_EQ(screen_state().palette, palette) << name;
    EXPECT_EQ(screen_state().cursor_row, 5) << name;
    EXPECT_EQ(screen_state().cursor_column, 5) << name;
    EXPECT_EQ(screen_state().ink, 3) << name;
    EXPECT_EQ(current_window_title(), "Before") << name;
    EXPECT_EQ(window_title_generation(), title_generation) << name;
  }
  EXPECT_TRUE(clock.sleeps().empty()) << "no bell while an error is pending";
}

class TextOnlyScreen : public PlatformTest {};

TEST_F(TextOnlyScreen, DrawingBeforeAModeIsChosenIsIllegal) {
  const std::pair<const char*, std::function<void()>> operations[] = {
      {"draw_line", [] { draw_line(0, 0, 10, 10, 1, 0); }},
      {"draw_circle", [] { draw_circle(100, 100, 3, 1); }},
      {"set_pixel", [] { set_pixel(1, 1, 1); }},
  };
  for (const auto& [name, operation] : operations) {
    reset_errors();
    operation();
    EXPECT_EQ(pending_error_number(), 5) << name;
    EXPECT_TRUE(screen_matches(uniform_image(0), name)) << name;
  }
  reset_errors();
  print_text("text works");
  EXPECT_FALSE(error_pending());
  EXPECT_EQ(screen_row_text(1).substr(0, 10), "text works");
}

class Glyphs : public ::testing::Test {};

bool glyph_row_empty(int byte, int row) { return glyph_rows[static_cast<size_t>(byte)][static_cast<size_t>(row)] == 0; }

TEST_F(Glyphs, TheBlankIsEmptyAndDigitsHRAndSLeaveTwoRowsFreeAboveAndBelow) {
  for (int row = 0; row < 16; ++row) {
    EXPECT_TRUE(glyph_row_empty(' ', row)) << row;
    EXPECT_TRUE(glyph_row_empty(0, row)) << row;
  }
  for (char c : std::string("0123456789hrs")) {
    for (int row : {0, 1, 14, 15}) EXPECT_TRUE(glyph_row_empty(c, row)) << c << " row " << row;
    int set_rows = 0;
    for (int row = 2; row < 14; ++row) set_rows += !glyph_row_empty(c, row);
    EXPECT_GE(set_rows, 7) << c << " has a shape";
  }
}

TEST_F(Glyphs, EveryPrintableCharacterAndTheBoxShapesHaveAGlyph) {
  // A truncated or shifted table would show here: each of these has pixels and they differ.
  std::set<std::array<uint8_t, 16>> seen;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte == ' ' || byte == 255) continue;  // 255 is the no-break space
    const auto& glyph = glyph_rows[static_cast<size_t>(byte)];
    EXPECT_NE(glyph, (std::array<uint8_t, 16>{})) << byte;
    if (byte >= 33 && byte < 127) {
      EXPECT_TRUE(seen.insert(glyph).second) << byte;
    }
  }
  EXPECT_EQ(glyph_rows[219], (std::array<uint8_t, 16>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}))
      << "the full block";
  EXPECT_EQ(glyph_rows[196][7], 0xFF) << "the horizontal box line crosses the cell";
}

class WindowTitle : public PlatformTest {};

TEST_F(WindowTitle, IsUntitledUntilSetAndEndsAtAZeroByte) {
  EXPECT_EQ(current_window_title(), "Untitled");
  const uint64_t generation = window_title_generation();
  set_window_title("Q0ZVNL Orbelin V0.20 18/03/18");
  EXPECT_EQ(current_window_title(), "Q0ZVNL Orbelin V0.20 18/03/18");
  EXPECT_GT(window_title_generation(), generation);
  set_window_title(std::string("Orbelin\0hidden", 14));
  EXPECT_EQ(current_window_title(), "Orbelin");
  set_window_title("");
  EXPECT_EQ(current_window_title(), "");
  reset_window_title();
  EXPECT_EQ(current_window_title(), "Untitled");
}

}  // namespace
