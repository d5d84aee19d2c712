// print_text over arbitrary bytes from arbitrary cursor positions, mixed with the operations
// around it (cursor, ink, clearing, pixels drawn into text, the end prompt's row 30), against a
// plain model that paints every byte at once and scrolls row by row. The screen's pixels, its
// text cells and the cursor must end the same: the lazy painting and the passing over of rows
// that scroll away unseen may change how fast, never what.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/glyphs.h"
#include "platform/platform.h"

namespace {

struct Model {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(screen_width * screen_height, 0);
  std::vector<uint8_t> cells = std::vector<uint8_t>(text_cells, ' ');
  std::vector<uint8_t> inks = std::vector<uint8_t>(text_cells, 0);
  int row = 1, column = 1;
  bool wrap = false;
  int ink = 15;
  int top = 1, bottom = 29;

  void clear_rows(int first, int last) {
    std::memset(&pixels[static_cast<size_t>((first - 1) * cell_height * screen_width)], 0,
                static_cast<size_t>((last - first + 1) * cell_height * screen_width));
    std::memset(&cells[static_cast<size_t>((first - 1) * text_columns)], ' ', static_cast<size_t>((last - first + 1) * text_columns));
    std::memset(&inks[static_cast<size_t>((first - 1) * text_columns)], 0, static_cast<size_t>((last - first + 1) * text_columns));
  }
  void clear_screen() {
    clear_rows(1, text_rows);
    row = top;
    column = 1;
    wrap = false;
  }
  void paint(uint8_t byte) {
    const size_t cell = static_cast<size_t>((row - 1) * text_columns + column - 1);
    cells[cell] = byte;
    inks[cell] = static_cast<uint8_t>(ink & 15);
    for (int y = 0; y < cell_height; ++y)
      for (int x = 0; x < cell_width; ++x) {
        const bool set = glyph_rows[byte][static_cast<size_t>(y)] & (0x80 >> x);
        pixels[static_cast<size_t>(((row - 1) * cell_height + y) * screen_width + (column - 1) * cell_width + x)] =
            set ? static_cast<uint8_t>(ink & 15) : 0;
      }
  }
  void scroll() {
    if (bottom > top) {
      const size_t row_pixels = cell_height * screen_width;
      std::memmove(&pixels[static_cast<size_t>(top - 1) * row_pixels], &pixels[static_cast<size_t>(top) * row_pixels],
                   static_cast<size_t>(bottom - top) * row_pixels);
      std::memmove(&cells[static_cast<size_t>((top - 1) * text_columns)], &cells[static_cast<size_t>(top * text_columns)],
                   static_cast<size_t>((bottom - top) * text_columns));
      std::memmove(&inks[static_cast<size_t>((top - 1) * text_columns)], &inks[static_cast<size_t>(top * text_columns)],
                   static_cast<size_t>((bottom - top) * text_columns));
    }
    clear_rows(bottom, bottom);
  }
  void new_line() {
    wrap = false;
    column = 1;
    if (row < bottom) {
      ++row;
      return;
    }
    scroll();
    row = bottom;
  }
  bool in_area() const { return row >= top && row <= bottom; }
  void control(uint8_t byte) {
    switch (byte) {
      case 10: case 13: new_line(); break;
      case 11: row = top; column = 1; break;
      case 12: clear_screen(); break;
      case 28:
        if (column < text_columns) ++column;
        else if (row < bottom) ++row, column = 1;
        break;
      case 29:
        if (column > 1) --column;
        else if (in_area() && row > top) --row, column = text_columns;
        break;
      case 30: if (in_area() && row > top) --row; break;
      case 31: if (in_area() && row < bottom) ++row; break;
      default: break;  // 7: a pause, nothing painted
    }
  }
  void print(const Text& text, bool new_line_flag) {
    const size_t length = text.size();
    if (length > 0 && wrap) new_line();
    else if (column > 1 && static_cast<size_t>(column - 1) + length > text_columns) new_line();
    bool wrapped = false;
    for (size_t i = 0; i < length; ++i) {
      const auto byte = static_cast<uint8_t>(text[i]);
      wrapped = false;
      if (byte == 7 || (byte >= 10 && byte <= 13) || (byte >= 28 && byte <= 31)) {
        control(byte);
        continue;
      }
      if (byte == 9) {
        for (int count = 8 - (column - 1) % 8; count > 0; --count) paint(' '), ++column;
      } else {
        paint(byte);
        ++column;
      }
      if (column > text_columns) {
        if (i + 1 < length || new_line_flag) {
          new_line();
          wrapped = true;
        } else {
          column = text_columns;
          wrap = true;
        }
      }
    }
    if (new_line_flag && !wrapped) new_line();
  }
};


int64_t fake_now = 0;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  reset_platform();
  set_clock(Clock{[] { return fake_now; }, [](int64_t ms) { fake_now += ms; }, {}});  // bells wait no real time
  set_screen_mode(12);
  Model model;
  FuzzInput in{data, size};
  for (int op = 0; op < 32 && in.more(); ++op) {
    switch (in.byte() % 8) {
      case 0: {
        const int row = 1 + in.byte() % 30, column = 1 + in.byte() % 80;
        locate_text_cursor(row, column);
        model.row = row, model.column = column, model.wrap = false;
        break;
      }
      case 1: {
        const int ink = in.byte() % 16;
        set_ink_colour(ink);
        model.ink = ink;
        break;
      }
      case 2:
      case 3: {  // a short text of any bytes
        const size_t length = in.byte() % 100;
        const bool flag = in.byte() & 1;
        Text text;
        while (text.size() < length && in.more()) text += static_cast<char>(in.byte());
        print_text(text, flag);
        model.print(text, flag);
        break;
      }
      case 4: {  // a long text: many rows of one painting byte, then a few bytes of any value
        const size_t rows = in.byte() % 40, rest = in.byte() % 80;
        uint8_t fill = in.byte();
        if (fill == 7 || fill == 9 || (fill >= 10 && fill <= 13) || (fill >= 28 && fill <= 31)) fill = 'x';
        const bool flag = in.byte() & 1;
        Text text(rows * 80 + rest, static_cast<char>(fill));
        for (int tail = in.byte() % 8; tail > 0 && in.more(); --tail) text += static_cast<char>(in.byte());
        print_text(text, flag);
        model.print(text, flag);
        break;
      }
      case 5: {  // a pixel drawn into whatever text is there
        const int x = (in.byte() | in.byte() << 8) % screen_width, y = (in.byte() | in.byte() << 8) % screen_height;
        const int colour = in.byte();
        set_pixel(static_cast<float>(x), static_cast<float>(y), colour);
        model.pixels[static_cast<size_t>(y * screen_width + x)] = static_cast<uint8_t>(colour & 15);
        break;
      }
      case 6:
        clear_screen();
        model.clear_screen();
        break;
      case 7:  // the end prompt's text area: row 30 alone, from then on
        if (model.top == 30) break;
        make_row_30_the_text_area();
        model.top = model.bottom = 30;
        model.row = 30;
        model.new_line();
        break;
    }
    if (error_pending()) std::abort();
  }
  const ScreenState& s = screen_state();
  if (std::memcmp(s.pixels.data(), model.pixels.data(), model.pixels.size()) != 0) std::abort();
  if (std::memcmp(s.cells.data(), model.cells.data(), model.cells.size()) != 0) std::abort();
  if (std::memcmp(s.cell_ink.data(), model.inks.data(), model.inks.size()) != 0) std::abort();
  if (s.cursor_row != model.row || s.cursor_column != model.column || s.wrap_pending != model.wrap) std::abort();
  return 0;
}
