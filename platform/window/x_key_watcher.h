// Pause and Break, which freeglut never reports, read from X on a connection of our own.
#pragma once

struct _XDisplay;

// Watches key presses on the window (an X window id) from a thread of its own, over a connection
// of its own that it keeps from then on. Pause holds the plotter until the next key; Ctrl+Break
// ends the process like the close button.
void start_x_key_watcher(_XDisplay* connection, unsigned long window_id);
