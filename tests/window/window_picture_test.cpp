// The window as a user sees it: its title, its size, and exactly the pixels of the screen image.
#include "pattern.h"
#include "platform/platform.h"
#include "probe_fixture.h"

namespace {
using WindowPicture = WindowTest;

TEST_F(WindowPicture, TitleAndSizeFollowThePlatformFromUntitled) {
  auto& probe = start_probe();
  ASSERT_TRUE(probe.wait_for_line("running"));
  const unsigned long window = probe_window("Untitled");
  ASSERT_NE(window, 0u);
  EXPECT_EQ(window_size(display.name(), window).width, 640);
  EXPECT_EQ(window_size(display.name(), window).height, 400);

  // The title is cut at its zero byte; it reaches the window that exists at once.
  ASSERT_TRUE(keys(window, {"t"}));
  ASSERT_TRUE(probe.wait_for_line("retitled"));
  EXPECT_EQ(find_window(display.name(), "^Orbelin Probe Retitled$"), window);
  EXPECT_EQ(window_name(display.name(), window), "Orbelin Probe Retitled");

  // Choosing the 640 x 480 mode grows the client area.
  ASSERT_TRUE(keys(window, {"m"}));
  ASSERT_TRUE(probe.wait_for_line("mode"));
  const WindowSize size = window_size_once(display.name(), window, [&](WindowSize s) { return s.height == 480; });
  EXPECT_EQ(size.width, 640);
  EXPECT_EQ(size.height, 480);
}

TEST_F(WindowPicture, TitleAndModeSetBeforeTheWindowOpenWithIt) {
  auto& probe = start_probe({"titled", "mode"});
  ASSERT_TRUE(probe.wait_for_line("drawn"));
  const unsigned long window = probe_window();
  ASSERT_NE(window, 0u);
  EXPECT_FALSE(window_exists(display.name(), "^Untitled$"));
  const WindowSize size = window_size_once(display.name(), window, [&](WindowSize s) { return s.height == 480; });
  EXPECT_EQ(size.width, 640);
  EXPECT_EQ(size.height, 480);
}

TEST_F(WindowPicture, ShowsExactlyThePixelsOfTheScreenImage) {
  auto& probe = start_probe({"titled", "mode"});
  ASSERT_TRUE(probe.wait_for_line("drawn"));
  const unsigned long window = probe_window();
  ASSERT_NE(window, 0u);

  reset_platform();
  draw_probe_pattern();
  const Picture pattern = expected_picture();
  // Independent of the drawing code: the corners and a changed palette entry as the user sees them.
  ASSERT_EQ(pattern.at(0, 0), 0xFF5555u);
  ASSERT_EQ(pattern.at(639, 479), 0xFFFF55u);
  ASSERT_EQ(pattern.at(5 * 40 + 20, 100), 0xC38241u);
  const Comparison shown = window_shows(display.name(), window, pattern, "pattern");
  EXPECT_TRUE(shown.same) << shown.report;

  ASSERT_TRUE(keys(window, {"c"}));
  ASSERT_TRUE(probe.wait_for_line("cream"));
  draw_cream_screen();
  const Picture cream = expected_picture();
  ASSERT_EQ(cream.at(320, 240), 0xFFFBCFu);
  const Comparison cleared = window_shows(display.name(), window, cream, "cream");
  EXPECT_TRUE(cleared.same) << cleared.report;
}

TEST_F(WindowPicture, AltEnterTogglesFullScreenWithThePictureStill1To1) {
  auto& probe = start_probe({"titled", "mode"});
  ASSERT_TRUE(probe.wait_for_line("running"));
  const unsigned long window = probe_window();
  ASSERT_NE(window, 0u);
  reset_platform();
  draw_probe_pattern();
  const Picture pattern = expected_picture();
  ASSERT_TRUE(window_shows(display.name(), window, pattern, "before").same);

  ASSERT_TRUE(keys(window, {"alt+Return"}));
  WindowSize size = window_size_once(display.name(), window, [&](WindowSize s) { return s.width == 1024; });
  EXPECT_EQ(size.width, 1024);
  EXPECT_EQ(size.height, 768);
  // Centred, unscaled: the picture's own pixels at an offset of (192, 144).
  const Comparison centred = window_shows(display.name(), window, pattern, "full-screen", 192, 144);
  EXPECT_TRUE(centred.same) << centred.report;

  ASSERT_TRUE(keys(window, {"alt+Return"}));
  size = window_size_once(display.name(), window, [&](WindowSize s) { return s.width == 640; });
  EXPECT_EQ(size.width, 640);
  EXPECT_EQ(size.height, 480);
  // Alt+Enter is the window's own key: the probe never read it.
  ASSERT_TRUE(keys(window, {"a"}));
  EXPECT_EQ(probe.next_line(), "key 97");
}
TEST_F(WindowPicture, ARunningCommandLeavesFullScreenWhichComesBackAfterIt) {
  auto& probe = start_probe({"titled", "mode"});
  ASSERT_TRUE(probe.wait_for_line("running"));
  const unsigned long window = probe_window();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(keys(window, {"alt+Return"}));
  ASSERT_TRUE(size_becomes(display.name(), window, 1024, 768));

  ASSERT_TRUE(keys(window, {"r"}));
  const auto command = find_window(display.name(), "^ProbeCommand$");
  ASSERT_TRUE(command) << "the command's window did not show";
  EXPECT_TRUE(size_becomes(display.name(), window, 640, 480)) << "full screen was kept while the command ran";
  bool done = false;
  for (int attempt = 0; attempt < 40 && !done; ++attempt) {
    send_keys(display.name(), *command, {"Return"});  // the dialog takes keys a moment after it shows
    done = probe.wait_for_line("command done", 500ms);
  }
  ASSERT_TRUE(done);
  EXPECT_TRUE(size_becomes(display.name(), window, 1024, 768)) << "full screen did not come back after the command";
}
}  // namespace
