// print_text: painting cells, the wrap rules, control bytes, scrolling and the end prompt's row.
#include <gtest/gtest.h>

#include "platform/glyphs.h"
#include "platform/platform.h"
#include "tests/support/harness.h"
#include "tests/support/screen_png.h"

namespace {

using namespace std::string_literals;
using Image = std::vector<uint8_t>;

// The cell as it should look: glyph pixels in the ink, the rest paper, bit by bit.
void expect_cell(Image& image, int row, int column, uint8_t byte, uint8_t ink, uint8_t paper = 0) {
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool set = glyph_rows[byte][static_cast<size_t>(y)] & (0x80 >> x);
      image[static_cast<size_t>((16 * (row - 1) + y) * screen_width + 8 * (column - 1) + x)] = set ? ink : paper;
    }
}

void fill_box(Image& image, int x0, int y0, int x1, int y1, uint8_t colour) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) image[static_cast<size_t>(y * screen_width + x)] = colour;
}

std::string row_text(int row) { return screen_row_text(row); }
std::string padded(const std::string& text) { return text + std::string(80 - text.size(), ' '); }
std::string numbered(const char* prefix, int n) {
  std::string text = prefix;
  text += std::to_string(n);
  return text;
}

class Print : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    set_screen_mode(12);
  }
  static int row() { return screen_state().cursor_row; }
  static int column() { return screen_state().cursor_column; }
  static bool wrap_pending() { return screen_state().wrap_pending; }
  static void expect_cursor(int r, int c, bool wrap = false) {
    EXPECT_EQ(row(), r);
    EXPECT_EQ(column(), c);
    EXPECT_EQ(wrap_pending(), wrap);
  }
};

TEST_F(Print, PaintsEveryCellWholeGlyphInInkRestInPaper) {
  draw_line(0, 0, 639, 479, 9, 2);  // so that the paper shows
  Image expected = screen_attributes();
  locate_text_cursor(26, 50);
  set_ink_colour(12);
  print_text("K1JT -7.5");
  const std::string printed = "K1JT -7.5";
  for (size_t i = 0; i < printed.size(); ++i)
    expect_cell(expected, 26, 50 + static_cast<int>(i), static_cast<uint8_t>(printed[i]), 12);
  EXPECT_TRUE(screen_matches(expected));
  expect_cursor(26, 59);
  EXPECT_EQ(row_text(26).substr(49, 9), printed);
  EXPECT_EQ(screen_state().cell_ink[25 * 80 + 49], 12);
}

TEST_F(Print, ABlankTurnsItsWholeCellToPaperWhateverTheInk) {
  draw_line(0, 0, 639, 479, 14, 2);
  Image expected = screen_attributes();
  set_ink_colour(7);
  locate_text_cursor(29, 19);
  print_text("  ");
  fill_box(expected, 144, 448, 159, 463, 0);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(Print, DigitsAndHRSLeaveTheirTopAndBottomTwoPixelRowsPaper) {
  draw_line(0, 0, 639, 479, 9, 2);
  locate_text_cursor(24, 1);
  print_text("0123456789hrs");
  for (int column = 1; column <= 13; ++column)
    for (int y : {0, 1, 14, 15})
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(screen_pixel(8 * (column - 1) + x, 16 * 23 + y), 0) << "column " << column << " row " << y;
}

TEST_F(Print, TabsWriteBlanksThroughTheNextMultipleOfEight) {
  const struct {
    int from, to;
  } cases[] = {{1, 9}, {2, 9}, {8, 9}, {9, 17}, {16, 17}, {17, 25}, {65, 73}, {72, 73}};
  for (const auto& c : cases) {
    draw_line(0, 0, 639, 479, 9, 2);
    Image expected = screen_attributes();
    locate_text_cursor(3, c.from);
    print_text("\t");
    fill_box(expected, 8 * (c.from - 1), 32, 8 * (c.to - 1) - 1, 47, 0);  // the blanks paint their cells
    EXPECT_TRUE(screen_matches(expected, "from" + std::to_string(c.from))) << c.from;
    expect_cursor(3, c.to);
  }
}

TEST_F(Print, ATabIntoColumnEightyEndsLikeAnyLastByte) {
  locate_text_cursor(3, 73);
  print_text("\t");
  expect_cursor(3, 80, true);
  locate_text_cursor(3, 77);
  print_text("\tX");  // 76 + 2 fits; the tab fills 77-80, then X needs the next row
  expect_cursor(4, 2);
  EXPECT_EQ(row_text(4)[0], 'X');
  print_text("AB\tC");
  EXPECT_EQ(row_text(4).substr(0, 10), "XAB     C ");
}

TEST_F(Print, TheLastByteInColumnEightyLeavesAWrapPendingUntilTheNextText) {
  print_text(std::string(80, 'A'));
  expect_cursor(1, 80, true);
  print_text("");
  expect_cursor(1, 80, true);
  print_text("B");
  expect_cursor(2, 2);
  EXPECT_EQ(row_text(1), std::string(80, 'A'));
  EXPECT_EQ(row_text(2), padded("B"));
}

TEST_F(Print, LocatingTheCursorCancelsAPendingWrap) {
  print_text(std::string(80, 'A'));
  locate_text_cursor(1, 80);
  print_text("B");
  EXPECT_EQ(row_text(1), std::string(79, 'A') + "B");
  expect_cursor(1, 80, true);
}

TEST_F(Print, ATextThatWouldPassColumnEightyStartsOnANewLine) {
  locate_text_cursor(5, 75);
  print_text("ABCDEF");  // 74 + 6 = 80: fits
  EXPECT_EQ(row_text(5).substr(74), "ABCDEF");
  expect_cursor(5, 80, true);

  locate_text_cursor(7, 75);
  print_text("ABCDEFG");  // 74 + 7 = 81
  EXPECT_EQ(row_text(7), padded(""));
  EXPECT_EQ(row_text(8), padded("ABCDEFG"));
  expect_cursor(8, 8);

  locate_text_cursor(10, 1);  // from column 1 a long text wraps as it goes
  print_text(std::string(100, 'Z'));
  EXPECT_EQ(row_text(10), std::string(80, 'Z'));
  EXPECT_EQ(row_text(11), padded(std::string(20, 'Z')));
  expect_cursor(11, 21);

  locate_text_cursor(13, 79);  // control bytes count in the length too
  print_text("\x1c\x1c\x1c");
  expect_cursor(14, 4);
}

TEST_F(Print, TheNewLineFlagAddsOneNewLineAfterTheText) {
  print_text("AB", 1);
  expect_cursor(2, 1);
  print_text(std::string(80, 'C'), 1);  // the wrap past column 80 is the new line
  expect_cursor(3, 1);
  print_text("", 1);
  expect_cursor(4, 1);
  print_text(std::string(80, 'D'));
  print_text("", 1);  // ends the pending wrap
  expect_cursor(5, 1);
  print_text("E\n", 1);
  expect_cursor(7, 1);
  EXPECT_EQ(row_text(2), std::string(80, 'C'));
  EXPECT_EQ(row_text(3), padded(""));
  EXPECT_EQ(row_text(4), std::string(80, 'D'));
  EXPECT_EQ(row_text(5), padded("E"));
}

TEST_F(Print, LineFeedAndCarriageReturnTakeANewLineAndControlBytesPaintNothing) {
  draw_line(0, 0, 639, 479, 9, 2);
  const Image before = screen_attributes();
  locate_text_cursor(3, 5);
  print_text("\n");
  expect_cursor(4, 1);
  locate_text_cursor(3, 5);
  print_text("\r\r");
  expect_cursor(5, 1);
  print_text("\x1c\x1c\x1d\x1e\x1f\x1f");
  expect_cursor(6, 2);
  EXPECT_TRUE(screen_matches(before));
}

TEST_F(Print, HomeAndFormFeed) {
  locate_text_cursor(12, 40);
  print_text("AB\vC");
  expect_cursor(1, 2);
  EXPECT_EQ(row_text(1), padded("C"));
  EXPECT_EQ(row_text(12).substr(39, 2), "AB");

  draw_line(0, 0, 639, 479, 9, 2);
  locate_text_cursor(20, 20);
  print_text("X\fY");
  Image expected(screen_width * screen_height, 0);
  expect_cell(expected, 1, 1, 'Y', 15);
  EXPECT_TRUE(screen_matches(expected));
  expect_cursor(1, 2);
}

TEST_F(Print, BellWaitsAQuarterSecondAndPaintsNothing) {
  print_text("A\aB");
  EXPECT_EQ(clock.sleeps(), (std::vector<int64_t>{250}));
  EXPECT_EQ(row_text(1), padded("AB"));
}

TEST_F(Print, CursorMovesStayInsideTheScrollingArea) {
  const struct {
    int row, column;
    char byte;
    int to_row, to_column;
  } cases[] = {
      {5, 10, 28, 5, 11},  {5, 80, 28, 6, 1},   {29, 80, 28, 29, 80}, {30, 80, 28, 30, 80},
      {30, 5, 28, 30, 6},  {5, 10, 29, 5, 9},   {5, 1, 29, 4, 80},    {1, 1, 29, 1, 1},
      {30, 1, 29, 30, 1},  {29, 1, 29, 28, 80}, {30, 7, 29, 30, 6},   {5, 10, 30, 4, 10},
      {1, 10, 30, 1, 10},  {30, 10, 30, 30, 10}, {5, 10, 31, 6, 10},  {29, 10, 31, 29, 10},
      {30, 10, 31, 30, 10}, {28, 10, 31, 29, 10},
  };
  for (const auto& c : cases) {
    locate_text_cursor(c.row, c.column);
    print_text(std::string(1, c.byte));
    EXPECT_EQ(row(), c.to_row) << c.row << "," << c.column << " byte " << int(c.byte);
    EXPECT_EQ(column(), c.to_column) << c.row << "," << c.column << " byte " << int(c.byte);
  }
}

// Rows 1 to 29 each hold their own number; row 30 holds "row 30"; a box crosses rows 28 to 30.
void fill_rows() {
  for (int r = 1; r <= 29; ++r) {
    locate_text_cursor(r, 1);
    print_text(numbered("line ", r));
  }
  locate_text_cursor(30, 1);
  print_text("row 30");
  draw_line(600, 440, 630, 479, 4, 2);
}

Image scrolled_once(const Image& image) {
  Image out = image;
  std::copy(image.begin() + 16 * screen_width, image.begin() + 464 * screen_width, out.begin());
  std::fill(out.begin() + 448 * screen_width, out.begin() + 464 * screen_width, 0);
  return out;
}

TEST_F(Print, ANewLineBelowRow29ScrollsRowsOneTo29AndNeverRow30) {
  fill_rows();
  const Image before = screen_attributes();
  locate_text_cursor(29, 10);
  print_text("\n");
  EXPECT_TRUE(screen_matches(scrolled_once(before)));
  expect_cursor(29, 1);
  EXPECT_EQ(row_text(1), padded("line 2"));
  EXPECT_EQ(row_text(28), padded("line 29"));
  EXPECT_EQ(row_text(29), padded(""));
  EXPECT_EQ(row_text(30), padded("row 30"));
}

TEST_F(Print, WrappingOutOfRow29OrRow30ScrollsAndContinuesInRow29) {
  fill_rows();
  const Image before = screen_attributes();
  locate_text_cursor(29, 80);
  print_text("AB");  // a new line first, and that scrolls
  Image expected = scrolled_once(before);
  expect_cell(expected, 29, 1, 'A', 15);
  expect_cell(expected, 29, 2, 'B', 15);
  EXPECT_TRUE(screen_matches(expected, "from29"));
  expect_cursor(29, 3);

  locate_text_cursor(30, 75);
  print_text("0123456789");  // from row 30 the new line scrolls rows 1-29 and lands in row 29
  EXPECT_EQ(row_text(28), padded("AB"));
  EXPECT_EQ(row_text(29), padded("0123456789"));
  EXPECT_EQ(row_text(30), padded("row 30"));
  expect_cursor(29, 11);

  locate_text_cursor(30, 1);
  print_text(std::string(85, 'R'));  // row 30 fills, then the wrap scrolls
  EXPECT_EQ(row_text(30), std::string(80, 'R'));
  EXPECT_EQ(row_text(29), padded("RRRRR"));
  EXPECT_EQ(row_text(28), padded("0123456789"));
}

TEST_F(Print, ManyLinesScrollTheShadowInStepWithThePixels) {
  set_ink_colour(2);
  for (int i = 1; i <= 40; ++i) print_text(numbered("n", i), 1);
  for (int r = 1; r <= 28; ++r) EXPECT_EQ(row_text(r), padded(numbered("n", r + 12))) << r;
  EXPECT_EQ(row_text(29), padded(""));
  Image expected(screen_width * screen_height, 0);
  for (int r = 1; r <= 28; ++r) {
    const std::string text = numbered("n", r + 12);
    for (size_t i = 0; i < text.size(); ++i) expect_cell(expected, r, static_cast<int>(i) + 1, static_cast<uint8_t>(text[i]), 2);
  }
  EXPECT_TRUE(screen_matches(expected));
  EXPECT_EQ(screen_state().cell_ink[0], 2);
}

TEST_F(Print, EndPromptRowThirtyIsTheOnlyTextRow) {
  fill_rows();
  draw_line(0, 470, 639, 470, 12, 0);
  const Image before = screen_attributes();
  make_row_30_the_text_area();
  Image expected = before;
  fill_box(expected, 0, 464, 639, 479, 0);
  EXPECT_TRUE(screen_matches(expected, "cleared"));
  expect_cursor(30, 1);
  EXPECT_EQ(row_text(30), padded(""));

  set_ink_colour(7);
  print_text("Press any key to continue");
  const std::string prompt = "Press any key to continue";
  for (size_t i = 0; i < prompt.size(); ++i) expect_cell(expected, 30, static_cast<int>(i) + 1, static_cast<uint8_t>(prompt[i]), 7);
  EXPECT_TRUE(screen_matches(expected, "prompt"));
  expect_cursor(30, 26);

  print_text(std::string(70, 'x'));  // the new line there scrolls row 30 alone
  EXPECT_EQ(row_text(30), padded(std::string(70, 'x')));
  EXPECT_EQ(row_text(29), padded("line 29"));
  expect_cursor(30, 71);
  for (size_t i = 0; i < 464 * screen_width; ++i)
    ASSERT_EQ(screen_state().pixels[i], before[i]) << "rows 1-29 untouched, pixel " << i;
}

// A text of many rows in the one-row area: only its last, short row stays, on a cleared row.
TEST_F(Print, ALongTextInTheOneRowAreaLeavesOnlyItsLastRowOnPaper) {
  make_row_30_the_text_area();
  print_text(std::string(70, 'a'));
  locate_text_cursor(30, 1);  // the long text starts on the row as it stands
  print_text(std::string(3 * 80 + 11, 'b'));
  EXPECT_EQ(row_text(30), padded(std::string(11, 'b')));
  Image expected(screen_width * screen_height, 0);
  for (int c = 1; c <= 11; ++c) expect_cell(expected, 30, c, 'b', 15);
  EXPECT_TRUE(screen_matches(expected));
  expect_cursor(30, 12);
}

TEST_F(Print, ZeroAndHighBytesPaintTheirGlyphs) {
  Image expected = screen_attributes();
  print_text("\0\xb0\xdb\xfe"s);
  expect_cell(expected, 1, 1, 0, 15);
  expect_cell(expected, 1, 2, 0xB0, 15);
  expect_cell(expected, 1, 3, 0xDB, 15);
  expect_cell(expected, 1, 4, 0xFE, 15);
  EXPECT_TRUE(screen_matches(expected));
  EXPECT_EQ(row_text(1).substr(0, 4), "\0\xb0\xdb\xfe"s);
}

TEST_F(Print, EveryPrintMarksTheScreenChanged) {
  const uint64_t generation = screen_state().generation;
  print_text("A");
  EXPECT_GT(screen_state().generation, generation);
}

}  // namespace
