// Sequential input files under file numbers, read field by field.
#pragma once
#include <cstdint>
#include "platform/texts_numbers.h"

// The most bytes that one field read may take before the comma or line end that ends it, the
// blanks before the field included: far beyond anything a log or setup file holds, and the bound
// on the memory and time that one field can cost (a device such as /dev/zero never ends one).
// A read that would take more raises 14 "Out of string space", leaves its target as it was (a
// number reads as 0), and from then on the file counts as at its end, as after a byte 26.
constexpr int64_t longest_field = int64_t{128} << 20;

void open_input_file(const Text& name, int32_t file_number);
void close_file(int32_t file_number);
void close_all_files();
void read_text_field(int32_t file_number, Text& target);
Extended read_number_field(int32_t file_number);  // single precision kind
int32_t at_end_of_file(int32_t file_number);        // -1 at the end, else 0
