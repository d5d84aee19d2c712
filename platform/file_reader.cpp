#include "platform/file_reader.h"

#include "winapi/files.h"

FileReader::FileReader(HANDLE file)
    : file_(file), stream_(GetFileType(file) != FILE_TYPE_DISK), buffer_(new uint8_t[buffer_size]) {}

FileReader::~FileReader() { CloseHandle(file_); }

int FileReader::fetch() {
  if (ended_) return end_of_file;
  DWORD got = 0;
  if (!ReadFile(file_, buffer_.get(), static_cast<DWORD>(buffer_size), &got, nullptr)) {
    read_error_ = GetLastError();
    return read_failed;
  }
  next_ = 0;
  filled_ = got;
  fetched_ += got;
  met_end_ = got == 0;  // a later read that finds bytes clears it
  return met_end_ ? end_of_file : peek();
}

bool FileReader::at_end() {
  if (ended_) return true;
  if (next_ < filled_) return false;  // fetched a moment ago: still there
  if (met_end_) return true;
  if (stream_) return fetch() < 0;  // what is waiting now, if anything
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_, &size)) return true;  // no size to read towards: nothing more to read
  return fetched_ >= size.QuadPart;
}
