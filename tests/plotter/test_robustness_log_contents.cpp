// What a spot log may hold besides records: 100 MB without a line end, NUL bytes, random bytes,
// control bytes, numbers at and past the single-precision range, &H and &O numbers, 300 digits.
// Each gives the boxes that the failure rules give and a picture that the print and drawing
// rules account for; none crashes, hangs or leaves a corrupted picture.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>

#include "tests/plotter/test_robustness_support.h"
#include "tests/support/screen_png.h"

namespace {

class LogContents : public RobustnessTest {};

// ---- The print engine over texts longer than the text area ----------------------------------

struct LongPrintCase {
  const char* name;
  int row, column;     // where the cursor stands
  bool row_30_only;    // the end prompt's text area
  size_t length;       // bytes that paint their cells
  int32_t new_line;
};
void PrintTo(const LongPrintCase& c, std::ostream* out) { *out << c.name; }

class LongPrintTest : public PlatformTest, public ::testing::WithParamInterface<LongPrintCase> {
 protected:
  // A screen with something drawn and printed everywhere, so that what scrolls away shows.
  static void busy_screen(const LongPrintCase& c) {
    set_screen_mode(12);
    draw_line(0, 0, 639, 479, 14, 2);
    draw_line(30, 24, 612, 365, 8, 1);
    set_ink_colour(2);
    for (int row = 1; row <= 30; ++row) {
      locate_text_cursor(row, 1);
      print_text(std::string(79, static_cast<char>('a' + row % 26)));
    }
    if (c.row_30_only) make_row_30_the_text_area();
    set_ink_colour(12);
    locate_text_cursor(c.row, c.column);
  }
  struct Shown {
    std::vector<uint8_t> pixels;
    std::vector<Text> rows;
    int32_t cursor_row, cursor_column;
    bool wrap_pending;
  };
  static Shown shown() {
    Shown now{screen_attributes(), {}, screen_state().cursor_row, screen_state().cursor_column,
              screen_state().wrap_pending};
    for (int row = 1; row <= 30; ++row) now.rows.push_back(screen_row_text(row));
    return now;
  }
};

// Printed whole, a long text leaves what it leaves printed one row's worth at a time.
TEST_P(LongPrintTest, LeavesThePictureOfTheSameTextPrintedRowByRow) {
  const LongPrintCase& c = GetParam();
  Text text;
  for (size_t i = 0; i < c.length; ++i) text += static_cast<char>('0' + i * 7 % 43);

  busy_screen(c);
  size_t at = 0;
  if (c.column > 1 && static_cast<size_t>(c.column - 1) + text.size() > 80) print_text("", 1);
  for (size_t first = screen_state().cursor_column; at < text.size(); first = 1) {
    const size_t piece = std::min(text.size() - at, 81 - first);
    print_text(text.substr(at, piece), at + piece == text.size() ? c.new_line : 0);
    at += piece;
  }
  const Shown by_rows = shown();
  print_text("tail");  // where the text left the cursor, and whether a wrap is pending
  const Shown tail_by_rows = shown();

  reset_platform();
  busy_screen(c);
  print_text(text, c.new_line);
  const Shown whole = shown();
  EXPECT_TRUE(screen_matches(by_rows.pixels, c.name));
  EXPECT_EQ(whole.rows, by_rows.rows);
  EXPECT_EQ(whole.cursor_row, by_rows.cursor_row);
  EXPECT_EQ(whole.cursor_column, by_rows.cursor_column);
  EXPECT_EQ(whole.wrap_pending, by_rows.wrap_pending);
  print_text("tail");
  EXPECT_TRUE(screen_matches(tail_by_rows.pixels, std::string(c.name) + "-tail"));
  EXPECT_EQ(shown().rows, tail_by_rows.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LongPrintTest,
    ::testing::Values(LongPrintCase{"AreaFull", 29, 1, false, 80 * 29, 0},
                      LongPrintCase{"AreaAndOneByte", 29, 1, false, 80 * 29 + 1, 0},
                      LongPrintCase{"AreaAndOneRow", 29, 1, false, 80 * 30, 0},
                      LongPrintCase{"AreaAndOneRowAndOne", 29, 1, false, 80 * 30 + 1, 0},
                      LongPrintCase{"ManyRowsWithNewLine", 29, 1, false, 80 * 45, 1},
                      LongPrintCase{"FromTheTopRow", 1, 1, false, 80 * 40 + 17, 0},
                      LongPrintCase{"FromColumn50", 27, 50, false, 100000 + 3, 0},
                      LongPrintCase{"FromColumn50WithNewLine", 27, 50, false, 80 * 33 + 80, 1},
                      LongPrintCase{"FromRow30", 30, 1, false, 80 * 31 + 5, 0},
                      LongPrintCase{"Row30Alone", 30, 1, true, 80 * 3 + 5, 0},
                      LongPrintCase{"Row30AloneLong", 30, 7, true, 100000, 1}),
    CaseName());

}  // namespace
