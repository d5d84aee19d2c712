// Runs the real plotter headless: a folder of its own as the current folder, a fake clock that
// advances at once, scripted answers for the error boxes, and a stop after a given pass.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plotter/state.h"
#include "tests/support/harness.h"
#include "winapi/message_box.h"

// Thrown by the fake clock to leave run_plotter once the pass the test asked for is done.
struct StopRun {};

struct RunEnd {
  bool process_ended = false;  // false: stopped by the test
  int exit_code = -1;
  int64_t at_ms = 0;
};

// Attributes as the start-up palette shows them.
namespace attr {
constexpr uint8_t cream = 0, blue = 1, green = 2, red = 4, light_grey = 7, dark_grey = 8,
                  light_red = 12, light_magenta = 13, white = 14, black = 15;
}

using TrackedCalls = std::array<std::string, 6>;
inline const TrackedCalls standard_calls = {"DL1ABC", "G4XYZ", "K1JT", "VK2DX", "JA1NRH", "PY2AA"};
inline const std::string base_title = "Q0ZVNL Orbelin V0.20 18/03/18";

class PlotterTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Files in the test's own folder, which is the current folder while the test runs.
  void write_file(const std::string& name, const std::string& bytes) { folder.write(name, bytes); }
  void append_file(const std::string& name, const std::string& bytes) { folder.append(name, bytes); }
  void remove_file(const std::string& name) { std::filesystem::remove(folder.path() / name); }
  // The setup file, one value a line, CR LF.
  static std::string setup_lines(const std::string& log_path, const std::string& smeter_switch,
                                 const TrackedCalls& calls);
  void write_setup(const std::string& log_path, const std::string& smeter_switch, const TrackedCalls& calls);
  // A spot log: a heading line, then the records as given, each ended by CR LF.
  void write_log(const std::string& name, const std::vector<std::string>& records);

  // The usual case: a setup file naming "spots.csv" and that log holding `records`; one pass.
  RunEnd plot_records(const std::vector<std::string>& records, const std::string& smeter_switch = "Y",
                      const TrackedCalls& calls = standard_calls);

  // Runs run_plotter from its start until pass `passes` has done its work (it stops as that
  // pass's pause begins), or until the process ends. Clock time: the start-up pause is 0 to
  // 1000 ms and pass k begins at 1000 + 100 (k - 1) ms; `extra_ms` allows for other waits
  // (a printed byte 7 waits 250 ms). Runs once per test: each run starts a fresh plotter.
  RunEnd run_passes(int passes, int64_t extra_ms = 0);
  // An action just before pass `pass` (>= 2) begins, at the end of the pause before it.
  void before_pass(int pass, std::function<void()> action);
  static int64_t pass_start_ms(int pass) { return 1000 + 100 * static_cast<int64_t>(pass - 1); }

  // The boxes shown, as "error number at step number" pairs, in order.
  std::vector<std::pair<int, int>> box_errors_and_steps() const;
  std::vector<int> box_steps() const;
  // Runs when a box is shown, before it is answered. A run that shows more than 200 boxes is
  // stopped: a loop of boxes must fail the test, not hang it.
  void on_box(std::function<void(const ShownBox&)> hook) { box_hook_ = std::move(hook); }

  TempFolder folder;
  FakeClock clock;
  ScriptedMessageBox message_boxes;

 private:
  std::optional<CurrentFolder> in_folder_;
  std::function<void(const ShownBox&)> box_hook_;
  int boxes_seen_ = 0;
};

// Names parameterized cases after their `name` member.
struct CaseName {
  template <class Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& param_info) const {
    return param_info.param.name;
  }
};

// Reading the picture.
uint8_t pixel(int x, int y);
std::string row_text(int row, int column, int count);  // bytes of the text cells
uint8_t cell_ink(int row, int column);
bool cell_is_paper(int row, int column);  // every pixel of the cell attribute 0
// The attributes of a w x h block from (x, y) as rows of hex digits, for pattern comparisons.
std::vector<std::string> block(int x, int y, int w, int h);
// Writes the screen image as PNG into the test output folder, named after the running test.
void save_screen(const std::string& suffix = "");
