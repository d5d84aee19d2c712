#include "tests/support/screen_png.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/screen.h"

namespace {

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
  put32(out, static_cast<uint32_t>(body.size()));
  std::vector<uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  out.insert(out.end(), typed.begin(), typed.end());
  put32(out, crc32(typed.data(), typed.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<uint8_t> zlib_stored(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t at = 0;
  do {
    const size_t size = std::min<size_t>(raw.size() - at, 65535);
    const bool last = at + size == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<uint8_t>(size));
    out.push_back(static_cast<uint8_t>(size >> 8));
    out.push_back(static_cast<uint8_t>(~size));
    out.push_back(static_cast<uint8_t>(~size >> 8));
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + size));
    at += size;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  put32(out, b << 16 | a);
  return out;
}

std::vector<uint8_t> through_palette(const std::vector<uint8_t>& attributes) {
  const auto& palette = screen_state().palette;
  std::vector<uint8_t> rgb;
  rgb.reserve(attributes.size() * 3);
  for (uint8_t a : attributes) {
    const uint32_t colour = palette[a & 15];
    rgb.push_back(static_cast<uint8_t>(colour >> 16));
    rgb.push_back(static_cast<uint8_t>(colour >> 8));
    rgb.push_back(static_cast<uint8_t>(colour));
  }
  return rgb;
}

std::string test_file_stem(const std::string& label) {
  std::string stem = "screen";
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
    stem = std::string(info->test_suite_name()) + "." + info->name();
  if (!label.empty()) stem += "-" + label;
  for (char& c : stem)
    if (c == '/' || c == ' ') c = '_';
  return stem;
}

}  // namespace

bool write_png(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
  if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) return false;
  std::vector<uint8_t> raw;  // each row starts with filter type 0
  const auto row_bytes = static_cast<size_t>(width) * 3;
  for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgb.begin() + static_cast<std::ptrdiff_t>(y * row_bytes),
               rgb.begin() + static_cast<std::ptrdiff_t>((y + 1) * row_bytes));
  }
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put32(header, static_cast<uint32_t>(width));
  put32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", zlib_stored(raw));
  chunk(png, "IEND", {});
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  return static_cast<bool>(file);
}

std::vector<uint8_t> screen_attributes() {
  const auto& pixels = screen_state().pixels;
  return std::vector<uint8_t>(pixels.begin(), pixels.end());
}

bool write_screen_png(const std::string& path) {
  return write_png(path, screen_width, screen_height, through_palette(screen_attributes()));
}

std::string dump_screen_difference(const std::vector<uint8_t>& expected, const std::string& label) {
  const std::string folder = ORBELIN_TEST_OUTPUT;
  std::filesystem::create_directories(folder);
  const std::string stem = folder + "/" + test_file_stem(label);
  const std::vector<uint8_t> actual = screen_attributes();
  write_png(stem + "-actual.png", screen_width, screen_height, through_palette(actual));
  if (expected.size() == actual.size()) {
    write_png(stem + "-expected.png", screen_width, screen_height, through_palette(expected));
    std::vector<uint8_t> diff = through_palette(actual);
    for (size_t i = 0; i < actual.size(); ++i) {
      uint8_t* p = &diff[i * 3];
      if (actual[i] != expected[i]) {
        p[0] = 255, p[1] = 0, p[2] = 0;
      } else {
        for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(160 + p[k] / 4);
      }
    }
    write_png(stem + "-diff.png", screen_width, screen_height, diff);
  }
  return folder;
}

::testing::AssertionResult screen_matches(const std::vector<uint8_t>& expected, const std::string& label) {
  const std::vector<uint8_t> actual = screen_attributes();
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure() << "expected image has " << expected.size() << " pixels, not " << actual.size();
  std::ostringstream first;
  size_t differing = 0;
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] == expected[i]) continue;
    if (++differing <= 8)
      first << " (" << i % screen_width << "," << i / screen_width << "): " << int(actual[i]) << " not "
            << int(expected[i]) << ";";
  }
  if (differing == 0) return ::testing::AssertionSuccess();
  const std::string folder = dump_screen_difference(expected, label);
  return ::testing::AssertionFailure() << differing << " pixels differ, first:" << first.str()
                                       << " PNGs in " << folder;
}
