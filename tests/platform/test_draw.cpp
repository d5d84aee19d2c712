// Drawing: set_pixel, draw_line (line, box, filled box) and draw_circle, with their rounding,
// clipping, and points that lie anywhere at all.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "platform/platform.h"
#include "tests/support/harness.h"
#include "tests/support/screen_png.h"

namespace {

using Image = std::vector<uint8_t>;
using Point = std::pair<int, int>;

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float far = 3.0e38f;

Image blank() { return Image(screen_width * screen_height, 0); }
void put(Image& image, int x, int y, uint8_t colour) {
  if (x >= 0 && x < screen_width && y >= 0 && y < screen_height) image[static_cast<size_t>(y * screen_width + x)] = colour;
}
void put_box(Image& image, int x0, int y0, int x1, int y1, uint8_t colour) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) put(image, x, y, colour);
}
// ASCII art: '#' sets a pixel, anything else leaves it; (x0, y0) is the art's top left.
void put_art(Image& image, int x0, int y0, const std::vector<std::string>& art, uint8_t colour) {
  for (size_t y = 0; y < art.size(); ++y)
    for (size_t x = 0; x < art[y].size(); ++x)
      if (art[y][x] == '#') put(image, x0 + static_cast<int>(x), y0 + static_cast<int>(y), colour);
}

std::set<Point> pixels_set() {
  std::set<Point> out;
  for (int y = 0; y < screen_height; ++y)
    for (int x = 0; x < screen_width; ++x)
      if (screen_pixel(x, y) != 0) out.insert({x, y});
  return out;
}

class Draw : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    set_screen_mode(12);
    set_ink_colour(7);
  }
  void TearDown() override {
    EXPECT_FALSE(error_pending()) << "no drawing call raises an error on a graphics screen";
    EXPECT_EQ(screen_state().ink, 7) << "drawing leaves the ink alone";
    PlatformTest::TearDown();
  }
};

// ---- set_pixel ------------------------------------------------------------------------------

TEST_F(Draw, SetPixelRoundsTiesToEven) {
  const struct {
    float x, y;
    int px, py;
  } cases[] = {
      {150.5f, 100.0f, 150, 100}, {151.5f, 100.0f, 152, 100}, {100.0f, 150.5f, 100, 150},
      {100.0f, 151.5f, 100, 152}, {0.5f, 0.5f, 0, 0},         {-0.5f, -0.5f, 0, 0},
      {1.5f, 2.5f, 2, 2},         {10.49f, 10.51f, 10, 11},   {638.5f, 478.5f, 638, 478},
  };
  for (const auto& c : cases) {
    clear_screen();
    set_pixel(c.x, c.y, 4);
    Image expected = blank();
    put(expected, c.px, c.py, 4);
    EXPECT_TRUE(screen_matches(expected)) << c.x << "," << c.y;
  }
}

TEST_F(Draw, SetPixelOffTheScreenOrNoNumberDrawsNothing) {
  const float coordinates[][2] = {
      {639.5f, 0}, {0, 479.5f}, {-0.6f, 0},  {0, -0.51f},  {640, 10},   {10, 480}, {-1, -1},
      {far, 10},   {-far, 10},  {10, far},   {10, -far},   {inf, 10},   {-inf, 10}, {10, inf},
      {nan, 10},   {10, nan},   {nan, nan},  {2147483648.0f, 0},        {-2147483904.0f, 0},
      {1e10f, 1e10f}, {std::numeric_limits<float>::lowest(), std::numeric_limits<float>::max()},
  };
  for (const auto& xy : coordinates) set_pixel(xy[0], xy[1], 15);
  EXPECT_TRUE(screen_matches(blank()));
}

TEST_F(Draw, ColoursAreStoredAndFifteen) {
  const struct {
    int32_t colour;
    uint8_t stored;
  } cases[] = {{0, 0}, {15, 15}, {16, 0}, {17, 1}, {255, 15}, {-1, 15}, {-16, 0}, {0x7FFFFFFF, 15}};
  int x = 0;
  Image expected = blank();
  for (const auto& c : cases) {
    set_pixel(static_cast<float>(x), 0, c.colour);
    draw_line(static_cast<float>(x), 2, static_cast<float>(x), 4, c.colour, 0);
    draw_line(static_cast<float>(x), 6, static_cast<float>(x + 1), 7, c.colour, 2);
    draw_circle(x + 1, 12, 1, c.colour);
    put(expected, x, 0, c.stored);
    put_box(expected, x, 2, x, 4, c.stored);
    put_box(expected, x, 6, x + 1, 7, c.stored);
    put_art(expected, x, 11, {".#.", "#.#", ".#."}, c.stored);
    x += 4;
  }
  EXPECT_TRUE(screen_matches(expected));
}

// ---- draw_line ------------------------------------------------------------------------------

TEST_F(Draw, HorizontalAndVerticalLinesIncludeBothEndsInEitherOrder) {
  draw_line(32, 345, 612, 345, 15, 0);
  draw_line(612, 100, 32, 100, 15, 0);
  draw_line(50, 24, 50, 365, 15, 0);
  draw_line(60, 365, 60, 24, 15, 0);
  draw_line(70, 70, 70, 70, 15, 0);  // a single point
  Image expected = blank();
  put_box(expected, 32, 345, 612, 345, 15);
  put_box(expected, 32, 100, 612, 100, 15);
  put_box(expected, 50, 24, 50, 365, 15);
  put_box(expected, 60, 24, 60, 365, 15);
  put(expected, 70, 70, 15);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(Draw, LineEndsRoundTiesToEven) {
  draw_line(150.5f, 10, 151.5f, 10, 2, 0);   // 150 to 152
  draw_line(100, 20.5f, 100, 23.5f, 2, 0);   // 20 to 24
  draw_line(9.5f, 30, 10.5f, 30, 2, 0);      // 10 to 10
  Image expected = blank();
  put_box(expected, 150, 10, 152, 10, 2);
  put_box(expected, 100, 20, 100, 24, 2);
  put(expected, 10, 30, 2);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(Draw, BoxOutlineAndFilledBoxTakeTheirCornersInEitherOrder) {
  const float corners[][4] = {{30, 395, 612, 465}, {612, 465, 30, 395}, {30, 465, 612, 395}, {612, 395, 30, 465}};
  for (const auto& c : corners) {
    clear_screen();
    draw_line(c[0], c[1], c[2], c[3], 15, 1);
    Image outline = blank();
    put_box(outline, 30, 395, 612, 395, 15);
    put_box(outline, 30, 465, 612, 465, 15);
    put_box(outline, 30, 395, 30, 465, 15);
    put_box(outline, 612, 395, 612, 465, 15);
    EXPECT_TRUE(screen_matches(outline, "outline")) << c[0] << "," << c[1];

    clear_screen();
    draw_line(c[0], c[1], c[2], c[3], 14, 2);
    Image filled = blank();
    put_box(filled, 30, 395, 612, 465, 14);
    EXPECT_TRUE(screen_matches(filled, "filled")) << c[0] << "," << c[1];
  }
}

TEST_F(Draw, LinesAndBoxesAreClippedToTheScreen) {
  draw_line(-100, 10, 700, 10, 1, 0);
  draw_line(20, -50, 20, 1000, 1, 0);
  draw_line(-far, 30, far, 30, 1, 0);
  draw_line(40, far, 40, -far, 1, 0);
  draw_line(600, 400, 2000, 3000, 3, 2);
  draw_line(-5, -5, 100, 100, 5, 1);    // only the right and bottom sides show
  draw_line(-10, 200, -1, 300, 6, 2);   // wholly off: nothing
  draw_line(640, 0, 900, 479, 6, 1);    // wholly off: nothing
  draw_line(-far, 470, far, far, 2, 2); // the bottom rows, the whole width
  Image expected = blank();
  put_box(expected, 0, 10, 639, 10, 1);
  put_box(expected, 20, 0, 20, 479, 1);
  put_box(expected, 0, 30, 639, 30, 1);
  put_box(expected, 40, 0, 40, 479, 1);
  put_box(expected, 600, 400, 639, 479, 3);
  put_box(expected, 100, 0, 100, 100, 5);
  put_box(expected, 0, 100, 100, 100, 5);
  put_box(expected, 0, 470, 639, 479, 2);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(Draw, AnInfiniteOrNaNEndDrawsNothing) {
  const float ends[][4] = {{inf, 10, 20, 10}, {10, -inf, 10, 20}, {10, 10, nan, 10}, {10, 10, 10, nan},
                           {-inf, -inf, inf, inf}, {nan, nan, nan, nan}};
  for (const auto& e : ends)
    for (int32_t form : {0, 1, 2}) draw_line(e[0], e[1], e[2], e[3], 15, form);
  EXPECT_TRUE(screen_matches(blank()));
}

TEST_F(Draw, SlopingLinesStepAlongTheLongerSpanRoundingHalfAwayFromZero) {
  draw_line(10, 10, 14, 12, 15, 0);   // along x: y = 10 + (x - 10) / 2
  draw_line(34, 22, 30, 20, 15, 0);   // the same line drawn backwards
  draw_line(50, 10, 51, 14, 15, 0);   // along y: x = 50 + (y - 10) / 4
  draw_line(70, 10, 73, 13, 15, 0);   // equal spans: along y, the diagonal
  draw_line(90, 13, 93, 10, 15, 0);   // the other diagonal
  draw_line(110, 10, 113, 11, 15, 0); // y = 10 + (x - 110) / 3: 10, 10.33, 10.67, 11
  Image expected = blank();
  put_art(expected, 10, 10, {"#....", ".##..", "...##"}, 15);
  put_art(expected, 30, 20, {"#....", ".##..", "...##"}, 15);
  put_art(expected, 50, 10, {"#.", "#.", ".#", ".#", ".#"}, 15);
  put_art(expected, 70, 10, {"#...", ".#..", "..#.", "...#"}, 15);
  put_art(expected, 90, 10, {"...#", "..#.", ".#..", "#..."}, 15);
  put_art(expected, 110, 10, {"##..", "..##"}, 15);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(Draw, SlopingLinesAreClippedWithoutChangingTheirCourse) {
  draw_line(-100, -50, 100, 50, 15, 0);   // y = x / 2 on the screen part
  draw_line(-1e6f, 240, 1e6f, 241, 15, 0); // nearly flat across the whole width
  Image expected = blank();
  for (int x = 0; x <= 100; ++x) put(expected, x, static_cast<int>(std::round(x / 2.0)), 15);
  for (int x = 0; x < screen_width; ++x) put(expected, x, 241, 15);  // 240 + (x + 1e6) / 2e6 is 240.5 or more here
  EXPECT_TRUE(screen_matches(expected));

  clear_screen();
  draw_line(-far, -far, far, far / 2, 15, 0);  // a far line: whatever it crosses, it ends
  draw_line(far, -far, -far, far, 15, 0);
  EXPECT_LE(pixels_set().size(), 2u * screen_width);
}

// ---- draw_circle ----------------------------------------------------------------------------

std::set<Point> offsets_of_circle(double radius) {
  clear_screen();
  draw_circle(320, 240, radius, 15);
  std::set<Point> out;
  for (const auto& [x, y] : pixels_set()) out.insert({x - 320, y - 240});
  return out;
}

TEST_F(Draw, CirclesOfRadiusOneTwoAndThreeHaveTheirExactPixelSets) {
  const struct {
    double radius;
    std::vector<std::string> art;  // centred on the middle character
  } cases[] = {
      {1, {".#.",
           "#.#",
           ".#."}},
      {2, {".###.",
           "#...#",
           "#...#",
           "#...#",
           ".###."}},
      {3, {"..###..",
           ".#...#.",
           "#.....#",
           "#.....#",
           "#.....#",
           ".#...#.",
           "..###.."}},
  };
  const size_t counts[] = {4, 12, 16};
  for (size_t i = 0; i < 3; ++i) {
    const auto& c = cases[i];
    clear_screen();
    draw_circle(320, 240, c.radius, 13);
    Image expected = blank();
    const int half = static_cast<int>(c.art.size() / 2);
    put_art(expected, 320 - half, 240 - half, c.art, 13);
    EXPECT_TRUE(screen_matches(expected, "radius" + std::to_string(i + 1))) << c.radius;
    EXPECT_EQ(pixels_set().size(), counts[i]);
    EXPECT_EQ(screen_pixel(320, 240), 0) << "the centre is never set";
    for (int dx : {-1, 1})
      for (int dy : {-1, 1}) EXPECT_EQ(screen_pixel(320 + dx, 240 + dy), 0) << "nor the diagonal neighbours";
  }
}

TEST_F(Draw, TheTrackedSpotDotIsThirtyThreePixels) {
  // The plotter's dot: its centre pixel and circles of radius 3, 2 and 1 in the call's colour.
  set_pixel(200, 150, 12);
  for (double radius : {3.0, 2.0, 1.0}) draw_circle(200, 150, radius, 12);
  Image expected = blank();
  put_art(expected, 197, 147,
          {"..###..",
           ".#####.",
           "##.#.##",  // the diagonal neighbours of the centre stay free
           "#######",
           "##.#.##",
           ".#####.",
           "..###.."},
          12);
  EXPECT_TRUE(screen_matches(expected));
  EXPECT_EQ(pixels_set().size(), 33u);
}

TEST_F(Draw, TheCircleCentreRoundsHalfAwayFromZeroWhereSetPixelRoundsToEven) {
  draw_circle(150.5, 100.5, 1, 15);  // centre 151, 101
  set_pixel(150.5f, 100.5f, 4);      // 150, 100
  draw_circle(-0.5, 300, 1, 15);     // centre -1, 300: only its right pixel lands on x 0
  draw_circle(400.4999, 300.5, 1, 15);
  Image expected = blank();
  put_art(expected, 150, 100, {".#.", "#.#", ".#."}, 15);
  put(expected, 150, 100, 4);
  put(expected, 0, 300, 15);
  put_art(expected, 399, 300, {".#.", "#.#", ".#."}, 15);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(Draw, TheRadiusIsUsedUnrounded) {
  EXPECT_EQ(offsets_of_circle(1.1), offsets_of_circle(1));
  EXPECT_TRUE(offsets_of_circle(1.2).count({1, 1})) << "a ring of radius 1.2 passes nearest the diagonal pixels";
  EXPECT_NE(offsets_of_circle(2.5), offsets_of_circle(2));
  EXPECT_NE(offsets_of_circle(2.5), offsets_of_circle(3));
}

TEST_F(Draw, OtherRadiiGiveASymmetricRingOfNearestPixels) {
  for (double radius : {4.0, 7.0, 10.0, 25.5, 100.0}) {
    const std::set<Point> ring = offsets_of_circle(radius);
    ASSERT_FALSE(ring.empty()) << radius;
    for (const auto& [dx, dy] : ring) {
      EXPECT_NEAR(std::hypot(dx, dy), radius, 0.75) << radius << ": " << dx << "," << dy;
      for (const Point& mirror : {Point{-dx, dy}, Point{dx, -dy}, Point{dy, dx}, Point{-dy, -dx}})
        EXPECT_TRUE(ring.count(mirror)) << radius << ": " << dx << "," << dy;
    }
    // One pixel per column in the octant from the top to the diagonal: no gaps.
    for (int dx = 0; dx <= static_cast<int>(radius / std::sqrt(2.0)); ++dx) {
      int in_column = 0;
      for (const auto& [x, y] : ring) in_column += x == dx && y < 0 && -y >= dx;
      EXPECT_EQ(in_column, 1) << radius << " column " << dx;
    }
  }
}

TEST_F(Draw, CirclesAreClippedAndWhollyOffOnesDrawNothing) {
  draw_circle(0, 0, 3, 15);         // a quarter shows
  draw_circle(639, 479, 1, 15);     // two pixels show
  draw_circle(-10, -10, 3, 15);     // wholly off
  draw_circle(700, 240, 50, 15);    // wholly off
  Image expected = blank();
  put_art(expected, 0, 0, {"...#", "...#", "..#.", "##.."}, 15);
  put(expected, 638, 479, 15);
  put(expected, 639, 478, 15);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(Draw, HugeCirclesAndCirclesWithNoNumberEndAndDrawOnlyWhatCrossesTheScreen) {
  const double dinf = std::numeric_limits<double>::infinity(), dnan = std::numeric_limits<double>::quiet_NaN();
  const double circles[][3] = {{dinf, 100, 3}, {100, -dinf, 3}, {dnan, 100, 3}, {100, 100, dnan},
                               {100, 100, dinf}, {100, 100, -3}, {1e300, 1e300, 5}, {-1e300, 5, 1e6},
                               {320, 240, 1e30}, {320, 240, 1e300}};
  for (const auto& c : circles) draw_circle(c[0], c[1], c[2], 15);
  EXPECT_TRUE(screen_matches(blank(), "nothing"));

  // The rightmost arc of a circle of radius a million is a straight column across the screen.
  draw_circle(320 - 1e6, 240, 1e6, 15);
  Image column = blank();
  put_box(column, 320, 0, 320, 479, 15);
  EXPECT_TRUE(screen_matches(column, "column"));
}

TEST_F(Draw, RadiusZeroIsTheCentrePoint) {
  draw_circle(10, 10, 0, 15);
  Image expected = blank();
  put(expected, 10, 10, 15);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(Draw, EveryDrawingCallMarksTheScreenChanged) {
  uint64_t generation = screen_state().generation;
  set_pixel(1, 1, 1);
  EXPECT_GT(screen_state().generation, generation);
  generation = screen_state().generation;
  draw_line(1, 1, 5, 5, 1, 2);
  EXPECT_GT(screen_state().generation, generation);
  generation = screen_state().generation;
  draw_circle(10, 10, 2, 1);
  EXPECT_GT(screen_state().generation, generation);
}

}  // namespace
