// What the screen, print and drawing code share inside the platform (the plotter never uses it).
#pragma once
#include <atomic>

#include "platform/screen.h"

constexpr int32_t illegal_function_call = 5;

// The plotter's thread is the only writer, so a plain increment published with release order
// is enough for the presentation thread, which reads it with acquire order.
inline void mark_screen_changed(ScreenState& s) {
  s.generation.store(s.generation.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

// Drawing needs a graphics mode; before a mode is chosen the screen is text-only.
inline bool screen_is_text_only(const ScreenState& s) { return s.mode == 0; }

// Fills text rows first..last (1-based, whole width) with the paper colour and blanks their cells.
void clear_text_rows(ScreenState& s, int first, int last);
