// Any bytes as a file read field by field with read_number_field: no crash, leak, undefined
// behaviour or endless loop; every number is finite and within the single-precision range.
#include <cmath>
#include <cstdlib>

#include "fuzz/fuzz_file.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  read_fuzz_input(data, size, [&] {
    const Extended value = read_number_field(1);
    if (!std::isfinite(value) || std::fabs(value) > 3.402823466E+38L * 1.0000001L) {
      // Whole numbers from &H and &O are 64-bit and always finite; nothing else may pass the range.
      std::abort();
    }
    const int32_t error = pending_error_number();
    if (error != 0 && error != 6 && error != 62 && error != 75) std::abort();
    if (error != 0 && value != 0) std::abort();
    // What the plotter keeps of it must be finite too.
    if (!std::isfinite(static_cast<float>(value))) std::abort();
  });
  return 0;
}
