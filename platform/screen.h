// The screen image: 8-bit attributes per pixel, the palette, the text cells and the drawing operations.
#pragma once
#include <array>
#include <cstdint>

#include "platform/texts_numbers.h"

constexpr int screen_width = 640;
constexpr int screen_height = 480;
constexpr int text_columns = 80;
constexpr int text_rows = 30;
constexpr int cell_width = 8;
constexpr int cell_height = 16;

constexpr int text_cells = text_columns * text_rows;

// The standard 16-colour table of a new screen, 0x00RRGGBB.
inline constexpr std::array<uint32_t, 16> standard_palette = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};

template <class T, size_t n>
constexpr std::array<T, n> filled_array(T value) {
  std::array<T, n> a{};
  for (auto& e : a) e = value;
  return a;
}

// Everything the screen operations keep. Only the plotter's thread (the thread that runs the
// screen operations) touches it; a presentation on another thread gets copies (screen_handover.h).
//
// Text is painted lazily: print_text sets a cell's byte and ink at once and marks the cell
// pending; its pixels are painted at the next flush, and only when they do not already show that
// byte in that ink. Drawing into a cell paints it first if pending, so the order of effects holds.
// The plotter's thread flushes before it sleeps or blocks and when the presentation asks;
// screen_state() gives the image flushed to whoever printed, so readers on that thread (tests)
// always see painted pixels.
struct ScreenState {
  int32_t mode = 0;                 // 0 until a screen mode is chosen (the window is then 640 x 400)
  std::array<uint8_t, screen_width * screen_height> pixels{};
  std::array<uint32_t, 16> palette = standard_palette;  // 0x00RRGGBB, 8 bits a component
  std::array<uint8_t, text_cells> cells = filled_array<uint8_t, text_cells>(' ');  // the byte last printed in each cell (shadow for tests)
  std::array<uint8_t, text_cells> cell_ink{};
  // What each cell's pixels show: byte | ink << 8 | paper << 12, or drawn_over once a drawing
  // operation has written into the cell since it was last painted.
  static constexpr uint32_t drawn_over = 0x10000;
  std::array<uint32_t, text_cells> painted = filled_array<uint32_t, text_cells>(' ');
  // Pending cells: bit (c - 1) % 64 of word (c - 1) / 64 of row r - 1; bit r - 1 of pending_rows
  // when the row may hold any.
  std::array<std::array<uint64_t, 2>, text_rows> pending{};
  uint32_t pending_rows = 0;
  int32_t cursor_row = 1, cursor_column = 1;
  bool wrap_pending = false;
  int32_t ink = 15, paper = 0;
  int32_t text_top = 1, text_bottom = 29;  // the rows that print_text scrolls (row 30 alone at the end prompt)
  uint64_t generation = 0;  // bumped whenever pixels, palette or mode change
  void reset();  // as at process start (as constructed): no mode chosen, blank image, standard palette
};

// The screen image, with the text cells that the calling thread printed painted first. For the
// plotter's thread (and tests on it) only.
ScreenState& screen_state();

// Before the plotter's thread sleeps or blocks: paints the pending text cells it printed and
// hands the picture to the presentation when one is attached, so that the window shows it all.
void flush_screen_text();

// Operations the plotter calls.
void set_screen_mode(int32_t mode);
void clear_screen();
void set_palette_entry(int32_t attribute, int32_t colour);
void set_ink_colour(int32_t colour);
void locate_text_cursor(int32_t row, int32_t column);
void print_text(const Text& text, int32_t new_line = 0);
void draw_line(float x1, float y1, float x2, float y2, int32_t colour, int32_t form);  // form 0 line, 1 box, 2 filled box
void draw_circle(double x, double y, double radius, int32_t colour);
void set_pixel(float x, float y, int32_t colour);

// For the end prompt: row 30 becomes the only row of the text area, and a new line there fills
// it with the paper colour; the cursor stands in row 30, column 1.
void make_row_30_the_text_area();


// Reading the image (presentation, tests).
inline uint8_t screen_pixel(int x, int y) { return screen_state().pixels[y * screen_width + x]; }
Text screen_row_text(int row);  // the 80 cell bytes of a text row, 1-based
