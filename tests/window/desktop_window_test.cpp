// The window as the desktop knows it: its class, its title as X takes it (UTF-8 beside the
// bytes, cut to what the server accepts), its size hints and its placement, on bare Xvfb and
// under a window manager (openbox).
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>

#include "pattern.h"
#include "platform/platform.h"
#include "platform/window/desktop_properties.h"
#include "platform/window/layout.h"
#include "probe_fixture.h"
#include "tests/support/harness.h"

namespace {
namespace fs = std::filesystem;
constexpr int bar = menu_bar_height;
const std::string base_title = "Q0ZVNL Orbelin V0.20 18/03/18    ";

std::string times(size_t count, const std::string& piece) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += piece;
  return text;
}

struct TitleCase {
  const char* label;
  std::string title;
  std::string bytes;  // WM_NAME
  std::string utf8;   // _NET_WM_NAME
};

TEST(TitleForX, UTF8AsItStandsOtherBytesAsLatin1CutBetweenCharacters) {
  const std::string o = "\xC3\xB6";  // ö in UTF-8
  const std::string smile = "\xF0\x9F\x98\x80";
  const size_t bound = longest_title_for_x;
  const TitleCase cases[] = {
      {"ASCII", "Orbelin    log.csv", "Orbelin    log.csv", "Orbelin    log.csv"},
      {"UTF-8", "j" + o + "rg", "j" + o + "rg", "j" + o + "rg"},
      {"Latin-1", "j\xF6rg \xB0", "j\xF6rg \xB0", "j" + o + "rg \xC2\xB0"},
      {"overlong", "a\xC0\xAF", "a\xC0\xAF", "a\xC3\x80\xC2\xAF"},
      {"surrogate", "\xED\xA0\x80", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
      {"sequence cut short", "x\xE2\x82", "x\xE2\x82", "x\xC3\xA2\xC2\x82"},
      {"ASCII at the bound", std::string(bound, 'a'), std::string(bound, 'a'), std::string(bound, 'a')},
      {"ASCII beyond it", std::string(bound + 1, 'a'), std::string(bound, 'a'), std::string(bound, 'a')},
      {"the bound inside a 2-byte sequence", "a" + times(3000, o), "a" + times(2047, o), "a" + times(2047, o)},
      {"4-byte sequences ending at the bound", times(1100, smile), times(1024, smile), times(1024, smile)},
      {"the bound inside a 4-byte sequence", "ab" + times(1100, smile), "ab" + times(1023, smile),
       "ab" + times(1023, smile)},
      {"Latin-1 growing beyond the bound", "a" + std::string(3000, '\xE9'), "a" + std::string(3000, '\xE9'),
       "a" + times(2047, "\xC3\xA9")},
      {"Latin-1 beyond the bound", std::string(5000, '\xE9'), std::string(bound, '\xE9'), times(2048, "\xC3\xA9")},
  };
  for (const TitleCase& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(title_bytes_for_x(c.title), c.bytes);
    EXPECT_EQ(title_utf8_for_x(c.title), c.utf8);
  }
}

// Orbelin from a folder of its own, its setup file naming the spot log `log_path`.
class DesktopWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    fs::copy_file(ORBELIN_EXE, folder.path() / "orbelin");
  }

  // Starts Orbelin with a copy of the sample log under `log_path` (with_log), and gives its
  // window, found by its class, once its title names the log.
  unsigned long start_orbelin(const std::string& log_path, bool with_log = true) {
    folder.write("Orbelin020.SET", log_path + "\r\nY\r\nDL1ABC\r\nG4XYZ\r\nK1JT\r\nVK2DX\r\nJA1NRH\r\nPY2AA\r\n");
    if (with_log) fs::copy_file(fs::path(SAMPLE_FOLDER) / "SampleDay.csv", folder.path() / log_path);
    orbelin = &start((folder.path() / "orbelin").string());
    // Looked for again when xdotool fails: a window manager's frames come and go under its search.
    std::optional<std::string> found;
    const bool shows = wait_until([&] {
      found = run_tool(display.name(), {"xdotool", "search", "--onlyvisible", "--classname", "^orbelin$"});
      return found && !found->empty();
    });
    EXPECT_TRUE(shows) << "no visible window of the instance \"orbelin\"";
    if (!shows) return 0;
    const unsigned long window = std::stoul(*found);
    const std::string expected = title_utf8_for_x(base_title + log_path);
    EXPECT_TRUE(wait_until([&] { return last_title_property(window) == expected; }))
        << "the title did not name the log";
    return window;
  }

  // The last of the four title properties Orbelin writes, one after the other: once it names the
  // log, all four do.
  std::string last_title_property(unsigned long window) {
    const auto name = window_property(display.name(), window, "_NET_WM_ICON_NAME");
    return name ? name->bytes : "";
  }

  std::string xprop(unsigned long window, const std::string& property) {
    return run_tool(display.name(), {"xprop", "-id", std::to_string(window), property}).value_or("(xprop failed)");
  }

  // The parts of the sample's picture that no spot reaches, at their place below the menu line:
  // the cream rows between the hour ruler and the legend box, and below the legend box.
  void expect_cream_rows(unsigned long window) {
    reset_platform();
    draw_cream_screen();
    const Picture cream = expected_picture();
    for (const auto& [first, count] : {std::pair{385, 8}, std::pair{467, 13}}) {
      Picture rows{640, count, {}};
      rows.pixels.assign(cream.pixels.begin() + first * 640, cream.pixels.begin() + (first + count) * 640);
      const Comparison shown = window_shows(display.name(), window, rows, "cream rows", 0, bar + first);
      EXPECT_TRUE(shown.same) << shown.report;
    }
  }

  TempFolder folder;
  Child* orbelin = nullptr;
};

struct PathCase {
  const char* label;
  std::string log_path;
  std::string wm_name;      // WM_NAME and WM_ICON_NAME, STRING
  std::string net_wm_name;  // _NET_WM_NAME and _NET_WM_ICON_NAME, UTF8_STRING
};

TEST_F(DesktopWindow, KnownByItsClassItsTitleInUTF8AndItsRealSize) {
  const PathCase cases[] = {
      {"UTF-8", "j\xC3\xB6rg.csv", base_title + "j\xC3\xB6rg.csv", base_title + "j\xC3\xB6rg.csv"},
      {"Latin-1", "j\xF6rg.csv", base_title + "j\xF6rg.csv", base_title + "j\xC3\xB6rg.csv"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.label);
    const unsigned long window = start_orbelin(c.log_path);
    ASSERT_NE(window, 0u);
    const WindowProperty bytes{"STRING", c.wm_name}, utf8{"UTF8_STRING", c.net_wm_name};
    EXPECT_EQ(window_property(display.name(), window, "WM_NAME"), bytes);
    EXPECT_EQ(window_property(display.name(), window, "WM_ICON_NAME"), bytes);
    EXPECT_EQ(window_property(display.name(), window, "_NET_WM_NAME"), utf8);
    EXPECT_EQ(window_property(display.name(), window, "_NET_WM_ICON_NAME"), utf8);
    EXPECT_EQ(xprop(window, "WM_CLASS"), "WM_CLASS(STRING) = \"orbelin\", \"Orbelin\"\n");

    // Grown by the menu line and the 480 rows, the hints say so, the same size the smallest,
    // and no position: without a window manager the window stays where it was made, whole.
    ASSERT_TRUE(size_becomes(display.name(), window, 640, bar + 480));
    EXPECT_EQ(xprop(window, "WM_NORMAL_HINTS"),
              "WM_NORMAL_HINTS(WM_SIZE_HINTS):\n"
              "\t\tprogram specified size: 640 by 500\n"
              "\t\tprogram specified minimum size: 640 by 500\n");
    const ScreenPoint at = window_position(display.name(), window);
    EXPECT_EQ(at.x, 0);
    EXPECT_EQ(at.y, 0);
    expect_cream_rows(window);
    started.clear();  // the next case's Orbelin alone on the display
  }
}

// A log path of 17 MiB: X would refuse the title whole and end the process. The window shows it
// cut to the bound, between two characters; the log cannot be opened, and after its boxes
// Orbelin still ends through Escape and a key.
TEST_F(DesktopWindow, ALogPathOf17MiBIsCutInTheTitleAndOrbelinGoesOn) {
  const std::string o = "\xC3\xB6";
  const unsigned long window = start_orbelin(times(17 * 1024 * 1024 / 2, o), false);
  ASSERT_NE(window, 0u);
  // 33 bytes of base title and blanks, then whole ö's up to 4096 bytes: 4095.
  const std::string cut = base_title + times((longest_title_for_x - base_title.size()) / 2, o);
  ASSERT_EQ(cut.size(), 4095u);
  EXPECT_EQ(window_property(display.name(), window, "WM_NAME"), (WindowProperty{"STRING", cut}));
  EXPECT_EQ(window_property(display.name(), window, "_NET_WM_NAME"), (WindowProperty{"UTF8_STRING", cut}));

  // Escape waits in the key ring while the boxes are answered Yes; then a key ends Orbelin.
  bool escape_sent = false;
  std::optional<int> code;
  for (int look = 0; look < 100 && !code; ++look) {
    if (const auto box = find_window(display.name(), "^Unhandled Error #", 500ms)) {
      ASSERT_TRUE(press_until(display.name(), *box, "Return", [&] { return window_gone(display.name(), *box, 500ms); }));
      continue;
    }
    keys(window, {escape_sent ? "space" : "Escape"});
    escape_sent = true;
    code = orbelin->wait_for_exit(500ms);
  }
  EXPECT_EQ(code, 0);
}

// Whether a file of the folder is opened within the bound (inotify on the folder).
class Opening {
 public:
  Opening(const fs::path& folder, std::string name) : name_(std::move(name)) {
    fd_ = inotify_init1(IN_CLOEXEC);
    if (fd_ >= 0) inotify_add_watch(fd_, folder.c_str(), IN_OPEN);
  }
  ~Opening() {
    if (fd_ >= 0) ::close(fd_);
  }
  Opening(const Opening&) = delete;
  Opening& operator=(const Opening&) = delete;
  bool seen(Bound bound = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (fd_ < 0 || left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
      alignas(inotify_event) char events[4096];
      const ssize_t n = ::read(fd_, events, sizeof events);
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        if (event->len > 0 && name_ == event->name) return true;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
  }

 private:
  std::string name_;
  int fd_ = -1;
};

// The plotter finds its window by the title it has set after a pause of one second. A display
// that answers only after that (a busy machine) must not cost the window its menu line: with the
// X server held until the plotter has gone on to read the setup file, the window still shows it.
TEST_F(DesktopWindow, KeepsItsMenuLineWhenTheDisplayAnswersLate) {
  folder.write("Orbelin020.SET", "SampleDay.csv\r\nY\r\nDL1ABC\r\nG4XYZ\r\nK1JT\r\nVK2DX\r\nJA1NRH\r\nPY2AA\r\n");
  fs::copy_file(fs::path(SAMPLE_FOLDER) / "SampleDay.csv", folder.path() / "SampleDay.csv");
  Opening setup_read(folder.path(), "Orbelin020.SET");
  ASSERT_EQ(::kill(display.pid(), SIGSTOP), 0);
  orbelin = &start((folder.path() / "orbelin").string());
  const bool read = setup_read.seen();
  ::kill(display.pid(), SIGCONT);
  ASSERT_TRUE(read) << "the plotter did not reach its first refresh";
  const auto window = find_window(display.name(), "^Q0ZVNL Orbelin V0\\.20 18/03/18 {4}SampleDay\\.csv$");
  ASSERT_TRUE(window);
  EXPECT_TRUE(size_becomes(display.name(), *window, 640, bar + 480)) << "the window has no menu line";
  expect_cream_rows(*window);
}

// openbox on the test's display, placing new windows in the middle of the screen and keeping
// Orbelin's above the others when it knows the window by its class as it takes it up.
class UnderAWindowManager : public DesktopWindow {
 protected:
  void SetUp() override {
    DesktopWindow::SetUp();
    const fs::path config = folder.write("rc.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <placement><policy>Smart</policy><center>yes</center></placement>
  <applications><application name="orbelin" class="Orbelin"><layer>above</layer></application></applications>
</openbox_config>
)");
    start("openbox", {"--sm-disable", "--config-file", config.string()}, {{"HOME", folder.path().string()}});
    ASSERT_TRUE(wait_until([&] {
      const auto check = run_tool(display.name(), {"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"});
      return check && check->find("window id") != std::string::npos;
    })) << "openbox did not take up the display";
  }
};

TEST_F(UnderAWindowManager, PlacesTheWindowWholeOnTheScreenKnowingItsClass) {
  const unsigned long window = start_orbelin("SampleDay.csv");
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(size_becomes(display.name(), window, 640, bar + 480));
  EXPECT_NE(xprop(window, "_NET_WM_STATE").find("_NET_WM_STATE_ABOVE"), std::string::npos)
      << "openbox did not know the class when it took the window up";
  // In the middle, where openbox puts a window that asks for no position; not at the top left.
  const ScreenPoint at = window_position(display.name(), window);
  EXPECT_GT(at.x, 100);
  EXPECT_GT(at.y, 100);
  EXPECT_LE(at.x + 640, 1024);
  EXPECT_LE(at.y + bar + 480, 768);
  expect_cream_rows(window);
}

TEST_F(UnderAWindowManager, NeverSmallerThanThePictureAndFullScreenAndBack) {
  const unsigned long window = start_orbelin("SampleDay.csv");
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(size_becomes(display.name(), window, 640, bar + 480));
  // Asked to shrink (with a move), then to move again: once the second move shows, openbox has
  // done all it does for the first request.
  const auto move = [&](const std::string& geometry) {
    const ScreenPoint before = window_position(display.name(), window);
    return run_tool(display.name(), {"wmctrl", "-i", "-r", std::to_string(window), "-e", geometry}) &&
           wait_until([&] {
             const ScreenPoint now = window_position(display.name(), window);
             return now.x != before.x || now.y != before.y;
           });
  };
  ASSERT_TRUE(move("0,40,30,320,240")) << "openbox did not move the window";
  ASSERT_TRUE(move("0,80,60,-1,-1")) << "openbox did not move the window";
  const WindowSize size = window_size(display.name(), window);
  EXPECT_EQ(size.width, 640);
  EXPECT_EQ(size.height, bar + 480);
  expect_cream_rows(window);

  ASSERT_TRUE(keys(window, {"alt+Return"}));
  EXPECT_TRUE(size_becomes(display.name(), window, 1024, 768));
  ASSERT_TRUE(keys(window, {"alt+Return"}));
  EXPECT_TRUE(size_becomes(display.name(), window, 640, bar + 480));
  expect_cream_rows(window);
}
}  // namespace
