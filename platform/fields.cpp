// Input files under file numbers (filled in with the file stand-in).
#include "platform/fields.h"

#include "platform/errors.h"

void open_input_file(const Text& /*name*/, int32_t /*file_number*/) {
  if (error_pending()) return;
  raise_error(53);
}
void close_file(int32_t /*file_number*/) {}
void close_all_files() {}
void read_text_field(int32_t /*file_number*/, Text& /*target*/) {
  if (error_pending()) return;
  raise_error(52);
}
Extended read_number_field(int32_t /*file_number*/) {
  if (error_pending()) return 0;
  raise_error(52);
  return 0;
}
int32_t at_end_of_file(int32_t /*file_number*/) {
  raise_error(52);
  return 0;
}
