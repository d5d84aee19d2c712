// Where the picture sits in the window. Everything about the window's size and the picture's
// place is decided here, so a menu bar above the picture changes this file alone.
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

// The client area the window asks for: 640 x 400 until the 640 x 480 mode is chosen.
ClientSize client_size_for_mode(int32_t mode);

// The picture 1:1 at the top left of a client area of the size asked for; centred in a larger
// one (full screen).
PicturePlace place_picture(ClientSize client, int32_t mode);
