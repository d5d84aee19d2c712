#include "platform/window/layout.h"

#include "platform/screen.h"

namespace {
constexpr int bar_height = 0;  // no menu bar drawn by the window yet
}

ClientSize client_size_for_mode(int32_t mode) {
  return {screen_width, bar_height + (mode == 12 ? screen_height : 400)};
}

PicturePlace place_picture(ClientSize client, int32_t mode) {
  const ClientSize normal = client_size_for_mode(mode);
  PicturePlace place{0, bar_height};
  if (client.width > normal.width) place.x = (client.width - screen_width) / 2;
  if (client.height > normal.height) place.y = bar_height + (client.height - bar_height - screen_height) / 2;
  return place;
}
