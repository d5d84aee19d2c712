// The window title, kept for the window to show (it may not exist yet).
#pragma once
#include <cstdint>
#include "platform/texts_numbers.h"

void set_window_title(const Text& title);  // up to the first zero byte
// For the window: the current title ("Untitled" until one is set) and a count of changes.
Text current_window_title();
uint64_t window_title_generation();
void reset_window_title();  // back to "Untitled", as before any title was set
