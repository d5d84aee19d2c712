// pause_seconds on the fake clock: its sleeps, its event polls, and a clock that misbehaves.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>

#include "platform/platform.h"
#include "tests/support/harness.h"

namespace {

class Pause : public PlatformTest {};

struct SleepCase {
  double seconds;
  int nine_ms_sleeps;
  int64_t last_sleep;  // 0: none
};

TEST_F(Pause, SleepsNineMillisecondsWhileTenOrMoreRemainThenTheRestInOnePiece) {
  const SleepCase cases[] = {
      {0.1, 11, 1}, {1.0, 111, 1}, {0.005, 0, 5}, {0.0, 0, 0}, {0.009, 0, 9},
      {0.010, 1, 1}, {0.0101, 1, 2}, {0.0004, 0, 1}, {0.018, 1, 9}, {0.019, 2, 1},
  };
  for (const auto& c : cases) {
    clock.clear_sleeps();
    const int64_t start = clock.now();
    pause_seconds(c.seconds);
    const auto& sleeps = clock.sleeps();
    std::vector<int64_t> expected(static_cast<size_t>(c.nine_ms_sleeps), 9);
    if (c.last_sleep) expected.push_back(c.last_sleep);
    EXPECT_EQ(sleeps, expected) << c.seconds;
    EXPECT_GE(static_cast<double>(clock.now() - start), 1000.0 * c.seconds) << "never shorter";
  }
  EXPECT_FALSE(error_pending());
}

TEST_F(Pause, PollsEventsBetweenSleepsSoPauseHoldsAndTheEndStopsIt) {
  clock.at(40, [] { press_pause(); });
  clock.at(400, [] { push_character_key('k'); });
  pause_seconds(0.1);
  EXPECT_FALSE(pause_is_on());
  EXPECT_GE(clock.now(), 400) << "held by Pause";
  EXPECT_EQ(read_key(), "");

  clock.set_now(0);
  clock.at(50, [] { request_exit(); });
  EXPECT_EQ(exit_code_of([] { pause_seconds(1.0); }), 0);
  EXPECT_LE(clock.now(), 50 + 9) << "stopped within one 9-ms sleep";
}

TEST_F(Pause, ClockSteppingBackwardsLosesNoWaitedTime) {
  bool stepped = false;
  clock.on_every_sleep([&](int64_t) {
    if (!stepped && clock.now() >= 50) {
      clock.set_now(clock.now() - 3'600'000);  // an hour back
      stepped = true;
    }
  });
  pause_seconds(0.1);
  EXPECT_TRUE(stepped);
  EXPECT_GE(clock.total_slept(), 100);
  EXPECT_LE(clock.total_slept(), 100 + 9) << "the wait did not start over";
}

TEST_F(Pause, ClockThatNeverMovesStillEnds) {
  // Every sleep ends with the clock a little behind where it began: each counts as slept.
  clock.on_every_sleep([&](int64_t slept) { clock.set_now(clock.now() - slept - 1); });
  pause_seconds(0.05);
  EXPECT_GE(clock.total_slept(), 50);
  EXPECT_LE(clock.total_slept(), 50 + 9);
}

TEST_F(Pause, SlowSleepsShortenTheWaitOnTheClockOnly) {
  clock.on_every_sleep([&](int64_t) { clock.set_now(clock.now() + 5); });  // each sleep oversleeps 5 ms
  const int64_t start = clock.now();
  pause_seconds(0.1);
  EXPECT_GE(clock.now() - start, 100);
  EXPECT_LT(clock.now() - start, 100 + 14 + 1);
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
