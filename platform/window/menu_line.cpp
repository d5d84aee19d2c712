#include "platform/window/menu_line.h"

#include <algorithm>

#include "platform/glyphs.h"
#include "platform/screen.h"
#include "platform/window/layout.h"

std::vector<MenuLineSpan> menu_line_spans(const std::vector<MenuBarItem>& items) {
  std::vector<MenuLineSpan> spans;
  spans.reserve(items.size());
  int left = 0;
  for (const MenuBarItem& item : items) {
    // A text too long for any window still gives a span that fits an int.
    const auto characters = static_cast<int>(std::min<size_t>(item.text.size(), 4096));
    const int right = left + 2 * menu_line::item_padding + characters * cell_width;
    spans.push_back({left, right});
    left = right;
  }
  return spans;
}

std::optional<unsigned> menu_item_at(const std::vector<MenuBarItem>& items, int x, int y) {
  if (y < 0 || y >= menu_bar_height) return std::nullopt;
  const std::vector<MenuLineSpan> spans = menu_line_spans(items);
  for (size_t i = 0; i < spans.size(); ++i) {
    if (x >= spans[i].left && x < spans[i].right) return static_cast<unsigned>(i);
  }
  return std::nullopt;
}

std::vector<uint32_t> paint_menu_line(const std::vector<MenuBarItem>& items, int width) {
  if (width <= 0) return {};
  const auto w = static_cast<size_t>(width);
  std::vector<uint32_t> pixels(w * menu_bar_height, menu_line::face);
  auto put = [&](int x, int y, uint32_t colour) {
    if (x >= 0 && x < width) pixels[static_cast<size_t>(y) * w + static_cast<size_t>(x)] = colour;
  };
  for (int x = 0; x < width; ++x) put(x, menu_bar_height - 1, menu_line::rule);

  const std::vector<MenuLineSpan> spans = menu_line_spans(items);
  for (size_t i = 0; i < items.size(); ++i) {
    const MenuLineSpan span = spans[i];
    if (span.left >= width) break;
    const bool lit = items[i].highlighted;
    const uint32_t ink = lit ? menu_line::highlight_text : menu_line::text;
    if (lit) {
      for (int y = 0; y < menu_bar_height - 1; ++y)
        for (int x = span.left; x < span.right; ++x) put(x, y, menu_line::highlight);
    }
    int x0 = span.left + menu_line::item_padding;
    for (const char byte : items[i].text) {
      if (x0 >= width) break;
      const auto& rows = glyph_rows[static_cast<unsigned char>(byte)];
      for (int row = 0; row < cell_height; ++row) {
        for (int column = 0; column < cell_width; ++column) {
          if (rows[static_cast<size_t>(row)] & (0x80 >> column)) put(x0 + column, menu_line::text_top + row, ink);
        }
      }
      x0 += cell_width;
    }
  }
  return pixels;
}
