// The key ring: 16 two-byte slots, at most 15 keys waiting.
#pragma once
#include <cstdint>
#include "platform/texts_numbers.h"

Text read_key();                       // empty when none waits (or an error is pending); one byte, or 0 and the scan code
Text take_waiting_key();               // the same, whatever is pending (the end prompt)
void push_character_key(uint8_t code);  // from the window's thread; while Pause is on it ends Pause instead
void push_extended_key(uint8_t scan_code);
void drop_waiting_keys();
int waiting_key_count();
void reset_keys();
