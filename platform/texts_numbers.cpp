// Texts and numbers. None of these looks at a pending error: they work as usual throughout.
#include "platform/texts_numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/errors.h"

namespace {
constexpr int32_t illegal_function_call = 5;
constexpr int32_t overflow = 6;
}  // namespace

// ---- Texts ----------------------------------------------------------------------------------

Text join_texts(const Text& a, const Text& b) { return a + b; }

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

Text number_to_text(float value) {
  if (std::isnan(value)) return " nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : " inf";
  Text out(1, std::signbit(value) && value != 0 ? '-' : ' ');
  if (value == 0) return out + "0";

  // Seven significant digits, rounded once from the float's exact value: "d.dddddde+XX".
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6e", static_cast<double>(std::fabs(value)));
  Text digits;
  digits += buffer[0];
  digits.append(buffer + 2, 6);
  const int exponent = std::atoi(buffer + 9);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int k = static_cast<int>(digits.size());

  if (exponent <= 6 && exponent - k >= -8) {
    // Plain form; a 0 before the point is left out.
    if (exponent >= 0) {
      const auto whole = static_cast<size_t>(exponent + 1);
      if (digits.size() <= whole) return out.append(digits).append(whole - digits.size(), '0');
      return out.append(digits, 0, whole).append(".").append(digits, whole);
    }
    return out.append(".").append(static_cast<size_t>(-exponent - 1), '0').append(digits);
  }
  out += digits[0];
  if (k > 1) out.append(".").append(digits, 1);
  out += exponent < 0 ? "E-" : "E+";
  char power[16];
  std::snprintf(power, sizeof power, "%02d", std::abs(exponent));
  return out + power;
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

Extended text_to_number(const Text& text) {
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
  Extended whole = std::floor(value);
  const Extended fraction = value - whole;
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += 1;
  // Beyond the 64-bit range the result saturates rather than overflowing.
  constexpr Extended limit = 9223372036854775808.0L;  // 2^63
  if (whole >= limit) return std::numeric_limits<int64_t>::max();
  if (whole < -limit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(whole);
}
