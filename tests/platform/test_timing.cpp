// pause_seconds on the fake clock: its waits, the events that end them, and a clock that misbehaves.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>

#include "platform/platform.h"
#include "tests/support/harness.h"

namespace {

class Pause : public PlatformTest {};

// A pause with nothing happening is one wait, never shorter than asked, rounded up to whole
// milliseconds; 0 waits not at all.
TEST_F(Pause, WaitsTheWholeLengthInOnePieceNeverShorter) {
  const struct {
    double seconds;
    int64_t wait_ms;  // 0: none
  } cases[] = {{0.1, 100}, {1.0, 1000}, {0.005, 5}, {0.0, 0}, {0.009, 9}, {0.010, 10}, {0.0101, 11}, {0.0004, 1}};
  for (const auto& c : cases) {
    clock.clear_sleeps();
    const int64_t start = clock.now();
    pause_seconds(c.seconds);
    EXPECT_EQ(clock.sleeps(), c.wait_ms ? std::vector<int64_t>{c.wait_ms} : std::vector<int64_t>{}) << c.seconds;
    EXPECT_EQ(clock.now() - start, c.wait_ms) << c.seconds;
  }
  EXPECT_FALSE(error_pending());
}

TEST_F(Pause, PauseHoldsItAndAnExitRequestStopsItAtOnce) {
  clock.at(40, [] { press_pause(); });
  clock.at(400, [] { push_character_key('k'); });
  pause_seconds(0.1);
  EXPECT_FALSE(pause_is_on());
  EXPECT_EQ(clock.now(), 400) << "held by Pause, and over once the key ended it";
  EXPECT_EQ(read_key(), "");

  clock.at(20, [] { press_pause(); });
  clock.at(30, [] { push_character_key('k'); });
  const int64_t start = clock.now();
  pause_seconds(0.1);
  EXPECT_EQ(clock.now() - start, 100) << "a short Pause inside it: the pause still lasts its length";

  clock.set_now(0);
  clock.at(50, [] { request_exit(); });
  EXPECT_EQ(exit_code_of([] { pause_seconds(1.0); }), 0);
  EXPECT_EQ(clock.now(), 50) << "stopped when the request came";
}

TEST_F(Pause, ClockSteppingBackwardsLosesNoWaitedTime) {
  clock.at(50, [&] { clock.set_now(clock.now() - 3'600'000); });  // an hour back, halfway
  pause_seconds(0.1);
  EXPECT_EQ(clock.total_slept(), 100) << "the wait did not start over";

  // The same while a Pause interrupts the wait: what was waited before it still counts.
  clock.clear_sleeps();
  clock.set_now(0);
  clock.at(50, [&] {
    clock.set_now(clock.now() - 3'600'000);
    press_pause();
    clock.after(10, [] { push_character_key('k'); });
  });
  pause_seconds(0.1);
  EXPECT_EQ(clock.total_slept(), 100) << "the wait did not start over";
}

TEST_F(Pause, ClockThatNeverMovesStillEnds) {
  // Every sleep ends with the clock a little behind where it began: each counts as slept.
  clock.on_every_sleep([&](int64_t slept) { clock.set_now(clock.now() - slept - 1); });
  pause_seconds(0.05);
  EXPECT_EQ(clock.total_slept(), 50);
}

TEST_F(Pause, SlowSleepsShortenTheWaitOnTheClockOnly) {
  clock.on_every_sleep([&](int64_t) { clock.set_now(clock.now() + 5); });  // each sleep oversleeps 5 ms
  const int64_t start = clock.now();
  pause_seconds(0.1);
  EXPECT_EQ(clock.now() - start, 105) << "measured on the clock";
}

TEST_F(Pause, IllegalLengthsRaiseFiveAndDoNotWait) {
  const double cases[] = {-0.001, 2147483.648, 1e300, std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN()};
  for (double seconds : cases) {
    reset_errors();
    pause_seconds(seconds);
    EXPECT_EQ(pending_error_number(), 5) << seconds;
  }
  EXPECT_TRUE(clock.sleeps().empty());
}

TEST_F(Pause, LongestLegalLengthIsAccepted) {
  clock.on_every_sleep([&](int64_t) { clock.set_now(clock.now() + 1'000'000'000); });
  pause_seconds(2147483.647);
  EXPECT_FALSE(error_pending());
  EXPECT_GE(clock.now(), 2147483647);
}

TEST_F(Pause, DoesNothingWhileAnErrorIsPending) {
  raise_error(53);
  pause_seconds(1.0);
  EXPECT_TRUE(clock.sleeps().empty());
  EXPECT_TRUE(message_boxes.boxes().empty());
}

}  // namespace
