#include "fuzz/fuzz_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

void read_fuzz_input(const uint8_t* data, size_t size, const std::function<void()>& read_one) {
  // In memory where there is a tmpfs: rewriting a file on disk thousands of times a second is slow.
  static const std::string path =
      std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/orbelin-fuzz-" + std::to_string(getpid()) + ".csv";
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, out) != size) std::abort();
  std::fclose(out);

  reset_errors();
  open_input_file(path, 1);
  if (error_pending()) std::abort();
  // Every read takes at least one byte unless it meets the end (or byte 26, once).
  size_t reads = 0;
  while (at_end_of_file(1) == 0) {
    if (++reads > size + 2) std::abort();
    read_one();
    reset_errors();
  }
  close_file(1);
  if (at_end_of_file(1) != 0 || pending_error_number() != 52) std::abort();
  reset_errors();
}
