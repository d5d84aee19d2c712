// Waking the window's thread from another thread. freeglut's loop sleeps until X has something
// for it, so a new frame, a new title or an ending sends the window an Expose event over a
// connection of our own; its display callback then does what is due.
#pragma once

struct _XDisplay;

void open_window_waker(_XDisplay* connection);  // before the window exists; kept for good
void set_waker_window(unsigned long window_id);  // 0: the window has gone
void wake_window();                              // from any thread
