// The window's menu line, as a plain desktop menu bar draws it: a light grey line with a darker
// rule under it, each item's text in black with some room either side, a highlighted item
// inverted. Painted into pixels here (no GL), so the window and its tests share one picture.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/window/layout.h"
#include "winapi/user32.h"

namespace menu_line {
constexpr uint32_t face = 0xFFD4D0C8u;        // 0xFFRRGGBB, as the frames hold pixels
constexpr uint32_t rule = 0xFF808080u;        // the bottom row
constexpr uint32_t text = 0xFF000000u;
constexpr uint32_t highlight = 0xFF0A246Au;   // a highlighted item's ground
constexpr uint32_t highlight_text = 0xFFFFFFFFu;
constexpr int item_padding = 8;               // blank pixels left and right of an item's text
constexpr int text_top = 2;                   // the 8 x 16 glyphs' first row in the line
}  // namespace menu_line

// Where an item stands: pixel columns left to right - 1 of the menu line.
struct MenuLineSpan {
  int left;
  int right;
};
std::vector<MenuLineSpan> menu_line_spans(const std::vector<MenuBarItem>& items);

// The item under a point of the client area (y counted downwards from the top of the menu line).
std::optional<unsigned> menu_item_at(const std::vector<MenuBarItem>& items, int x, int y);

// The line, `width` pixels wide and menu_bar_height high, row by row from the top, 0xFFRRGGBB.
// Texts are drawn as bytes of code page 437; an item beyond the width is cut off.
std::vector<uint32_t> paint_menu_line(const std::vector<MenuBarItem>& items, int width);
