// Pause and Break, which freeglut never reports, read from X on a connection of our own.
#pragma once

// Watches key presses on the window (an X window id) from a thread of its own. Pause holds the
// plotter until the next key; Ctrl+Break ends the process like the close button.
void start_x_key_watcher(unsigned long window_id);
