// Where the picture sits in the window. Everything about the window's size and the picture's
// place is decided here: a menu line, when the window has a menu, takes the top of the client
// area and the picture sits 1:1 below it.
#pragma once
#include <cstdint>

struct ClientSize {
  int width;
  int height;
};

struct PicturePlace {
  int x;  // the picture's top-left pixel in the client area, y counted downwards
  int y;
};

// The menu line's height, across the whole width of the client area, above the picture.
constexpr int menu_bar_height = 20;

// The client area the window asks for: 640 x 400 until the 640 x 480 mode is chosen, and the
// menu line's height more while it shows.
ClientSize client_size_for_mode(int32_t mode, bool menu_line);

// The picture 1:1 at the left, under the menu line if any, in a client area of the size asked
// for; centred in the room left in a larger one (full screen).
PicturePlace place_picture(ClientSize client, int32_t mode, bool menu_line);
