// Texts (byte strings, 1-based positions) and the conversions between numbers and texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/platform.h"
#include "tests/support/harness.h"

namespace {

using namespace std::string_literals;

class Texts : public PlatformTest {};
class Numbers : public PlatformTest {};

TEST_F(Texts, JoinKeepsEveryByteIncludingZero) {
  EXPECT_EQ(join_texts("AB", "CD"), "ABCD");
  EXPECT_EQ(join_texts("", "CD"), "CD");
  EXPECT_EQ(join_texts("AB", ""), "AB");
  EXPECT_EQ(join_texts("A\0"s, "\0B"s), "A\0\0B"s);
  EXPECT_EQ(join_texts("A\0"s, "\0B"s).size(), 4u);
}

TEST_F(Texts, MakeCharTextGivesOneByteAndRejectsCodesOutsideAByte) {
  EXPECT_EQ(make_char_text(0), "\0"s);
  EXPECT_EQ(make_char_text(27), "\x1b");
  EXPECT_EQ(make_char_text(255), "\xff");
  EXPECT_FALSE(error_pending());
  for (int32_t code : {-1, 256, std::numeric_limits<int32_t>::min()}) {
    reset_errors();
    EXPECT_EQ(make_char_text(code), "") << code;
    EXPECT_EQ(pending_error_number(), 5) << code;
  }
}

TEST_F(Texts, TakeLeftClampsItsCount) {
  const struct {
    const char* text;
    int32_t n;
    const char* left;
  } cases[] = {
      {"12:34:56", 2, "12"}, {"ABC", 0, ""}, {"ABC", -5, ""}, {"ABC", 3, "ABC"}, {"ABC", 56, "ABC"},
      {"", 2, ""},           {"ABC", std::numeric_limits<int32_t>::max(), "ABC"},
  };
  for (const auto& c : cases) EXPECT_EQ(take_left_text(c.text, c.n), c.left) << c.text << " " << c.n;
}

TEST_F(Texts, TakeMidShortensForAStartBelowOneAndCutsAtTheEnd) {
  const struct {
    const char* text;
    int32_t start, n;
    const char* mid;
  } cases[] = {
      {"12:34:56", 4, 2, "34"},
      {"ABCDEF", 1, 3, "ABC"},
      {"ABCDEF", 0, 3, "AB"},    // n shortened by 1 - start
      {"ABCDEF", -1, 3, "A"},
      {"ABCDEF", -2, 3, ""},
      {"ABCDEF", 5, 10, "EF"},   // cut at the end
      {"ABCDEF", 6, 1, "F"},
      {"ABCDEF", 7, 1, ""},      // beyond the last byte
      {"ABCDEF", 2, 0, ""},
      {"ABCDEF", 2, -1, ""},
      {"", 1, 1, ""},
      {"ABCDEF", std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), ""},
      {"ABCDEF", std::numeric_limits<int32_t>::max(), 1, ""},
      {"ABCDEF", 3, std::numeric_limits<int32_t>::max(), "CDEF"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(take_mid_text(c.text, c.start, c.n), c.mid) << c.text << " " << c.start << " " << c.n;
  EXPECT_EQ(take_mid_text("a\0b\0c"s, 2, 3), "\0b\0"s);
}

TEST_F(Texts, BlankTextOfNBlanks) {
  EXPECT_EQ(make_blank_text(56), std::string(56, ' '));
  EXPECT_EQ(make_blank_text(0), "");
  EXPECT_EQ(make_blank_text(-1), "");
}

TEST_F(Texts, FindGivesTheFirstOccurrenceOneBasedAndCaseCounts) {
  const struct {
    std::string searched, sought;
    int32_t at;
  } cases[] = {
      {"Other: DL1ABC G4XYZ ", "G4XYZ", 15},
      {"ABCABC", "BC", 2},
      {"ABC", "ABC", 1},
      {"ABC", "abc", 0},
      {"ABC", "ABCD", 0},
      {"ABC", "", 1},
      {"", "", 0},
      {"", "A", 0},
      {"A\0B"s, "\0B"s, 2},
      {"A\0B"s, "B", 3},
  };
  for (const auto& c : cases) EXPECT_EQ(find_text(c.searched, c.sought), c.at) << c.searched << "/" << c.sought;
}

TEST_F(Texts, CompareIsMinusOneOnlyForTheSameLengthAndBytes) {
  EXPECT_EQ(compare_texts("K1JT", "K1JT"), -1);
  EXPECT_EQ(compare_texts("", ""), -1);
  EXPECT_EQ(compare_texts("K1JT", "k1jt"), 0);
  EXPECT_EQ(compare_texts("K1JT", "K1JT "), 0);
  EXPECT_EQ(compare_texts("K1JT"s, "K1JT\0"s), 0);
  EXPECT_EQ(compare_texts("A\0B"s, "A\0B"s), -1);
  EXPECT_EQ(compare_texts("A\0B"s, "A\0C"s), 0);
}

TEST_F(Texts, WorkWhileAnErrorIsPending) {
  raise_error(53);
  EXPECT_EQ(join_texts("A", "B"), "AB");
  EXPECT_EQ(make_char_text(65), "A");
  EXPECT_EQ(take_mid_text("12:34", 4, 2), "34");
  EXPECT_EQ(find_text("ABC", "C"), 3);
  EXPECT_EQ(make_char_text(300), "");
  EXPECT_EQ(pending_error_number(), 53) << "the first error of a part stays";
}

TEST_F(Numbers, NumberToTextGivesSevenSignificantDigitsWithALeadingBlankOrMinus) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      // The examples of the operation.
      {5.0f, " 5"},
      {-12.0f, "-12"},
      {12.5f, " 12.5"},
      {0.1f, " .1"},
      {-0.25f, "-.25"},
      {1234567.0f, " 1234567"},
      {12345678.0f, " 1.234568E+07"},
      {15000000.0f, " 1.5E+07"},
      {0.00001f, " .00001"},
      {0.00000001f, " 1E-08"},
      {0.0f, " 0"},
      {-0.0f, " 0"},
      // Around the limits of the plain form: e at most 6 and e - k at least -8.
      {1000000.0f, " 1000000"},
      {10000000.0f, " 1E+07"},
      {9999999.0f, " 9999999"},
      {0.0000001f, " .0000001"},
      {0.00000012f, " 1.2E-07"},
      {0.000000125f, " 1.25E-07"},
      {0.0000012f, " .0000012"},
      {0.00000123f, " 1.23E-06"},
      {-0.00000001f, "-1E-08"},
      // SNR values as the latest-spot line shows them.
      {-21.0f, "-21"},
      {-7.5f, "-7.5"},
      {19.0f, " 19"},
      {123.456f, " 123.456"},
      {-3.3f, "-3.3"},
      {1.0f / 3.0f, " .3333333"},
      {100.0f, " 100"},
      // Rounding to seven digits, and the ends of the float range.
      {9999999.5f, " 1E+07"},  // the float is 10000000
      {0.99999999f, " 1"},
      {std::numeric_limits<float>::max(), " 3.402823E+38"},
      {-std::numeric_limits<float>::max(), "-3.402823E+38"},
      {std::numeric_limits<float>::min(), " 1.175494E-38"},
      {std::numeric_limits<float>::denorm_min(), " 1.401298E-45"},
      {1e-10f, " 1E-10"},
      {2.5e20f, " 2.5E+20"},
  };
  for (const auto& c : cases) EXPECT_EQ(number_to_text(c.value), c.text) << c.value;
}

TEST_F(Numbers, NumberToTextGivesASaneTextForInfinityAndNaN) {
  EXPECT_EQ(number_to_text(std::numeric_limits<float>::infinity()), " inf");
  EXPECT_EQ(number_to_text(-std::numeric_limits<float>::infinity()), "-inf");
  EXPECT_EQ(number_to_text(std::numeric_limits<float>::quiet_NaN()), " nan");
  EXPECT_EQ(number_to_text(-std::numeric_limits<float>::quiet_NaN()), " nan");
  EXPECT_FALSE(error_pending());
}

TEST_F(Numbers, TextToNumberScansDecimalNumbersSkippingBlanksAndTabs) {
  const struct {
    std::string text;
    Extended value;
  } cases[] = {
      // The examples of the operation, and the plotter's two-byte hour and minute texts.
      {"1 2", 12}, {"8:", 8}, {"", 0}, {":", 0}, {"AB", 0},
      {"00", 0}, {"08", 8}, {"09", 9}, {"23", 23}, {"59", 59}, {"1:", 1}, {":5", 0},
      // Signs, points, exponents.
      {"-5", -5}, {"+5", 5}, {" - 5", -5}, {"1.5", 1.5L}, {".5", 0.5L}, {"5.", 5}, {"-.25", -0.25L},
      {"1E3", 1000}, {"1e3", 1000}, {"1D3", 1000}, {"1d-2", 0.01L}, {"2.5E+2", 250},
      {"1E", 1}, {"1E+", 1}, {"1Ex", 1}, {"1 . 5 e 1", 15}, {"\t7\t", 7},
      {"-", 0}, {".", 0}, {"E5", 0}, {"-E5", 0}, {"12AB", 12}, {"1,5", 1}, {"1.2.3", 1.2L},
      // Whole numbers of up to 18 digits are exact.
      {"123456789012345678", 123456789012345678.0L}, {"-999999999999999999", -999999999999999999.0L},
      // Everything else is the nearest extended value.
      {"0.1", 0.1L}, {"3.14159265358979323846", 3.14159265358979323846L}, {"1E-5000", 0},
      {"1E5000", std::numeric_limits<Extended>::infinity()},
      {"-1E5000", -std::numeric_limits<Extended>::infinity()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_to_number(c.text), c.value) << '"' << c.text << '"';
    EXPECT_FALSE(error_pending()) << c.text;
  }
}

TEST_F(Numbers, TextToNumberReadsHexAndOctalAsSixtyFourBitTwosComplement) {
  const struct {
    std::string text;
    Extended value;
    int32_t error;
  } cases[] = {
      {"&H10", 16, 0},
      {"&h1f", 31, 0},
      {"&O17", 15, 0},
      {"&o777", 511, 0},
      {" & H 1 0", 16, 0},
      {"&H7FFFFFFFFFFFFFFF", 9223372036854775807.0L, 0},
      {"&H4000004000000001", 4611686293305294849.0L, 0},  // whole: no double would hold it
      {"&HFFFFFFFFFFFFFFFF", -1, 0},
      {"&H8000000000000000", -9223372036854775808.0L, 0},
      {"&H00000000000000000001", 1, 0},          // leading zeros are not significant
      {"&H10000000000000000", 0, 6},             // 17 significant digits
      {"&O1777777777777777777777", -1, 0},       // 22 digits, the first 1
      {"&O2000000000000000000000", 0, 6},        // 22 digits, the first above 1
      {"&O17777777777777777777777", 0, 6},       // 23 digits
      {"&O0001777777777777777777777", -1, 0},
      {"&H1G", 1, 0},                            // the first other byte ends it
      {"&O78", 7, 0},
      {"&", 0, 0},
      {"&H", 0, 0},                              // fewer than two bytes after the ampersand
      {"&X12", 0, 0},
      {"&HG", 0, 0},
      {"-&H10", 0, 0},                           // an ampersand after a sign is no number
      {"5&H10", 5, 0},
  };
  for (const auto& c : cases) {
    reset_errors();
    EXPECT_EQ(text_to_number(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(pending_error_number(), c.error) << '"' << c.text << '"';
  }
}

TEST_F(Numbers, TextToNumberOfTwoBytesRaisesNothing) {
  // Every two-byte text, as the plotter's hour and minute texts may hold anything.
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) {
      const Text text{static_cast<char>(a), static_cast<char>(b)};
      const Extended value = text_to_number(text);
      ASSERT_FALSE(error_pending()) << a << " " << b;
      ASSERT_TRUE(std::isfinite(value)) << a << " " << b;
    }
}

TEST_F(Numbers, RoundToIntegerGoesToTheNearestWithTiesToEven) {
  const struct {
    Extended value;
    int64_t rounded;
  } cases[] = {
      {2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {0.5L, 0}, {-0.5L, 0}, {1.5L, 2}, {-1.5L, -2},
      {2.4999999L, 2}, {2.5000001L, 3}, {-2.5000001L, -3}, {0, 0}, {-0.0L, 0},
      {7.0L * 24 + 30 / 2.5L, 180}, {23 * 24 + 59 / 2.5L, 576},  // 575.6
      {4611686018427387904.5L, 4611686018427387904},                 // 2^62 + 0.5
      {4611686018427387905.5L, 4611686018427387906},
      {9223372036854775807.0L, std::numeric_limits<int64_t>::max()},
      // Beyond the 64-bit range, and the values that are no number at all: saturated, never UB.
      {1e30L, std::numeric_limits<int64_t>::max()},
      {-1e30L, std::numeric_limits<int64_t>::min()},
      {std::numeric_limits<Extended>::infinity(), std::numeric_limits<int64_t>::max()},
      {-std::numeric_limits<Extended>::infinity(), std::numeric_limits<int64_t>::min()},
      {std::numeric_limits<Extended>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(round_to_integer(c.value), c.rounded) << static_cast<double>(c.value);
}

TEST_F(Numbers, ExtendedIsTheSixtyFourBitSignificandFormat) {
  EXPECT_EQ(std::numeric_limits<Extended>::digits, 64);
}

}  // namespace
