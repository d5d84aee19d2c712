// Orbelin under load: a refresh of a log of a million records, held in the middle by the error
// boxes of two records whose S-meter readings are beyond range. While a box holds the refresh,
// the window shows the chart exactly as far as the refresh has come (the plotter run headless on
// the same files to the same box draws it), keys typed meanwhile wait in the ring until the
// refresh is over, and the close button ends the process. Every wait is for a state (a box, a
// picture, the log's descriptor), so the test does not depend on speed.
#include <dirent.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "pattern.h"
#include "platform/platform.h"
#include "platform/window/layout.h"
#include "plotter/plotter.h"
#include "plotter/state.h"
#include "probe_fixture.h"
#include "tests/support/harness.h"
#include "winapi/user32.h"

namespace {

namespace fs = std::filesystem;
constexpr int bar = menu_bar_height;

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers make a record some thirty times dearer: a log that takes seconds, not minutes.
constexpr int log_records = 50'000;
#else
constexpr int log_records = 1'000'000;
#endif
// The records whose S-meter field overflows: each holds the refresh in its box (error 6 at the
// end of step 286, the record read whole, so the records after it stay in step).
constexpr int held_at[] = {log_records / 3, 2 * log_records / 3};
const std::string held_box = "^Unhandled Error #6$";

int64_t size_of(const fs::path& file) {
  std::error_code error;
  const auto size = fs::file_size(file, error);
  return error ? 0 : static_cast<int64_t>(size);
}

// Records as a day of spots: six tracked calls among three thousand others, and the two records
// that hold the refresh.
std::string records(int count) {
  static const char* const tracked[] = {"DL1ABC", "G4XYZ", "K1JT", "VK2DX", "JA1NRH", "PY2AA"};
  std::string text;
  text.reserve(static_cast<size_t>(count) * 30);
  char line[64];
  for (int i = 0; i < count; ++i) {
    char call[16];
    if (i % 7 == 0) std::snprintf(call, sizeof call, "%s", tracked[i / 7 % 6]);
    else std::snprintf(call, sizeof call, "W%dX%c%c", i % 10, 'A' + i % 26, 'A' + i / 26 % 26);
    const bool held = i == held_at[0] || i == held_at[1];
    std::snprintf(line, sizeof line, "%s,FT8,%02d:%02d:%02d,%d,%s\r\n", call, i / 3600 % 24, i / 60 % 60, i % 60,
                  -30 + i % 46, held ? "1E+39" : std::to_string(-60 + i % 60).c_str());
    text += line;
  }
  return text;
}

// What the screen holds at each of the first `count` boxes of a headless run of the plotter in
// `folder`: the picture that the window must show while that box is open.
std::vector<Picture> pictures_at_boxes(const fs::path& folder, size_t count) {
  struct Enough {};
  std::vector<Picture> pictures;
  {
    CurrentFolder in_folder(folder);
    reset_platform();
    reset_user32();
    reset_plotter_state();
    install_throwing_end_handler();
    FakeClock clock;
    clock.install();
    ScriptedMessageBox boxes;
    boxes.on_show([&](const ShownBox&) {
      pictures.push_back(expected_picture());
      if (pictures.size() == count) throw Enough{};
    });
    try {
      run_plotter();
    } catch (const Enough&) {
    } catch (const ProcessEnded&) {
    }
  }
  set_end_process_handler({});
  reset_platform();
  return pictures;
}

// Where Orbelin's read of the log stands: its descriptor for the file, if open, and the position.
struct LogRead {
  bool open = false;
  int64_t position = 0;
};
LogRead log_read(pid_t pid, const fs::path& log) {
  const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
  DIR* dir = ::opendir(fds.c_str());
  if (!dir) return {};
  LogRead read;
  while (const dirent* entry = ::readdir(dir)) {
    std::error_code error;
    if (fs::read_symlink(fds + "/" + entry->d_name, error) != log) continue;
    std::ifstream info("/proc/" + std::to_string(pid) + "/fdinfo/" + entry->d_name);
    for (std::string word; info >> word;)
      if (word == "pos:" && info >> read.position) read.open = true;
  }
  ::closedir(dir);
  return read;
}

class UnderLoad : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // Orbelin runs from its own folder: a copy of it beside this test's setup file and log.
    fs::copy_file(ORBELIN_EXE, folder.path() / "orbelin");
    folder.write("Orbelin020.SET", "load.csv\r\nY\r\nDL1ABC\r\nG4XYZ\r\nK1JT\r\nVK2DX\r\nJA1NRH\r\nPY2AA\r\n");
    folder.write("load.csv", "RxSpot\r\n" + records(log_records));
  }
  fs::path log() const { return folder.path() / "load.csv"; }

  // Starts Orbelin and gives its window once the first refresh has begun: the title with the
  // log's path is set just before the log is read.
  unsigned long start_orbelin() {
    orbelin_ = &start((folder.path() / "orbelin").string());
    const auto window = find_window(display.name(), "^Q0ZVNL Orbelin V0\\.20 18/03/18 {4}load\\.csv$");
    EXPECT_TRUE(window) << "no window with the log's path in its title";
    return window.value_or(0);
  }
  LogRead reading() const { return log_read(orbelin_->pid(), log()); }
  // The refresh is under way: the log is open and the read has not reached its end.
  bool refresh_reading() const {
    const LogRead now = reading();
    return now.open && now.position < size_of(log());
  }
  // The next box that holds the refresh, once it shows.
  unsigned long held_box_shows() {
    const auto box = find_window(display.name(), held_box, 120s);
    EXPECT_TRUE(box) << "no box of an overflowing record";
    return box.value_or(0);
  }
  bool answer_yes(unsigned long box) {
    return press_until(display.name(), box, "y", [&] { return window_gone(display.name(), box, 500ms); });
  }

  TempFolder folder;
  Child* orbelin_ = nullptr;
};

TEST_F(UnderLoad, TheWindowShowsARefreshHeldMidLogAndTheCloseButtonEndsIt) {
  const std::vector<Picture> held = pictures_at_boxes(folder.path(), 2);
  ASSERT_EQ(held.size(), 2u);
  const unsigned long window = start_orbelin();
  ASSERT_NE(window, 0u);
  unsigned long box = 0;
  for (size_t k = 0; k < held.size(); ++k) {
    SCOPED_TRACE("box " + std::to_string(k + 1));
    box = held_box_shows();
    ASSERT_NE(box, 0u);
    ASSERT_TRUE(refresh_reading()) << "the box did not hold the refresh mid-log";
    // Where the box stays: it follows the window's centre while the window takes its size (the
    // screen mode and the menu line may come after the box on a busy machine).
    ASSERT_TRUE(size_becomes(display.name(), window, 640, bar + 480)) << "the window did not take the picture's size";
    ASSERT_TRUE(wait_until([&] { return centred_over(display.name(), box, window, 2); }))
        << "the box did not follow the window";
    // The window answers meanwhile: it shows the refresh part-done, as far as the box.
    const auto over = window_rect_within(display.name(), box, window);
    ASSERT_TRUE(over);
    const Comparison shown = window_shows(display.name(), window,
                                          with_hidden(held[k], {over->x, over->y - bar, over->width, over->height}),
                                          "box" + std::to_string(k + 1), 0, bar, 60s);
    EXPECT_TRUE(shown.same) << shown.report;
    if (k + 1 < held.size()) {
      ASSERT_TRUE(answer_yes(box));
    }
  }
  ASSERT_TRUE(press_close_button(display.name(), window));
  // How quickly is for bench/; here only that it ends, with 0, and takes the box along.
  EXPECT_EQ(orbelin_->wait_for_exit(), 0) << "not ended by the close button";
  EXPECT_TRUE(window_gone(display.name(), box)) << "the box outlived the process";
}

TEST_F(UnderLoad, KeysTypedDuringARefreshWaitInTheRingForTheEndOfIt) {
  const unsigned long window = start_orbelin();
  ASSERT_NE(window, 0u);
  const unsigned long first = held_box_shows();
  ASSERT_NE(first, 0u);
  ASSERT_TRUE(refresh_reading()) << "the box did not hold the refresh mid-log";
  // Fifteen keys fill the ring; the last is Escape, read fifteen passes after the refresh.
  std::vector<std::string> keys(14, "a");
  keys.push_back("Escape");
  ASSERT_TRUE(send_keys(display.name(), window, keys));
  ASSERT_TRUE(answer_yes(first));
  const unsigned long second = held_box_shows();
  ASSERT_NE(second, 0u);
  ASSERT_TRUE(refresh_reading()) << "the refresh ended while the keys came";
  ASSERT_TRUE(answer_yes(second));

  const Comparison prompt = window_shows(display.name(), window, end_prompt_row(), "prompt", 0, bar + 464, 120s);
  EXPECT_TRUE(prompt.same) << prompt.report;
  EXPECT_FALSE(reading().open) << "the prompt came while the log was open";
  EXPECT_EQ(end_at_prompt(display.name(), window, *orbelin_), 0);
}

}  // namespace
