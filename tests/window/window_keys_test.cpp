// Keys from the window into the key ring, the platform's own keys, and the end through Escape.
#include "pattern.h"
#include "platform/platform.h"
#include "probe_fixture.h"

namespace {
using WindowKeys = WindowTest;

struct KeyCase {
  const char* name;      // as xdotool names it
  const char* reported;  // what the probe read from the ring; nullptr: nothing
};

// Character keys as one byte, extended keys as 0 and the PC scan code, modifiers on their own ignored.
constexpr KeyCase key_cases[] = {
    {"a", "key 97"},         {"Return", "key 13"},   {"BackSpace", "key 8"},  {"Tab", "key 9"},
    {"F1", "key 0 59"},      {"F2", "key 0 60"},     {"F3", "key 0 61"},      {"F4", "key 0 62"},
    {"F5", "key 0 63"},      {"F6", "key 0 64"},     {"F7", "key 0 65"},      {"F8", "key 0 66"},
    {"F9", "key 0 67"},      {"F10", "key 0 68"},    {"F11", "key 0 133"},    {"F12", "key 0 134"},
    {"Home", "key 0 71"},    {"Up", "key 0 72"},     {"Prior", "key 0 73"},   {"Left", "key 0 75"},
    {"Right", "key 0 77"},   {"End", "key 0 79"},    {"Down", "key 0 80"},    {"Next", "key 0 81"},
    {"Insert", "key 0 82"},  {"Delete", "key 0 83"}, {"Shift_L", nullptr},    {"Control_R", nullptr},
    {"Alt_L", nullptr},      {"Z", "key 90"},        {"ctrl+a", "key 1"},     {"5", "key 53"},
};

// How many lines the probe reports for a key: one, or none for a modifier on its own.
size_t key_cases_reporting(const std::string& name) {
  for (const KeyCase& key : key_cases)
    if (name == key.name) return key.reported ? 1 : 0;
  return 1;  // Escape
}

TEST_F(WindowKeys, KeysBeforeEscapeReachTheRingThenThePromptAndAKeyEndWithZero) {
  auto& probe = start_probe({"titled", "mode"});
  ASSERT_TRUE(probe.wait_for_line("running"));
  const unsigned long window = probe_window();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(keys(window, {"c"}));
  ASSERT_TRUE(probe.wait_for_line("cream"));

  // In batches that the ring holds whole (15 keys), each read before the next comes: the keys
  // all arrive at once, and the probe reads one a pass.
  std::vector<std::string> names;
  std::vector<std::string> expected;
  for (const KeyCase& key : key_cases) {
    names.emplace_back(key.name);
    if (key.reported) expected.emplace_back(key.reported);
  }
  names.emplace_back("Escape");
  expected.emplace_back("key 27");
  expected.emplace_back("escape");
  std::vector<std::string> reported;
  for (size_t from = 0; from < names.size(); from += 15) {
    const std::vector<std::string> batch(names.begin() + static_cast<ptrdiff_t>(from),
                                         names.begin() + static_cast<ptrdiff_t>(std::min(from + 15, names.size())));
    ASSERT_TRUE(keys(window, batch));
    size_t coming = 0;
    for (size_t i = from; i < from + batch.size(); ++i) coming += key_cases_reporting(names[i]);
    while (coming-- > 0) {
      const auto line = probe.next_line();
      if (!line) break;
      reported.push_back(*line);
    }
  }
  if (const auto last = probe.next_line(); last) reported.push_back(*last);  // "escape"
  EXPECT_EQ(reported, expected);

  // "Press any key to continue" on row 30, over the cleared row, in the ink of the moment.
  reset_platform();
  draw_cream_screen();
  make_row_30_the_text_area();
  print_text("Press any key to continue");
  const Picture prompt = expected_picture();
  ASSERT_NE(prompt.at(1, 470), prompt.at(300, 470)) << "the prompt's own picture has no ink on row 30";
  const Comparison shown = window_shows(display.name(), window, prompt, "prompt");
  EXPECT_TRUE(shown.same) << shown.report;
  EXPECT_EQ(probe.lines().back(), "escape");

  EXPECT_EQ(end_at_prompt(display.name(), window, probe), 0);
}

TEST_F(WindowKeys, PauseHoldsThePlotterUntilTheNextKeyWhichIsNotQueued) {
  auto& probe = start_probe({"titled"});
  ASSERT_TRUE(probe.wait_for_line("running"));
  const unsigned long window = probe_window();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(keys(window, {"Pause"}));
  ASSERT_EQ(probe.next_line(), "paused");
  ASSERT_TRUE(keys(window, {"a"}));
  ASSERT_EQ(probe.next_line(), "resumed");
  ASSERT_TRUE(keys(window, {"b"}));
  EXPECT_EQ(probe.next_line(), "key 98");
}
}  // namespace
