// The 8 x 16 code-page-437 glyphs: 16 pixel rows a byte, top row first, high bit leftmost.
#pragma once
#include <array>
#include <cstdint>

extern const std::array<std::array<uint8_t, 16>, 256> glyph_rows;
