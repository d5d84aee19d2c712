// The screen's fast paths give the picture that painting every cell at once would give: text
// painted lazily against drawing, scrolling and clearing in any order, and the pictures that
// another thread (the presentation) gets from the printing thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/glyphs.h"
#include "platform/platform.h"
#include "platform/screen_handover.h"
#include "platform/screen_image.h"
#include "tests/support/harness.h"
#include "tests/support/screen_png.h"

namespace {

using namespace std::string_literals;
using Image = std::vector<uint8_t>;
using Operation = std::function<void()>;

void expect_cell(Image& image, int row, int column, uint8_t byte, uint8_t ink) {
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool set = glyph_rows[byte][static_cast<size_t>(y)] & (0x80 >> x);
      image[static_cast<size_t>((16 * (row - 1) + y) * screen_width + 8 * (column - 1) + x)] = set ? ink : 0;
    }
}

void put(Image& image, int x, int y, uint8_t colour) { image[static_cast<size_t>(y * screen_width + x)] = colour; }

// A presentation on a thread of its own, waiting for one picture from the moment it is made;
// the constructor returns once it has asked (or has one already).
class PictureWaiter {
 public:
  PictureWaiter() : thread_([this] {
    std::unique_ptr<ScreenPicture> picture;
    if (wait_for_screen_picture(picture, at_rest_)) {
      got_.assign(picture->pixels.begin(), picture->pixels.end());
      mode_ = picture->mode;
    }
    done_ = true;
  }) {
    while (!done_ && picture_wanted.load() != wanted_picture) std::this_thread::yield();
  }
  ~PictureWaiter() {
    if (thread_.joinable()) thread_.join();
  }
  // The picture's pixels once it came (empty when the wait ended without one), and whether it
  // was handed over as the printing thread went to wait.
  Image pixels() {
    thread_.join();
    return got_;
  }
  bool at_rest() const { return at_rest_; }
  int32_t mode() const { return mode_; }

 private:
  Image got_;
  bool at_rest_ = false;
  int32_t mode_ = -1;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// A script of screen operations crowding the same cells: prints of a few recurring texts (as
// the plotter's latest-spot block and list field are) and of random bytes with control bytes,
// in several inks, with and without new lines, mixed with pixels, lines, boxes and circles
// drawn across the same cells, and now and then a cleared screen.
std::vector<Operation> script(uint32_t seed, int count) {
  std::mt19937 random(seed);
  auto pick = [&](int low, int high) { return low + static_cast<int>(random() % static_cast<uint32_t>(high - low + 1)); };
  const std::vector<std::string> recurring = {"Latest spot:", std::string(22, ' '), "K1JT 12:30:00 -12 dB    ",
                                              "DL1ABC 00:00:00  5 dB    ", std::string(56, ' '), "W1AW G4XYZ VK2DX "};
  const std::string bytes = "AZaz09 :-.\x01\xdb\xb0\t\n\r\x0b\x1c\x1d\x1e\x1f\x07";
  std::vector<Operation> operations;
  for (int i = 0; i < count; ++i) {
    const int kind = pick(0, 99);
    // Mostly the plotter's own places in the legend band, the band's other cells, some anywhere.
    static const int places[][2] = {{26, 50}, {27, 50}, {29, 19}, {28, 1}};
    const int where = pick(0, 5);
    const int row = where < 4 ? places[where][0] : where == 4 ? pick(25, 30) : pick(1, 30);
    const int column = where < 4 ? places[where][1] : pick(1, 80);
    const int x = pick(0, 3) == 0 ? pick(0, 639) : 8 * (column - 1) + pick(-4, 40);
    const int y = 16 * (row - 1) + pick(-4, 19);
    const int colour = pick(0, 15);
    if (kind < 15) {
      operations.push_back([row, column] { locate_text_cursor(row, column); });
    } else if (kind < 22) {
      operations.push_back([colour] { set_ink_colour(colour); });
    } else if (kind < 45) {
      const std::string text = recurring[static_cast<size_t>(pick(0, static_cast<int>(recurring.size()) - 1))];
      operations.push_back([row, column, text] {
        locate_text_cursor(row, column);
        print_text(text);
      });
    } else if (kind < 60) {
      std::string text;
      for (int n = pick(0, 90); n > 0; --n) text += bytes[static_cast<size_t>(pick(0, static_cast<int>(bytes.size()) - 1))];
      const int new_line = pick(0, 4) == 0;
      operations.push_back([text, new_line] { print_text(text, new_line); });
    } else if (kind < 72) {
      const float fx = static_cast<float>(x) + (pick(0, 1) ? 0.5f : 0.0f), fy = static_cast<float>(y);
      operations.push_back([fx, fy, colour] { set_pixel(fx, fy, colour); });
    } else if (kind < 85) {
      const int form = pick(0, 2), size = pick(0, 4) == 0 ? 300 : 24;
      const auto x2 = static_cast<float>(x + pick(-size, size)), y2 = static_cast<float>(y + pick(-size, size));
      operations.push_back([x, y, x2, y2, colour, form] {
        draw_line(static_cast<float>(x), static_cast<float>(y), x2, y2, colour, form);
      });
    } else if (kind < 98) {
      const double radius = std::vector<double>{1, 2, 3, 3, 2.5, 9}[static_cast<size_t>(pick(0, 5))];
      const double cy = y + (pick(0, 1) ? 0.5 : 0.0);
      operations.push_back([x, cy, radius, colour] { draw_circle(x, cy, radius, colour); });
    } else {
      operations.push_back([] { clear_screen(); });
    }
  }
  return operations;
}

class ScreenSpeedPaths : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    set_screen_mode(12);
  }
};

// Every cell drawn over with a pixel in the colour it already has: nothing changes, but no cell
// counts as showing its text any more, so what is printed next is painted whatever it shows.
void draw_over_every_cell() {
  for (int y = 0; y < screen_height; y += cell_height)
    for (int x = 0; x < screen_width; x += cell_width) {
      const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
      draw_line(fx, fy, fx, fy, screen_pixel(x, y), 2);
    }
}

// The reference: before every operation every cell is drawn over, and after it the screen is
// looked at, so every printed cell is painted at once and whole, as a painter without laziness
// would. The same script run plainly must give the same image and the same text cells.
TEST_F(ScreenSpeedPaths, TextPaintedLazilyGivesThePictureOfTextPaintedAtOnce) {
  for (uint32_t seed = 1; seed <= 16; ++seed) {
    const std::vector<Operation> operations = script(seed, 400);
    set_screen_mode(12);
    for (const Operation& operation : operations) {
      draw_over_every_cell();
      operation();
      (void)screen_state();
    }
    const Image at_once = screen_attributes();
    std::vector<std::string> cells_at_once;
    for (int row = 1; row <= text_rows; ++row) cells_at_once.push_back(screen_row_text(row));

    set_screen_mode(12);
    for (const Operation& operation : operations) operation();
    ASSERT_TRUE(screen_matches(at_once, "seed" + std::to_string(seed))) << "seed " << seed;
    for (int row = 1; row <= text_rows; ++row)
      ASSERT_EQ(screen_row_text(row), cells_at_once[static_cast<size_t>(row - 1)]) << "seed " << seed << ", row " << row;
  }
}

// Print takes runs of bytes that paint their cells at once; a control byte anywhere in a text
// still acts where it stands: the text printed whole and byte by byte give the same.
TEST_F(ScreenSpeedPaths, AControlByteActsWhereverItStandsInALongRun) {
  const std::string plain = "K1JT 12:30:00 -12 dB DL1ABC G4XYZ";
  for (const char control : {'\x07', '\t', '\n', '\x0b', '\x0c', '\r', '\x1c', '\x1d', '\x1e', '\x1f'})
    for (size_t at = 0; at <= plain.size(); ++at) {
      std::string text = plain;
      text.insert(at, 1, control);
      set_screen_mode(12);
      locate_text_cursor(5, 20);
      for (const char byte : text) print_text(std::string(1, byte));
      const Image by_byte = screen_attributes();
      const std::string row_5 = screen_row_text(5), row_6 = screen_row_text(6);
      const int row = screen_state().cursor_row, column = screen_state().cursor_column;

      set_screen_mode(12);
      locate_text_cursor(5, 20);
      print_text(text);
      ASSERT_TRUE(screen_matches(by_byte)) << static_cast<int>(control) << " at " << at;
      ASSERT_EQ(screen_row_text(5), row_5) << static_cast<int>(control) << " at " << at;
      ASSERT_EQ(screen_row_text(6), row_6) << static_cast<int>(control) << " at " << at;
      ASSERT_EQ(screen_state().cursor_row, row) << static_cast<int>(control) << " at " << at;
      ASSERT_EQ(screen_state().cursor_column, column) << static_cast<int>(control) << " at " << at;
    }
}

TEST_F(ScreenSpeedPaths, TextPrintedAgainOverADrawingIsPaintedWhole) {
  for (const bool looked_between : {false, true}) {
    set_screen_mode(12);
    Image expected = screen_attributes();
    locate_text_cursor(5, 5);
    print_text("A");
    if (looked_between) (void)screen_state();
    set_pixel(33, 65, 12);           // into the cell of row 5, column 5, where A has no pixel
    draw_circle(36, 70, 1, 12);
    locate_text_cursor(5, 5);
    print_text("A");                 // the same byte in the same ink: the cell is painted whole again
    expect_cell(expected, 5, 5, 'A', 15);
    EXPECT_TRUE(screen_matches(expected, looked_between ? "looked" : "not-looked")) << looked_between;
  }
}

TEST_F(ScreenSpeedPaths, DrawingOverPendingTextLandsOnTopOfIt) {
  Image expected = screen_attributes();
  locate_text_cursor(27, 50);
  print_text("K1JT");
  print_text("\r");                  // a control byte between: nothing painted in between
  draw_line(392, 424, 423, 424, 4, 0);  // across the four cells, through the glyphs
  set_pixel(400, 440, 13);
  for (int i = 0; i < 4; ++i) expect_cell(expected, 27, 50 + i, static_cast<uint8_t>("K1JT"[i]), 15);
  for (int x = 392; x <= 423; ++x) put(expected, x, 424, 4);
  put(expected, 400, 440, 13);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(ScreenSpeedPaths, BlanksThenTheEarlierTextShowTheTextAndLaterInkCounts) {
  Image expected = screen_attributes();
  locate_text_cursor(29, 19);
  print_text("W1AW G4XYZ");
  (void)screen_state();
  for (const int ink : {15, 15, 2}) {
    locate_text_cursor(29, 19);
    print_text(std::string(56, ' '));
    set_ink_colour(ink);
    locate_text_cursor(29, 19);
    print_text("W1AW G4XYZ");
  }
  for (int i = 0; i < 10; ++i) expect_cell(expected, 29, 19 + i, static_cast<uint8_t>("W1AW G4XYZ"[i]), 2);
  EXPECT_TRUE(screen_matches(expected));
}

TEST_F(ScreenSpeedPaths, ScrollingAndClearingTakePendingCellsAlong) {
  Image expected = screen_attributes();
  locate_text_cursor(29, 1);
  print_text("bottom");
  set_pixel(60, 455, 9);               // drawn into row 29 after the text
  print_text("", 1);                  // a new line from row 29: rows 1-29 scroll up
  print_text("next");
  for (int i = 0; i < 6; ++i) expect_cell(expected, 28, 1 + i, static_cast<uint8_t>("bottom"[i]), 15);
  put(expected, 60, 455 - 16, 9);
  for (int i = 0; i < 4; ++i) expect_cell(expected, 29, 1 + i, static_cast<uint8_t>("next"[i]), 15);
  EXPECT_TRUE(screen_matches(expected, "scrolled"));

  print_text("pending\x0c");        // a clear inside the text: what it printed is gone
  print_text("top");
  Image cleared(screen_width * screen_height, 0);
  for (int i = 0; i < 3; ++i) expect_cell(cleared, 1, 1 + i, static_cast<uint8_t>("top"[i]), 15);
  EXPECT_TRUE(screen_matches(cleared, "cleared"));
}

// The rings of radius 1, 2 and 3 come from tables; a radius a hair larger takes the general
// midpoint circle, whose rings are the same. Centres all over the screen and across its edges,
// halves rounded away from zero, pixels clipped one by one.
TEST_F(ScreenSpeedPaths, TableRingsAreTheMidpointCirclesRings) {
  const auto around = [](double cx, double cy) {
    std::vector<uint8_t> pixels;
    const double x = std::round(cx), y = std::round(cy);
    for (double py = y - 4; py <= y + 4; ++py)
      for (double px = x - 4; px <= x + 4; ++px)
        pixels.push_back(px >= 0 && px < screen_width && py >= 0 && py < screen_height
                             ? screen_pixel(static_cast<int>(px), static_cast<int>(py))
                             : 255);
    return pixels;
  };
  const auto erase = [](double cx, double cy) {
    draw_line(static_cast<float>(cx - 6), static_cast<float>(cy - 6), static_cast<float>(cx + 6),
              static_cast<float>(cy + 6), 0, 2);
  };
  std::vector<double> xs, ys;
  for (double v = -5; v <= 5; v += 0.5) xs.push_back(v), ys.push_back(v);
  for (double v = 630; v <= 645; v += 0.5) xs.push_back(v);
  for (double v = 470; v <= 485; v += 0.5) ys.push_back(v);
  xs.insert(xs.end(), {100.25, 320.5, 321.5, -2.5, 1e9, -1e9});
  ys.insert(ys.end(), {150.5, 151.5, 240.75, -3.5, 1e9, -1e9});
  for (const double radius : {1.0, 2.0, 3.0})
    for (const double cx : xs)
      for (const double cy : ys) {
        erase(cx, cy);
        draw_circle(cx, cy, radius, 13);
        const std::vector<uint8_t> table = around(cx, cy);
        erase(cx, cy);
        draw_circle(cx, cy, std::nextafter(radius, 4.0), 13);
        ASSERT_EQ(table, around(cx, cy)) << "radius " << radius << " at " << cx << ", " << cy;
        erase(cx, cy);
      }
  // Nothing was left anywhere else: every ring was erased where it was drawn.
  EXPECT_TRUE(screen_matches(std::vector<uint8_t>(screen_width * screen_height, 0)));
}

// A point lands on the nearest pixel, ties to even, up to the screen's edges and only there.
TEST_F(ScreenSpeedPaths, PixelsRoundTiesToEvenRightUpToTheEdges) {
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  std::vector<float> xs, ys;
  for (float v = -2.0f; v <= 642.0f; v += 0.25f) xs.push_back(v);
  for (float v = -2.0f; v <= 482.0f; v += 0.25f) ys.push_back(v);
  for (float v : {-0.5f, -0.49999997f, 639.5f, 639.49997f, 1e-30f, -1e-30f}) xs.push_back(v), ys.push_back(v);
  const auto expect_only = [](float x, float y) {
    const float px = std::nearbyint(x), py = std::nearbyint(y);
    const bool on = px >= 0 && px < screen_width && py >= 0 && py < screen_height;
    int lit = 0;
    for (int ry = std::max(0, static_cast<int>(py) - 1); ry <= std::min(screen_height - 1, static_cast<int>(py) + 1); ++ry)
      for (int rx = std::max(0, static_cast<int>(px) - 1); rx <= std::min(screen_width - 1, static_cast<int>(px) + 1); ++rx)
        lit += screen_pixel(rx, ry) != 0;
    ASSERT_EQ(lit, on ? 1 : 0) << x << ", " << y;
    if (on) {
      ASSERT_EQ(screen_pixel(static_cast<int>(px), static_cast<int>(py)), 6) << x << ", " << y;
    }
  };
  for (float x : xs) {
    set_pixel(x, 100.0f, 6);
    expect_only(x, 100.0f);
    draw_line(0, 99, 639, 101, 0, 2);
  }
  for (float y : ys) {
    set_pixel(300.0f, y, 6);
    expect_only(300.0f, y);
    draw_line(299, 0, 301, 479, 0, 2);
  }
}

// The presentation never touches the image: it waits for word of a change, which costs the
// printing thread nothing more, or for a picture, which that thread hands over with its text
// painted at the end of its next text or drawing operation; before it sleeps or shows a box, it
// hands over unasked what changed. With nothing changed, nothing is handed over.
TEST_F(ScreenSpeedPaths, AnotherThreadGetsThePictureWithItsTextWhenItAsksAndBeforeThePrinterWaits) {
  attach_presentation();
  Image expected = screen_attributes();
  std::thread change_waiter(wait_for_screen_change);
  while (picture_wanted.load() != wanted_change) std::this_thread::yield();
  locate_text_cursor(3, 1);
  print_text("asked");
  change_waiter.join();  // woken by the print
  EXPECT_EQ(picture_wanted.load(), wanted_nothing);
  {
    PictureWaiter waiter;
    set_pixel(639, 0, 1);
    for (int i = 0; i < 5; ++i) expect_cell(expected, 3, 1 + i, static_cast<uint8_t>("asked"[i]), 15);
    put(expected, 639, 0, 1);
    EXPECT_EQ(waiter.pixels(), expected) << "asked, then a drawing";
    EXPECT_FALSE(waiter.at_rest());
    EXPECT_EQ(waiter.mode(), 12);
    EXPECT_EQ(handed_over_mode(), 12);
  }
  {
    locate_text_cursor(4, 1);
    print_text("request then print");
    PictureWaiter waiter;
    print_text("!");
    for (int i = 0; i < 18; ++i) expect_cell(expected, 4, 1 + i, static_cast<uint8_t>("request then print"[i]), 15);
    expect_cell(expected, 4, 19, '!', 15);
    EXPECT_EQ(waiter.pixels(), expected) << "asked, then a print";
  }
  locate_text_cursor(5, 1);
  print_text("paused");
  pause_seconds(0.1);
  for (int i = 0; i < 6; ++i) expect_cell(expected, 5, 1 + i, static_cast<uint8_t>("paused"[i]), 15);
  {
    PictureWaiter waiter;
    EXPECT_EQ(waiter.pixels(), expected) << "handed over before a pause";
    EXPECT_TRUE(waiter.at_rest());
  }
  pause_seconds(0.1);
  {
    PictureWaiter waiter;
    signal_presentation();
    EXPECT_EQ(waiter.pixels(), Image{}) << "a pause with nothing changed hands nothing over";
  }
  pause_seconds(0.1);  // a picture asked for comes before the pause, changed or not
  {
    PictureWaiter waiter;
    EXPECT_EQ(waiter.pixels(), expected);
  }

  Image during_bell, during_box;
  clock.on_every_sleep([&](int64_t) { during_bell = PictureWaiter().pixels(); });
  locate_text_cursor(6, 1);
  print_text("bell\x07");
  clock.on_every_sleep({});
  for (int i = 0; i < 4; ++i) expect_cell(expected, 6, 1 + i, static_cast<uint8_t>("bell"[i]), 15);
  EXPECT_EQ(during_bell, expected) << "while the bell waits";

  message_boxes.on_show([&](const ShownBox&) { during_box = PictureWaiter().pixels(); });
  locate_text_cursor(7, 1);
  print_text("box");
  raise_error(62);
  poll_events(286);
  for (int i = 0; i < 3; ++i) expect_cell(expected, 7, 1 + i, static_cast<uint8_t>("box"[i]), 15);
  EXPECT_EQ(during_box, expected) << "behind the error box";
  EXPECT_EQ(message_boxes.boxes().size(), 1u);
}

}  // namespace
