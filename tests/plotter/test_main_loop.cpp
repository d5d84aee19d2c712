// The spine: start-up, the refresh on pass 1 and every 100th pass after it, Escape, file 1.
#include "platform/keys.h"
#include "platform/lifecycle.h"
#include "platform/title.h"
#include "tests/plotter/plotter_harness.h"

namespace {

class MainLoopTest : public PlotterTest {};

TEST_F(MainLoopTest, StartUpTitlesTheWindowFirstThenSelectsTheScreenAndPalette) {
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {});
  Text title_during_pause;
  int32_t mode_during_pause = -1;
  clock.at(500, [&] {
    title_during_pause = current_window_title();
    mode_during_pause = screen_state().mode;
  });
  run_passes(1);
  // Set at step 15, before the one-second pause; the screen mode comes after it.
  EXPECT_EQ(title_during_pause, base_title);
  EXPECT_EQ(mode_during_pause, 0);
  EXPECT_EQ(screen_state().mode, 12);
  EXPECT_EQ(screen_state().palette[0], 0xFFFBCFu);   // cream
  EXPECT_EQ(screen_state().palette[14], 0xFFFFFFu);  // white
  EXPECT_EQ(screen_state().palette[15], 0x000000u);  // black
  EXPECT_EQ(screen_state().palette[2], 0x00AA00u);   // the slot colours keep their defaults
  EXPECT_EQ(screen_state().palette[13], 0xFF55FFu);
  EXPECT_EQ(current_window_title(), base_title + "    spots.csv");
}

TEST_F(MainLoopTest, RefreshesOnTheFirstPassAndOnThe101stAndOnNoOther) {
  write_setup("spots.csv", "Y", {"AAAA", "", "", "", "", ""});
  write_log("spots.csv", {});
  int32_t counter_after_pass_1 = -1, counter_after_pass_100 = -1;
  Text slot_1_after_pass_100;
  uint8_t point_after_pass_100 = 0;
  before_pass(2, [&] {
    counter_after_pass_1 = plotter_state.refresh_counter;
    write_setup("spots.csv", "Y", {"BBBB", "", "", "", "", ""});
    set_pixel(100, 200, attr::black);  // inside the chart area: the next refresh's fill wipes it
  });
  before_pass(101, [&] {
    counter_after_pass_100 = plotter_state.refresh_counter;
    slot_1_after_pass_100 = row_text(26, 12, 4);
    point_after_pass_100 = pixel(100, 200);
  });
  run_passes(101);
  EXPECT_EQ(counter_after_pass_1, 0);
  EXPECT_EQ(counter_after_pass_100, 99);
  EXPECT_EQ(slot_1_after_pass_100, "AAAA");  // the setup file was not read again before pass 101
  EXPECT_EQ(point_after_pass_100, attr::black);
  EXPECT_EQ(row_text(26, 12, 4), "BBBB");
  EXPECT_EQ(pixel(100, 200), attr::white);
  EXPECT_EQ(plotter_state.refresh_counter, 0);
}

// Keys waiting before the first pass, one taken a pass; only the one-byte Escape ends the program.
struct EscapeCase {
  const char* name;
  std::vector<int> keys;  // a negative value is an extended key with that scan code
  int ending_pass;        // 0: never
};

void PrintTo(const EscapeCase& c, std::ostream* out) { *out << c.name; }

class EscapeTest : public PlotterTest, public ::testing::WithParamInterface<EscapeCase> {};

TEST_P(EscapeTest, EndsOnThePassItIsReadAfterThatPassesWork) {
  const EscapeCase& c = GetParam();
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {"G4XYZ,x,12:00:00,-10,-20"});
  for (int key : c.keys) {
    if (key < 0)
      push_extended_key(static_cast<uint8_t>(-key));
    else
      push_character_key(static_cast<uint8_t>(key));
  }
  const int last_pass = 6;
  if (c.ending_pass != 0) clock.at(pass_start_ms(c.ending_pass) + 50, [] { push_character_key('k'); });
  const RunEnd end = run_passes(last_pass);
  if (c.ending_pass == 0) {
    EXPECT_FALSE(end.process_ended);
    EXPECT_NE(row_text(30, 1, 25), "Press any key to continue");
    EXPECT_EQ(pixel(100, 465), attr::dark_grey);
    return;
  }
  ASSERT_TRUE(end.process_ended);
  EXPECT_EQ(end.exit_code, 0);
  // The counter shows the pass: 0 after pass 1, k - 1 after pass k.
  EXPECT_EQ(plotter_state.refresh_counter, c.ending_pass - 1);
  EXPECT_EQ(row_text(30, 1, 25), "Press any key to continue");
  EXPECT_EQ(cell_ink(30, 1), attr::black);
  EXPECT_EQ(pixel(100, 465), attr::cream);  // the legend box's bottom edge went with row 30
  EXPECT_EQ(pixel(100, 395), attr::dark_grey);
  EXPECT_EQ(row_text(27, 50, 5), "G4XYZ");  // the refresh of pass 1 came first
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EscapeTest,
    ::testing::Values(EscapeCase{"EscapeAlone", {27}, 1}, EscapeCase{"AfterOneKey", {'a', 27}, 2},
                      EscapeCase{"AfterThreeKeysOneExtended", {'a', -72, 'b', 27}, 4},
                      EscapeCase{"ExtendedKeyWithEscapesCode", {-27, 'q', 13}, 0},
                      EscapeCase{"NoKey", {}, 0}),
    CaseName());

TEST_F(MainLoopTest, PassesWithoutARefreshCloseFileOneQuietly) {
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {"G4XYZ,x,12:00:00,-10,-20"});
  run_passes(5);
  EXPECT_TRUE(message_boxes.boxes().empty());
}

TEST_F(MainLoopTest, WithoutASetupFileTheFirstRefreshShowsItsBoxesThenTheLogsAndGoesOn) {
  push_character_key(27);
  clock.at(pass_start_ms(1) + 50, [] { push_character_key('k'); });
  const RunEnd end = run_passes(3);
  const std::vector<std::pair<int, int>> expected_setup = {
      {53, 147}, {52, 148}, {52, 149}, {52, 150}, {52, 151}, {52, 152}, {52, 153}, {52, 154}, {52, 155}};
  const auto shown = box_errors_and_steps();
  ASSERT_EQ(shown.size(), 12u);
  EXPECT_EQ(std::vector(shown.begin(), shown.begin() + 9), expected_setup);
  // The empty log path cannot be opened; the record loop ends after its one failed test.
  EXPECT_EQ(shown[9].second, 282);
  EXPECT_EQ(shown[10], std::make_pair(52, 283));
  EXPECT_EQ(shown[11], std::make_pair(52, 284));
  // Escape is read on the same pass.
  EXPECT_TRUE(end.process_ended);
  EXPECT_EQ(end.exit_code, 0);
  EXPECT_EQ(current_window_title(), base_title + "    ");
  EXPECT_TRUE(cell_is_paper(26, 12));  // no calls
  EXPECT_TRUE(cell_is_paper(26, 38));  // no "S Meter"
  EXPECT_EQ(pixel(31, 100), attr::white);  // the frame is drawn all the same
}

TEST_F(MainLoopTest, AnExitRequestStopsThePlotterAtTheEndOfThePartInHand) {
  write_setup("spots.csv", "Y", standard_calls);
  // The byte 7 in the first record's time waits 250 ms inside step 292; the close button comes then.
  write_log("spots.csv", {"G4XYZ,x,06:00:00\a,-10,-20", "K1JT,x,12:00:00,0,0"});
  clock.at(pass_start_ms(1) + 100, [] { request_exit(); });
  const RunEnd end = run_passes(3, 250);
  EXPECT_TRUE(end.process_ended);
  EXPECT_EQ(end.exit_code, 0);
  EXPECT_EQ(row_text(27, 50, 5), "G4XYZ");       // step 292 ran to its end
  EXPECT_EQ(pixel(176, 215), attr::white);       // and step 293 never began
  EXPECT_NE(row_text(30, 1, 25), "Press any key to continue");
}

TEST_F(MainLoopTest, AnsweringNoEndsTheProcessWithExitCodeZero) {
  message_boxes.answer({IDYES, IDNO});
  const RunEnd end = run_passes(3);
  EXPECT_TRUE(end.process_ended);
  EXPECT_EQ(end.exit_code, 0);
  EXPECT_EQ(box_steps(), (std::vector<int>{147, 148}));
}

}  // namespace
