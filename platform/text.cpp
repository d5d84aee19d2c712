// The print engine: control bytes and cursor movement, glyph painting, scrolling.
#include <algorithm>
#include <array>
#include <atomic>
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

// Paints a cell's pixels from its byte and ink: glyph pixels in the ink, the rest in the paper.
void paint_cell(ScreenState& s, size_t cell, uint32_t look) {
  constexpr uint64_t every_byte = 0x0101010101010101;
  const uint64_t ink = every_byte * (look >> 8 & 15);
  const uint64_t paper = every_byte * (look >> 12 & 15);
  const auto& glyph = glyph_rows[look & 0xFF];
  const size_t row = cell / text_columns, column = cell % text_columns;
  uint8_t* out = &s.pixels[row * cell_height * screen_width + column * cell_width];
  for (int y = 0; y < cell_height; ++y, out += screen_width) {
    const uint64_t mask = row_masks.mask[glyph[static_cast<size_t>(y)]];
    const uint64_t pixels = (ink & mask) | (paper & ~mask);
    std::memcpy(out, &pixels, sizeof pixels);
  }
  s.painted[cell] = look;
}

// A pending cell is painted only when its pixels do not show its byte and ink already. True
// when it painted.
bool paint_if_changed(ScreenState& s, size_t cell) {
  const uint32_t look = cell_look(s.cells[cell], s.cell_ink[cell], s.paper);
  if (s.painted[cell] == look) return false;
  paint_cell(s, cell, look);
  return true;
}

// The thread that left cells pending: only it may paint them (the presentation only reads).
thread_local const char this_thread = 0;
std::atomic<const void*> pending_owner{nullptr};

// Copies of at most a row's 80 bytes in a few 8-byte moves (the last may overlap the one
// before), cheaper than a call for the short runs that print makes.
template <class Put8>
inline void in_eights(size_t count, Put8&& put8) {
  if (count >= 8) {
    for (size_t at = 0; at + 8 < count; at += 8) put8(at);
    put8(count - 8);
  }
}
inline void copy_short(uint8_t* to, const char* from, size_t count) {
  if (count < 8) {
    for (size_t i = 0; i < count; ++i) to[i] = static_cast<uint8_t>(from[i]);
    return;
  }
  in_eights(count, [&](size_t at) { std::memcpy(to + at, from + at, 8); });
}
inline void fill_short(uint8_t* to, uint8_t value, size_t count) {
  if (count < 8) {
    for (size_t i = 0; i < count; ++i) to[i] = value;
    return;
  }
  const uint64_t eight = 0x0101010101010101 * value;
  in_eights(count, [&](size_t at) { std::memcpy(to + at, &eight, 8); });
}
// For n = 0 to 80: the pending bits of columns 0 to n - 1 (0-based), in a row's two words.
struct ColumnMasks {
  std::array<std::array<uint64_t, 2>, text_columns + 1> below{};
  constexpr ColumnMasks() {
    for (size_t n = 0; n <= text_columns; ++n)
      for (size_t column = 0; column < n; ++column) below[n][column / 64] |= uint64_t{1} << (column % 64);
  }
};
constexpr ColumnMasks column_masks;

// A run of printed cells in one row, 0-based: bytes and ink into the cells, marked pending.
void put_cells(ScreenState& s, int row, int column, const char* bytes, size_t count) {
  const auto first = static_cast<size_t>(row * text_columns + column);
  copy_short(&s.cells[first], bytes, count);
  fill_short(&s.cell_ink[first], static_cast<uint8_t>(s.ink & 15), count);
  auto& words = s.pending[static_cast<size_t>(row)];
  const auto& from = column_masks.below[static_cast<size_t>(column)];
  const auto& to = column_masks.below[static_cast<size_t>(column) + count];  // at most column 80
  words[0] |= to[0] & ~from[0];
  words[1] |= to[1] & ~from[1];
  if (s.pending_rows == 0) pending_owner.store(&this_thread, std::memory_order_relaxed);
  s.pending_rows |= 1u << row;
}

// ---- Scrolling ------------------------------------------------------------------------------

// The text area's rows move up one; its last row becomes paper. Rows outside it stay.
// Pending cells move up with their pixels and what those show, and are painted at the flush
// where they then stand; those of the area's first row are gone with it.
void scroll_text_area(ScreenState& s) {
  const int top = s.text_top, bottom = s.text_bottom;
  if (bottom > top) {
    for (int row = top; row < bottom; ++row) s.pending[static_cast<size_t>(row - 1)] = s.pending[static_cast<size_t>(row)];
    const uint32_t area = ((1u << (bottom - top + 1)) - 1) << (top - 1);
    s.pending_rows = (s.pending_rows & ~area) | ((s.pending_rows & area) >> 1 & area);
    const auto pixel_row = [](int row) { return static_cast<size_t>((row - 1) * cell_height * screen_width); };
    std::memmove(&s.pixels[pixel_row(top)], &s.pixels[pixel_row(top + 1)], pixel_row(bottom) - pixel_row(top));
    const auto cell_row = [](int row) { return static_cast<size_t>((row - 1) * text_columns); };
    const size_t cells = cell_row(bottom) - cell_row(top);
    std::memmove(&s.cells[cell_row(top)], &s.cells[cell_row(top + 1)], cells);
    std::memmove(&s.cell_ink[cell_row(top)], &s.cell_ink[cell_row(top + 1)], cells);
    std::memmove(&s.painted[cell_row(top)], &s.painted[cell_row(top + 1)], cells * sizeof s.painted[0]);
  }
  clear_text_rows(s, bottom, bottom);
}

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

constexpr bool is_control_byte(uint8_t byte) {
  return byte == 7 || (byte >= 9 && byte <= 13) || (byte >= 28 && byte <= 31);
}

// Every control byte is below 32, so eight bytes from 32 up all paint their cells. (A byte
// below 32 makes the subtraction borrow into its high bit; a byte from 128 up is masked out.)
constexpr bool has_byte_below_32(uint64_t eight) {
  return ((eight - 0x2020202020202020) & ~eight & 0x8080808080808080) != 0;
}

// Bytes that paint their own cell: all but the control bytes and the tab.
constexpr std::array<bool, 256> paints_own_cell = [] {
  std::array<bool, 256> paints{};
  for (unsigned byte = 0; byte < 256; ++byte) paints[byte] = !is_control_byte(static_cast<uint8_t>(byte));
  return paints;
}();

// True when every byte paints its cell; may say false for a text with bytes below 32 that are
// not control bytes (those take the byte-by-byte way, which gives the same).
bool only_bytes_that_paint(const char* bytes, size_t length) {
  if (length < 8) {
    for (size_t i = 0; i < length; ++i)
      if (!paints_own_cell[static_cast<uint8_t>(bytes[i])]) return false;
    return true;
  }
  uint64_t word;
  for (size_t at = 0; at + 8 < length; at += 8) {
    std::memcpy(&word, bytes + at, sizeof word);
    if (has_byte_below_32(word)) return false;
  }
  std::memcpy(&word, bytes + length - 8, sizeof word);
  return !has_byte_below_32(word);
}

void control(ScreenState& s, uint8_t byte) {
  switch (byte) {
    case 7:  // the bell: a quarter of a second's pause (the text so far shows: sleeping flushes)
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

// Rows that a run of painted bytes scrolls out of the text area before it ends are never seen.
// From column 1 of the area's last row, the bytes of those rows can be passed over: the rows
// that stay show the same, and the whole area is not moved once for every row of a long text.
// The first row printed after the skip lands on the last row as it stands, unscrolled, so it
// must be a full one: with a one-row area (the end prompt's) one more row is printed.
size_t bytes_never_seen(const ScreenState& s, const char* bytes, size_t from, size_t length) {
  const auto area_rows = std::max<size_t>(2, static_cast<size_t>(s.text_bottom - s.text_top + 1));
  if (length - from <= area_rows * text_columns) return 0;
  size_t end = from;
  while (end < length && paints_own_cell[static_cast<uint8_t>(bytes[end])]) ++end;
  const size_t new_lines = (end - from - 1) / text_columns;  // rows that more of the run follows
  return new_lines < area_rows ? 0 : (new_lines - area_rows + 1) * text_columns;
}

}  // namespace

void flush_pending_cells(ScreenState& s) {
  bool painted_any = false;
  for (uint32_t rows = s.pending_rows; rows != 0; rows &= rows - 1) {
    const int row = std::countr_zero(rows);
    auto& words = s.pending[static_cast<size_t>(row)];
    for (size_t word = 0; word < words.size(); ++word) {
      for (uint64_t bits = words[word]; bits != 0; bits &= bits - 1)
        painted_any |= paint_if_changed(s, static_cast<size_t>(row * text_columns) + word * 64 +
                                               static_cast<size_t>(std::countr_zero(bits)));
      words[word] = 0;
    }
  }
  s.pending_rows = 0;
  pending_owner.store(nullptr, std::memory_order_relaxed);
  if (painted_any) mark_screen_changed(s);
}

void paint_pending_cells(ScreenState& s, int row, int first, int last) {
  auto& words = s.pending[static_cast<size_t>(row)];
  for (int column = first; column <= last; ++column) {
    uint64_t& word = words[static_cast<size_t>(column / 64)];
    const uint64_t bit = uint64_t{1} << (column % 64);
    if (!(word & bit)) continue;
    word &= ~bit;
    paint_if_changed(s, static_cast<size_t>(row * text_columns + column));
  }
}

void paint_own_pending_cells() {
  if (pending_owner.load(std::memory_order_relaxed) == &this_thread) flush_pending_cells(screen_image());
}

void flush_screen_text() {
  paint_own_pending_cells();
  present_before_waiting(screen_image());
}

void print_text(const Text& text, int32_t new_line_flag) {
  if (error_pending()) return;
  ScreenState& s = screen_image();
  const size_t length = text.size();
  const char* const bytes = text.data();

  if (length > 0 && s.wrap_pending) {
    new_line(s);
  } else if (s.cursor_column > 1 && static_cast<uint64_t>(s.cursor_column - 1) + length > text_columns) {
    new_line(s);
  }

  // The common case at once: a text that fits the rest of the row and holds no control byte.
  if (length != 0 && length <= static_cast<size_t>(text_columns - s.cursor_column + 1) && new_line_flag == 0 &&
      only_bytes_that_paint(bytes, length)) {
    put_cells(s, s.cursor_row - 1, s.cursor_column - 1, bytes, length);
    s.cursor_column += static_cast<int32_t>(length);
    if (s.cursor_column > text_columns) {  // the last byte filled column 80
      s.cursor_column = text_columns;
      s.wrap_pending = true;
    }
    obey_picture_request(s);
    return;
  }

  bool wrapped_onto_new_line = false;  // the last byte took the cursor past column 80 and down
  for (size_t i = 0; i < length;) {
    const auto byte = static_cast<uint8_t>(bytes[i]);
    wrapped_onto_new_line = false;
    if (paints_own_cell[byte]) {
      if (s.cursor_column == 1 && s.cursor_row == s.text_bottom) [[unlikely]]
        i += bytes_never_seen(s, bytes, i, length);
      // A run of bytes that paint their cells, up to the end of the row, at once.
      const size_t room = static_cast<size_t>(text_columns - s.cursor_column + 1);
      const size_t limit = i + std::min(room, length - i);
      size_t end = i + 1;
      uint64_t word;
      bool clean = true;
      for (; end + 8 <= limit; end += 8) {
        std::memcpy(&word, bytes + end, sizeof word);
        if (has_byte_below_32(word)) {
          clean = false;
          break;
        }
      }
      if (clean && end < limit && limit - i >= 8) {
        // The last eight bytes before the limit, overlapping those already looked at.
        std::memcpy(&word, bytes + limit - 8, sizeof word);
        if (!has_byte_below_32(word)) end = limit;
      }
      while (end < limit && paints_own_cell[static_cast<uint8_t>(bytes[end])]) ++end;
      put_cells(s, s.cursor_row - 1, s.cursor_column - 1, bytes + i, end - i);
      s.cursor_column += static_cast<int32_t>(end - i);
      i = end;
    } else if (byte == 9) {
      // A tab writes blanks through the next column that is a multiple of 8; they paint their cells.
      static constexpr char blanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
      const int32_t count = 8 - (s.cursor_column - 1) % 8;
      put_cells(s, s.cursor_row - 1, s.cursor_column - 1, blanks, static_cast<size_t>(count));
      s.cursor_column += count;
      ++i;
    } else {
      control(s, byte);
      ++i;
      continue;
    }
    if (s.cursor_column > text_columns) {
      if (i < length || new_line_flag != 0) {
        new_line(s);
        wrapped_onto_new_line = true;
      } else {
        s.cursor_column = text_columns;
        s.wrap_pending = true;
      }
    }
  }
  if (new_line_flag != 0 && !wrapped_onto_new_line) new_line(s);
  obey_picture_request(s);
}

void make_row_30_the_text_area() {
  ScreenState& s = screen_image();
  s.text_top = s.text_bottom = text_rows;
  s.cursor_row = text_rows;
  new_line(s);
}
