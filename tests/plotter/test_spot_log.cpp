// The spot log: read as fields, five a record whatever the line ends; the latest-spot line;
// logs as receiving programs write them; and the boxes of the failure cases.
#include "platform/keys.h"
#include "tests/plotter/plotter_harness.h"

namespace {

class SpotLogTest : public PlotterTest {};

// One record of each kind; the last one ends up in the latest-spot line.
const std::vector<std::string> three_records = {"G4XYZ,x,06:00:00,-10,-20", "ZZ1ZZ,x,12:00:00,5,-30",
                                                "K1JT,x,18:00:00,0,-5"};

void expect_three_records_plotted() {
  EXPECT_EQ(pixel(176, 215), attr::light_red);  // G4XYZ's dot: slot 2, -10 dB at 06:00
  EXPECT_EQ(pixel(320, 119), attr::black);      // ZZ1ZZ: an other spot, 5 dB at 12:00
  EXPECT_EQ(pixel(464, 151), attr::light_grey);  // K1JT: slot 3, 0 dB at 18:00
  EXPECT_EQ(row_text(29, 19, 6), "ZZ1ZZ ");
  EXPECT_EQ(row_text(26, 50, 12), "Latest spot:");
  EXPECT_EQ(row_text(27, 50, 23), "K1JT 18:00:00  0 dB    ");
}

struct LineEndCase {
  const char* name;
  const char* line_end;
  bool last_line_end;
};
void PrintTo(const LineEndCase& c, std::ostream* out) { *out << c.name; }

class LineEndTest : public PlotterTest, public ::testing::WithParamInterface<LineEndCase> {};

TEST_P(LineEndTest, EveryLineEndEndsAFieldAlike) {
  const LineEndCase& c = GetParam();
  std::string log = std::string("RxSpot") + c.line_end;
  for (std::size_t i = 0; i < three_records.size(); ++i)
    log += three_records[i] + (i + 1 < three_records.size() || c.last_line_end ? c.line_end : "");
  write_setup("spots.csv", "Y", standard_calls);
  write_file("spots.csv", log);
  run_passes(1);
  EXPECT_TRUE(message_boxes.boxes().empty());
  expect_three_records_plotted();
}

INSTANTIATE_TEST_SUITE_P(Logs, LineEndTest,
                         ::testing::Values(LineEndCase{"CrLf", "\r\n", true}, LineEndCase{"Lf", "\n", true},
                                           LineEndCase{"Cr", "\r", true}, LineEndCase{"LfCr", "\n\r", true},
                                           LineEndCase{"NoLineEndAfterTheLast", "\r\n", false}),
                         CaseName());

TEST_F(SpotLogTest, AByteOrderMarkIsPartOfTheDroppedHeading) {
  write_setup("spots.csv", "Y", standard_calls);
  std::string log = "\xEF\xBB\xBFRxSpot\r\n";
  for (const auto& record : three_records) log += record + "\r\n";
  write_file("spots.csv", log);
  run_passes(1);
  EXPECT_TRUE(message_boxes.boxes().empty());
  expect_three_records_plotted();
}

// The latest-spot line for one record: the six items from row 27, column 50.
struct LatestCase {
  const char* name;
  std::string record;
  std::string row_27;  // from column 50
  std::string row_28;  // from column 1, when the line wraps
};
void PrintTo(const LatestCase& c, std::ostream* out) { *out << c.name; }

class LatestSpotTest : public PlotterTest, public ::testing::WithParamInterface<LatestCase> {};

TEST_P(LatestSpotTest, SixItemsFromColumn50) {
  const LatestCase& c = GetParam();
  plot_records({c.record});
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_EQ(row_text(26, 50, 12), "Latest spot:");
  EXPECT_EQ(row_text(27, 50, static_cast<int>(c.row_27.size())), c.row_27);
  for (int column = 50; column < 50 + static_cast<int>(c.row_27.size()); ++column)
    EXPECT_EQ(cell_ink(27, column), attr::black);
  if (!c.row_28.empty()) {
    EXPECT_EQ(row_text(28, 1, static_cast<int>(c.row_28.size())), c.row_28);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LatestSpotTest,
    ::testing::Values(LatestCase{"Negative", "K1ABC,x,12:30:00,-12,-20", "K1ABC 12:30:00 -12 dB    ", ""},
                      LatestCase{"Zero", "K1ABC,x,12:30:00,0,-20", "K1ABC 12:30:00  0 dB    ", ""},
                      LatestCase{"PlusSign", "K1ABC,x,12:30:00,+7,-20", "K1ABC 12:30:00  7 dB    ", ""},
                      LatestCase{"HalfDecibel", "K1ABC,x,12:30:00,-12.5,-20", "K1ABC 12:30:00 -12.5 dB    ", ""},
                      LatestCase{"NotANumber", "K1ABC,x,12:30:00,abc,-20", "K1ABC 12:30:00  0 dB    ", ""},
                      // 20 + 1 + 8 + 1 reach column 79; " 5 " would pass column 80 and starts row 28.
                      LatestCase{"LongCallWraps", "ABCDEFGHIJKLMNOPQRST,x,12:30:00,5,-20",
                                 "ABCDEFGHIJKLMNOPQRST 12:30:00 ", " 5 dB    "},
                      // A tab in column 52 writes blanks through column 56.
                      LatestCase{"TabInACall", "K1\tJT,x,12:30:00,-3,-20", "K1     JT 12:30:00 -3 dB    ", ""}),
    CaseName());

TEST_F(SpotLogTest, The22BlanksLeaveTheTailOfALongerLineFromColumn72) {
  plot_records({"ABCDEFGHIJ,x,12:30:00,-12,-20", "AB,x,12:30:00,-1,-20"});
  // The first line took columns 50 to 79 ("... -12 dB    "), the second 50 to 70.
  EXPECT_EQ(row_text(27, 50, 21), "AB 12:30:00 -1 dB    ");
  EXPECT_TRUE(cell_is_paper(27, 71));
  EXPECT_EQ(row_text(27, 72, 4), "2 dB");
}

TEST_F(SpotLogTest, AFiveFieldHeadingPutsEveryRecordOutOfStep) {
  write_setup("spots.csv", "Y", standard_calls);
  write_file("spots.csv", "Call,Info,Time,SNR,S\r\nG4XYZ,x,06:00:00,-10,-20\r\n");
  run_passes(1);
  // Record 1 is "Info,Time,SNR,S" and "G4XYZ"; record 2 "x,06:00:00,-10,-20" and the end.
  EXPECT_EQ(box_errors_and_steps(), (std::vector<std::pair<int, int>>{{62, 286}}));
  EXPECT_EQ(row_text(27, 50, 16), "x -10 -20 dB    ");
}

TEST_F(SpotLogTest, AnOverflowLeavesTheReadingForTheNextRecord) {
  plot_records({"K1JT,x,12:00:00,1E39,-5", "G4XYZ,x,06:00:00,-10,-20"});
  // SNR 0 and the reading unread: record 2 begins with "-5", and record 3 with "-20" meets the end.
  EXPECT_EQ(box_errors_and_steps(), (std::vector<std::pair<int, int>>{{6, 286}, {62, 286}}));
  EXPECT_EQ(pixel(320, 151), attr::light_grey);  // K1JT at 0 dB
  EXPECT_EQ(row_text(27, 50, 15), "-20 x  6 dB    ");
}

TEST_F(SpotLogTest, AnEmptyLineAfterTheLastRecordIsARecordOfKeptValues) {
  write_setup("spots.csv", "Y", standard_calls);
  write_file("spots.csv", "RxSpot\r\nK1ABC,x,12:30:00,-5,-20\r\n\r\n");
  run_passes(1);
  EXPECT_EQ(box_errors_and_steps(), (std::vector<std::pair<int, int>>{{62, 286}}));
  EXPECT_EQ(row_text(27, 50, 19), " 12:30:00 -5 dB    ");
}

TEST_F(SpotLogTest, EmptyAndHeadingOnlyLogs) {
  write_setup("spots.csv", "Y", standard_calls);
  write_file("spots.csv", "");
  write_file("heading.csv", "RxSpot\r\n");
  before_pass(2, [&] {
    // An empty log: one box at step 283, then the end test ends the loop; nothing is drawn.
    EXPECT_EQ(box_errors_and_steps(), (std::vector<std::pair<int, int>>{{62, 283}}));
    EXPECT_TRUE(cell_is_paper(26, 50));
    message_boxes.clear();
    write_setup("heading.csv", "Y", standard_calls);
  });
  run_passes(101);
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_TRUE(cell_is_paper(26, 50));  // no record has ever been read: no latest-spot block
}

TEST_F(SpotLogTest, ARecordCutShortIsShownWithKeptValuesAndReadWholeAtTheNextRefresh) {
  write_setup("spots.csv", "Y", standard_calls);
  // The receiving program is writing G4XYZ's record as the refresh reads it.
  write_file("spots.csv", "RxSpot\r\nK1JT,x,12:00:00,-5,-20\r\nG4XY");
  on_box([&](const ShownBox&) {
    if (clock.now() < pass_start_ms(2)) append_file("spots.csv", "Z,x,06:00:00,-10,-20\r\nPY2AA,x,20:00:00,3,0\r\n");
  });
  std::string line_after_pass_1, list_after_pass_1;
  before_pass(2, [&] {
    line_after_pass_1 = row_text(27, 50, 19);
    list_after_pass_1 = row_text(29, 19, 5);
  });
  run_passes(101);
  // Pass 1: G4XY with the time and numbers of the record before it; the read that met the end
  // ends the loop, although the file has grown meanwhile.
  ASSERT_EQ(box_errors_and_steps(), (std::vector<std::pair<int, int>>{{62, 286}}));
  EXPECT_EQ(line_after_pass_1, "G4XY 12:00:00 -5 dB");
  EXPECT_EQ(list_after_pass_1, "G4XY ");
  // Pass 101 reads the record whole, and the one after it.
  EXPECT_EQ(pixel(176, 215), attr::light_red);  // G4XYZ, slot 2, -10 dB at 06:00
  EXPECT_EQ(pixel(512, 132), attr::red);        // PY2AA, slot 6, 3 dB at 20:00
  EXPECT_TRUE(cell_is_paper(29, 19));
  EXPECT_EQ(row_text(27, 50, 24), "PY2AA 20:00:00  3 dB    ");
}

TEST_F(SpotLogTest, ALogExtendedDuringTheRefreshIsReadToItsNewEnd) {
  write_setup("spots.csv", "Y", standard_calls);
  // A byte 7 in the time text waits 250 ms when the latest-spot line prints it; meanwhile the
  // receiving program appends a record.
  write_file("spots.csv", "RxSpot\r\nK1JT,x,12:00:00\a,-5,-20\r\n");
  clock.at(pass_start_ms(1) + 100, [&] { append_file("spots.csv", "G4XYZ,x,06:00:00,-10,-20\r\n"); });
  run_passes(1, 250);
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_EQ(pixel(320, 183), attr::light_grey);  // K1JT, -5 dB at 12:00
  EXPECT_EQ(pixel(176, 215), attr::light_red);   // G4XYZ, read in the same refresh
  EXPECT_EQ(row_text(27, 50, 24), "G4XYZ 06:00:00 -10 dB   ");
}

// The sound behaviour where the log cannot be opened: one box each at steps 282, 283 and 284,
// then the pass goes on, Escape works, and the next refresh tries the log again.
struct MissingLogCase {
  const char* name;
  const char* log_path;
  int open_error;
};
void PrintTo(const MissingLogCase& c, std::ostream* out) { *out << c.name; }

class MissingLogTest : public PlotterTest, public ::testing::WithParamInterface<MissingLogCase> {};

TEST_P(MissingLogTest, ThreeBoxesOnceAPassThenTheLogIsTriedAgain) {
  const MissingLogCase& c = GetParam();
  write_setup(c.log_path, "Y", standard_calls);
  std::vector<std::pair<int, int>> after_pass_1;
  before_pass(2, [&] {
    after_pass_1 = box_errors_and_steps();
    message_boxes.clear();
    write_setup("spots.csv", "Y", standard_calls);
    write_log("spots.csv", {"G4XYZ,x,06:00:00,-10,-20"});
  });
  run_passes(101);
  EXPECT_EQ(after_pass_1, (std::vector<std::pair<int, int>>{{c.open_error, 282}, {52, 283}, {52, 284}}));
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_EQ(pixel(176, 215), attr::light_red);
}

INSTANTIATE_TEST_SUITE_P(Paths, MissingLogTest,
                         ::testing::Values(MissingLogCase{"MissingFile", "nothere.csv", 53},
                                           MissingLogCase{"MissingFolder", "nofolder/spots.csv", 76}),
                         CaseName());

TEST_F(SpotLogTest, WithTheLogMissingEscapeStillEndsTheProgram) {
  write_setup("nothere.csv", "Y", standard_calls);
  push_character_key(27);
  clock.at(pass_start_ms(1) + 50, [] { push_character_key('k'); });
  const RunEnd end = run_passes(3);
  EXPECT_EQ(box_steps(), (std::vector<int>{282, 283, 284}));
  EXPECT_TRUE(end.process_ended);
  EXPECT_EQ(end.exit_code, 0);
  EXPECT_EQ(row_text(30, 1, 25), "Press any key to continue");
}

}  // namespace
