// The screen image: mode, palette, ink, cursor placement and clearing.
#include <algorithm>
#include <cstring>

#include "platform/errors.h"
#include "platform/screen_image.h"

// Constant-initialised: ready before any code runs, and reached without a guard.
constinit ScreenState the_screen_image;

ScreenState& screen_state() {
  paint_own_pending_cells();
  return screen_image();
}

void ScreenState::reset() {
  mode = 0;
  pixels.fill(0);
  palette = standard_palette;
  cells.fill(' ');
  cell_ink.fill(0);
  painted.fill(cell_look(' ', 0, 0));
  for (auto& row : pending) row = {};
  pending_rows = 0;
  cursor_row = cursor_column = 1;
  wrap_pending = false;
  ink = 15;
  paper = 0;
  text_top = 1;
  text_bottom = text_rows - 1;
  mark_screen_changed(*this);
}

void clear_text_rows(ScreenState& s, int first, int last) {
  const auto paper = static_cast<uint8_t>(s.paper & 15);
  const auto rows = static_cast<size_t>(last - first + 1);
  std::memset(&s.pixels[static_cast<size_t>((first - 1) * cell_height * screen_width)], paper,
              rows * cell_height * screen_width);
  const auto cell = static_cast<size_t>((first - 1) * text_columns);
  std::memset(&s.cells[cell], ' ', rows * text_columns);
  std::memset(&s.cell_ink[cell], paper, rows * text_columns);
  // Whatever was pending there is gone under the paper.
  std::fill_n(&s.painted[cell], rows * text_columns, cell_look(' ', paper, paper));
  for (int row = first - 1; row < last; ++row) {
    s.pending[static_cast<size_t>(row)] = {};
    s.pending_rows &= ~(1u << row);
  }
  mark_screen_changed(s);
}

void set_screen_mode(int32_t mode) {
  if (error_pending()) return;
  if ((mode >= 3 && mode <= 6) || mode > 13) {
    raise_error(illegal_function_call);
    return;
  }
  if (mode != 12) return;  // the other modes are accepted and change nothing here
  ScreenState& s = screen_image();
  s.mode = 12;
  s.palette = standard_palette;
  s.ink = 15;
  s.paper = 0;
  s.text_top = 1;
  s.text_bottom = text_rows - 1;
  clear_text_rows(s, 1, text_rows);
  s.cursor_row = s.cursor_column = 1;
  s.wrap_pending = false;
  obey_picture_request(s);
}

void clear_screen() {
  if (error_pending()) return;
  ScreenState& s = screen_image();
  clear_text_rows(s, 1, text_rows);
  s.cursor_row = s.text_top;
  s.cursor_column = 1;
  s.wrap_pending = false;
  obey_picture_request(s);
}

void set_palette_entry(int32_t attribute, int32_t colour) {
  if (error_pending()) return;
  const auto bits = static_cast<uint32_t>(colour);
  const uint32_t entry = static_cast<uint32_t>(attribute) & 0xFF;
  if (entry > 15 || (bits & 0xFFC0C0C0u) != 0) {
    raise_error(illegal_function_call);
    return;
  }
  // 6-bit parts to 8 bits: 4c + c / 16, so 0 stays 0 and 63 becomes 255.
  const auto widen = [](uint32_t c) { return 4 * c + c / 16; };
  const uint32_t red = widen(bits & 0x3F), green = widen((bits >> 8) & 0x3F), blue = widen((bits >> 16) & 0x3F);
  ScreenState& s = screen_image();
  s.palette[entry] = red << 16 | green << 8 | blue;
  mark_screen_changed(s);
  obey_picture_request(s);
}

void set_ink_colour(int32_t colour) {
  if (error_pending()) return;
  if (colour < 0 || colour > 15) {
    raise_error(illegal_function_call);
    return;
  }
  screen_image().ink = colour;
}

void locate_text_cursor(int32_t row, int32_t column) {
  if (error_pending()) return;
  if (row < 1 || row > text_rows || column < 1 || column > text_columns) {
    raise_error(illegal_function_call);
    return;
  }
  ScreenState& s = screen_image();
  s.cursor_row = row;
  s.cursor_column = column;
  s.wrap_pending = false;
}

Text screen_row_text(int row) {
  const ScreenState& s = screen_image();
  const auto first = s.cells.begin() + (row - 1) * text_columns;
  return Text(first, first + text_columns);
}
