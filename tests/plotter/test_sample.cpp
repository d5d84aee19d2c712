// The bundled sample, rendered as a user would first see it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/plotter/plotter_harness.h"

namespace {

class SampleTest : public PlotterTest {};

// The sample folder of the source tree (the compiler gives this file's full path).
std::filesystem::path sample_folder() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "sample";
}

// The fields of the sample's last record.
std::vector<std::string> last_record() {
  std::ifstream in(sample_folder() / "SampleDay.csv", std::ios::binary);
  std::string line, last;
  while (std::getline(in, line))
    if (!line.empty() && line != "\r") last = line;
  if (!last.empty() && last.back() == '\r') last.pop_back();
  std::vector<std::string> fields;
  std::stringstream split(last);
  for (std::string field; std::getline(split, field, ',');) fields.push_back(field);
  return fields;
}

TEST_F(SampleTest, TheSampleDayShowsItsFullChart) {
  for (const char* name : {"Orbelin020.SET", "SampleDay.csv"})
    std::filesystem::copy_file(sample_folder() / name, folder.path() / name);
  const RunEnd end = run_passes(1);
  EXPECT_FALSE(end.process_ended);
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_EQ(current_window_title(), base_title + "    SampleDay.csv");
  const std::string calls[6] = {"DL1ABC", "G4XYZ", "K1JT", "VK2DX", "JA1NRH", "PY2AA"};
  const int rows[6] = {26, 27, 28, 26, 27, 28}, columns[6] = {12, 12, 12, 25, 25, 25};
  for (int slot = 0; slot < 6; ++slot)
    EXPECT_EQ(row_text(rows[slot], columns[slot], static_cast<int>(calls[slot].size())), calls[slot]);
  EXPECT_EQ(row_text(26, 38, 7), "S Meter");
  EXPECT_EQ(row_text(3, 78, 2), "S9");

  // Dots of every slot colour, S-meter markers, and many black points in the chart area.
  std::map<uint8_t, int> count;
  for (int y = 25; y < 365; ++y)
    for (int x = 31; x < 612; ++x) ++count[pixel(x, y)];
  for (uint8_t colour : {attr::green, attr::light_red, attr::light_grey, attr::light_magenta, attr::blue, attr::red})
    EXPECT_GT(count[colour], 100) << int(colour);
  EXPECT_GT(count[attr::black], 1000);

  // The latest spot is the log's last record; the field of other calls is full.
  const auto last = last_record();
  ASSERT_EQ(last.size(), 5u);
  const std::string line = last[0] + " " + last[2] + " " + number_to_text(std::stof(last[3])) + " dB    ";
  EXPECT_EQ(row_text(27, 50, static_cast<int>(line.size())), line);
  const std::string field = row_text(29, 19, 56);
  EXPECT_GT(std::count_if(field.begin(), field.end(), [](char c) { return c != ' '; }), 40);
}

}  // namespace
