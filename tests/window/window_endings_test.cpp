// Every way the process ends, with its exit code: the close button, Ctrl+Break, the error box
// answered Yes or No, a critical error, and no window at all.
#include <signal.h>

#include "probe_fixture.h"

namespace {
using WindowEndings = WindowTest;

TEST_F(WindowEndings, CloseButtonEndsWithZeroWithoutThePrompt) {
  auto& probe = start_probe({"titled", "mode"});
  ASSERT_TRUE(probe.wait_for_line("running"));
  const unsigned long window = probe_window();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(press_close_button(display.name(), window));
  EXPECT_EQ(probe.wait_for_exit(), 0);
  EXPECT_FALSE(probe.wait_for_line("escape", 0ms)) << "the close button went through the prompt";
}

TEST_F(WindowEndings, CtrlBreakEndsWithZeroLikeTheCloseButton) {
  for (const char* combination : {"ctrl+Pause", "Break"}) {
    SCOPED_TRACE(combination);
    auto& probe = start_probe({"titled"});
    ASSERT_TRUE(probe.wait_for_line("running"));
    const unsigned long window = probe_window();
    ASSERT_NE(window, 0u);
    keys(window, {combination});  // xdotool may find the window gone before it lets the keys go
    EXPECT_EQ(probe.wait_for_exit(), 0);
    EXPECT_FALSE(probe.wait_for_line("escape", 0ms)) << "Ctrl+Break went through the prompt";
    EXPECT_FALSE(probe.wait_for_line("paused", 0ms)) << "Ctrl+Break was taken for Pause";
  }
}

struct BoxAnswer {
  const char* key;
  bool goes_on;
};

TEST_F(WindowEndings, ErrorBoxYesGoesOnAndNoEndsWithZero) {
  for (const BoxAnswer answer : {BoxAnswer{"Return", true}, BoxAnswer{"y", true}, BoxAnswer{"n", false}}) {
    SCOPED_TRACE(answer.key);
    auto& probe = start_probe({"titled", "mode"});
    ASSERT_TRUE(probe.wait_for_line("running"));
    const unsigned long window = probe_window();
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(keys(window, {"e"}));
    const auto box = find_window(display.name(), "^Unhandled Error #53$");
    ASSERT_TRUE(box) << "no box captioned \"Unhandled Error #53\"";
    const auto wm_name = run_tool(display.name(), {"xprop", "-id", std::to_string(*box), "WM_NAME"});
    ASSERT_TRUE(wm_name);
    EXPECT_EQ(*wm_name, "WM_NAME(STRING) = \"Unhandled Error #53\"\n");
    // The window goes on presenting while the box is open: it still answers to keys.
    if (answer.goes_on) {
      ASSERT_TRUE(press_until(display.name(), *box, answer.key, [&] { return probe.wait_for_line("answered", 500ms); }));
      EXPECT_FALSE(window_exists(display.name(), "^Unhandled Error"));
      ASSERT_TRUE(keys(window, {"Escape"}));
      ASSERT_TRUE(probe.wait_for_line("escape"));
      EXPECT_EQ(end_at_prompt(display.name(), window, probe), 0);
    } else {
      ASSERT_TRUE(press_until(display.name(), *box, answer.key, [&] { return probe.wait_for_exit(500ms).has_value(); }));
      EXPECT_FALSE(probe.wait_for_line("answered", 0ms)) << "No went on";
      EXPECT_EQ(probe.wait_for_exit(), 0);
    }
  }
}

TEST_F(WindowEndings, CriticalErrorShowsAnOkBoxThenEndsWithZero) {
  auto& probe = start_probe({"titled"});
  ASSERT_TRUE(probe.wait_for_line("running"));
  const unsigned long window = probe_window();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(keys(window, {"k"}));
  const auto box = find_window(display.name(), "^Critical Error$");
  ASSERT_TRUE(box) << "no box captioned \"Critical Error\"";
  ASSERT_TRUE(press_until(display.name(), *box, "Return", [&] { return probe.wait_for_exit(500ms).has_value(); }));
  EXPECT_EQ(probe.wait_for_exit(), 0);
}

TEST_F(WindowEndings, CloseButtonWhileABoxIsOpenEndsWithZeroAndTakesTheBoxAlong) {
  auto& probe = start_probe({"titled", "mode"});
  ASSERT_TRUE(probe.wait_for_line("running"));
  const unsigned long window = probe_window();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(keys(window, {"e"}));
  ASSERT_TRUE(find_window(display.name(), "^Unhandled Error #53$"));
  ASSERT_TRUE(press_close_button(display.name(), window));
  EXPECT_EQ(probe.wait_for_exit(), 0);
  // The box went with the probe: the X server takes a client's windows down with its connection.
  EXPECT_TRUE(wait_until([&] { return !window_exists(display.name(), "^Unhandled Error"); }))
      << "the error box outlived the process";
}

struct NoDisplayCase {
  const char* label;
  std::optional<std::string> display;
  const char* message;
};

TEST_F(WindowEndings, NoDisplayEndsWithOneAndSaysWhy) {
  const NoDisplayCase cases[] = {
      {"no DISPLAY", std::nullopt, "cannot open the X display"},
      {"a display nobody serves", std::string(":64999"), "cannot open the X display \":64999\""},
  };
  for (const NoDisplayCase& c : cases) {
    SCOPED_TRACE(c.label);
    Child probe({WINDOW_PROBE, "titled"}, {{"DISPLAY", c.display}});
    EXPECT_EQ(probe.wait_for_exit(), 1);
    EXPECT_NE(probe.error_output().find(c.message), std::string::npos) << probe.error_output();
  }
}

TEST(WindowWithoutGl, ADisplayWithoutGlxEndsWithOneAndSaysWhy) {
  Xvfb plain({"-extension", "GLX"});
  ASSERT_TRUE(plain.ready());
  Child probe({WINDOW_PROBE, "titled"}, {{"DISPLAY", plain.name()}});
  EXPECT_EQ(probe.wait_for_exit(), 1);
  EXPECT_NE(probe.error_output().find("orbelin: "), std::string::npos) << probe.error_output();
}
}  // namespace

// The X server going away (a logout, say) ends Orbelin with 1 at once, saying why; it once hung
// in the exit handlers now and then, so a few runs.
TEST(WindowWithoutServer, TheServerGoingAwayEndsWithOneAndSaysWhy) {
  for (int run = 0; run < 4; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    Xvfb server;
    ASSERT_TRUE(server.ready());
    Child orbelin({ORBELIN_EXE}, {{"DISPLAY", server.name()}});
    ASSERT_TRUE(find_window(server.name(), "^Q0ZVNL Orbelin")) << "no window";
    ASSERT_EQ(::kill(server.pid(), SIGKILL), 0);
    EXPECT_EQ(orbelin.wait_for_exit(), 1);
    EXPECT_NE(orbelin.error_output().find("orbelin: the connection to the X server was lost"), std::string::npos)
        << orbelin.error_output();
  }
}
