// The error box, the event poll, Pause and the exit request.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/support/harness.h"
#include "winapi/message_box.h"

namespace {

class ErrorBox : public PlatformTest {};

struct BoxCase {
  int32_t raised;
  int32_t step;
  const char* caption;
  const char* text;
};

TEST_F(ErrorBox, ShowsCaptionAndTextByteForByteForEveryMessage) {
  const BoxCase cases[] = {
      {6, 14, "Unhandled Error #6", "Line:14\nOverflow\nContinue?"},
      {14, 283, "Unhandled Error #14", "Line:283\nOut of string space\nContinue?"},
      {52, 236, "Unhandled Error #52", "Line:236\nBad file name or number\nContinue?"},
      {53, 19, "Unhandled Error #53", "Line:19\nFile not found\nContinue?"},
      {62, 348, "Unhandled Error #62", "Line:348\nInput past end of file\nContinue?"},
      {64, 20, "Unhandled Error #64", "Line:20\nBad file name\nContinue?"},
      {68, 21, "Unhandled Error #68", "Line:21\nDevice unavailable\nContinue?"},
      {70, 22, "Unhandled Error #70", "Line:22\nPermission denied\nContinue?"},
      {75, 23, "Unhandled Error #75", "Line:23\nPath/File access error\nContinue?"},
      {76, 24, "Unhandled Error #76", "Line:24\nPath not found\nContinue?"},
      {5, 25, "Unhandled Error #5", "Line:25\nIllegal function call\nContinue?"},
      {54, 26, "Unhandled Error #54", "Line:26\nBad file mode\nContinue?"},
      {55, 27, "Unhandled Error #55", "Line:27\nFile already open\nContinue?"},
      {7, 28, "Unhandled Error #7", "Line:28\nUnprintable error\nContinue?"},
      {1000, 0, "Unhandled Error #1000", "Line:0\nUnprintable error\nContinue?"},
      {0, 30, "Unhandled Error #5", "Line:30\nIllegal function call\nContinue?"},
      {-4, 31, "Unhandled Error #5", "Line:31\nIllegal function call\nContinue?"},
  };
  for (const auto& c : cases) {
    message_boxes.clear();
    raise_error(c.raised);
    ASSERT_TRUE(event_flag_is_set());
    poll_events(c.step);
    EXPECT_FALSE(event_flag_is_set());
    EXPECT_FALSE(error_pending()) << "Yes clears the error";
    const auto boxes = message_boxes.boxes();
    ASSERT_EQ(boxes.size(), 1u) << c.raised;
    EXPECT_EQ(boxes[0], (ShownBox{c.caption, c.text, 0x1004}));
  }
}

TEST_F(ErrorBox, FirstErrorOfAPartIsTheOneReported) {
  raise_error(62);
  raise_error(53);
  raise_error(0);
  poll_events(101);
  const auto boxes = message_boxes.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Unhandled Error #62");
  // Once reported, the next error is reported in its turn.
  raise_error(53);
  poll_events(102);
  ASSERT_EQ(message_boxes.boxes().size(), 2u);
  EXPECT_EQ(message_boxes.boxes()[1].text, "Line:102\nFile not found\nContinue?");
}

TEST_F(ErrorBox, NoEndsTheProcessWithCodeZeroAndABoxThatCannotShowGoesOn) {
  message_boxes.answer({0, IDNO});
  raise_error(53);
  EXPECT_EQ(exit_code_of([] { poll_events(40); }), -1) << "a box that could not be shown counts as Yes";
  EXPECT_FALSE(error_pending());
  raise_error(62);
  EXPECT_EQ(exit_code_of([] { poll_events(41); }), 0);
  EXPECT_EQ(message_boxes.boxes().size(), 2u);
}

TEST_F(ErrorBox, PollWithNothingPendingOnlyClearsTheFlag) {
  set_event_flag();
  poll_events(50);
  EXPECT_FALSE(event_flag_is_set());
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_TRUE(clock.sleeps().empty());
}

TEST_F(ErrorBox, CriticalErrorsShowAnOkBoxAndEndWithCodeZeroWhateverIsPending) {
  const std::pair<int32_t, const char*> cases[] = {
      {259, "Cannot find dynamic library file"},
      {260, "Sub/Function does not exist in dynamic library"},
  };
  for (const auto& [number, text] : cases) {
    reset_errors();
    message_boxes.clear();
    raise_error(53);  // already pending: the critical box comes all the same
    EXPECT_EQ(exit_code_of([&] { raise_error(number); }), 0);
    const auto boxes = message_boxes.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], (ShownBox{"Critical Error", text, 0x1000}));
  }
}

TEST_F(ErrorBox, CriticalErrorEndsEvenWhenTheBoxCannotBeShown) {
  message_boxes.set_default_answer(0);
  EXPECT_EQ(exit_code_of([] { raise_error(259); }), 0);
}

class EventPoll : public PlatformTest {};

TEST_F(EventPoll, PauseHoldsUntilTheNextKeyWhichIsNotQueued) {
  press_pause();
  ASSERT_TRUE(event_flag_is_set());
  clock.at(500, [] { push_character_key('x'); });
  poll_events(117);
  EXPECT_FALSE(pause_is_on());
  EXPECT_EQ(clock.now(), 500) << "over as soon as the key came";
  EXPECT_EQ(read_key(), "") << "the key that ends Pause is not queued";
  push_extended_key(72);
  EXPECT_EQ(read_key(), std::string("\0\x48", 2)) << "later keys are queued again";
}

TEST_F(EventPoll, PauseThenErrorShowsTheBoxAfterThePause) {
  raise_error(62);
  press_pause();
  clock.at(30, [] { push_character_key(' '); });
  message_boxes.on_show([this](const ShownBox&) { EXPECT_GE(clock.now(), 30); });
  poll_events(236);
  ASSERT_EQ(message_boxes.boxes().size(), 1u);
  EXPECT_EQ(message_boxes.boxes()[0].text, "Line:236\nInput past end of file\nContinue?");
}

TEST_F(EventPoll, ExitRequestStopsForGoodWithCodeZero) {
  request_exit();
  ASSERT_TRUE(event_flag_is_set());
  raise_error(53);
  EXPECT_EQ(exit_code_of([] { poll_events(200); }), 0);
  EXPECT_TRUE(message_boxes.boxes().empty()) << "no box once the process is to end";
}

TEST_F(EventPoll, ExitRequestDuringPauseEndsThePause) {
  press_pause();
  clock.at(1000, [] { request_exit(); });
  EXPECT_EQ(exit_code_of([] { poll_events(300); }), 0);
  EXPECT_LE(clock.now(), 1010);
}

}  // namespace

namespace {

class PendingError : public PlatformTest {};

// While an error is pending, the screen, text, drawing and title operations, the file
// operations, pauses, commands and key reads do nothing; the end test and the texts work.
TEST_F(PendingError, SilencesTheOperationsButNotTheEndTestOrTheTexts) {
  TempFolder folder;
  CurrentFolder here(folder.path());
  folder.write("log.csv", "K1ABC,1\r\n");
  folder.write("other.csv", "x\r\n");
  set_screen_mode(12);
  set_pixel(10, 10, 4);
  locate_text_cursor(3, 7);
  set_ink_colour(2);
  set_window_title("before");
  open_input_file("log.csv", 1);
  push_character_key(27);
  const ScreenState& screen = screen_state();
  const auto pixels = screen.pixels;
  const auto palette = screen.palette;

  raise_error(62);
  set_screen_mode(12);
  clear_screen();
  set_palette_entry(0, 0x333E3F);
  set_ink_colour(13);
  locate_text_cursor(20, 20);
  print_text("written");
  draw_line(0, 0, 639, 479, 15, 2);
  draw_circle(100, 100, 3, 15);
  set_pixel(11, 11, 15);
  set_window_title("after");
  close_file(1);
  open_input_file("other.csv", 2);
  Text field = "kept";
  read_text_field(1, field);
  const Extended number = read_number_field(1);
  const Text key = read_key();
  pause_seconds(1.0);
  run_command("cmd /c start x");

  EXPECT_TRUE(screen.pixels == pixels) << "no pixel changed";
  EXPECT_TRUE(screen.palette == palette);
  EXPECT_EQ(screen.cursor_row, 3);
  EXPECT_EQ(screen.cursor_column, 7);
  EXPECT_EQ(screen.ink, 2);
  EXPECT_EQ(current_window_title(), "before");
  EXPECT_EQ(field, "kept");
  EXPECT_EQ(number, 0);
  EXPECT_EQ(key, "");
  EXPECT_TRUE(clock.sleeps().empty());
  EXPECT_EQ(join_texts("a", "b"), "ab");
  EXPECT_EQ(at_end_of_file(1), 0) << "file 1 still open, nothing read from it";
  EXPECT_EQ(pending_error_number(), 62) << "the first error stays the one to report";

  poll_events(236);
  EXPECT_EQ(message_boxes.boxes().size(), 1u);
  EXPECT_EQ(at_end_of_file(2), 0);
  EXPECT_EQ(pending_error_number(), 52) << "file 2 was never opened";
  reset_errors();
  read_text_field(1, field);
  EXPECT_EQ(field, "K1ABC");
  EXPECT_EQ(read_key(), "\x1b");
}

}  // namespace
