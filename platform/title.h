// The window title, kept for the window to show (it may not exist yet).
#pragma once
#include <cstdint>
#include "platform/texts_numbers.h"
#include "winapi/windows_types.h"

void set_window_title(const Text& title);  // up to the first zero byte
// For the window: the current title ("Untitled" until one is set) and a count of changes.
Text current_window_title();
uint64_t window_title_generation();
void reset_window_title();  // back to "Untitled", as before any title was set; no window known
// The window as user32 knows it. Its title there follows set_window_title at once, on the
// caller's thread, so FindWindowA finds it by the new title however busy the window's thread.
void set_titled_window(HWND window);
