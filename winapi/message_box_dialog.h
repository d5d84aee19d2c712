// The real message box: a window of our own on the X display, shown on the caller's thread over
// an X connection of its own. The process's end takes that connection, and the box, with it.
#pragma once

// The window the boxes belong to (an X window id; 0: none): they open centred over it and stay
// above it. Called from the window's thread once the window exists.
void set_message_box_owner(unsigned long x_window);
