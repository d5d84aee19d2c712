// Orbelin on a spot log whose first field never ends: the zero device, and a file of 3 GB of zero
// bytes (a hole). Each refresh gives one box 14 for the field; after Yes the log counts as ended,
// so the pass goes on: Escape is read, and a key at the prompt ends the process with code 0.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "platform/window/layout.h"
#include "probe_fixture.h"
#include "tests/support/harness.h"

namespace {

namespace fs = std::filesystem;
constexpr int bar = menu_bar_height;

struct EndlessLog {
  const char* name;
  const char* path;       // as the setup file names it
  const char* title_tail;  // the path in the title, as a regular expression
  bool hole;               // the path is a file of the test's own: 3 GB of zero bytes
};
void PrintTo(const EndlessLog& log, std::ostream* out) { *out << log.name; }

class EndlessField : public WindowTest, public ::testing::WithParamInterface<EndlessLog> {};

TEST_P(EndlessField, GivesBox14ARefreshAndEscapeStillEnds) {
  const EndlessLog& log = GetParam();
  TempFolder folder;
  fs::copy_file(ORBELIN_EXE, folder.path() / "orbelin");
  folder.write("Orbelin020.SET", std::string(log.path) + "\r\nY\r\nDL1ABC\r\nG4XYZ\r\nK1JT\r\nVK2DX\r\nJA1NRH\r\nPY2AA\r\n");
  if (log.hole) {
    const int fd = ::open((folder.path() / log.path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{3} << 30), 0);
    ::close(fd);
  }
  auto& orbelin = start((folder.path() / "orbelin").string());
  const auto window =
      find_window(display.name(), std::string("^Q0ZVNL Orbelin V0\\.20 18/03/18 {4}") + log.title_tail + "$");
  ASSERT_TRUE(window) << "no window with the log's path in its title";
  const std::string box_title = "^Unhandled Error #14$";
  const auto box = find_window(display.name(), box_title, 120s);
  ASSERT_TRUE(box) << "no box for the endless field";
  const auto answered = [&](unsigned long shown) {
    return press_until(display.name(), shown, "y", [&] { return window_gone(display.name(), shown, 500ms); });
  };
  ASSERT_TRUE(answered(*box));

  // The refresh is over; Escape waits in the ring for the pass's key test. Should the next
  // refresh come first, its box is answered as well and the key is read after it.
  ASSERT_TRUE(keys(*window, {"Escape"}));
  const Picture prompt_row = end_prompt_row();
  Comparison prompt;
  for (int look = 0; look < 10; ++look) {
    prompt = window_shows(display.name(), *window, prompt_row, "prompt", 0, bar + 464, 5s);
    if (prompt.same) break;
    if (const auto next = find_window(display.name(), box_title, 1s)) {
      ASSERT_TRUE(answered(*next));
    }
  }
  EXPECT_TRUE(prompt.same) << prompt.report;
  EXPECT_EQ(end_at_prompt(display.name(), *window, orbelin), 0);
}

INSTANTIATE_TEST_SUITE_P(Logs, EndlessField,
                         ::testing::Values(EndlessLog{"TheZeroDevice", "/dev/zero", "/dev/zero", false},
                                           EndlessLog{"AHoleOfThreeGigabytes", "day.csv", "day\\.csv", true}),
                         [](const ::testing::TestParamInfo<EndlessLog>& param_info) {
                           return std::string(param_info.param.name);
                         });

}  // namespace
