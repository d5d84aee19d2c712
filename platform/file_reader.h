// One open input file as a stream of bytes: one read-ahead buffer, the end test, the byte-26 rule.
//
// Bytes are fetched through the file stand-in in pieces of at most 64 KiB, only when the
// buffer is used up; a byte once fetched is trusted. The end test asks the system for the size
// whenever nothing read ahead remains, so a growing file is followed; a file that shrinks or
// is replaced hands out at most the rest of one buffer before it ends.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "winapi/windows_types.h"

class FileReader {
 public:
  static constexpr size_t buffer_size = 64 * 1024;
  static constexpr int end_of_file = -1;  // the end, or a byte 26 (never taken)
  static constexpr int read_failed = -2;  // the system refused a read: see read_error()

  explicit FileReader(HANDLE file);
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // The next byte, 0 to 255, without taking it; or end_of_file or read_failed.
  int peek() {
    if (next_ < filled_) {
      const uint8_t byte = buffer_[next_];
      if (byte != 26) return byte;
      ended_ = true;
      return end_of_file;
    }
    return fetch();
  }
  void take() { ++next_; }  // only after peek gave a byte

  // The bytes fetched and not yet taken (call after peek gave a byte): for scanning in runs.
  const uint8_t* run_begin() const { return buffer_.get() + next_; }
  const uint8_t* run_end() const { return buffer_.get() + filled_; }
  void take_to(const uint8_t* position) { next_ = static_cast<size_t>(position - buffer_.get()); }

  bool at_end();               // the end test: true once the taken bytes reach the file's size
  int64_t position() const { return fetched_ - static_cast<int64_t>(filled_ - next_); }  // bytes taken
  // From now on the file counts as at its end, as after a byte 26: nothing more is handed out.
  void end_here() {
    ended_ = true;
    next_ = filled_;
  }
  DWORD read_error() const { return read_error_; }

 private:
  int fetch();
  HANDLE file_;
  bool stream_;                // a pipe or device: no size, only what is waiting
  std::unique_ptr<uint8_t[]> buffer_;
  size_t next_ = 0, filled_ = 0;
  int64_t fetched_ = 0;        // bytes fetched from the file in all
  bool met_end_ = false;       // the last fetch found nothing
  bool ended_ = false;         // a byte 26 met, or end_here: from now on the file counts as at its end
  DWORD read_error_ = ERROR_SUCCESS;
};
