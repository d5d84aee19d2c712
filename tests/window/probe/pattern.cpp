#include "pattern.h"

#include "platform/platform.h"

void draw_probe_pattern() {
  set_screen_mode(12);
  for (int band = 0; band < 16; ++band) {
    const auto left = static_cast<float>(band * 40);
    draw_line(left, 0.0f, left + 39.0f, 479.0f, band, 2);
  }
  for (int y = 200; y < 232; ++y) {
    for (int x = 0; x < screen_width; ++x) {
      set_pixel(static_cast<float>(x), static_cast<float>(y), ((x + y) & 1) ? 15 : 0);
    }
  }
  set_pixel(0.0f, 0.0f, 12);
  set_pixel(639.0f, 0.0f, 10);
  set_pixel(0.0f, 479.0f, 9);
  set_pixel(639.0f, 479.0f, 14);
  draw_line(20.0f, 300.0f, 619.0f, 420.0f, 15, 0);
  set_palette_entry(5, 0x102030);  // red 48 -> 195, green 32 -> 130, blue 16 -> 65
  set_ink_colour(14);
  locate_text_cursor(2, 3);
  print_text("Orbelin probe 0123456789");
}

void draw_cream_screen() {
  if (screen_state().mode != 12) set_screen_mode(12);
  set_palette_entry(0, 3358271);
  set_palette_entry(14, 4144959);
  set_palette_entry(15, 0);
  set_ink_colour(15);
  clear_screen();
}
