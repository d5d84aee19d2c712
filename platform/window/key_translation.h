// From freeglut's key reports to the key ring's codes.
#pragma once
#include <cstdint>
#include <optional>

// A character key: its one byte. Delete, which freeglut reports as the character 127, is the
// extended key 83 as on the PC keyboard.
struct RingKey {
  bool extended;
  uint8_t code;  // the character, or the scan code of an extended key
};
RingKey ring_key_for_character(unsigned char key);

// A special key: its PC scan code, or nothing for a key the ring does not take (freeglut 3.4
// also reports Shift, Ctrl, Alt and the like on their own).
std::optional<uint8_t> scan_code_for_special(int glut_key);
