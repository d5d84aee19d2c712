// Orbelin's menu line in the real window: its look above the unchanged picture, and a click on
// each item opening the setup file or the help page once, through a stand-in for xdg-open.
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>

#include "pattern.h"
#include "platform/platform.h"
#include "platform/window/layout.h"
#include "platform/window/menu_line.h"
#include "probe_fixture.h"

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint32_t cream = 0xFFFBCF;
constexpr uint32_t dark_grey = 0x555555;  // the frames' colour 8
constexpr uint32_t white = 0xFFFFFF;
constexpr int bar = menu_bar_height;

// Where a user clicks: the middle of each item.
constexpr int edit_x = 68, help_x = 160, item_y = 10;

// The lines of a file that other processes append to, waited for through inotify on its folder
// (the file need not exist yet).
class AppendedLines {
 public:
  explicit AppendedLines(fs::path file) : file_(std::move(file)) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    constexpr uint32_t changes = IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO;
    if (fd_ >= 0) inotify_add_watch(fd_, file_.parent_path().c_str(), changes);
  }
  ~AppendedLines() {
    if (fd_ >= 0) ::close(fd_);
  }
  AppendedLines(const AppendedLines&) = delete;
  AppendedLines& operator=(const AppendedLines&) = delete;

  std::vector<std::string> now() const {
    std::ifstream in(file_);
    std::stringstream whole;
    whole << in.rdbuf();
    std::vector<std::string> lines;
    const std::string text = whole.str();
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }

  // The lines once there are at least `count` of them, or those there are at the bound.
  std::vector<std::string> wait_for(size_t count, Bound bound = 20s) const {
    const auto deadline = Clock::now() + bound;
    for (;;) {
      std::vector<std::string> lines = now();
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (lines.size() >= count || left <= 0 || fd_ < 0) return lines;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) > 0) {
        char events[4096];
        while (::read(fd_, events, sizeof events) > 0) {
        }
      }
    }
  }

 private:
  fs::path file_;
  int fd_ = -1;
};

Picture filled(int width, int height, uint32_t colour) {
  return {width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, colour)};
}

// The menu line as the window must draw it, `width` pixels wide.
Picture menu_line_picture(bool edit_lit, bool help_lit, int width = 640) {
  const std::vector<MenuBarItem> items = {{"Edit setup file", edit_lit}, {"Help", help_lit}};
  Picture line{width, bar, paint_menu_line(items, width)};
  for (uint32_t& pixel : line.pixels) pixel &= 0xFFFFFF;
  return line;
}

// Parts of the sample's picture that no spot can reach, placed at (x, y) of the capture: the
// cream rows between the hour ruler and the legend box and below the legend box, and the legend
// box's outline, whose rows and columns pin the picture to the pixel.
struct PicturePart {
  const char* name;
  int x, y;
  Picture expected;
};
std::vector<PicturePart> sample_picture_parts() {
  std::vector<PicturePart> parts = {
      {"between", 0, 385, filled(640, 8, cream)},
      {"below", 0, 467, filled(640, 13, cream)},
  };
  for (const int y : {395, 465}) {
    Picture edge = filled(640, 1, cream);
    for (int x = 30; x <= 612; ++x) edge.pixels[static_cast<size_t>(x)] = dark_grey;
    parts.push_back({y == 395 ? "legend top" : "legend bottom", 0, y, edge});
  }
  // The right edge is left out: the latest-spot line's blanks paint over it.
  Picture left_edge{2, 69, {}};
  for (int y = 0; y < left_edge.height; ++y) {
    left_edge.pixels.push_back(cream);
    left_edge.pixels.push_back(dark_grey);
  }
  parts.push_back({"legend left", 29, 396, left_edge});
  return parts;
}

// Where a press lands: the items stand side by side from the left edge, each its text and 8
// blank pixels either side, over the whole height of the line; nothing else is an item.
TEST(MenuLineItems, APressFindsTheItemUnderItToThePixel) {
  const std::vector<MenuBarItem> items = {{"Edit setup file", false}, {"Help", false}};
  struct Point {
    int x, y;
    std::optional<unsigned> item;
  };
  const Point points[] = {{0, 0, 0u},         {135, bar - 1, 0u}, {136, 0, 1u},  {183, 10, 1u},
                          {184, 10, {}},      {639, 10, {}},      {10, bar, {}}, {10, -1, {}},
                          {-1, 10, {}},       {edit_x, item_y, 0u}, {help_x, item_y, 1u}};
  for (const Point& p : points) EXPECT_EQ(menu_item_at(items, p.x, p.y), p.item) << p.x << ", " << p.y;
  EXPECT_EQ(menu_item_at({}, 10, 10), std::nullopt);
}

class MenuBarWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    folder = fs::path(test_output_folder()) / current_test_name();
    fs::remove_all(folder);
    fs::create_directories(folder / "app");
    fs::create_directories(folder / "bin");
    folder = fs::canonical(folder);  // as the stand-in's getcwd gives it
    // Orbelin runs from its own folder: a copy of it, the command interpreter beside it, the sample.
    const auto copy = [&](const fs::path& from) {
      fs::copy_file(from, folder / "app" / from.filename(), fs::copy_options::overwrite_existing);
    };
    copy(ORBELIN_EXE);
    copy(CMD_EXE);
    for (const char* name : {"Orbelin020.SET", "SampleDay.csv", "OrbelinHelp.htm"})
      copy(fs::path(SAMPLE_FOLDER) / name);
    // xdg-open, first on the path: one line for each opening, its arguments.
    const fs::path double_of_xdg_open = folder / "bin" / "xdg-open";
    std::ofstream(double_of_xdg_open) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << opened_path().string() << "'\n";
    fs::permissions(double_of_xdg_open, fs::perms::owner_all, fs::perm_options::add);
    opened = std::make_unique<AppendedLines>(opened_path());
  }

  // The copy stays for a look only when the test failed.
  void TearDown() override {
    WindowTest::TearDown();
    std::error_code ignored;
    if (!HasFailure()) fs::remove_all(folder, ignored);
  }

  fs::path opened_path() const { return folder / "opened.log"; }
  std::string setup_file() const { return (folder / "app" / "Orbelin020.SET").string(); }
  std::string help_page() const { return (folder / "app" / "OrbelinHelp.htm").string(); }

  // Orbelin on the copy, once its window carries the menu line (the window has grown by it) and
  // its title the log's path (a regular expression).
  unsigned long start_orbelin(const std::string& log = "SampleDay\\.csv") {
    const char* path = std::getenv("PATH");
    orbelin = &start((folder / "app" / "orbelin").string(), {},
                     {{"PATH", (folder / "bin").string() + ":" + (path ? path : "/usr/bin:/bin")}});
    const auto window = find_window(display.name(), "^Q0ZVNL Orbelin V0\\.20 18/03/18 {4}" + log + "$");
    EXPECT_TRUE(window) << "no window with Orbelin's title after its first refresh";
    if (!window) return 0;
    EXPECT_TRUE(size_becomes(display.name(), *window, 640, 480 + bar)) << "the window did not grow by the menu line";
    return *window;
  }

  // The next opening, after `before` of them.
  std::string next_opening(size_t before) {
    const std::vector<std::string> lines = opened->wait_for(before + 1);
    return lines.size() > before ? lines[before] : "(no opening)";
  }

  void expect_sample_picture_at(unsigned long window, int x, int y) {
    for (const PicturePart& part : sample_picture_parts()) {
      const Comparison shown = window_shows(display.name(), window, part.expected, part.name, x + part.x, y + part.y);
      EXPECT_TRUE(shown.same) << part.name << ": " << shown.report;
    }
  }

  // Escape, and a key once the prompt shows.
  void end_orbelin(unsigned long window, int picture_x = 0, int picture_y = bar) {
    ASSERT_TRUE(keys(window, {"Escape"}));
    const Comparison prompt =
        window_shows(display.name(), window, end_prompt_row(), "prompt", picture_x, picture_y + 464);
    EXPECT_TRUE(prompt.same) << prompt.report;
    EXPECT_EQ(end_at_prompt(display.name(), window, *orbelin), 0);
  }

  fs::path folder;
  std::unique_ptr<AppendedLines> opened;
  Child* orbelin = nullptr;
};

TEST_F(MenuBarWindow, ShowsTheMenuLineAboveTheUnchangedPicture) {
  const unsigned long window = start_orbelin();
  ASSERT_NE(window, 0u);
  const Comparison line = window_shows(display.name(), window, menu_line_picture(false, false), "menu line");
  EXPECT_TRUE(line.same) << line.report;
  expect_sample_picture_at(window, 0, bar);

  // As a user sees it, independent of the painting: a light grey line with a darker rule under
  // it, black text only where the two items stand, and a white chart under the line.
  const auto shot = capture_window(display.name(), window);
  ASSERT_TRUE(shot);
  ASSERT_EQ(shot->width, 640);
  ASSERT_EQ(shot->height, 500);
  EXPECT_EQ(shot->at(400, 10), menu_line::face & 0xFFFFFF);
  int black_in[3] = {0, 0, 0};  // "Edit setup file", "Help", beyond them
  for (int y = 0; y < bar; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (y == bar - 1) {
        EXPECT_EQ(shot->at(x, y), 0x808080u) << "rule at x " << x;
      } else if (shot->at(x, y) == 0) {
        ++black_in[x < 136 ? 0 : x < 184 ? 1 : 2];
      }
    }
  }
  EXPECT_GT(black_in[0], 100);
  EXPECT_GT(black_in[1], 30);
  EXPECT_EQ(black_in[2], 0);
  int white_in_chart = 0;
  for (int y = 25; y < 365; ++y)
    for (int x = 31; x < 612; ++x) white_in_chart += shot->at(x, bar + y) == white;
  EXPECT_GT(white_in_chart, 581 * 340 / 2) << "the chart is not mostly white";
  keep_picture(*shot, "window");
  end_orbelin(window);
}

TEST_F(MenuBarWindow, EachClickOnAnItemOpensItsFileOnce) {
  const unsigned long window = start_orbelin();
  ASSERT_NE(window, 0u);
  // "Orbelin020.set" in the command is the existing "Orbelin020.SET", by its absolute path.
  ASSERT_TRUE(click(display.name(), window, edit_x, item_y));
  EXPECT_EQ(next_opening(0), setup_file());
  ASSERT_TRUE(click(display.name(), window, help_x, item_y));
  EXPECT_EQ(next_opening(1), help_page());
  // A second click is a second opening.
  ASSERT_TRUE(click(display.name(), window, help_x, item_y));
  EXPECT_EQ(next_opening(2), help_page());
  ASSERT_TRUE(click(display.name(), window, edit_x, item_y));
  EXPECT_EQ(next_opening(3), setup_file());

  // Hovering over an item, the other buttons on it, and the left button beside the items or on
  // the picture open nothing: the next opening is the one of the next real click.
  ASSERT_TRUE(move_pointer(display.name(), window, edit_x, item_y));
  ASSERT_TRUE(move_pointer(display.name(), window, help_x, item_y));
  ASSERT_TRUE(click(display.name(), window, edit_x, item_y, 3));
  ASSERT_TRUE(click(display.name(), window, help_x, item_y, 2));
  ASSERT_TRUE(click(display.name(), window, 400, item_y));
  ASSERT_TRUE(click(display.name(), window, 300, bar + 200));
  ASSERT_TRUE(click(display.name(), window, edit_x, bar + 2));
  ASSERT_TRUE(click(display.name(), window, help_x, item_y));
  EXPECT_EQ(next_opening(4), help_page());

  end_orbelin(window);
  const std::vector<std::string> all = {setup_file(), help_page(), help_page(), setup_file(), help_page()};
  EXPECT_EQ(opened->now(), all);
}

TEST_F(MenuBarWindow, TheEditorGetsTheSetupFileThatThePlotterReadsBesideACaseVariant) {
  // Beside the setup file, a second one that differs only in case and names another log: the
  // window's title tells which of the two the plotter read, and the editor must get that one.
  fs::copy_file(folder / "app" / "SampleDay.csv", folder / "app" / "Decoy.csv");
  std::ifstream sample(folder / "app" / "Orbelin020.SET", std::ios::binary);
  const std::string setup((std::istreambuf_iterator<char>(sample)), std::istreambuf_iterator<char>());
  const std::string decoy_setup = "Decoy.csv" + setup.substr(setup.find('\r'));
  size_t openings = 0;
  for (const char* decoy : {"ORBELIN020.SET", "Orbelin020.set"}) {
    SCOPED_TRACE(decoy);
    std::ofstream(folder / "app" / decoy, std::ios::binary) << decoy_setup;
    const unsigned long window = start_orbelin("(SampleDay|Decoy)\\.csv");
    ASSERT_NE(window, 0u);
    const std::string title = window_name(display.name(), window);
    const std::string log_read = title.substr(title.rfind(' ') + 1);
    ASSERT_TRUE(click(display.name(), window, edit_x, item_y));
    const fs::path edited = next_opening(openings++);
    EXPECT_EQ(edited.parent_path(), folder / "app");
    std::ifstream in(edited, std::ios::binary);
    std::string log_named;
    std::getline(in, log_named, '\r');
    EXPECT_EQ(log_named, log_read) << "the editor got " << edited << ", the plotter read the file naming " << log_read;
    end_orbelin(window);
    fs::remove(folder / "app" / decoy);
  }
}

TEST_F(MenuBarWindow, AHeldItemShowsPressedAndOpensOnce) {
  const unsigned long window = start_orbelin();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(press_button(display.name(), window, help_x, item_y));
  const Comparison held = window_shows(display.name(), window, menu_line_picture(false, true), "held");
  EXPECT_TRUE(held.same) << held.report;
  // Held over many passes of the plotter, it opens the page once, on the first pass that sees it.
  EXPECT_EQ(next_opening(0), help_page());
  ASSERT_TRUE(release_button(display.name()));
  const Comparison released = window_shows(display.name(), window, menu_line_picture(false, false), "released");
  EXPECT_TRUE(released.same) << released.report;
  ASSERT_TRUE(click(display.name(), window, edit_x, item_y));
  EXPECT_EQ(next_opening(1), setup_file());
  end_orbelin(window);
  EXPECT_EQ(opened->now(), (std::vector<std::string>{help_page(), setup_file()}));
}

TEST_F(MenuBarWindow, FullScreenKeepsTheMenuLineAcrossTheTop) {
  const unsigned long window = start_orbelin();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(keys(window, {"alt+Return"}));
  ASSERT_TRUE(size_becomes(display.name(), window, 1024, 768));
  const Comparison line =
      window_shows(display.name(), window, menu_line_picture(false, false, 1024), "full-screen line");
  EXPECT_TRUE(line.same) << line.report;
  // The picture centred, unscaled, in the room under the line.
  expect_sample_picture_at(window, (1024 - 640) / 2, bar + (768 - bar - 480) / 2);

  ASSERT_TRUE(keys(window, {"alt+Return"}));
  EXPECT_TRUE(size_becomes(display.name(), window, 640, 480 + bar));
  expect_sample_picture_at(window, 0, bar);

  // The items work in full screen too (the command leaves it while it runs and it comes back).
  ASSERT_TRUE(keys(window, {"alt+Return"}));
  ASSERT_TRUE(size_becomes(display.name(), window, 1024, 768));
  ASSERT_TRUE(click(display.name(), window, help_x, item_y));
  EXPECT_EQ(next_opening(0), help_page());
  ASSERT_TRUE(size_becomes(display.name(), window, 1024, 768));
  end_orbelin(window, (1024 - 640) / 2, bar + (768 - bar - 480) / 2);
  EXPECT_EQ(opened->now(), std::vector<std::string>{help_page()});
}
}  // namespace
