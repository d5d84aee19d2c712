// Texts (byte strings with a length, any byte including 0, 1-based positions) and numbers.
#pragma once
#include <cstdint>
#include <string>

// A text is a string of bytes with its length; std::string holds any byte, NUL included.
using Text = std::string;
// Extended precision: the x87 format with a 64-bit significand (long double with g++ on x86-64).
using Extended = long double;

Text join_texts(const Text& a, const Text& b);
Text join_texts(Text&& a, const Text& b);  // a join's result joined again: appended in place
Text make_char_text(int32_t code);                           // 0..255, else empty text + error 5
Text take_left_text(const Text& text, int32_t n);
Text take_mid_text(const Text& text, int32_t start, int32_t n);
Text make_blank_text(int32_t n);
int32_t find_text(const Text& searched, const Text& sought);  // 1-based position, 0 when absent
int32_t compare_texts(const Text& a, const Text& b);          // -1 when equal, else 0

Text number_to_text(float value);
// The same text through printf, for every value: number_to_text takes it where its own exact
// integer path cannot (tests compare the two).
Text number_to_text_exact(float value);
Extended text_to_number(const Text& text);
// The general path of text_to_number, through the library's conversion, for every text; the
// fast path for plain short decimals must match it (tests compare the two).
Extended text_to_number_exact(const Text& text);
int64_t round_to_integer(Extended value);                     // nearest, ties to even
