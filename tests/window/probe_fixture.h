// A fresh Xvfb display for each test, and the probe program on it.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "pattern.h"
#include "platform/platform.h"
#include "x_session.h"

// The end prompt's row as Orbelin shows it after Escape: pixel rows 464 to 479 of the picture.
inline Picture end_prompt_row() {
  reset_platform();
  draw_cream_screen();
  make_row_30_the_text_area();
  print_text("Press any key to continue");
  return rows_of(expected_picture(), 464, 16);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(display.ready()) << "Xvfb did not start (see test-output/window/xvfb.log)"; }

  // On a failure, what the programs said on standard error helps more than anything.
  void TearDown() override {
    if (!HasFailure()) return;
    for (const auto& child : started) {
      const std::string errors = child->error_output();
      if (!errors.empty()) std::fprintf(stderr, "--- standard error of pid %d:\n%s\n", child->pid(), errors.c_str());
    }
  }

  Child& start(const std::string& program, std::vector<std::string> args = {},
               std::map<std::string, std::optional<std::string>> env = {}) {
    args.insert(args.begin(), program);
    env.emplace("DISPLAY", display.name());
    started.push_back(std::make_unique<Child>(args, env));
    return *started.back();
  }
  Child& start_probe(std::vector<std::string> args = {}) { return start(WINDOW_PROBE, std::move(args)); }

  // The probe's window once it shows, by its exact title.
  unsigned long probe_window(const std::string& title = "Orbelin Probe") {
    const auto window = find_window(display.name(), "^" + title + "$");
    EXPECT_TRUE(window) << "no visible window titled \"" << title << "\"";
    return window.value_or(0);
  }

  bool keys(unsigned long window, const std::vector<std::string>& names) {
    return send_keys(display.name(), window, names);
  }

  Xvfb display;
  std::vector<std::unique_ptr<Child>> started;  // killed, if still running, before the display goes
};
