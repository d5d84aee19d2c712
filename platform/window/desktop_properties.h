// What the window tells the X server and the window manager about itself: its titles as X takes
// them, its class, its size hints.
#pragma once
#include <cstddef>
#include <string>

#include "platform/texts_numbers.h"
#include "platform/window/layout.h"

// Xlib's own declaration; its header defines macros (None, Bool, Status) that others trip on.
typedef struct _XDisplay Display;

// The most bytes of a title handed to X. The server refuses a property beyond its request size
// (about 16 MiB), which would end the process; no title bar shows more than a sliver of this.
constexpr size_t longest_title_for_x = 4096;

// The title as WM_NAME carries it (STRING): its bytes, cut to the bound, never inside a UTF-8
// sequence when the bytes are UTF-8.
std::string title_bytes_for_x(const Text& title);
// The title in UTF-8 for _NET_WM_NAME: the bytes as they stand when they are valid UTF-8, else
// each byte read as Latin-1; cut to the bound between two characters.
std::string title_utf8_for_x(const Text& title);

// WM_NAME, WM_ICON_NAME, _NET_WM_NAME and _NET_WM_ICON_NAME.
void set_window_titles(Display* display, unsigned long window, const Text& title);
// The size the window asks for, which is also its smallest: the whole picture and the menu line.
void set_size_hints(Display* display, unsigned long window, ClientSize size);

// A window just created and mapped, set up as a new window is before it shows: withdrawn, given
// its class ("orbelin", "Orbelin"), size hints without a position (placement is the window
// manager's) and titles, then mapped again, so that a window manager that took it up meanwhile
// takes it up anew with all of them.
void introduce_window(Display* display, unsigned long window, const Text& title, ClientSize size);
