// Every bit pattern of a 32-bit float through number_to_text: no crash; for a finite value the
// sign or a blank, then the value rounded to seven significant digits without trailing zeros,
// plain or with an exponent by the rule of the decimal exponent, reading back as that value.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t bits;
  std::memcpy(&bits, data, sizeof bits);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  reset_errors();
  const Text text = number_to_text(value);
  if (error_pending() || text.empty() || text.size() > 14) std::abort();
  if (!std::isfinite(value)) return 0;

  if (text[0] != (value < 0 ? '-' : ' ')) std::abort();
  if (value == 0) {
    if (text != " 0") std::abort();
    return 0;
  }
  if (text.find_first_not_of("0123456789.E+-", 1) != Text::npos) std::abort();

  // The seven significant digits, and the decimal exponent of the first.
  char reference[32];
  std::snprintf(reference, sizeof reference, "%.6e", static_cast<double>(std::fabs(value)));
  const int exponent = std::atoi(reference + 9);
  int digits = 7;
  while (digits > 1 && reference[digits] == '0') --digits;  // "d.dddddde+XX": digit k at k

  const bool with_exponent = text.find('E') != Text::npos;
  if (with_exponent != (exponent > 6 || exponent - digits < -8)) std::abort();
  if (text.compare(1, 2, "0.") == 0) std::abort();  // the 0 before the point is left out
  const size_t mantissa_end = with_exponent ? text.find('E') : text.size();
  if (text.find('.') != Text::npos && text[mantissa_end - 1] == '0') std::abort();

  // It reads back as the value rounded to seven significant digits.
  const double shown = std::strtod(text.c_str(), nullptr);
  const double rounded = std::strtod(reference, nullptr);
  if (std::fabs(shown) != rounded) std::abort();
  return 0;
}
