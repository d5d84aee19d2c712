#include "platform/window/layout.h"

#include "platform/screen.h"

namespace {
int bar_height(bool menu_line) { return menu_line ? menu_bar_height : 0; }
}  // namespace

ClientSize client_size_for_mode(int32_t mode, bool menu_line) {
  return {screen_width, bar_height(menu_line) + (mode == 12 ? screen_height : 400)};
}

PicturePlace place_picture(ClientSize client, int32_t mode, bool menu_line) {
  const int bar = bar_height(menu_line);
  const ClientSize normal = client_size_for_mode(mode, menu_line);
  PicturePlace place{0, bar};
  if (client.width > normal.width) place.x = (client.width - screen_width) / 2;
  if (client.height > normal.height) place.y = bar + (client.height - bar - screen_height) / 2;
  return place;
}
