// Orbelin under load: while a refresh reads a log of a million records, the window keeps
// answering. The close button ends the process within a second, and keys typed meanwhile wait
// in the key ring (15 of them) until the refresh is over. The test knows that the refresh is
// still reading by looking at Orbelin's descriptor for the log (/proc/<pid>/fdinfo), and keeps
// it reading by appending records ahead of it, as a receiving program would.
#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "pattern.h"
#include "platform/platform.h"
#include "platform/window/layout.h"
#include "probe_fixture.h"
#include "tests/support/harness.h"

namespace {

namespace fs = std::filesystem;
constexpr int bar = menu_bar_height;

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers make a record some thirty times dearer: a log that takes seconds, not minutes.
constexpr int log_records = 50'000;
constexpr size_t lead_bytes = 256 * 1024;
constexpr int64_t progress_bytes = 64 * 1024;
#else
constexpr int log_records = 1'000'000;
constexpr size_t lead_bytes = 8 * 1024 * 1024;
constexpr int64_t progress_bytes = 1024 * 1024;
#endif

int64_t size_of(const fs::path& file) {
  std::error_code error;
  const auto size = fs::file_size(file, error);
  return error ? 0 : static_cast<int64_t>(size);
}

// Records as a day of spots: six tracked calls among three thousand others.
std::string records(int first, int count) {
  static const char* const tracked[] = {"DL1ABC", "G4XYZ", "K1JT", "VK2DX", "JA1NRH", "PY2AA"};
  std::string text;
  text.reserve(static_cast<size_t>(count) * 30);
  char line[64];
  for (int i = first; i < first + count; ++i) {
    char call[16];
    if (i % 7 == 0) std::snprintf(call, sizeof call, "%s", tracked[i / 7 % 6]);
    else std::snprintf(call, sizeof call, "W%dX%c%c", i % 10, 'A' + i % 26, 'A' + i / 26 % 26);
    std::snprintf(line, sizeof line, "%s,FT8,%02d:%02d:%02d,%d,%d\r\n", call, i / 3600 % 24, i / 60 % 60, i % 60,
                  -30 + i % 46, -60 + i % 60);
    text += line;
  }
  return text;
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
    folder.write("load.csv", "RxSpot\r\n" + records(0, log_records));
    written_ = log_records;
  }
  void TearDown() override {
    stop_writing();
    WindowTest::TearDown();
  }
  fs::path log() const { return folder.path() / "load.csv"; }

  // Starts Orbelin and waits for the first refresh to have opened the log: the title with the
  // log's path is set just before.
  unsigned long start_orbelin() {
    orbelin_ = &start((folder.path() / "orbelin").string());
    const auto window = find_window(display.name(), "^Q0ZVNL Orbelin V0\\.20 18/03/18 {4}load\\.csv$");
    EXPECT_TRUE(window) << "no window with the log's path in its title";
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (window && !reading().open && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));  // looking again, not timing anything
    return window.value_or(0);
  }
  LogRead reading() const { return log_read(orbelin_->pid(), log()); }
  // The refresh is reading: the log is open and the read has not reached its end.
  bool refresh_reading() const {
    const LogRead now = reading();
    return now.open && now.position < size_of(log());
  }
  // Waits until Orbelin has read further into the log than now (while the writer keeps ahead);
  // false when the log was closed first, or at the bound.
  bool read_further() const {
    const int64_t from = reading().position;
    for (const auto deadline = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < deadline;) {
      const LogRead now = reading();
      if (!now.open) return false;
      if (now.position >= from + progress_bytes) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));  // looking again, not timing anything
    }
    return false;
  }

  // Appends records whenever Orbelin's read comes within `lead_bytes` of the log's end.
  void keep_ahead() {
    writer_ = std::thread([this] {
      std::ofstream out(log(), std::ios::binary | std::ios::app);
      while (!stop_) {
        const LogRead now = reading();
        if (now.open && size_of(log()) - now.position < static_cast<int64_t>(lead_bytes)) {
          out << records(written_, 20'000) << std::flush;
          written_ += 20'000;
        } else {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));  // a writer's pace, not a wait of the test's
        }
      }
    });
  }
  void stop_writing() {
    stop_ = true;
    if (writer_.joinable()) writer_.join();
  }

  TempFolder folder;
  Child* orbelin_ = nullptr;

 private:
  std::thread writer_;
  std::atomic<bool> stop_{false};
  int written_ = 0;
};

Picture rows_of(const Picture& picture, int first, int count) {
  Picture part{picture.width, count, {}};
  part.pixels.assign(picture.pixels.begin() + static_cast<ptrdiff_t>(first) * picture.width,
                     picture.pixels.begin() + static_cast<ptrdiff_t>(first + count) * picture.width);
  return part;
}

TEST_F(UnderLoad, TheCloseButtonEndsTheProcessWithinASecondDuringARefresh) {
  const unsigned long window = start_orbelin();
  ASSERT_NE(window, 0u);
  keep_ahead();
  ASSERT_TRUE(read_further()) << "the refresh is not reading the log";
  // The window answers meanwhile: it shows the refresh part-done, the latest spot changing.
  const auto first = capture_window(display.name(), window);
  ASSERT_TRUE(read_further());
  const auto second = capture_window(display.name(), window);
  ASSERT_TRUE(first && second) << "the window did not answer the captures";
  EXPECT_NE(rows_of(*first, bar + 416, 16).pixels, rows_of(*second, bar + 416, 16).pixels)
      << "the latest-spot line did not change between two captures";
  ASSERT_TRUE(refresh_reading());
  ASSERT_TRUE(press_close_button(display.name(), window));
  EXPECT_EQ(orbelin_->wait_for_exit(1s), 0) << "not ended within a second of the close button";
}

TEST_F(UnderLoad, KeysTypedDuringARefreshWaitInTheRingForTheEndOfIt) {
  const unsigned long window = start_orbelin();
  ASSERT_NE(window, 0u);
  keep_ahead();
  ASSERT_TRUE(read_further()) << "the refresh is not reading the log";
  // Fifteen keys fill the ring; the last is Escape, read fifteen passes after the refresh.
  std::vector<std::string> keys(14, "a");
  keys.push_back("Escape");
  ASSERT_TRUE(send_keys(display.name(), window, keys));
  ASSERT_TRUE(read_further()) << "the refresh ended while the keys came";
  ASSERT_TRUE(refresh_reading());
  stop_writing();

  reset_platform();
  draw_cream_screen();
  make_row_30_the_text_area();
  print_text("Press any key to continue");
  const Comparison prompt =
      window_shows(display.name(), window, rows_of(expected_picture(), 464, 16), "prompt", 0, bar + 464, 120s);
  EXPECT_TRUE(prompt.same) << prompt.report;
  EXPECT_FALSE(reading().open) << "the prompt came while the log was open";
  send_keys(display.name(), window, {"space"});  // the window may go before xdotool lets the key go
  EXPECT_EQ(orbelin_->wait_for_exit(), 0);
}

}  // namespace
