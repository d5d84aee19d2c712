// The drawing operations over arbitrary coordinates, colours and forms: every bit pattern of
// their floats (NaN, infinities, far points) and small values in quarter steps (the ties). On a
// screen cleared before each call, exactly the pixels that the rules give change: set_pixel,
// horizontal and vertical lines, boxes and filled boxes, sloping lines near the screen, and the
// rings of radius 1, 2 and 3; any other line stays within its ends' box and any other circle
// within a pixel of its radius about its centre.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/platform.h"

namespace {

struct Input : FuzzInput {
  // Either any bit pattern, or a value in quarter steps from -2048 to +2048.
  template <class T>
  T coordinate(bool any) {
    if (any) return raw<T>();
    return static_cast<T>(raw<int16_t>()) / 16;
  }
};

using Image = std::vector<uint8_t>;

Image blank_image() { return Image(screen_width * screen_height, 0); }
void put(Image& image, int64_t x, int64_t y, uint8_t colour) {
  if (x >= 0 && x < screen_width && y >= 0 && y < screen_height) image[static_cast<size_t>(y * screen_width + x)] = colour;
}
const uint8_t* shown() { return screen_state().pixels.data(); }
void expect_image(const Image& expected) {
  if (std::memcmp(shown(), expected.data(), expected.size()) != 0) std::abort();
}

// Round half away from zero of n / d, exactly.
int64_t round_quotient(int64_t n, int64_t d) {
  if (d < 0) n = -n, d = -d;
  return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
}

// The line between whole-pixel ends, as the rules give it, for ends near the screen.
void reference_line(Image& image, int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint8_t colour) {
  const int64_t dx = x2 - x1, dy = y2 - y1;
  if (std::llabs(dx) > std::llabs(dy)) {
    for (int64_t x = std::min(x1, x2); x <= std::max(x1, x2); ++x) put(image, x, round_quotient(y1 * dx + (x - x1) * dy, dx), colour);
  } else if (dy == 0) {
    put(image, x1, y1, colour);
  } else {
    for (int64_t y = std::min(y1, y2); y <= std::max(y1, y2); ++y) put(image, round_quotient(x1 * dy + (y - y1) * dx, dy), y, colour);
  }
}

// Calls `each` for every pixel that is not 0 (the screen was cleared before the call).
template <class Each>
void for_each_drawn(Each each) {
  const uint8_t* p = shown();
  for (size_t word = 0; word < screen_width * screen_height / 8; ++word) {
    uint64_t eight;
    std::memcpy(&eight, p + word * 8, sizeof eight);
    if (eight == 0) continue;
    for (size_t i = word * 8; i < word * 8 + 8; ++i)
      if (p[i] != 0) each(static_cast<int>(i % screen_width), static_cast<int>(i / screen_width), p[i]);
  }
}

// Every changed pixel lies in the box and has the colour.
void expect_within(int64_t left, int64_t top, int64_t right, int64_t bottom, uint8_t colour) {
  for_each_drawn([&](int x, int y, uint8_t v) {
    if (v != colour || x < left || x > right || y < top || y > bottom) std::abort();
  });
}

bool near_screen(double v) { return std::fabs(v) < 4096; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  reset_platform();
  set_screen_mode(12);
  Input in{{data, size}};
  for (int op = 0; op < 32 && in.more(); ++op) {
    const uint8_t kind = in.byte();
    const bool any = kind & 0x80;
    const int32_t colour = in.raw<int32_t>();
    const auto c = static_cast<uint8_t>(colour & 15);
    clear_screen();
    Image expected = blank_image();
    switch (kind % 3) {
      case 0: {
        const float x = in.coordinate<float>(any), y = in.coordinate<float>(any);
        set_pixel(x, y, colour);
        if (std::isfinite(x) && std::isfinite(y)) put(expected, std::llrint(std::nearbyint(std::clamp(x, -8.0f, 8000.0f))),
                                                       std::llrint(std::nearbyint(std::clamp(y, -8.0f, 8000.0f))), c);
        expect_image(expected);
        break;
      }
      case 1: {
        const float x1 = in.coordinate<float>(any), y1 = in.coordinate<float>(any);
        const float x2 = in.coordinate<float>(any), y2 = in.coordinate<float>(any);
        const int32_t form = (kind >> 2) % 4 == 3 ? in.raw<int32_t>() : (kind >> 2) % 4;
        draw_line(x1, y1, x2, y2, colour, form);
        if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
          expect_image(expected);
          break;
        }
        const double ax = std::nearbyint(x1), ay = std::nearbyint(y1), bx = std::nearbyint(x2), by = std::nearbyint(y2);
        if (!(near_screen(ax) && near_screen(ay) && near_screen(bx) && near_screen(by))) {
          const double left = std::min(ax, bx), right = std::max(ax, bx), top = std::min(ay, by), bottom = std::max(ay, by);
          const auto bound = [](double v) { return static_cast<int64_t>(std::clamp(v, -1.0, 1e6)); };
          expect_within(bound(left), bound(top), bound(right), bound(bottom), c);
          break;
        }
        const auto x_1 = static_cast<int64_t>(ax), y_1 = static_cast<int64_t>(ay);
        const auto x_2 = static_cast<int64_t>(bx), y_2 = static_cast<int64_t>(by);
        if (form == 2) {
          for (int64_t y = std::min(y_1, y_2); y <= std::max(y_1, y_2); ++y)
            for (int64_t x = std::min(x_1, x_2); x <= std::max(x_1, x_2); ++x) put(expected, x, y, c);
        } else if (form == 1) {
          reference_line(expected, x_1, y_1, x_2, y_1, c);
          reference_line(expected, x_2, y_1, x_2, y_2, c);
          reference_line(expected, x_2, y_2, x_1, y_2, c);
          reference_line(expected, x_1, y_2, x_1, y_1, c);
        } else {
          reference_line(expected, x_1, y_1, x_2, y_2, c);
        }
        expect_image(expected);
        break;
      }
      case 2: {
        const double x = in.coordinate<double>(any), y = in.coordinate<double>(any);
        const double radius = (kind >> 2) % 4 == 0 ? in.coordinate<double>(any) : (kind >> 2) % 4;
        draw_circle(x, y, radius, colour);
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(radius) || radius < 0) {
          expect_image(expected);
          break;
        }
        const double cx = std::round(x), cy = std::round(y);
        if (!near_screen(cx) || !near_screen(cy)) {
          // Far away: whatever shows is the edge of a huge circle; it has the colour.
          expect_within(0, 0, screen_width - 1, screen_height - 1, c);
          break;
        }
        if (radius == 1 || radius == 2 || radius == 3) {
          const int r = static_cast<int>(radius);
          for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
              const int reach = std::max(std::abs(dx), std::abs(dy));
              const bool on = r == 1 ? std::abs(dx) + std::abs(dy) == 1
                                     : reach == r && std::min(std::abs(dx), std::abs(dy)) <= (r == 3 ? 1 : r - 1);
              const bool corner_of_3 = r == 3 && std::abs(dx) == 2 && std::abs(dy) == 2;
              if (on || corner_of_3) put(expected, static_cast<int64_t>(cx) + dx, static_cast<int64_t>(cy) + dy, c);
            }
          expect_image(expected);
          break;
        }
        for_each_drawn([&](int px, int py, uint8_t v) {
          if (v != c || std::fabs(std::hypot(px - cx, py - cy) - radius) > 1.0) std::abort();
        });
        break;
      }
    }
    if (error_pending()) std::abort();
  }
  return 0;
}
