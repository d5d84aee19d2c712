// The screen image as the plotter's thread hands it to a presentation on a thread of its own.
// The image is the plotter's thread's alone: that thread copies it out whole, between two of its
// operations, when the presentation has asked for a picture, and before it sleeps or blocks when
// the image changed since the last copy. Copies rotate through three buffers under a short lock,
// so neither side ever reads what the other writes, and a mode change only ever reaches the
// presentation as a picture of its own.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "platform/screen.h"

struct ScreenPicture {
  int32_t mode = 0;  // 0: no screen mode chosen yet
  std::array<uint32_t, 16> palette = standard_palette;
  std::array<uint8_t, screen_width * screen_height> pixels{};
};

// For the presentation's thread. Each wait also ends at signal_presentation.
void attach_presentation();  // from now on the plotter's thread hands pictures over
// Sleeps until the plotter's thread changes the image (which costs that thread one flag test and
// nothing more) or hands a picture over.
void wait_for_screen_change();
// Sleeps until a picture comes: at once when one is waiting, else the plotter's thread hands one
// over at the end of its next operation that changes the image, or before it next sleeps or
// blocks. True with the picture swapped into `into` (allocated here when empty); `at_rest` tells
// that the plotter's thread handed it over as it went to sleep or block.
bool wait_for_screen_picture(std::unique_ptr<ScreenPicture>& into, bool& at_rest);
void wait_for_presentation_signal();

void signal_presentation();  // any thread: something else the window shows changed (title, menu, hold)
int32_t handed_over_mode();  // any thread: the mode of the newest picture handed over, 0 before any

void detach_presentation();  // headless again (tests); call while no presentation runs
