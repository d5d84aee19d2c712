// The presentation thread turns the 8-bit screen pictures that the plotter's thread hands over
// into 32-bit frames; the window's thread shows the newest one.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/screen.h"

struct ScreenPicture;

// One picture, 640 x 480, row by row from the top, each pixel 0xFFRRGGBB.
struct Frame {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(screen_width * screen_height, 0xFF000000u);
  int32_t mode = 0;  // the screen mode it was made in; 0: nothing to show yet
};

// The picture through its palette.
void convert_screen_picture(const ScreenPicture& picture, Frame& frame);

void start_presentation_thread();
bool new_frame_waiting();                // cheap: for the window's timer
bool take_new_frame(Frame& into);         // the newest frame, swapped into `into`, when there is one
void hold_presentation(bool held);        // while a command runs, the picture stays as it is
