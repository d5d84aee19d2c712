// The error box as a user meets it, on a bare X display and under a window manager (openbox):
// on top of Orbelin's window whatever is clicked, with the keyboard focus, its caption and text
// whole, answered from the keyboard and the mouse as a Windows box is, and gone with the process.
#include <signal.h>

#include <cstdlib>
#include <filesystem>

#include "probe_fixture.h"
#include "tests/support/harness.h"
#include "winapi/message_box.h"

namespace {

namespace fs = std::filesystem;

struct Desktop {
  const char* name;
  bool window_manager;
};
void PrintTo(const Desktop& desktop, std::ostream* out) { *out << desktop.name; }

const std::vector<std::string> first_box_lines = {"Unhandled Error #53", "Line:282", "File not found", "Continue?"};

// Rows of dark pixels (text, on the box's light ground), with how far they reach left and right.
struct InkBand {
  int top = 0, bottom = 0, left = 0, right = 0;
};
bool dark(uint32_t rgb) {
  const uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
  return 299 * r + 587 * g + 114 * b < 128 * 1000;
}
std::vector<InkBand> ink_bands(const Picture& picture) {
  std::vector<InkBand> bands;
  bool in_band = false;
  for (int y = 0; y < picture.height; ++y) {
    int left = picture.width, right = -1;
    for (int x = 0; x < picture.width; ++x) {
      if (!dark(picture.at(x, y))) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
    if (right < 0) {
      in_band = false;
      continue;
    }
    if (!in_band) bands.push_back({y, y, left, right});
    in_band = true;
    InkBand& band = bands.back();
    band.bottom = y;
    band.left = std::min(band.left, left);
    band.right = std::max(band.right, right);
  }
  return bands;
}

// The part of a picture of the screen that a window's inside covers.
std::optional<Picture> inside_of(const Picture& screen, const std::string& display, unsigned long window) {
  const auto outer = window_rect_within(display, window, root_window(display));
  const WindowSize inside = window_size(display, window);
  if (!outer) return std::nullopt;
  const int border = (outer->width - inside.width) / 2;
  if (outer->x + border < 0 || outer->y + border < 0 || outer->x + border + inside.width > screen.width ||
      outer->y + border + inside.height > screen.height)
    return std::nullopt;
  Picture picture{inside.width, inside.height, {}};
  for (int y = 0; y < inside.height; ++y)
    for (int x = 0; x < inside.width; ++x)
      picture.pixels.push_back(screen.at(outer->x + border + x, outer->y + border + y));
  return picture;
}

class ErrorBox : public WindowTest, public ::testing::WithParamInterface<Desktop> {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    if (!GetParam().window_manager) return;
    start("openbox");
    ASSERT_TRUE(wait_until([&] { return window_manager_running(display.name()); })) << "openbox did not start";
  }

  // Orbelin from a folder of its own whose setup file names a log that does not exist; its window
  // once the title names the log.
  unsigned long start_orbelin_on_missing_log() {
    fs::copy_file(ORBELIN_EXE, folder.path() / "orbelin");
    folder.write("Orbelin020.SET", "missing.csv\r\nY\r\nDL1ABC\r\nG4XYZ\r\nK1JT\r\nVK2DX\r\nJA1NRH\r\nPY2AA\r\n");
    orbelin = &start((folder.path() / "orbelin").string());
    const auto window = find_window(display.name(), "missing\\.csv$");
    EXPECT_TRUE(window) << "no window with the log's name in its title";
    return window.value_or(0);
  }

  unsigned long box_shows(const std::string& caption) {
    const auto box = find_window(display.name(), "^" + caption + "$");
    EXPECT_TRUE(box) << "no box captioned \"" << caption << "\"";
    return box.value_or(0);
  }

  // The user brings the owner's window forward and clicks into it, away from the box.
  void activate_and_click(unsigned long window) {
    run_tool(display.name(), {"xdotool", "windowraise", std::to_string(window)});
    run_tool(display.name(), {"xdotool", "windowactivate", std::to_string(window)});  // needs a window manager
    click(display.name(), window, 20, 60);
  }

  // Found: titled, centred over its owner, with the keyboard focus; above the owner after the
  // user has brought the owner forward. The screen is kept as a picture to look at.
  void expect_found_over(unsigned long box, unsigned long window, const std::string& caption) {
    EXPECT_EQ(window_property(display.name(), box, "WM_NAME"), (WindowProperty{"STRING", caption}));
    EXPECT_EQ(window_property(display.name(), box, "_NET_WM_NAME"), (WindowProperty{"UTF8_STRING", caption}));
    // Centred over the window once the window has its size (it may still be taking it as the box
    // opens); a window manager's frames move both a little.
    EXPECT_TRUE(wait_until([&] { return centred_over(display.name(), box, window, 30); }))
        << "the box is not centred over the window";
    EXPECT_TRUE(wait_until([&] { return focused_window(display.name()) == box; })) << "the box has no focus";
    activate_and_click(window);
    EXPECT_TRUE(wait_until([&] { return stacked_above(display.name(), box, window); })) << "the box went under";
    EXPECT_TRUE(stacked_above(display.name(), box, window));
  }

  // Readable on the screen: a band of text for the caption and for each line, each as wide as its
  // text, none cut at the box's edge; the box wider than its caption. The box paints itself again
  // each time it comes back over the window, so the screen is looked at until it reads whole. A
  // failing test keeps the screen and the box as pictures to look at.
  void expect_reads_whole(unsigned long box, const std::vector<std::string>& lines) {
    std::vector<int> widths;
    for (const std::string& line : lines) widths.push_back(fixed_font_text_width(display.name(), line));
    std::optional<Picture> screen, picture;
    std::vector<std::string> faults;
    wait_until([&] {
      screen = capture_window(display.name(), root_window(display.name()));
      picture = screen ? inside_of(*screen, display.name(), box) : std::nullopt;
      faults = picture ? unread(*picture, lines, widths) : std::vector<std::string>{"the box is not on the screen whole"};
      return faults.empty();
    }, 10s);
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
    if (screen) keep_picture(*screen, "screen");
    if (picture) keep_picture(*picture, "box");
  }
  // What keeps a picture of a box from reading whole, its lines `widths` pixels wide; nothing when
  // it does.
  static std::vector<std::string> unread(const Picture& box, const std::vector<std::string>& lines,
                                         const std::vector<int>& widths) {
    const std::vector<InkBand> bands = ink_bands(box);
    if (bands.size() <= lines.size())
      return {std::to_string(bands.size()) + " lines of text, fewer than the caption, its " +
              std::to_string(lines.size() - 1) + " lines and the buttons"};
    std::vector<std::string> faults;
    if (box.width <= widths[0] + 20)
      faults.push_back("the box is " + std::to_string(box.width) + " px wide, hardly wider than its caption");
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string line = "\"" + lines[i] + "\" ";
      const int wide = bands[i].right - bands[i].left + 1;
      const int wanted = widths[i];
      if (std::abs(wide - wanted) > 3)
        faults.push_back(line + "is " + std::to_string(wide) + " px wide, not " + std::to_string(wanted));
      if (bands[i].left != bands[0].left) faults.push_back(line + "does not start where the caption does");
      if (bands[i].left <= 0 || bands[i].right >= box.width - 1) faults.push_back(line + "is cut at the box's edge");
    }
    return faults;
  }

  TempFolder folder;
  Child* orbelin = nullptr;
};

TEST_P(ErrorBox, AMissingLogsFirstBoxIsFoundAboveReadsWholeAndTabReturnAnswersNo) {
  const unsigned long window = start_orbelin_on_missing_log();
  ASSERT_NE(window, 0u);
  const unsigned long box = box_shows(first_box_lines[0]);
  ASSERT_NE(box, 0u);
  expect_found_over(box, window, first_box_lines[0]);
  expect_reads_whole(box, first_box_lines);
  ASSERT_TRUE(keys(box, {"Tab", "Return"}));
  EXPECT_EQ(orbelin->wait_for_exit(), 0);
  EXPECT_TRUE(window_gone(display.name(), box));
}

TEST_P(ErrorBox, YesGoesOnToTheNextBoxAndSigtermLeavesNoBox) {
  const unsigned long window = start_orbelin_on_missing_log();
  ASSERT_NE(window, 0u);
  const unsigned long first = box_shows(first_box_lines[0]);
  ASSERT_NE(first, 0u);
  ASSERT_TRUE(press_until(display.name(), first, "y", [&] { return window_gone(display.name(), first, 500ms); }));
  const unsigned long next = box_shows("Unhandled Error #52");
  ASSERT_NE(next, 0u);
  EXPECT_TRUE(wait_until([&] { return stacked_above(display.name(), next, window); }));
  ASSERT_EQ(::kill(orbelin->pid(), SIGTERM), 0);
  EXPECT_EQ(orbelin->wait_for_exit(), -1);
  EXPECT_TRUE(window_gone(display.name(), next)) << "the box outlived the process";
}

// What the user does in a box: keys (as xdotool names them), the window manager's close button,
// a click on a button (the buttons sit side by side, centred at the box's bottom: "click-yes",
// "click-no", "click-ok").
struct Answer {
  std::vector<std::string> acts;
  bool goes_on;  // Yes (or OK); else No
};
void PrintTo(const Answer& answer, std::ostream* out) {
  for (const std::string& act : answer.acts) *out << act << ' ';
}

class ErrorBoxAnswers : public ErrorBox {
 protected:
  void act(unsigned long box, const std::string& what) {
    if (what == "close") {
      ASSERT_TRUE(press_close_button(display.name(), box));
    } else if (what.starts_with("click-")) {
      // Yes left of the middle, No right of it, OK in it.
      const int across = what == "click-yes" ? -40 : what == "click-no" ? 40 : 0;
      const WindowSize size = window_size(display.name(), box);
      ASSERT_TRUE(click(display.name(), box, size.width / 2 + across, size.height - 22));
    } else {
      ASSERT_TRUE(keys(box, {what}));
    }
  }
};

TEST_P(ErrorBoxAnswers, AYesNoBoxIsAnsweredAsOnWindows) {
  const Answer answers[] = {
      {{"Return"}, true},          {{"space"}, true},          {{"y"}, true},
      {{"shift+y"}, true},         {{"n"}, false},             {{"shift+n"}, false},
      {{"Tab", "Return"}, false},  {{"Tab", "Tab", "Return"}, true}, {{"shift+Tab", "space"}, false},
      {{"Right", "Return"}, false}, {{"Right", "Left", "Return"}, true}, {{"Down", "Return"}, false},
      {{"Escape", "Return"}, true}, {{"close", "Return"}, true}, {{"close", "n"}, false},
      {{"click-yes"}, true},       {{"click-no"}, false},
  };
  Child* probe = nullptr;
  unsigned long window = 0;
  for (const Answer& answer : answers) {
    SCOPED_TRACE(::testing::PrintToString(answer));
    if (!probe) {
      probe = &start_probe({"titled", "mode"});
      ASSERT_TRUE(probe->wait_for_line("running"));
      window = probe_window();
      ASSERT_NE(window, 0u);
    }
    ASSERT_TRUE(keys(window, {"e"}));
    const unsigned long box = box_shows("Unhandled Error #53");
    ASSERT_NE(box, 0u);
    ASSERT_TRUE(wait_until([&] { return focused_window(display.name()) == box; }));
    for (const std::string& what : answer.acts) act(box, what);
    if (answer.goes_on) {
      EXPECT_TRUE(probe->wait_for_line("answered")) << "not answered Yes";
      EXPECT_TRUE(window_gone(display.name(), box));
    } else {
      EXPECT_EQ(probe->wait_for_exit(), 0) << "not answered No";
      EXPECT_FALSE(probe->wait_for_line("answered", 0ms)) << "No went on";
      probe = nullptr;
    }
  }
}

TEST_P(ErrorBoxAnswers, TheCriticalBoxIsFoundAboveTheUntitledWindowAndEveryWayOfClosingItIsOk) {
  const std::vector<std::string> lines = {"Critical Error", "Cannot find dynamic library file"};
  const std::string ways[] = {"Return", "space", "Escape", "close", "click-ok"};
  for (const std::string& way : ways) {
    SCOPED_TRACE(way);
    auto& probe = start_probe();
    ASSERT_TRUE(probe.wait_for_line("running"));
    const unsigned long window = probe_window("Untitled");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(keys(window, {"k"}));
    const unsigned long box = box_shows(lines[0]);
    ASSERT_NE(box, 0u);
    if (way == ways[0]) {
      expect_found_over(box, window, lines[0]);
      expect_reads_whole(box, lines);
    }
    act(box, way);
    EXPECT_EQ(probe.wait_for_exit(), 0);
    EXPECT_TRUE(window_gone(display.name(), box));
  }
}

TEST_P(ErrorBoxAnswers, OrbelinsCloseButtonAndCtrlBreakEndItWithZeroAndTakeTheBoxAlong) {
  for (const std::string way : {"close button", "ctrl+Pause", "Break"}) {
    SCOPED_TRACE(way);
    auto& probe = start_probe({"titled", "mode"});
    ASSERT_TRUE(probe.wait_for_line("running"));
    const unsigned long window = probe_window();
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(keys(window, {"e"}));
    const unsigned long box = box_shows("Unhandled Error #53");
    ASSERT_NE(box, 0u);
    ASSERT_TRUE(wait_until([&] { return focused_window(display.name()) == box; }));
    if (way == "close button") {
      ASSERT_TRUE(press_close_button(display.name(), window));
    } else {
      // Typed as the user types, into the box that has the focus.
      ASSERT_TRUE(run_tool(display.name(), {"xdotool", "key", way}));
    }
    EXPECT_EQ(probe.wait_for_exit(), 0);
    EXPECT_FALSE(probe.wait_for_line("answered", 0ms)) << "the box was answered";
    EXPECT_TRUE(window_gone(display.name(), box)) << "the box outlived the process";
  }
}

const Desktop desktops[] = {{"NoWindowManager", false}, {"Openbox", true}};
std::string desktop_name(const ::testing::TestParamInfo<Desktop>& desktop) { return desktop.param.name; }
INSTANTIATE_TEST_SUITE_P(Desktops, ErrorBox, ::testing::ValuesIn(desktops), desktop_name);
INSTANTIATE_TEST_SUITE_P(Desktops, ErrorBoxAnswers, ::testing::ValuesIn(desktops), desktop_name);

// A box that cannot be shown counts as not shown (0, which the caller takes for Yes) and says so.
TEST(ErrorBoxNotShown, SaysWhichBoxAndWhy) {
  struct Case {
    std::optional<std::string> display;
    const char* why;
  };
  const char* const kept = std::getenv("DISPLAY");
  const std::optional<std::string> before = kept ? std::optional<std::string>(kept) : std::nullopt;
  for (const Case& c : {Case{std::nullopt, "no X display (DISPLAY is not set)"},
                        Case{":64999", "cannot open the X display \":64999\""}}) {
    SCOPED_TRACE(c.why);
    if (c.display) setenv("DISPLAY", c.display->c_str(), 1);
    else unsetenv("DISPLAY");
    ::testing::internal::CaptureStderr();
    const int answer = MessageBoxA(nullptr, "Line:282\nFile not found\nContinue?", "Unhandled Error #53", 0x1004);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(said, std::string("orbelin: the box \"Unhandled Error #53\" could not be shown: ") + c.why + "\n");
  }
  if (before) setenv("DISPLAY", before->c_str(), 1);
  else unsetenv("DISPLAY");
}

}  // namespace
