// What a spot log may hold besides records: 100 MB without a line end, NUL bytes, random bytes,
// control bytes, numbers at and past the single-precision range, &H and &O numbers, 300 digits.
// Each gives the boxes that the failure rules give and a picture that the print and drawing
// rules account for; none crashes, hangs or leaves a corrupted picture.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <tuple>

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


// ---- A log of 100 MB without a line end ------------------------------------------------------

constexpr size_t huge_log_bytes = size_t{100} << 20;

// Writes `heading` and then `count` bytes of `fill`, streamed.
void write_long_log(const std::filesystem::path& file, const std::string& heading, char fill, size_t count) {
  std::ofstream out(file, std::ios::binary);
  out << heading;
  const std::string chunk(1 << 20, fill);
  for (size_t left = count; left > 0;) {
    const size_t piece = std::min(left, chunk.size());
    out.write(chunk.data(), static_cast<std::streamsize>(piece));
    left -= piece;
  }
}

TEST_F(LogContents, HundredMegabytesOfZeroBytesAreOneDroppedFirstField) {
  write_setup("spots.csv", "Y", standard_calls);
  // A sparse file: every byte reads as 0, none is a comma or a line end.
  const int fd = ::open((folder.path() / "spots.csv").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(huge_log_bytes)), 0);
  ::close(fd);
  const RunEnd end = run_refreshes(2);
  EXPECT_FALSE(end.process_ended);
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_TRUE(cell_is_paper(26, 50)) << "no record: no latest-spot block";
  EXPECT_TRUE(cell_is_paper(29, 19));
  EXPECT_EQ(pixel(320, 151), attr::white);
}

TEST_F(LogContents, HundredMegabytesOfOneCallScrollTheTextAreaAsPrintingDefines) {
  write_setup("spots.csv", "Y", standard_calls);
  // The heading, then a call that never ends: the record is cut short at its second field.
  write_long_log(folder.path() / "spots.csv", "RxSpot\r\n", 'A', huge_log_bytes);
  const RunEnd end = run_refreshes(2);
  EXPECT_FALSE(end.process_ended);
  EXPECT_EQ(box_errors_and_steps(), (BoxList{{62, 286}, {62, 286}}));
  // The latest-spot line starts on row 28 and scrolls rows 1 to 29 until only the call's last
  // rows are left (its length is a whole number of rows); the rest of the line follows on row
  // 29, and the list of other calls shows the call's first 56 characters from column 19.
  static_assert(huge_log_bytes % 80 == 0);
  for (int row = 1; row <= 28; ++row) EXPECT_EQ(row_text(row, 1, 80), std::string(80, 'A')) << "row " << row;
  EXPECT_EQ(row_text(29, 1, 80), "   0 dB" + std::string(11, ' ') + std::string(56, 'A') + std::string(6, ' '));
  // The record's black point, at 00:00 and 0 dB, went into the scrolled text.
  EXPECT_EQ(pixel(32, 151), attr::black);
  EXPECT_EQ(plotter_state.other_calls.size(), huge_log_bytes + 1);
}

// ---- A field past its bound ----------------------------------------------------------------------

TEST_F(LogContents, ARecordFieldPastItsBoundEndsTheLogAfterItsBox) {
  write_setup("spots.csv", "Y", standard_calls);
  // K1JT's record; then W1AW's, whose second field runs past the bound (a hole of zero bytes)
  // into a record of G4XYZ that is never read.
  const std::string head = "RxSpot\r\n" + record("K1JT", 12, 0, -5) + "\r\nW1AW,";
  write_file("spots.csv", head);
  const int fd = ::open((folder.path() / "spots.csv").c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  const std::string tail = "\r\n" + record("G4XYZ", 6, 0, -10) + "\r\n";
  const auto at = static_cast<off_t>(head.size() + longest_field + 1);
  ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), at), static_cast<ssize_t>(tail.size()));
  ::close(fd);
  const RunEnd end = run_refreshes(2);
  EXPECT_FALSE(end.process_ended);
  // One box a refresh; the record keeps K1JT's other fields, so W1AW's point lands on K1JT's dot.
  EXPECT_EQ(box_errors_and_steps(), (BoxList{{14, 286}, {14, 286}}));
  EXPECT_EQ(row_text(27, 50, 22), "W1AW 12:00:00 -5 dB   ");
  EXPECT_EQ(pixel(323, 183), attr::light_grey);
  EXPECT_EQ(pixel(320, 183), attr::black);
  EXPECT_EQ(pixel(176, 215), attr::white) << "G4XYZ, past the long field, was read";
  EXPECT_EQ(row_text(29, 19, 5), "W1AW ");
}

// ---- Logs of NUL bytes, random bytes and control bytes ------------------------------------------

TEST_F(LogContents, NulBytesAreBytesLikeAnyOther) {
  write_setup("spots.csv", "Y", standard_calls);
  const std::string nul(1, '\0');
  // A record of NUL fields: no digits in the numbers, so 0 dB at 00:00; then one for K1JT.
  write_file("spots.csv", "RxSpot\r\n" + nul + nul + "," + nul + "," + nul + nul + ":00:00," + nul + "," + nul +
                              "\r\n" + record("K1JT", 12, 0, -5) + "\r\n" + std::string(20, '\0'));
  run_refreshes(1);
  // The twenty NULs at the end are one more call, cut short at its second field; the record
  // keeps K1JT's time and numbers, so its black point lands on K1JT's dot.
  EXPECT_EQ(box_errors_and_steps(), (BoxList{{62, 286}}));
  EXPECT_EQ(pixel(32, 151), attr::black);         // the NUL call: an other spot at 00:00, 0 dB
  EXPECT_EQ(pixel(323, 183), attr::light_grey);  // K1JT: slot 3, -5 dB at 12:00
  EXPECT_EQ(pixel(320, 183), attr::black);
  const Text list = plotter_state.other_calls;
  EXPECT_EQ(list.substr(0, 3), nul + nul + " ");
}

TEST_F(LogContents, RandomBytesEndTheRefreshWithTheBoxesOfFieldsAlone) {
  // Random bytes with and without the byte 26, which ends the file where it stands.
  for (const bool with_26 : {false, true}) {
    SCOPED_TRACE(with_26 ? "with byte 26" : "without byte 26");
    fresh_start();
    message_boxes.clear();
    ByteSource bytes(with_26 ? 26 : 8);
    std::string log;
    while (log.size() < 256 * 1024) {
      const uint8_t b = bytes.next();
      if (with_26 || b != 26) log += static_cast<char>(b);
    }
    write_setup("spots.csv", "Y", standard_calls);
    write_file("spots.csv", log);
    after_each_refresh([&](int refresh) {
      if (refresh == 1) write_log("spots.csv", {record("K1JT", 12, 0, -5), record("W1AW", 6, 0, 0)});
    });
    const RunEnd end = run_refreshes(2);
    EXPECT_FALSE(end.process_ended);
    EXPECT_EQ(boxes_other_than({{62, 286}, {6, 286}}), BoxList{});
    // The next refresh draws the chart and the log afresh, whatever the random bytes printed.
    EXPECT_EQ(pixel(320, 183), attr::light_grey);
    EXPECT_EQ(pixel(176, 151), attr::black);
    EXPECT_EQ(row_text(26, 50, 12), "Latest spot:");
    EXPECT_EQ(row_text(27, 50, 22), "W1AW 06:00:00  0 dB   ");
  }
}

// One record whose call holds control bytes, printed as print_text defines them: in the
// latest-spot line (from row 27, column 50) and in the list of other calls (row 29, column 19).
struct ControlCase {
  const char* name;
  std::string call;  // as the log holds it (quoted where it holds a line end)
  std::vector<std::tuple<int, int, std::string>> texts;  // row, column, bytes shown there
  int bells;         // 250-ms waits
};
void PrintTo(const ControlCase& c, std::ostream* out) { *out << c.name; }

class ControlBytesTest : public RobustnessTest, public ::testing::WithParamInterface<ControlCase> {};

TEST_P(ControlBytesTest, PrintedAsPrintingDefinesThem) {
  const ControlCase& c = GetParam();
  write_setup("spots.csv", "Y", standard_calls);
  write_file("spots.csv", "RxSpot\r\n" + c.call + ",FT8,12:00:00,-5,-20\r\n");
  run_refreshes(1);
  EXPECT_TRUE(message_boxes.boxes().empty());
  for (const auto& [row, column, text] : c.texts)
    EXPECT_EQ(row_text(row, column, static_cast<int>(text.size())), text) << "row " << row << ", column " << column;
  const auto& sleeps = clock.sleeps();
  EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 250), c.bells);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ControlBytesTest,
    ::testing::Values(
        // Each bell waits and paints nothing: in the call and the list.
        ControlCase{"Bell", "K\a1", {{27, 50, "K1 12:00:00 -5 dB    "}, {29, 19, "K1 "}}, 2},
        // A tab writes blanks through the next multiple of 8.
        ControlCase{"Tab", "A\tB", {{27, 50, "A      B 12:00:00 -5 dB    "}, {29, 19, "A     B "}}, 0},
        // Home: the rest goes to row 1, column 1.
        ControlCase{"Home", "A\vB", {{27, 50, "A                     "}, {1, 1, "B 12:00:00 -5 dB    "}, {29, 19, "A "}}, 0},
        // Up one row: into "Latest spot:" and, from the list, into row 28.
        ControlCase{"Up", "A\x1e" "B", {{26, 50, "LB 12:00:00 -5 dB    "}, {27, 50, "A "}, {29, 19, "A "}, {28, 20, "B "}}, 0}),
    CaseName());

TEST_F(LogContents, AFormFeedInACallClearsTheScreenEachTimeItIsPrinted) {
  write_setup("spots.csv", "Y", standard_calls);
  write_file("spots.csv", "RxSpot\r\nAB\fCD,FT8,12:00:00,-5,-20\r\n");
  run_refreshes(1);
  EXPECT_TRUE(message_boxes.boxes().empty());
  // The list of other calls is printed last: its form feed clears everything, the spot's point
  // too, and "CD " follows in row 1.
  EXPECT_EQ(row_text(1, 1, 80), "CD" + std::string(78, ' '));
  EXPECT_FALSE(cell_is_paper(1, 1));
  EXPECT_FALSE(cell_is_paper(1, 2));
  int inked_elsewhere = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = y < 16 ? 16 : 0; x < 640; ++x) inked_elsewhere += pixel(x, y) != attr::cream;
  EXPECT_EQ(inked_elsewhere, 0);
}

TEST_F(LogContents, ALineEndInAQuotedCallTakesNewLinesAndScrollsTheWholeArea) {
  write_setup("spots.csv", "Y", standard_calls);
  write_file("spots.csv", "RxSpot\r\n\"A\r\nB\",FT8,12:00:00,-5,-20\r\n");
  run_refreshes(1);
  EXPECT_TRUE(message_boxes.boxes().empty());
  // The latest-spot line: "A" at row 27, "B" and the rest on row 29. The list's "A" in row 29,
  // then two new lines from row 29: everything moves up two rows, 32 pixels.
  EXPECT_EQ(row_text(25, 50, 1), "A");
  EXPECT_EQ(row_text(27, 1, 22), "B 12:00:00 -5 dB  A   ");
  EXPECT_EQ(row_text(29, 1, 3), "B  ");
  EXPECT_EQ(row_text(24, 50, 12), "Latest spot:");
  EXPECT_EQ(pixel(320, 183 - 32), attr::black);  // the spot's point, two rows higher
  EXPECT_EQ(pixel(320, 183), attr::white);
}

// ---- Numbers at and past the single-precision range, &H and &O, 300 digits ---------------------

// One record of W1AW, an other spot at 12:05, with the fields given: the boxes, what the
// latest-spot line shows from row 27, column 50, and the row of the black point (-1: none,
// the height lying beyond the screen).
struct NumberCase {
  const char* name;
  std::string snr, smeter;
  BoxList boxes;
  std::string line;
  int point_y;
};
void PrintTo(const NumberCase& c, std::ostream* out) { *out << c.name; }

class NumberFieldTest : public RobustnessTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(NumberFieldTest, GivesItsBoxesLineAndPoint) {
  const NumberCase& c = GetParam();
  write_setup("spots.csv", "Y", standard_calls);
  write_file("spots.csv", "RxSpot\r\nW1AW,FT8,12:05:00," + c.snr + "," + c.smeter + "\r\n");
  run_refreshes(1);
  EXPECT_EQ(box_errors_and_steps(), c.boxes);
  EXPECT_EQ(row_text(27, 50, static_cast<int>(c.line.size())), c.line);
  constexpr int x = 322;
  if (c.point_y >= 0) {
    EXPECT_EQ(pixel(x, c.point_y), attr::black);
  } else {
    for (int y = 24; y <= 365; ++y) EXPECT_NE(pixel(x, y), attr::black) << "y " << y;
  }
}

const BoxList no_box;
std::string run_of(const char* head, char digit, size_t count, const char* tail) {
  std::string text(head);
  text.append(count, digit);
  return text.append(tail);
}
// An overflowing SNR becomes 0 and leaves the S-meter reading unread: it is the next record's
// call, whose second field meets the end of the file.
const BoxList snr_overflow = {{6, 286}, {62, 286}};
const std::string after_snr_overflow = "-20 12:05:00  0 dB";

INSTANTIATE_TEST_SUITE_P(
    Numbers, NumberFieldTest,
    ::testing::Values(
        NumberCase{"AtTheTop", "3.402823466E+38", "-20", no_box, "W1AW 12:05:00  3.402823E+38", -1},
        NumberCase{"PastTheTop", "3.402823467E+38", "-20", snr_overflow, after_snr_overflow, 151},
        NumberCase{"AtTheBottom", "-3.402823466E+38", "-20", no_box, "W1AW 12:05:00 -3.402823E+38", -1},
        NumberCase{"FarBelowTheBottom", "-1E+300", "-20", no_box, "W1AW 12:05:00 -", -1},
        NumberCase{"OneE308", "1E+308", "-20", snr_overflow, after_snr_overflow, 151},
        NumberCase{"OneE309", "1E+309", "-20", snr_overflow, after_snr_overflow, 151},
        NumberCase{"SmallestSingle", "1E-45", "-20", no_box, "W1AW 12:05:00  1.401298E-45 ", 151},
        NumberCase{"BelowTheSmallestSingle", "1E-46", "-20", no_box, "W1AW 12:05:00  0 dB", 151},
        NumberCase{"BelowTheSmallestDouble", "1E-400", "-20", no_box, "W1AW 12:05:00  0 dB", 151},
        NumberCase{"NegativeZero", "-0", "-20", no_box, "W1AW 12:05:00  0 dB", 151},
        NumberCase{"PlusSign", "+15", "-20", no_box, "W1AW 12:05:00  15 dB", 55},
        NumberCase{"Hex", "&H10", "-20", no_box, "W1AW 12:05:00  16 dB", 49},
        NumberCase{"HexAllOnes", "&HFFFFFFFFFFFFFFFF", "-20", no_box, "W1AW 12:05:00 -1 dB", 157},
        NumberCase{"HexLargest", "&H7FFFFFFFFFFFFFFF", "-20", no_box, "W1AW 12:05:00  9.223372E+18 ", -1},
        NumberCase{"HexRoundedOnce", "&H4000004000000001", "-20", no_box, "W1AW 12:05:00  4.611687E+18 ", -1},
        NumberCase{"HexSeventeenDigits", "&H10000000000000000", "-20", snr_overflow, after_snr_overflow, 151},
        NumberCase{"HexLeadingZerosCount", "&H00000000000000010", "-20", snr_overflow, after_snr_overflow, 151},
        NumberCase{"Octal", "&O17", "-20", no_box, "W1AW 12:05:00  15 dB", 55},
        NumberCase{"OctalAllOnes", "&O1777777777777777777777", "-20", no_box, "W1AW 12:05:00 -1 dB", 157},
        NumberCase{"OctalPastRange", "&O2000000000000000000000", "-20", snr_overflow, after_snr_overflow, 151},
        NumberCase{"AmpersandAlone", "&H", "-20", no_box, "W1AW 12:05:00  0 dB", 151},
        NumberCase{"AmpersandAndALetter", "&X5", "-20", no_box, "W1AW 12:05:00  0 dB", 151},
        NumberCase{"ThreeHundredDigits", run_of("1", '0', 299, ""), "-20", snr_overflow, after_snr_overflow, 151},
        NumberCase{"ThreeHundredZeros", std::string(300, '0'), "-20", no_box, "W1AW 12:05:00  0 dB", 151},
        NumberCase{"ThreeHundredDecimals", run_of("0.", '0', 298, "1"), "-20", no_box, "W1AW 12:05:00  0 dB", 151},
        NumberCase{"TwoHundredFiftySixDigits", run_of("", '1', 256, "E-250"), "-20", no_box,
                   "W1AW 12:05:00  111111.1 dB", -1},
        NumberCase{"TwoHundredFiftySevenDigits", run_of("", '1', 257, "E-251"), "-20", snr_overflow,
                   after_snr_overflow, 151},
        NumberCase{"ReadingPastTheTop", "-5", "1E39", {{6, 286}}, "W1AW 12:05:00 -5 dB", 183},
        NumberCase{"ReadingHexOverflow", "-5", "&HFFFFFFFFFFFFFFFFF", {{6, 286}}, "W1AW 12:05:00 -5 dB", 183}),
    CaseName());
}  // namespace
