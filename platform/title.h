// The window title, kept for the window to show (it may not exist yet).
#pragma once
#include <cstdint>
#include "platform/texts_numbers.h"
#include "winapi/windows_types.h"

void set_window_title(const Text& title);  // up to the first zero byte
// For the window: the current title ("Untitled" until one is set) and a count of changes.
Text current_window_title();
uint64_t window_title_generation();
void reset_window_title();  // back to "Untitled", as before any title was set
// The window that FindWindowA finds by the title: it takes every title as it is set, so that the
// plotter finds its window by the title it has just set, however long the window takes to show.
// nullptr: none (the window has gone).
void set_titled_window(HWND window);
