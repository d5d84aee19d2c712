// What both field fuzzers share: the input as a file opened under number 1, and a read loop
// that must end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

// Writes the bytes as a file, opens it as file 1, calls `read_one` until the end test says the
// end or the bytes cannot account for more reads (then aborts: a read that takes no byte),
// clearing each error as the Yes answer would; closes the file.
void read_fuzz_input(const uint8_t* data, size_t size, const std::function<void()>& read_one);
