// What the screen, print and drawing code share inside the platform (the plotter never uses it).
#pragma once
#include <algorithm>
#include <atomic>

#include "platform/screen.h"

constexpr int32_t illegal_function_call = 5;

// The screen image as it stands, pending text cells unpainted: for the operations themselves.
extern ScreenState the_screen_image;
inline ScreenState& screen_image() { return the_screen_image; }

inline void mark_screen_changed(ScreenState& s) { ++s.generation; }

// Drawing needs a graphics mode; before a mode is chosen the screen is text-only.
inline bool screen_is_text_only(const ScreenState& s) { return s.mode == 0; }

// Fills text rows first..last (1-based, whole width) with the paper colour and blanks their cells.
void clear_text_rows(ScreenState& s, int first, int last);

// ---- Lazy text ------------------------------------------------------------------------------

// What a cell's pixels show once it is painted with `byte` in `ink` on `paper`.
inline uint32_t cell_look(uint8_t byte, int32_t ink, int32_t paper) {
  return byte | static_cast<uint32_t>(ink & 15) << 8 | static_cast<uint32_t>(paper & 15) << 12;
}

// Paints every pending cell whose pixels do not show its byte and ink yet.
void flush_pending_cells(ScreenState& s);
// The same when the calling thread printed them (elsewhere: nothing).
void paint_own_pending_cells();

// What the presentation waits for: word of a change, or a picture. Set by the presentation,
// cleared by the plotter's thread when it gives either.
constexpr uint8_t wanted_nothing = 0, wanted_change = 1, wanted_picture = 2;
extern std::atomic<uint8_t> picture_wanted;
void answer_picture_request(ScreenState& s);
// At the end of every operation that changes the image: what the presentation waits for goes
// at once (a picture with the pending cells painted).
inline void obey_picture_request(ScreenState& s) {
  if (picture_wanted.load(std::memory_order_relaxed) != wanted_nothing) [[unlikely]]
    answer_picture_request(s);
}
// Before the plotter's thread sleeps or blocks (its pending cells painted): the picture as it
// stands, and news of a changed menu line, go to the presentation, if one is attached.
void present_before_waiting(const ScreenState& s);

// Paints the pending cells of text row `row` (0-based), columns first..last (0-based).
void paint_pending_cells(ScreenState& s, int row, int first, int last);

// Before a drawing operation writes pixels in x left..right, y top..bottom (on the screen): the
// pending cells there are painted first, and every cell there counts as drawn over, so that text
// printed into it later is painted whatever it shows.
inline void prepare_cells_for_drawing(ScreenState& s, int left, int top, int right, int bottom) {
  const int first = left / cell_width, last = right / cell_width;
  for (int row = top / cell_height; row <= bottom / cell_height; ++row) {
    if (s.pending_rows >> row & 1u) [[unlikely]]
      paint_pending_cells(s, row, first, last);
    auto* painted = &s.painted[static_cast<size_t>(row * text_columns)];
    std::fill(painted + first, painted + last + 1, ScreenState::drawn_over);
  }
}
inline void prepare_cell_for_drawing(ScreenState& s, int x, int y) {
  const int row = y / cell_height, column = x / cell_width;
  if (s.pending_rows >> row & 1u) [[unlikely]]
    paint_pending_cells(s, row, column, column);
  s.painted[static_cast<size_t>(row * text_columns + column)] = ScreenState::drawn_over;
}
