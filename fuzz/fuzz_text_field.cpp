// Any bytes as a file read field by field with read_text_field: no crash, leak, undefined
// behaviour or endless loop; no field is longer than the file.
#include <cstdlib>

#include "fuzz/fuzz_file.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  read_fuzz_input(data, size, [&] {
    Text field = "previous";
    read_text_field(1, field);
    if (field.size() > size && field != "previous") std::abort();
    if (error_pending() && pending_error_number() != 62 && pending_error_number() != 75) std::abort();
  });
  return 0;
}
