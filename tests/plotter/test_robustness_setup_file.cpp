// The setup file while Orbelin runs: deleted, emptied, shortened, made unreadable, saved with a
// byte order mark, and edited (the change shows at the next refresh and no earlier).
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/plotter/test_robustness_support.h"

namespace {

namespace fs = std::filesystem;

const std::string setup_name = "Orbelin020.SET";
const std::string title_with_log = base_title + "    spots.csv";

BoxList boxes_from(int error, int first_step, int last_step) {
  BoxList boxes;
  for (int step = first_step; step <= last_step; ++step) boxes.emplace_back(error, step);
  return boxes;
}
BoxList joined(BoxList a, const BoxList& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The log: K1JT (slot 3) at 12:00, -5 dB, and W1AW (an other call) at 08:00, 0 dB.
void expect_log_read_with_the_first_setup() {
  EXPECT_EQ(current_window_title(), title_with_log);
  EXPECT_EQ(pixel(320, 183), attr::light_grey);
  EXPECT_EQ(pixel(224, 151), attr::black);
  EXPECT_EQ(row_text(3, 78, 2), "S9");
}

struct SetupFault {
  const char* name;
  std::function<void(const fs::path& setup)> act;
  BoxList boxes;                 // at the refresh after it
  std::function<void()> expect;  // the picture that refresh leaves
};
void PrintTo(const SetupFault& c, std::ostream* out) { *out << c.name; }

void make_unreadable(const fs::path& setup) {
  if (geteuid() != 0) {
    fs::permissions(setup, fs::perms::none);
    return;
  }
  // Permissions do not hold for root: the name leads to a file that refuses reading.
  fs::remove(setup);
  fs::create_symlink("/proc/sys/vm/compact_memory", setup);
}

void write_text(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

const SetupFault setup_faults[] = {
    // Nine boxes; every value keeps what the refresh before read, so the log is read as before.
    {"Deleted", [](const fs::path& setup) { fs::remove(setup); },
     joined({{53, 147}}, boxes_from(52, 148, 155)), expect_log_read_with_the_first_setup},
    {"MadeUnreadable", make_unreadable, joined({{70, 147}}, boxes_from(52, 148, 155)),
     expect_log_read_with_the_first_setup},
    // Eight values made empty: no log path, no S-meter, no tracked call.
    {"Emptied", [](const fs::path& setup) { fs::resize_file(setup, 0); },
     joined(boxes_from(62, 148, 155), {{76, 282}, {52, 283}, {52, 284}}),
     [] {
       EXPECT_EQ(current_window_title(), base_title + "    ");
       EXPECT_EQ(pixel(320, 183), attr::white);
       EXPECT_TRUE(cell_is_paper(3, 78));
       EXPECT_TRUE(cell_is_paper(26, 38));
     }},
    // A link to a device that never ends a field: box 14 for the log path, which keeps what the
    // refresh before read; the file is at its end after it, so the seven values after it are empty.
    {"LinkedToTheZeroDevice",
     [](const fs::path& setup) {
       fs::remove(setup);
       fs::create_symlink("/dev/zero", setup);
     },
     joined({{14, 148}}, boxes_from(62, 149, 155)),
     [] {
       EXPECT_EQ(current_window_title(), title_with_log);
       EXPECT_EQ(pixel(320, 183), attr::black);  // K1JT, tracked no longer
       EXPECT_TRUE(cell_is_paper(3, 78));        // no S-meter scale
     }},
    // Cut after the first tracked call: K1JT, in slot 3, is an other call now.
    {"Shortened", [](const fs::path& setup) { write_text(setup, "spots.csv\r\nY\r\nDL1ABC\r\n"); },
     boxes_from(62, 151, 155),
     [] {
       EXPECT_EQ(current_window_title(), title_with_log);
       EXPECT_EQ(pixel(320, 183), attr::black);
       EXPECT_EQ(row_text(29, 19, 10), "K1JT W1AW ");
       EXPECT_EQ(row_text(26, 12, 6), "DL1ABC");
     }},
    // An editor that writes a byte order mark: its bytes begin the log path, which names no file.
    {"SavedWithAByteOrderMark",
     [](const fs::path& setup) { write_text(setup, "\xEF\xBB\xBFspots.csv\r\nY\r\nDL1ABC\r\nG4XYZ\r\nK1JT\r\nVK2DX\r\nJA1NRH\r\nPY2AA\r\n"); },
     {{53, 282}, {52, 283}, {52, 284}},
     [] {
       EXPECT_EQ(current_window_title(), base_title + "    \xEF\xBB\xBFspots.csv");
       EXPECT_EQ(pixel(320, 183), attr::white);
     }},
};

class SetupFaultTest : public RobustnessTest, public ::testing::WithParamInterface<SetupFault> {};

TEST_P(SetupFaultTest, WhileRunningGivesItsBoxesAtTheNextRefresh) {
  const SetupFault& c = GetParam();
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {"K1JT,FT8,12:00:00,-5,-20", "W1AW,FT8,08:00:00,0,-20"});
  after_each_refresh([&](int refresh) {
    if (refresh == 1) {
      EXPECT_TRUE(message_boxes.boxes().empty());
      expect_log_read_with_the_first_setup();
      message_boxes.clear();
      c.act(folder.path() / setup_name);
    }
  });
  const RunEnd end = run_refreshes(3);
  EXPECT_FALSE(end.process_ended);
  // The same boxes at every refresh for as long as the fault lasts: twice.
  EXPECT_EQ(box_errors_and_steps(), joined(c.boxes, c.boxes));
  c.expect();
}

INSTANTIATE_TEST_SUITE_P(Faults, SetupFaultTest, ::testing::ValuesIn(setup_faults), CaseName());

// An edit saved while a refresh reads the log: that refresh and the passes after it keep the
// values it read; the next refresh shows the new ones.
TEST_F(RobustnessTest, AnEditDuringARefreshShowsAtTheNextRefreshAndNoEarlier) {
  write_setup("spots.csv", "Y", standard_calls);
  // K1JT's bell gives a moment in the middle of the refresh.
  write_log("spots.csv", {"K1JT,FT8,12:00:00\a,-5,-20", "W1AW,FT8,08:00:00,0,-20"});
  write_log("two.csv", {"W1AW,FT8,08:00:00,0,-20"});
  clock.at(pass_start_ms(1) + 100, [&] { write_setup("two.csv", "N", {"W1AW", "", "", "", "", ""}); });
  bool checked_before = false;
  after_each_refresh([&](int refresh) {
    if (refresh != 1) return;
    expect_log_read_with_the_first_setup();
    // In the pause of the pass before the next refresh (the 99th after this one's pause): still
    // as the first refresh left it.
    clock.after(98 * 100 + 50, [&] {
      EXPECT_EQ(plotter_state.refresh_counter, 99);
      expect_log_read_with_the_first_setup();
      EXPECT_EQ(row_text(26, 12, 6), "DL1ABC");
      checked_before = true;
    });
  });
  run_refreshes(2);
  EXPECT_TRUE(checked_before);
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_EQ(current_window_title(), base_title + "    two.csv");
  EXPECT_EQ(pixel(224, 151), attr::green);  // W1AW, slot 1 now
  EXPECT_EQ(pixel(320, 183), attr::white);
  EXPECT_TRUE(cell_is_paper(3, 78));        // the S-meter scale is gone
  EXPECT_EQ(row_text(26, 12, 6), "W1AWBC");  // a shorter call leaves the end of the longer one
}

}  // namespace
