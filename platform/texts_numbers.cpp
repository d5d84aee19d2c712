// Texts and numbers. None of these looks at a pending error: they work as usual throughout.
#include "platform/texts_numbers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "platform/errors.h"

namespace {
constexpr int32_t illegal_function_call = 5;
constexpr int32_t overflow = 6;
}  // namespace

// ---- Texts ----------------------------------------------------------------------------------

Text join_texts(const Text& a, const Text& b) { return a + b; }
Text join_texts(Text&& a, const Text& b) { return std::move(a) + b; }

Text make_char_text(int32_t code) {
  if (code < 0 || code > 255) {
    raise_error(illegal_function_call);
    return Text();
  }
  return Text(1, static_cast<char>(static_cast<uint8_t>(code)));
}

Text take_left_text(const Text& text, int32_t n) {
  const auto length = static_cast<int64_t>(text.size());
  return text.substr(0, static_cast<size_t>(std::clamp<int64_t>(n, 0, length)));
}

Text take_mid_text(const Text& text, int32_t start, int32_t n) {
  // 64-bit so that a start far below 1 cannot overflow the shortening of n.
  int64_t first = start, count = n;
  if (first < 1) {
    count -= 1 - first;
    first = 1;
  }
  const auto length = static_cast<int64_t>(text.size());
  if (count < 1 || first > length) return Text();
  return text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(std::min(count, length - first + 1)));
}

Text make_blank_text(int32_t n) { return n < 0 ? Text() : Text(static_cast<size_t>(n), ' '); }

int32_t find_text(const Text& searched, const Text& sought) {
  if (searched.empty()) return 0;
  const size_t at = searched.find(sought);
  return at == Text::npos ? 0 : static_cast<int32_t>(at + 1);
}

int32_t compare_texts(const Text& a, const Text& b) { return a == b ? -1 : 0; }

// ---- number_to_text -------------------------------------------------------------------------

namespace {

// Exact powers of ten, 10^0 to 10^(N-1), in the type of the arithmetic that uses them.
template <class Number, size_t N>
constexpr std::array<Number, N> make_powers_of_ten() {
  std::array<Number, N> powers{};
  Number power = 1;
  for (auto& p : powers) p = power, power *= 10;
  return powers;
}

constexpr auto powers_of_ten = make_powers_of_ten<uint64_t, 20>();

// The text of a non-zero value from its sign, its 1 to 7 significant digits (no trailing zero)
// and the decimal exponent of the first of them.
Text format_significant(bool negative, const char* digits, int k, int exponent) {
  char out[32];
  char* at = out;
  *at++ = negative ? '-' : ' ';
  if (exponent <= 6 && exponent - k >= -8) {
    // Plain form; a 0 before the point is left out.
    if (exponent >= 0) {
      const int whole = exponent + 1;
      for (int i = 0; i < whole; ++i) *at++ = i < k ? digits[i] : '0';
      if (k > whole) {
        *at++ = '.';
        for (int i = whole; i < k; ++i) *at++ = digits[i];
      }
    } else {
      *at++ = '.';
      for (int i = 0; i < -exponent - 1; ++i) *at++ = '0';
      for (int i = 0; i < k; ++i) *at++ = digits[i];
    }
    return Text(out, at);
  }
  *at++ = digits[0];
  if (k > 1) {
    *at++ = '.';
    for (int i = 1; i < k; ++i) *at++ = digits[i];
  }
  *at++ = 'E';
  *at++ = exponent < 0 ? '-' : '+';
  const int power = std::abs(exponent);
  if (power >= 100) *at++ = static_cast<char>('0' + power / 100);
  *at++ = static_cast<char>('0' + power / 10 % 10);
  *at++ = static_cast<char>('0' + power % 10);
  return Text(out, at);
}

// Seven significant digits as a whole number 1000000..9999999 with the decimal exponent of the
// first, rounded once from the float's exact value, ties to even. False when that exact value is
// not a whole number of units of 10^-17 or less within 64 bits (then printf does it).
bool seven_digits_exactly(float magnitude, uint32_t& seven, int& exponent) {
  const auto bits = std::bit_cast<uint32_t>(magnitude);
  const auto biased = static_cast<int>(bits >> 23);
  if (biased == 0) return false;  // a subnormal
  uint32_t significand = (bits & 0x7FFFFF) | 0x800000;
  int power_of_two = biased - 150;  // magnitude = significand x 2^power_of_two
  const int zeros = std::countr_zero(significand);
  significand >>= zeros;
  power_of_two += zeros;
  // magnitude = whole x 10^-places exactly: 2^-p = 5^p x 10^-p.
  uint64_t whole;
  int places = 0;
  if (power_of_two >= 0) {
    if (power_of_two > 39) return false;
    whole = uint64_t{significand} << power_of_two;
  } else {
    places = -power_of_two;
    if (places > 17) return false;
    uint64_t five_power = 1;
    for (int i = 0; i < places; ++i) five_power *= 5;
    whole = significand * five_power;
  }
  int count = 1;
  while (count < 20 && whole >= powers_of_ten[static_cast<size_t>(count)]) ++count;
  exponent = count - 1 - places;
  if (count <= 7) {
    seven = static_cast<uint32_t>(whole * powers_of_ten[static_cast<size_t>(7 - count)]);
    return true;
  }
  const uint64_t unit = powers_of_ten[static_cast<size_t>(count - 7)];
  uint64_t kept = whole / unit;
  const uint64_t rest = whole % unit, half = unit / 2;
  if (rest > half || (rest == half && (kept & 1) != 0)) ++kept;
  if (kept == 10000000) {
    kept = 1000000;
    ++exponent;
  }
  seven = static_cast<uint32_t>(kept);
  return true;
}

}  // namespace

Text number_to_text(float value) {
  if (!std::isfinite(value) || value == 0) return number_to_text_exact(value);
  uint32_t seven = 0;
  int exponent = 0;
  if (!seven_digits_exactly(std::fabs(value), seven, exponent)) return number_to_text_exact(value);
  char digits[7];
  for (int i = 6; i >= 0; --i, seven /= 10) digits[i] = static_cast<char>('0' + seven % 10);
  int k = 7;
  while (k > 1 && digits[k - 1] == '0') --k;
  return format_significant(value < 0, digits, k, exponent);
}

Text number_to_text_exact(float value) {
  if (std::isnan(value)) return " nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : " inf";
  if (value == 0) return " 0";

  // Seven significant digits, rounded once from the float's exact value: "d.dddddde+XX".
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6e", static_cast<double>(std::fabs(value)));
  char digits[7];
  digits[0] = buffer[0];
  std::copy(buffer + 2, buffer + 8, digits + 1);
  int k = 7;
  while (k > 1 && digits[k - 1] == '0') --k;
  return format_significant(value < 0, digits, k, std::atoi(buffer + 9));
}

// ---- text_to_number -------------------------------------------------------------------------

namespace {
bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The bytes of the text with every blank and tab taken out, as the scan ignores them.
Text without_blanks(const Text& text) {
  Text out;
  for (char c : text)
    if (!is_blank(c)) out += c;
  return out;
}

// &H and &O: a 64-bit two's-complement whole number; too many significant digits overflow.
Extended radix_number(const Text& s, size_t at, unsigned bits_per_digit) {
  const unsigned radix = 1u << bits_per_digit;
  uint64_t value = 0;
  int significant = 0;
  int first_digit = 0;
  for (; at < s.size(); ++at) {
    const char c = s[at];
    unsigned digit;
    if (is_digit(c)) digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else break;
    if (digit >= radix) break;
    if (significant == 0 && digit == 0) continue;
    if (significant == 0) first_digit = static_cast<int>(digit);
    ++significant;
    value = (value << bits_per_digit) | digit;
  }
  const bool too_long = bits_per_digit == 4 ? significant > 16
                                            : significant > 22 || (significant == 22 && first_digit > 1);
  if (too_long) {
    raise_error(overflow);
    return 0;
  }
  return static_cast<Extended>(static_cast<int64_t>(value));
}
}  // namespace

namespace {
// Exact powers of ten in extended precision (5^27 still fits its 64-bit significand).
constexpr auto extended_powers_of_ten = make_powers_of_ten<Extended, 28>();

// Sign, up to 19 digits, point: the whole number of the digits is exact, and so is the power of
// ten, so the one division rounds to the nearest extended value, as the general path does.
// False for anything else (an ampersand, an exponent, more digits): the general path takes it.
bool plain_decimal(const Text& text, Extended& value) {
  const char* at = text.data();
  const char* const end = at + text.size();
  const auto skip_blanks = [&] {
    while (at < end && is_blank(*at)) ++at;
  };
  skip_blanks();
  bool negative = false;
  if (at < end && (*at == '+' || *at == '-')) negative = *at++ == '-';
  uint64_t whole = 0;
  int digits = 0, places = 0;
  bool point = false;
  for (;; ++at) {
    skip_blanks();
    if (at == end) break;
    const char c = *at;
    if (is_digit(c)) {
      if (++digits > 19) return false;
      whole = whole * 10 + static_cast<unsigned>(c - '0');
      places += point;
    } else if (c == '.' && !point) {
      point = true;
    } else if (c == 'D' || c == 'd' || c == 'E' || c == 'e' || c == '&') {
      return false;
    } else {
      break;
    }
  }
  if (digits == 0) {
    value = 0;  // no digits: 0, whatever sign stood there
    return true;
  }
  const Extended magnitude = places == 0 ? static_cast<Extended>(whole)
                                         : static_cast<Extended>(whole) / extended_powers_of_ten[static_cast<size_t>(places)];
  value = negative ? -magnitude : magnitude;
  return true;
}
}  // namespace

Extended text_to_number(const Text& text) {
  Extended value = 0;
  if (plain_decimal(text, value)) return value;
  return text_to_number_exact(text);
}

Extended text_to_number_exact(const Text& text) {
  const Text s = without_blanks(text);
  size_t at = 0;
  if (!s.empty() && s[0] == '&') {
    if (s.size() < 3) return 0;
    if (s[1] == 'H' || s[1] == 'h') return radix_number(s, 2, 4);
    if (s[1] == 'O' || s[1] == 'o') return radix_number(s, 2, 3);
    return 0;
  }

  // Sign, digits, point and digits, exponent: gathered into a form that from_chars reads.
  std::string number;
  bool negative = false;
  if (at < s.size() && (s[at] == '+' || s[at] == '-')) negative = s[at++] == '-';
  bool any_digit = false;
  while (at < s.size() && is_digit(s[at])) number += s[at++], any_digit = true;
  if (at < s.size() && s[at] == '.') {
    number += s[at++];
    while (at < s.size() && is_digit(s[at])) number += s[at++], any_digit = true;
  }
  if (!any_digit) return 0;
  if (at < s.size() && (s[at] == 'D' || s[at] == 'd' || s[at] == 'E' || s[at] == 'e')) {
    size_t e = at + 1;
    std::string power = "e";
    if (e < s.size() && (s[e] == '+' || s[e] == '-')) power += s[e++];
    if (e < s.size() && is_digit(s[e])) {
      while (e < s.size() && is_digit(s[e])) power += s[e++];
      number += power;
    }
  }

  // from_chars rounds to the nearest extended value and is independent of the locale; whole
  // numbers of up to 18 digits are exact in the 64-bit significand.
  Extended value = 0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    const size_t e = number.find('e');
    const bool tiny = e != std::string::npos && number[e + 1] == '-';
    value = tiny ? 0 : std::numeric_limits<Extended>::infinity();
  }
  return negative ? -value : value;
}

// ---- round_to_integer -----------------------------------------------------------------------

int64_t round_to_integer(Extended value) {
  if (std::isnan(value)) return 0;
  // Nearest, ties to even, independent of the floating-point environment's rounding mode.
  if (value > -0x1p62L && value < 0x1p62L) {
    const auto toward_zero = static_cast<int64_t>(value);
    const Extended fraction = value - static_cast<Extended>(toward_zero);  // exact
    const bool odd = (toward_zero & 1) != 0;
    if (fraction > 0.5L || (fraction == 0.5L && odd)) return toward_zero + 1;
    if (fraction < -0.5L || (fraction == -0.5L && odd)) return toward_zero - 1;
    return toward_zero;
  }
  Extended whole = std::floor(value);
  const Extended fraction = value - whole;
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += 1;
  // Beyond the 64-bit range the result saturates rather than overflowing.
  constexpr Extended limit = 9223372036854775808.0L;  // 2^63
  if (whole >= limit) return std::numeric_limits<int64_t>::max();
  if (whole < -limit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(whole);
}
