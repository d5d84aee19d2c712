// Drawing: pixel, line and box, circle. Each primitive rounds its points, clips to the screen
// first and then loops in integers over what is left, writing through write_run alone.
// Coordinates stay in double until they are known to lie on the screen, so an infinity, a NaN
// or a point however far away never reaches an integer conversion.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/errors.h"
#include "platform/screen_image.h"

namespace {

constexpr double last_x = screen_width - 1, last_y = screen_height - 1;

// The one place where drawing writes pixels: row y, columns x0..x1, all on the screen, in
// cells already prepared for drawing (pending text painted first).
void write_prepared_run(ScreenState& s, int y, int x0, int x1, uint8_t colour) {
  std::memset(&s.pixels[static_cast<size_t>(y * screen_width + x0)], colour, static_cast<size_t>(x1 - x0 + 1));
}

void write_run(ScreenState& s, int y, int x0, int x1, uint8_t colour) {
  prepare_cells_for_drawing(s, x0, y, x1, y);
  write_prepared_run(s, y, x0, x1, colour);
}

void write_pixel(ScreenState& s, int x, int y, uint8_t colour) {
  prepare_cell_for_drawing(s, x, y);
  s.pixels[static_cast<size_t>(y * screen_width + x)] = colour;
}

void write_pixel_if_on_screen(ScreenState& s, double x, double y, uint8_t colour) {
  if (x >= 0 && x <= last_x && y >= 0 && y <= last_y) write_pixel(s, static_cast<int>(x), static_cast<int>(y), colour);
}

// Nearest whole number, ties to even, whatever the floating-point environment's rounding mode.
double round_half_even(double v) {
  const double whole = std::floor(v);
  const double fraction = v - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) return whole + 1;
  return whole;
}

// The same for a value well within the int range: truncate, then look at the exact remainder.
int round_small_half_even(float v) {
  const auto toward_zero = static_cast<int>(v);
  const float fraction = v - static_cast<float>(toward_zero);  // exact
  const bool odd = (toward_zero & 1) != 0;
  if (fraction > 0.5f || (fraction == 0.5f && odd)) return toward_zero + 1;
  if (fraction < -0.5f || (fraction == -0.5f && odd)) return toward_zero - 1;
  return toward_zero;
}

uint8_t attribute(int32_t colour) { return static_cast<uint8_t>(colour & 15); }

// The end of every drawing operation: the image has changed, and what the presentation waits
// for goes now.
void drawn(ScreenState& s) {
  mark_screen_changed(s);
  obey_picture_request(s);
}

// Drawing needs a graphics screen and no pending error.
ScreenState* drawing_screen() {
  if (error_pending()) return nullptr;
  ScreenState& s = screen_image();
  if (screen_is_text_only(s)) {
    raise_error(illegal_function_call);
    return nullptr;
  }
  return &s;
}

// The other coordinate of a sloping line at `along`, exactly: for the line through whole-pixel
// ends (a1, o1) and (a2, o2), o = (o1 a2 - a1 o2 + along (o2 - o1)) / (a2 - a1), rounded half away
// from zero, in 128-bit integers. Doubles lose the course of a line whose ends lie far off the
// screen (the two terms cancel), and would set pixels where the line does not pass.
__extension__ using Wide = __int128;
constexpr double exact_reach = 0x1p62;  // ends within this: every product below fits

int64_t other_coordinate(int64_t a1, int64_t o1, int64_t a2, int64_t o2, int along) {
  Wide n = Wide{o1} * a2 - Wide{a1} * o2 + Wide{along} * (o2 - o1);
  Wide d = Wide{a2} - a1;
  if (d < 0) n = -n, d = -d;
  const Wide q = n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
  constexpr Wide far = Wide{1} << 40;  // off the screen either way
  return static_cast<int64_t>(q > far ? far : q < -far ? -far : q);
}

// A line between whole-pixel ends (DDA): one pixel per step along the longer span (along y
// when both are equal), the other coordinate rounded half away from zero. Only the steps that
// fall on the screen are taken. A sloping line with an end beyond 2^62 pixels draws nothing.
void line(ScreenState& s, double x1, double y1, double x2, double y2, uint8_t colour) {
  const double dx = x2 - x1, dy = y2 - y1;
  const bool exact = std::fabs(x1) < exact_reach && std::fabs(y1) < exact_reach && std::fabs(x2) < exact_reach &&
                     std::fabs(y2) < exact_reach;
  const auto whole = [](double v) { return static_cast<int64_t>(v); };
  if (std::fabs(dx) > std::fabs(dy)) {
    const double from = std::max(std::min(x1, x2), 0.0), to = std::min(std::max(x1, x2), last_x);
    if (from > to) return;
    if (dy == 0) {
      if (y1 >= 0 && y1 <= last_y) write_run(s, static_cast<int>(y1), static_cast<int>(from), static_cast<int>(to), colour);
      return;
    }
    if (!exact) return;
    for (int x = static_cast<int>(from); x <= static_cast<int>(to); ++x)
      write_pixel_if_on_screen(s, x, static_cast<double>(other_coordinate(whole(x1), whole(y1), whole(x2), whole(y2), x)),
                               colour);
  } else {
    const double from = std::max(std::min(y1, y2), 0.0), to = std::min(std::max(y1, y2), last_y);
    if (from > to) return;
    if (dx != 0 && !exact) return;
    for (int y = static_cast<int>(from); y <= static_cast<int>(to); ++y)
      write_pixel_if_on_screen(
          s, dx == 0 ? x1 : static_cast<double>(other_coordinate(whole(y1), whole(x1), whole(y2), whole(x2), y)), y,
          colour);
  }
}

void filled_box(ScreenState& s, double x1, double y1, double x2, double y2, uint8_t colour) {
  const double left = std::max(std::min(x1, x2), 0.0), right = std::min(std::max(x1, x2), last_x);
  const double top = std::max(std::min(y1, y2), 0.0), bottom = std::min(std::max(y1, y2), last_y);
  if (left > right || top > bottom) return;
  const auto from_x = static_cast<int>(left), to_x = static_cast<int>(right);
  const auto from_y = static_cast<int>(top), to_y = static_cast<int>(bottom);
  prepare_cells_for_drawing(s, from_x, from_y, to_x, to_y);
  for (int y = from_y; y <= to_y; ++y) write_prepared_run(s, y, from_x, to_x, colour);
}

}  // namespace

void set_pixel(float x, float y, int32_t colour) {
  ScreenState* s = drawing_screen();
  if (!s) return;
  // Only a point within half a pixel of the screen can round onto it; so the rest, NaN and the
  // infinities included, is dropped before any conversion.
  if (x > -1 && x < screen_width && y > -1 && y < screen_height) {
    const int px = round_small_half_even(x), py = round_small_half_even(y);
    if (px >= 0 && px < screen_width && py >= 0 && py < screen_height) write_pixel(*s, px, py, attribute(colour));
  }
  drawn(*s);
}

void draw_line(float x1, float y1, float x2, float y2, int32_t colour, int32_t form) {
  ScreenState* s = drawing_screen();
  if (!s) return;
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return;
  const double ax = round_half_even(x1), ay = round_half_even(y1);
  const double bx = round_half_even(x2), by = round_half_even(y2);
  const uint8_t c = attribute(colour);
  if (form == 2) {
    filled_box(*s, ax, ay, bx, by, c);
  } else if (form == 1) {
    line(*s, ax, ay, bx, ay, c);
    line(*s, bx, ay, bx, by, c);
    line(*s, bx, by, ax, by, c);
    line(*s, ax, by, ax, ay, c);
  } else {
    line(*s, ax, ay, bx, by, c);
  }
  drawn(*s);
}

namespace {

// The rings of radius 1, 2 and 3 that the midpoint circle below draws, as offsets from the centre.
struct Offset {
  int8_t dx, dy;
};
constexpr Offset ring_1[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
constexpr Offset ring_2[] = {{-1, -2}, {0, -2}, {1, -2}, {-1, 2}, {0, 2}, {1, 2},
                             {-2, -1}, {-2, 0}, {-2, 1}, {2, -1}, {2, 0}, {2, 1}};
constexpr Offset ring_3[] = {{-1, -3}, {0, -3}, {1, -3}, {-1, 3}, {0, 3}, {1, 3}, {-2, -2}, {2, -2},
                             {-2, 2},  {2, 2},  {-3, -1}, {-3, 0}, {-3, 1}, {3, -1}, {3, 0}, {3, 1}};

// A ring of whole radius `reach` about the rounded centre, clipped pixel by pixel.
template <size_t count>
void draw_ring(ScreenState& s, double cx, double cy, const Offset (&ring)[count], int reach, uint8_t colour) {
  if (cx < -reach || cx > last_x + reach || cy < -reach || cy > last_y + reach) return;  // wholly off
  const auto x = static_cast<int>(cx), y = static_cast<int>(cy);
  const int left = std::max(x - reach, 0), right = std::min(x + reach, screen_width - 1);
  const int top = std::max(y - reach, 0), bottom = std::min(y + reach, screen_height - 1);
  prepare_cells_for_drawing(s, left, top, right, bottom);
  for (const Offset& o : ring) {
    const int px = x + o.dx, py = y + o.dy;
    if (px >= left && px <= right && py >= top && py <= bottom)
      s.pixels[static_cast<size_t>(py * screen_width + px)] = colour;
  }
}

}  // namespace

// Midpoint circle: in each octant, for x = 0, 1, ... while x <= y, y is the whole number
// nearest to sqrt(r^2 - x^2); the eight mirror images of (x, y) about the centre are set. For a
// whole radius this is the classic integer midpoint circle. Each mirror image is walked only
// over the x for which its screen coordinate along x's axis lies on the screen.
void draw_circle(double x, double y, double radius, int32_t colour) {
  ScreenState* s = drawing_screen();
  if (!s) return;
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(radius) || radius < 0) return;
  const double cx = std::round(x), cy = std::round(y);  // half away from zero
  const uint8_t c = attribute(colour);
  if (radius == 1 || radius == 2 || radius == 3) {  // the plotter's radii: their rings as tables
    if (radius == 1) draw_ring(*s, cx, cy, ring_1, 1, c);
    else if (radius == 2) draw_ring(*s, cx, cy, ring_2, 2, c);
    else draw_ring(*s, cx, cy, ring_3, 3, c);
    drawn(*s);
    return;
  }
  const double r2 = radius * radius;

  for (const bool x_across : {true, false}) {  // x runs along the screen's x, or along its y
    const double centre_along = x_across ? cx : cy, centre_other = x_across ? cy : cx;
    const double last_along = x_across ? last_x : last_y;
    for (const double along_sign : {1.0, -1.0}) {
      // The x for which centre_along + along_sign * x lies on the screen, and x >= 0.
      double from = along_sign > 0 ? -centre_along : centre_along - last_along;
      double to = along_sign > 0 ? last_along - centre_along : centre_along;
      from = std::max(from, 0.0);
      to = std::min(to, radius);
      if (from > to) continue;
      const auto steps = static_cast<int>(to - from);  // at most the screen's width
      for (int i = 0; i <= steps; ++i) {
        const double dx = from + i;
        const double rest = r2 - dx * dx;
        if (rest < 0) break;
        const double dy = std::floor(std::sqrt(rest) + 0.5);
        if (dx > dy) break;  // past the octant's end; x only grows from here
        const double along = centre_along + along_sign * dx;
        for (const double other : {centre_other - dy, centre_other + dy}) {
          if (x_across) write_pixel_if_on_screen(*s, along, other, c);
          else write_pixel_if_on_screen(*s, other, along, c);
        }
      }
    }
  }
  drawn(*s);
}
