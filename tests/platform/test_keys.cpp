// The key ring: order, the 15-key limit, extended keys, and filling it from another thread.
#include <gtest/gtest.h>

#include <thread>

#include "platform/platform.h"
#include "tests/support/harness.h"

namespace {

class KeyRing : public PlatformTest {};

TEST_F(KeyRing, GivesTheOldestKeyFirstAndDropsTheSixteenth) {
  for (int i = 0; i < 16; ++i) push_character_key(static_cast<uint8_t>('a' + i));
  EXPECT_EQ(waiting_key_count(), 15);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(read_key(), Text(1, static_cast<char>('a' + i)));
  EXPECT_EQ(read_key(), "") << "the 16th key ('p') was dropped";
  // Room again once keys have been taken, across the ring's wrap.
  for (int round = 0; round < 40; ++round) {
    push_character_key(static_cast<uint8_t>(round + 1));
    push_extended_key(static_cast<uint8_t>(round + 59));
    EXPECT_EQ(read_key(), Text(1, static_cast<char>(round + 1)));
    EXPECT_EQ(read_key(), (Text{'\0', static_cast<char>(round + 59)}));
  }
  EXPECT_EQ(read_key(), "");
}

TEST_F(KeyRing, EscapeAndExtendedKeys) {
  push_character_key(27);
  push_extended_key(133);  // F11
  push_character_key(13);
  EXPECT_EQ(read_key(), "\x1b");
  EXPECT_EQ(read_key(), (Text{'\0', static_cast<char>(133)}));
  EXPECT_EQ(read_key(), "\r");
}

TEST_F(KeyRing, PendingErrorGivesTheEmptyTextAndTakesNoKey) {
  push_character_key(27);
  raise_error(62);
  EXPECT_EQ(read_key(), "");
  EXPECT_EQ(waiting_key_count(), 1);
  reset_errors();
  EXPECT_EQ(read_key(), "\x1b");
}

TEST_F(KeyRing, DropWaitingKeys) {
  push_character_key('a');
  push_character_key('b');
  drop_waiting_keys();
  EXPECT_EQ(read_key(), "");
  push_character_key('c');
  EXPECT_EQ(read_key(), "c");
}

TEST_F(KeyRing, KeyWhilePauseIsOnEndsPauseInstead) {
  press_pause();
  push_extended_key(80);
  EXPECT_FALSE(pause_is_on());
  EXPECT_EQ(waiting_key_count(), 0);
}

TEST_F(KeyRing, FilledFromAnotherThreadEveryKeyArrivesInOrder) {
  constexpr int total = 20000;
  std::thread window_side([] {
    for (int i = 0; i < total; ++i) {
      while (waiting_key_count() == 15) std::this_thread::yield();  // never drop here
      if (i % 3 == 0)
        push_extended_key(static_cast<uint8_t>(i % 251 + 1));
      else
        push_character_key(static_cast<uint8_t>(i % 251 + 1));
    }
  });
  int wrong = 0;
  for (int i = 0; i < total;) {
    const Text key = read_key();
    if (key.empty()) {
      std::this_thread::yield();
      continue;
    }
    const auto code = static_cast<char>(i % 251 + 1);
    const Text expected = i % 3 == 0 ? Text{'\0', code} : Text(1, code);
    if (key != expected) ++wrong;
    ++i;
  }
  window_side.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(read_key(), "");
}

}  // namespace
