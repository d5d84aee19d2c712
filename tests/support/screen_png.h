// PNG pictures of the screen image, so that a failing pixel test can be looked at.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// An 8-bit RGB picture, row by row, as a PNG file (stored deflate blocks, no compression).
bool write_png(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

// The current screen image through the current palette.
bool write_screen_png(const std::string& path);

// The attributes of the current screen image, 640 x 480, row by row.
std::vector<uint8_t> screen_attributes();

// Writes <test>-actual.png, <test>-expected.png and <test>-diff.png (differing pixels red on a
// faded copy of the actual image) into ORBELIN_TEST_OUTPUT, named after the running test and
// `label`; gives the folder they went to.
std::string dump_screen_difference(const std::vector<uint8_t>& expected, const std::string& label = "");

// Compares the screen image with an expected attribute image; on a difference it names the
// first differing pixels and dumps the three PNGs. Use as EXPECT_TRUE(screen_matches(...)).
::testing::AssertionResult screen_matches(const std::vector<uint8_t>& expected, const std::string& label = "");
