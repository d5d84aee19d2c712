#include "tests/plotter/plotter_harness.h"

#include <algorithm>
#include <cstdlib>

#include "plotter/plotter.h"
#include "tests/support/screen_png.h"
#include "winapi/message_box.h"
#include "winapi/user32.h"

namespace {

int number_after(const std::string& text, const std::string& label) {
  const auto at = text.find(label);
  if (at == std::string::npos) return -1;
  return std::atoi(text.c_str() + at + label.size());
}

}  // namespace

void PlotterTest::SetUp() {
  in_folder_.emplace(folder.path());
  reset_platform();
  reset_user32();
  reset_plotter_state();
  install_throwing_end_handler();
  clock.install();
  message_boxes.on_show([this](const ShownBox& box) {
    if (++boxes_seen_ > 200) throw StopRun{};
    if (box_hook_) box_hook_(box);
  });
}

void PlotterTest::TearDown() {
  if (HasFailure()) save_screen();
  clock.uninstall();
  set_end_process_handler({});
  reset_platform();
  in_folder_.reset();
}

std::string PlotterTest::setup_lines(const std::string& log_path, const std::string& smeter_switch,
                                     const TrackedCalls& calls) {
  std::string text = log_path + "\r\n" + smeter_switch + "\r\n";
  for (const auto& call : calls) text += call + "\r\n";
  return text;
}

void PlotterTest::write_setup(const std::string& log_path, const std::string& smeter_switch,
                              const TrackedCalls& calls) {
  write_file("Orbelin020.SET", setup_lines(log_path, smeter_switch, calls));
}

void PlotterTest::write_log(const std::string& name, const std::vector<std::string>& records) {
  std::string text = "RxSpot\r\n";
  for (const auto& record : records) text += record + "\r\n";
  write_file(name, text);
}

RunEnd PlotterTest::plot_records(const std::vector<std::string>& records, const std::string& smeter_switch,
                                 const TrackedCalls& calls) {
  write_setup("spots.csv", smeter_switch, calls);
  write_log("spots.csv", records);
  return run_passes(1);
}

RunEnd PlotterTest::run_passes(int passes, int64_t extra_ms) {
  // The first sleep that passes this time lies in the pause of the last pass asked for.
  clock.at(pass_start_ms(passes) + 1 + extra_ms, [] { throw StopRun{}; });
  try {
    run_plotter();
  } catch (const StopRun&) {
    return {false, -1, clock.now()};
  } catch (const ProcessEnded& ended) {
    return {true, ended.code, clock.now()};
  }
  return {};
}

void PlotterTest::before_pass(int pass, std::function<void()> action) {
  clock.at(pass_start_ms(pass), std::move(action));
}

std::vector<std::pair<int, int>> PlotterTest::box_errors_and_steps() const {
  std::vector<std::pair<int, int>> shown;
  for (const auto& box : message_boxes.boxes())
    shown.emplace_back(number_after(box.caption, "Unhandled Error #"), number_after(box.text, "Line:"));
  return shown;
}

std::vector<int> PlotterTest::box_steps() const {
  std::vector<int> steps;
  for (const auto& [error, step] : box_errors_and_steps()) steps.push_back(step);
  return steps;
}

uint8_t pixel(int x, int y) { return screen_pixel(x, y); }

std::string row_text(int row, int column, int count) {
  return screen_row_text(row).substr(static_cast<std::size_t>(column - 1), static_cast<std::size_t>(count));
}

uint8_t cell_ink(int row, int column) {
  return screen_state().cell_ink[static_cast<std::size_t>((row - 1) * text_columns + column - 1)];
}

bool cell_is_paper(int row, int column) {
  for (int y = 16 * (row - 1); y < 16 * row; ++y)
    for (int x = 8 * (column - 1); x < 8 * column; ++x)
      if (pixel(x, y) != 0) return false;
  return true;
}

std::vector<std::string> block(int x, int y, int w, int h) {
  static const char digits[] = "0123456789ABCDEF";
  std::vector<std::string> rows;
  for (int j = 0; j < h; ++j) {
    std::string row;
    for (int i = 0; i < w; ++i) row += digits[pixel(x + i, y + j) & 15];
    rows.push_back(row);
  }
  return rows;
}

void save_screen(const std::string& suffix) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "screen";
  std::replace(name.begin(), name.end(), '/', '_');
  std::filesystem::create_directories(ORBELIN_TEST_OUTPUT);
  write_screen_png((std::filesystem::path(ORBELIN_TEST_OUTPUT) / (name + suffix + ".png")).string());
}
