// The spot log growing while refreshes read it, as a receiving program writes it: a piece of a
// record every few milliseconds, so that a refresh may catch a record half written. Driven by
// the fake clock, so the run is the same every time and takes no real time.
#include <fstream>

#include "tests/plotter/test_robustness_support.h"
#include "tests/support/screen_png.h"

namespace {

// Writes records into the log in two pieces each, one piece every 4 ms while a refresh is near
// or under way (the three passes before it, its own pass and the one after; inside a refresh
// the clock moves only while a printed bell waits).
class SpotWriter {
 public:
  SpotWriter(FakeClock& clock, std::filesystem::path log) : clock_(clock), log_(std::move(log)) {}

  void start() { clock_.after(4, [this] { tick(); }); }
  // Ends the record in hand and writes no more.
  void stop() {
    if (!rest_.empty()) append(rest_);
    rest_.clear();
    stopped_ = true;
  }
  int records_begun() const { return next_; }

 private:
  static std::string record(int i) {
    static const char* const calls[] = {"DL1ABC", "W1AW", "G4XYZ", "K1JT", "ZL2ABC", "VK2DX", "JA1NRH", "PY2AA"};
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:00", i * 7 % 24, i * 13 % 60);
    // Now and then a bell in the time: it waits 250 ms when the latest-spot line prints it.
    const std::string bell = i % 400 == 17 ? "\a" : "";
    // SNR -30 to +15 dB, S-meter readings -50 to -1: every dot and marker lies in the chart,
    // whose fill wipes it at the next refresh. (A marker below the chart, for a reading under
    // about -53, is never wiped: a record cut short could leave one there that the whole log
    // does not give, with the values it kept from the record before.)
    return std::string(calls[i % 8]) + ",FT8," + time + bell + "," + std::to_string(-30 + i * 11 % 46) + "," +
           std::to_string(-50 + i * 3 % 50) + "\r\n";
  }
  void append(const std::string& bytes) {
    std::ofstream out(log_, std::ios::binary | std::ios::app);
    out << bytes;
  }
  void tick() {
    if (stopped_) return;
    const int32_t counter = plotter_state.refresh_counter;
    if (counter >= 97 || counter <= 1) {
      if (rest_.empty()) {
        const std::string whole = record(next_);
        const size_t cut = 1 + static_cast<size_t>(next_) * 5 % (whole.size() - 1);
        ++next_;
        append(whole.substr(0, cut));
        rest_ = whole.substr(cut);
      } else {
        append(rest_);
        rest_.clear();
      }
    }
    clock_.after(4, [this] { tick(); });
  }

  FakeClock& clock_;
  std::filesystem::path log_;
  int next_ = 0;
  std::string rest_;
  bool stopped_ = false;
};

class GrowingLogTest : public RobustnessTest {};

TEST_F(GrowingLogTest, ThirtyRefreshesWhileItGrowsThenThePictureOfTheWholeLog) {
  write_setup("spots.csv", "Y", standard_calls);
  write_file("spots.csv", "RxSpot\r\n");
  SpotWriter writer(clock, folder.path() / "spots.csv");
  writer.start();
  constexpr int writing_refreshes = 30;
  after_each_refresh([&](int refresh) {
    if (refresh == writing_refreshes) writer.stop();
  });
  const RunEnd end = run_refreshes(writing_refreshes + 1);
  ASSERT_FALSE(end.process_ended);
  EXPECT_GT(writer.records_begun(), 30 * writing_refreshes);
  const auto& sleeps = clock.sleeps();
  EXPECT_GT(std::count(sleeps.begin(), sleeps.end(), 250), 0) << "no refresh read while the log grew";
  // The only box a growing log gives: a record cut short, at step 286, in some refreshes.
  EXPECT_EQ(boxes_other_than({{62, 286}}), BoxList{});
  EXPECT_GT(message_boxes.boxes().size(), 0u) << "no refresh met a record half written";
  const std::vector<uint8_t> after_growing = screen_attributes();
  const Text title_after_growing = current_window_title();
  std::vector<Text> rows_after_growing;
  for (int row = 1; row <= 30; ++row) rows_after_growing.push_back(screen_row_text(row));

  // The same log read by a fresh start.
  fresh_start();
  message_boxes.clear();
  run_refreshes(1);
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_TRUE(screen_matches(after_growing, "after growing"));
  EXPECT_EQ(current_window_title(), title_after_growing);
  for (int row = 1; row <= 30; ++row) EXPECT_EQ(screen_row_text(row), rows_after_growing[row - 1]) << "row " << row;
}

}  // namespace
