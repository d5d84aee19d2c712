// Any bytes as a text for text_to_number: no crash or undefined behaviour; the only error is 6
// "Overflow", with the result 0, and never for a text of two bytes; blanks and tabs count for
// nothing; whole numbers of up to 18 digits and &H numbers come back exact.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/platform.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A sign and 1 to 18 digits, nothing else: the exact value.
bool whole_number(const Text& s, Extended& value) {
  size_t at = s.size() > 0 && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  if (s.size() - at < 1 || s.size() - at > 18) return false;
  int64_t whole = 0;
  for (size_t i = at; i < s.size(); ++i) {
    if (!is_digit(s[i])) return false;
    whole = whole * 10 + (s[i] - '0');
  }
  value = static_cast<Extended>(s[0] == '-' ? -whole : whole);
  return true;
}

// "&H" and 1 to 16 hexadecimal digits, nothing else: the 64-bit two's-complement value.
bool hex_number(const Text& s, Extended& value) {
  if (s.size() < 3 || s.size() > 18 || s[0] != '&' || (s[1] != 'H' && s[1] != 'h')) return false;
  uint64_t bits = 0;
  for (size_t i = 2; i < s.size(); ++i) {
    const char c = s[i];
    unsigned digit;
    if (is_digit(c)) digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else return false;
    bits = bits << 4 | digit;
  }
  value = static_cast<Extended>(static_cast<int64_t>(bits));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text text(reinterpret_cast<const char*>(data), size);
  reset_errors();
  const Extended value = text_to_number(text);
  const int32_t error = pending_error_number();
  if (std::isnan(value)) std::abort();
  if (error != 0 && (error != 6 || value != 0)) std::abort();
  if (size <= 2 && error != 0) std::abort();

  Text without_blanks;
  for (char c : text)
    if (c != ' ' && c != '\t') without_blanks += c;
  reset_errors();
  if (text_to_number(without_blanks) != value || pending_error_number() != error) std::abort();

  Extended exact = 0;
  if ((whole_number(without_blanks, exact) || hex_number(without_blanks, exact)) && value != exact) std::abort();
  reset_errors();
  return 0;
}
