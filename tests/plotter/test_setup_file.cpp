// The setup file, read afresh at every refresh: what its field rules make of each value, and the
// boxes of a missing, short or empty file.
#include "platform/title.h"
#include "tests/plotter/plotter_harness.h"

namespace {

// Where the legend prints each slot's call.
constexpr int slot_row[6] = {26, 27, 28, 26, 27, 28};
constexpr int slot_column[6] = {12, 12, 12, 25, 25, 25};

// The values the legend and the title show: each call's cells, then paper after it.
void expect_shown(const std::string& log_path, bool smeter_on, const TrackedCalls& calls) {
  EXPECT_EQ(current_window_title(), base_title + "    " + log_path);
  if (smeter_on) {
    EXPECT_EQ(row_text(26, 38, 7), "S Meter");
    EXPECT_EQ(row_text(3, 78, 2), "S9");
  } else {
    EXPECT_TRUE(cell_is_paper(26, 38));
    EXPECT_TRUE(cell_is_paper(3, 78));
  }
  for (int slot = 0; slot < 6; ++slot) {
    SCOPED_TRACE("slot " + std::to_string(slot + 1));
    const auto& call = calls[static_cast<std::size_t>(slot)];
    EXPECT_EQ(row_text(slot_row[slot], slot_column[slot], static_cast<int>(call.size())), call);
    EXPECT_TRUE(cell_is_paper(slot_row[slot], slot_column[slot] + static_cast<int>(call.size())));
  }
}

struct SetupCase {
  const char* name;
  std::string bytes;
  std::string log_path;
  bool smeter_on;
  TrackedCalls calls;
  std::vector<std::pair<int, int>> boxes;  // error number, step
};
void PrintTo(const SetupCase& c, std::ostream* out) { *out << c.name; }

const std::string six = "A1\r\nB2\r\nC3\r\nD4\r\nE5\r\nF6\r\n";
const TrackedCalls six_calls = {"A1", "B2", "C3", "D4", "E5", "F6"};

const SetupCase setup_cases[] = {
    {"Plain", "log.csv\r\nY\r\n" + six, "log.csv", true, six_calls, {}},
    {"BlanksAndTabsAroundY", "  log.csv \r\n Y \t\r\n" + six, "log.csv", true, six_calls, {}},
    {"LowerCaseY", "log.csv\r\ny\r\n" + six, "log.csv", false, six_calls, {}},
    {"YFollowedByMore", "log.csv\r\nYES\r\n" + six, "log.csv", false, six_calls, {}},
    {"QuotedYWithABlank", "log.csv\r\n\" Y\"\r\n" + six, "log.csv", false, six_calls, {}},
    {"QuotedPathWithAComma", "\"my,log.csv\"\r\nY\r\n" + six, "my,log.csv", true, six_calls, {}},
    // Unquoted, the comma ends the value: every later value moves one place on.
    {"UnquotedPathWithAComma", "my,log.csv\r\nY\r\n" + six, "my", false, {"Y", "A1", "B2", "C3", "D4", "E5"}, {}},
    {"BlankLineAfterThePath", "log.csv\r\n\r\nY\r\n" + six, "log.csv", false, {"Y", "A1", "B2", "C3", "D4", "E5"}, {}},
    {"LinesAfterTheEighthIgnored", "log.csv\r\nY\r\n" + six + "G7\r\nH8\r\n", "log.csv", true, six_calls, {}},
    {"LastValueWithoutLineEnd", "log.csv\r\nY\r\nA1\r\nB2\r\nC3\r\nD4\r\nE5\r\nF6", "log.csv", true, six_calls, {}},
    {"LineFeedsOnly", "log.csv\nY\nA1\nB2\nC3\nD4\nE5\nF6\n", "log.csv", true, six_calls, {}},
    {"CarriageReturnsOnly", "log.csv\rY\rA1\rB2\rC3\rD4\rE5\rF6\r", "log.csv", true, six_calls, {}},
    {"OnlyTheLogPath", "log.csv\r\n", "log.csv", false, {},
     {{62, 149}, {62, 150}, {62, 151}, {62, 152}, {62, 153}, {62, 154}, {62, 155}}},
    {"FourValues", "log.csv\r\nY\r\nA1\r\nB2\r\n", "log.csv", true, {"A1", "B2", "", "", "", ""},
     {{62, 152}, {62, 153}, {62, 154}, {62, 155}}},
};

class SetupFileTest : public PlotterTest, public ::testing::WithParamInterface<SetupCase> {};

TEST_P(SetupFileTest, ValuesReadAsTheFieldRulesSay) {
  const SetupCase& c = GetParam();
  write_file("Orbelin020.SET", c.bytes);
  write_log(c.log_path, {});
  run_passes(1);
  EXPECT_EQ(box_errors_and_steps(), c.boxes);
  expect_shown(c.log_path, c.smeter_on, c.calls);
}

INSTANTIATE_TEST_SUITE_P(Fields, SetupFileTest, ::testing::ValuesIn(setup_cases), CaseName());

class SetupFileFailureTest : public PlotterTest {};

TEST_F(SetupFileFailureTest, AnEmptyFileGivesEightBoxesAndEmptyValues) {
  write_file("Orbelin020.SET", "");
  run_passes(1);
  const auto shown = box_errors_and_steps();
  ASSERT_GE(shown.size(), 8u);
  for (int step = 148; step <= 155; ++step) EXPECT_EQ(shown[static_cast<std::size_t>(step - 148)], std::make_pair(62, step));
  // Then the empty log path fails to open, and the record loop ends after its failed test.
  const std::vector<int> steps = box_steps();
  EXPECT_EQ(std::vector(steps.begin() + 8, steps.end()), (std::vector<int>{282, 283, 284}));
  expect_shown("", false, {});
}

TEST_F(SetupFileFailureTest, DeletedWhileRunningGivesNineBoxesAndKeepsTheValuesReadBefore) {
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {"K1JT,x,12:00:00,0,0"});
  before_pass(2, [&] {
    message_boxes.clear();
    remove_file("Orbelin020.SET");
    set_pixel(320, 151, attr::white);  // the dot's centre: drawn again only if the log is read again
  });
  run_passes(101);
  const std::vector<std::pair<int, int>> expected = {{53, 147}, {52, 148}, {52, 149}, {52, 150}, {52, 151},
                                                     {52, 152}, {52, 153}, {52, 154}, {52, 155}};
  EXPECT_EQ(box_errors_and_steps(), expected);
  expect_shown("spots.csv", true, standard_calls);
  EXPECT_EQ(pixel(320, 151), attr::light_grey);  // K1JT, slot 3, plotted from the log the old path names
}

TEST_F(SetupFileFailureTest, AnEditTakesEffectAtTheNextRefresh) {
  write_setup("one.csv", "Y", standard_calls);
  write_log("one.csv", {});
  write_log("two.csv", {});
  before_pass(50, [&] { write_setup("two.csv", "N", {"K1ABC", "", "", "", "", ""}); });
  run_passes(101);
  EXPECT_TRUE(message_boxes.boxes().empty());
  // Slot 1 keeps the tail of the longer call before it; the S-meter entry and scale are gone.
  EXPECT_EQ(current_window_title(), base_title + "    two.csv");
  EXPECT_EQ(row_text(26, 12, 6), "K1ABCC");
  EXPECT_TRUE(cell_is_paper(26, 38));
  EXPECT_TRUE(cell_is_paper(3, 78));
}

}  // namespace
