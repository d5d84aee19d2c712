// The fuzzer's bytes taken one value at a time; past their end every byte reads as 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

struct FuzzInput {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool more() const { return at < size; }
  uint8_t byte() { return at < size ? data[at++] : 0; }
  template <class T>
  T raw() {
    uint8_t bytes[sizeof(T)] = {};
    for (auto& b : bytes) b = byte();
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }
};
