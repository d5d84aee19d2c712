// The print engine: control bytes and cursor movement, glyph painting, scrolling.
#include <bit>
#include <cstring>

#include "platform/errors.h"
#include "platform/glyphs.h"
#include "platform/screen_image.h"
#include "platform/timing.h"

namespace {

// ---- Glyph painting -------------------------------------------------------------------------

// For each glyph byte, the 8 pixels of its row as a mask of 0xFF bytes (leftmost pixel first in
// memory), so a pixel row of a cell is two ANDs and an OR, written as one 8-byte store.
struct RowMasks {
  std::array<uint64_t, 256> mask{};
  constexpr RowMasks() {
    for (unsigned byte = 0; byte < 256; ++byte)
      for (unsigned bit = 0; bit < 8; ++bit)
        if (byte & (0x80u >> bit)) mask[byte] |= uint64_t{0xFF} << (8 * bit);
  }
};
constexpr RowMasks row_masks;
static_assert(std::endian::native == std::endian::little, "the row masks put the leftmost pixel in the lowest byte");

void paint_cell(ScreenState& s, int row, int column, uint8_t byte) {
  constexpr uint64_t every_byte = 0x0101010101010101;
  const uint64_t ink = every_byte * static_cast<uint64_t>(s.ink & 15);
  const uint64_t paper = every_byte * static_cast<uint64_t>(s.paper & 15);
  const auto& glyph = glyph_rows[byte];
  uint8_t* out = &s.pixels[static_cast<size_t>((row - 1) * cell_height * screen_width + (column - 1) * cell_width)];
  for (int y = 0; y < cell_height; ++y, out += screen_width) {
    const uint64_t mask = row_masks.mask[glyph[static_cast<size_t>(y)]];
    const uint64_t pixels = (ink & mask) | (paper & ~mask);
    std::memcpy(out, &pixels, sizeof pixels);
  }
  const auto cell = static_cast<size_t>((row - 1) * text_columns + column - 1);
  s.cells[cell] = byte;
  s.cell_ink[cell] = static_cast<uint8_t>(s.ink & 15);
}

// ---- Scrolling ------------------------------------------------------------------------------

// The text area's rows move up one; its last row becomes paper. Rows outside it stay.
void scroll_text_area(ScreenState& s) {
  const int top = s.text_top, bottom = s.text_bottom;
  if (bottom > top) {
    const auto pixel_row = [](int row) { return static_cast<size_t>((row - 1) * cell_height * screen_width); };
    std::memmove(&s.pixels[pixel_row(top)], &s.pixels[pixel_row(top + 1)], pixel_row(bottom) - pixel_row(top));
    const auto cell_row = [](int row) { return static_cast<size_t>((row - 1) * text_columns); };
    const size_t cells = cell_row(bottom) - cell_row(top);
    std::memmove(&s.cells[cell_row(top)], &s.cells[cell_row(top + 1)], cells);
    std::memmove(&s.cell_ink[cell_row(top)], &s.cell_ink[cell_row(top + 1)], cells);
  }
  clear_text_rows(s, bottom, bottom);
}

// ---- Control bytes and cursor movement ------------------------------------------------------

// Column 1 of the next row, scrolling the text area when that row would lie below it. From a
// row below the area (row 30 while rows 1-29 scroll) the cursor lands on the area's last row.
void new_line(ScreenState& s) {
  s.wrap_pending = false;
  s.cursor_column = 1;
  if (s.cursor_row < s.text_bottom) {
    ++s.cursor_row;
    return;
  }
  scroll_text_area(s);
  s.cursor_row = s.text_bottom;
}

bool in_text_area(const ScreenState& s) { return s.cursor_row >= s.text_top && s.cursor_row <= s.text_bottom; }

bool is_control_byte(uint8_t byte) {
  return byte == 7 || (byte >= 9 && byte <= 13) || (byte >= 28 && byte <= 31);
}

void control(ScreenState& s, uint8_t byte) {
  switch (byte) {
    case 7:  // the bell: a quarter of a second's pause
      mark_screen_changed(s);
      clock_sleep_ms(250);
      break;
    case 10:
    case 13:
      new_line(s);
      break;
    case 11:
      s.cursor_row = s.text_top;
      s.cursor_column = 1;
      break;
    case 12:
      clear_screen();
      break;
    case 28:  // right; from column 80 to the next row, but not out of the area's last row
      if (s.cursor_column < text_columns) {
        ++s.cursor_column;
      } else if (s.cursor_row < s.text_bottom) {
        ++s.cursor_row;
        s.cursor_column = 1;
      }
      break;
    case 29:  // left; from column 1 to the row above, but not out of the area's first row
      if (s.cursor_column > 1) {
        --s.cursor_column;
      } else if (in_text_area(s) && s.cursor_row > s.text_top) {
        --s.cursor_row;
        s.cursor_column = text_columns;
      }
      break;
    case 30:
      if (in_text_area(s) && s.cursor_row > s.text_top) --s.cursor_row;
      break;
    case 31:
      if (in_text_area(s) && s.cursor_row < s.text_bottom) ++s.cursor_row;
      break;
    default:
      break;
  }
}

}  // namespace

void print_text(const Text& text, int32_t new_line_flag) {
  if (error_pending()) return;
  ScreenState& s = screen_state();
  const size_t length = text.size();

  if (length > 0 && s.wrap_pending) {
    new_line(s);
  } else if (s.cursor_column > 1 && static_cast<uint64_t>(s.cursor_column - 1) + length > text_columns) {
    new_line(s);
  }

  bool wrapped_onto_new_line = false;  // the last byte took the cursor past column 80 and down
  for (size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    wrapped_onto_new_line = false;
    if (byte == 9) {
      // A tab writes blanks through the next column that is a multiple of 8; they paint their cells.
      do paint_cell(s, s.cursor_row, s.cursor_column++, ' ');
      while ((s.cursor_column - 1) % 8 != 0);
    } else if (is_control_byte(byte)) {
      control(s, byte);
      continue;
    } else {
      paint_cell(s, s.cursor_row, s.cursor_column++, byte);
    }
    if (s.cursor_column > text_columns) {
      if (i + 1 < length || new_line_flag != 0) {
        new_line(s);
        wrapped_onto_new_line = true;
      } else {
        s.cursor_column = text_columns;
        s.wrap_pending = true;
      }
    }
  }
  if (new_line_flag != 0 && !wrapped_onto_new_line) new_line(s);
  mark_screen_changed(s);
}

void make_row_30_the_text_area() {
  ScreenState& s = screen_state();
  s.text_top = s.text_bottom = text_rows;
  s.cursor_row = text_rows;
  new_line(s);
}
