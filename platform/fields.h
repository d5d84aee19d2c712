// Sequential input files under file numbers, read field by field.
#pragma once
#include <cstdint>
#include "platform/texts_numbers.h"

void open_input_file(const Text& name, int32_t file_number);
void close_file(int32_t file_number);
void close_all_files();
void read_text_field(int32_t file_number, Text& target);
Extended read_number_field(int32_t file_number);  // single precision kind
int32_t at_end_of_file(int32_t file_number);        // -1 at the end, else 0
