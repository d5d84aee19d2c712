// Speed of the plotter's hot paths on the screen image: printing text cells, setting pixels and
// drawing the tracked-spot dot. Prints its figures; not a test.
//
// Text is painted lazily (at a flush, and only where a cell does not already show its byte and
// ink), so print_text is measured both ways: as the plotter meets it, and with every print
// painted at once.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

template <class Body>
double per_second(long count, Body&& body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return static_cast<double>(count) / took.count();
}

}  // namespace

int main() {
  set_screen_mode(12);

  // A latest-spot line's worth of cells at a time, placed as the plotter places them.
  const std::string record = "DL1ABC    12:34:56  -12.5  S7 ";
  const long prints = 400000;
  const double cells = per_second(prints * static_cast<long>(record.size()), [&] {
    for (long i = 0; i < prints; ++i) {
      locate_text_cursor(static_cast<int32_t>(26 + i % 4), 1 + static_cast<int32_t>(i % 50));
      set_ink_colour(static_cast<int32_t>(i & 15));
      print_text(record);
    }
  });
  std::printf("print_text: %.1f million cells per second\n", cells / 1e6);

  const double painted = per_second(prints * static_cast<long>(record.size()), [&] {
    for (long i = 0; i < prints; ++i) {
      locate_text_cursor(static_cast<int32_t>(26 + i % 4), 1 + static_cast<int32_t>(i % 50));
      set_ink_colour(static_cast<int32_t>(i & 15));
      print_text(record);
      flush_screen_text();
    }
  });
  std::printf("print_text, every print painted at once: %.1f million cells per second\n", painted / 1e6);

  // What a record of the log prints: the latest-spot block and, for an other spot, the list field.
  const std::string heading = "Latest spot:", blanks_22(22, ' '), blanks_56(56, ' ');
  const std::string list = "W1AW G4XYZ VK2DX DL1ABC F5XYZ EA3ABC ON4ABC OK1ABC SP9AB";
  const long records = 1000000;
  const double record_rate = per_second(records, [&] {
    for (long i = 0; i < records; ++i) {
      locate_text_cursor(26, 50);
      print_text(heading);
      locate_text_cursor(27, 50);
      print_text(blanks_22);
      locate_text_cursor(27, 50);
      for (const char* item : {"DL1ABC", " ", "12:34:56", " ", "-12 ", "dB    "}) print_text(item);
      locate_text_cursor(29, 19);
      print_text(blanks_56);
      locate_text_cursor(29, 19);
      print_text(list);
    }
    flush_screen_text();
  });
  std::printf("one record's text (latest-spot block, list field): %.0f ns\n", 1e9 / record_rate);

  // Whole lines with the new-line flag, so every print scrolls rows 1-29.
  const std::string line(80, 'x');
  const long lines = 20000;
  const double scrolled = per_second(lines, [&] {
    locate_text_cursor(29, 1);
    for (long i = 0; i < lines; ++i) print_text(line, 1);
  });
  std::printf("print_text with scrolling: %.0f lines per second (%.1f million cells per second)\n", scrolled,
              scrolled * 80 / 1e6);

  const long pixels = 20000000;
  const double pixel_rate = per_second(pixels, [&] {
    for (long i = 0; i < pixels; ++i)
      set_pixel(static_cast<float>(32 + i % 577), static_cast<float>(24 + (i / 577) % 341), 15);
  });
  std::printf("set_pixel: %.1f million pixels per second\n", pixel_rate / 1e6);

  const long dots = 1000000;
  const double dot_rate = per_second(dots, [&] {
    for (long i = 0; i < dots; ++i) {
      const double x = 32 + static_cast<double>(i % 577), y = 24 + static_cast<double>((i / 577) % 341);
      set_pixel(static_cast<float>(x), static_cast<float>(y), 2);
      for (double radius : {3.0, 2.0, 1.0}) draw_circle(x, y, radius, 2);
    }
  });
  std::printf("tracked-spot dot (pixel + 3 circles): %.2f million dots per second\n", dot_rate / 1e6);
  return 0;
}
