// The bundled sample, rendered as a user would first see it.
#include <filesystem>

#include "tests/plotter/plotter_harness.h"

namespace {

class SampleTest : public PlotterTest {};

// The sample folder of the source tree (the compiler gives this file's full path).
std::filesystem::path sample_folder() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "sample";
}

TEST_F(SampleTest, TheSampleDayShowsItsFullChart) {
  for (const char* name : {"Orbelin020.SET", "SampleDay.csv"})
    std::filesystem::copy_file(sample_folder() / name, folder.path() / name);
  const RunEnd end = run_passes(1);
  EXPECT_FALSE(end.process_ended);
  EXPECT_TRUE(message_boxes.boxes().empty());
  for (auto& b : message_boxes.boxes()) std::cerr << b << "\n";
  EXPECT_EQ(current_window_title(), "Q0ZVNL Orbelin V0.20 18/03/18    SampleDay.csv");
  EXPECT_EQ(row_text(26, 12, 6), "DL1ABC");
  save_screen();
}

}  // namespace
