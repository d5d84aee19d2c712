// end_program: the prompt on row 30, the dropped keys, the end at the next key or exit request.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "tests/support/harness.h"
#include "tests/support/screen_png.h"

namespace {

class EndProgram : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    set_screen_mode(12);
    // Something drawn across row 30 that the prompt's new line must erase.
    draw_line(0, 462, 639, 479, 4, 2);
    set_ink_colour(12);
  }
};

TEST_F(EndProgram, PromptOnRowThirtyThenEndsAtTheNextKeyWithCodeZero) {
  push_character_key('a');  // waiting before the prompt: dropped
  clock.at(1234, [] { push_character_key('q'); });
  EXPECT_EQ(exit_code_of([] { end_program(); }), 0);
  EXPECT_GE(clock.now(), 1234);
  EXPECT_LT(clock.now(), 1234 + 100 + 1) << "looks every 100 ms";
  for (int64_t slept : clock.sleeps()) EXPECT_EQ(slept, 100);

  const Text expected = "Press any key to continue" + Text(80 - 25, ' ');
  EXPECT_EQ(screen_row_text(30), expected);
  // Row 30 (pixel rows 464-479) holds only paper and the prompt's ink; row 29 keeps the box.
  bool only_paper_and_ink = true, ink_seen = false;
  for (int y = 464; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const uint8_t p = screen_pixel(x, y);
      if (p != 0 && p != 12) only_paper_and_ink = false;
      if (p == 12) ink_seen = true;
      if (x >= 200 && p != 0) only_paper_and_ink = false;  // beyond the prompt's 25 columns
    }
  EXPECT_TRUE(only_paper_and_ink);
  EXPECT_TRUE(ink_seen);
  EXPECT_EQ(screen_pixel(300, 463), 4);
  if (::testing::Test::HasFailure()) {
    std::filesystem::create_directories(ORBELIN_TEST_OUTPUT);
    write_screen_png(std::string(ORBELIN_TEST_OUTPUT) + "/end_program_prompt.png");
  }
}

TEST_F(EndProgram, ExitRequestWhileWaitingEndsTheSameWay) {
  clock.at(500, [] { request_exit(); });
  EXPECT_EQ(exit_code_of([] { end_program(); }), 0);
  EXPECT_LT(clock.now(), 601);
}

TEST_F(EndProgram, ShowsThePromptEvenWithAnErrorPending) {
  raise_error(62);
  clock.at(100, [] { push_character_key(27); });
  EXPECT_EQ(exit_code_of([] { end_program(); }), 0);
  EXPECT_EQ(screen_row_text(30).substr(0, 25), "Press any key to continue");
  EXPECT_TRUE(message_boxes.boxes().empty());
}

}  // namespace
