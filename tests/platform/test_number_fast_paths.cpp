// The numbers' fast paths give exactly what their general paths give: number_to_text against
// printf, text_to_number against the library's conversion, round_to_integer against the
// floating-point unit's own rounding, read_number_field against strtod.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/harness.h"

namespace {

// Equal as values and in sign (0 and -0 differ here).
bool same(Extended a, Extended b) { return a == b && std::signbit(a) == std::signbit(b); }

float float_of(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

class NumberFastPaths : public PlatformTest {};

TEST_F(NumberFastPaths, NumberToTextGivesThePrintfTextsIncludingTies) {
  std::vector<float> values;
  // The SNRs of logs: whole dB, halves and the binary fractions down to 1/64.
  for (int i = -64 * 200; i <= 64 * 200; ++i) values.push_back(static_cast<float>(i) / 64.0f);
  for (int i = -100000; i <= 100000; i += 7) values.push_back(static_cast<float>(i));
  // Eight significant digits ending in 5: ties, to even. 1048576.5 keeps 1048576; 1048577.5
  // goes to 1048578; 12345685 keeps 1.234568E+07, 12345675 gives the same.
  for (int i = 1000000; i <= 1100000; ++i) values.push_back(static_cast<float>(i) + 0.5f);
  for (int i = 100000; i <= 200000; ++i) values.push_back(static_cast<float>(i) + 0.25f);
  for (int i = 9999990; i <= 16777216; i += 5) values.push_back(static_cast<float>(i));
  // 9999999.5 rounds up to 1E+07; 99999995 and the like carry into a new digit.
  for (float v : {9999999.5f, 999999.94f, 99999995.0f, 0.078125f, 0.00001f, 0.00000001f, 1e-7f, 1e-8f, 1e-9f,
                  123456.7f, 1234567.0f, 12345678.0f, 15000000.0f, 3.4028235e38f, 1.17549435e-38f, 1e-45f})
    values.push_back(v), values.push_back(-v);
  // Both sides of where the exact whole-number path ends: 2^39 and 2^40 times the significand,
  // fractions of 2^-17 and of 2^-18.
  for (int shift = 0; shift <= 64; ++shift)
    for (float m : {1.0f, 1.5f, 1.99999988f, 1.00000012f}) {
      values.push_back(std::ldexp(m, shift));
      values.push_back(std::ldexp(m, -shift));
    }
  std::mt19937 random(1803);
  for (int i = 0; i < 300000; ++i) {
    const float v = float_of(static_cast<uint32_t>(random()));
    if (std::isfinite(v)) values.push_back(v);
  }
  for (int i = 0; i < 100000; ++i) values.push_back(std::ldexp(static_cast<float>(random() % 16777216), -static_cast<int>(random() % 30)));
  for (float v : values) ASSERT_EQ(number_to_text(v), number_to_text_exact(v)) << std::hexfloat << v;
}

TEST_F(NumberFastPaths, TextToNumberGivesTheGeneralPathsValues) {
  std::vector<std::string> texts;
  // Every text of one or two bytes: the plotter's hour and minute pieces are such texts.
  for (int a = 0; a < 256; ++a) {
    texts.push_back(std::string(1, static_cast<char>(a)));
    for (int b = 0; b < 256; ++b) texts.push_back(std::string{static_cast<char>(a), static_cast<char>(b)});
  }
  // Three bytes from the bytes that matter to the scan.
  const std::string alphabet = "09 \t+-.:eEdD&hHoO7x";
  for (char a : alphabet)
    for (char b : alphabet)
      for (char c : alphabet) texts.push_back(std::string{a, b, c});
  // Longer decimals: up to 25 digits (the fast path stops at 19), points anywhere, blanks inside,
  // leading zeros, a trailing exponent now and then.
  std::mt19937 random(20180318);
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    if (random() % 3 == 0) text += "+- "[random() % 3];
    const int digits = 1 + static_cast<int>(random() % 25);
    const int point = static_cast<int>(random() % static_cast<uint32_t>(digits + 2)) - 1;
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + (d == 0 && random() % 4 == 0 ? 0 : random() % 10));
      if (random() % 16 == 0) text += random() % 2 ? ' ' : '\t';
    }
    if (random() % 10 == 0) text.append("e").append(std::to_string(static_cast<int>(random() % 40) - 20));
    if (random() % 10 == 0) text += ":00";
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    const Extended fast = text_to_number(text);
    const Extended general = text_to_number_exact(text);
    ASSERT_TRUE(same(fast, general)) << '"' << text << "\": " << static_cast<double>(fast) << " vs "
                                     << static_cast<double>(general);
    ASSERT_FALSE(error_pending()) << '"' << text << '"';
  }
}

TEST_F(NumberFastPaths, RoundToIntegerIsTheNearestTiesToEven) {
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  std::vector<Extended> values;
  for (int i = -400000; i <= 400000; ++i) values.push_back(static_cast<Extended>(i) / 4);  // every half and quarter
  for (int i = -2000; i <= 2000; ++i) values.push_back(static_cast<Extended>(i) / 25);     // the plotter's sums: multiples of 0.04
  std::mt19937_64 random(1234);
  for (int i = 0; i < 200000; ++i) {
    const Extended v = std::ldexp(static_cast<Extended>(random()), -static_cast<int>(random() % 80));
    values.push_back(v), values.push_back(-v);
  }
  for (int shift = 55; shift <= 63; ++shift)
    for (Extended d : {-1.5L, -1.0L, -0.5L, 0.0L, 0.5L, 1.0L, 1.5L}) {
      values.push_back(std::ldexp(1.0L, shift) + d);
      values.push_back(-std::ldexp(1.0L, shift) + d);
    }
  for (Extended v : values) {
    const Extended expected = std::nearbyint(v);
    if (std::fabs(expected) >= 0x1p63L) continue;
    ASSERT_EQ(round_to_integer(v), static_cast<int64_t>(expected)) << static_cast<double>(v);
  }
}

// Numbers of up to 17 significant digits are the nearest double to the digits as written:
// exactly what strtod gives for the same text (a field of zeros gives 0 whatever its sign).
TEST_F(NumberFastPaths, ReadNumberFieldGivesTheNearestDoubleOfItsDigits) {
  TempFolder folder;
  CurrentFolder in_folder(folder.path());
  std::vector<std::string> fields;
  std::mt19937 random(7);
  for (int i = 0; i < 60000; ++i) {
    std::string field;
    if (random() % 2) field += '-';
    const int digits = 1 + static_cast<int>(random() % 17);
    const int point = static_cast<int>(random() % static_cast<uint32_t>(digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point && d > 0) field += '.';
      field += static_cast<char>('0' + random() % 10);
    }
    if (random() % 3 == 0) field.append("E").append(std::to_string(static_cast<int>(random() % 50) - 30));  // within the float range
    fields.push_back(field);
  }
  for (const char* f : {"-12", "5", "+25", "19.5", "-33.5", "0.078125", "-63.9", "1e22", "1e23", "123456789012345e-22",
                        "9007199254740993", "4.35", "0.1", "3.402823466E+38", "-3.402823466E+38", "1E-30"})
    fields.push_back(f);
  std::string bytes;
  for (const std::string& field : fields) bytes += field + ",";
  folder.write("numbers.csv", bytes);
  open_input_file("numbers.csv", 1);
  for (const std::string& field : fields) {
    const Extended value = read_number_field(1);
    ASSERT_FALSE(error_pending()) << field;
    ASSERT_EQ(value, static_cast<Extended>(std::strtod(field.c_str(), nullptr))) << field;
  }
  close_file(1);
}

}  // namespace
