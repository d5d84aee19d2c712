// How the process ends with the window attached. The plotter's thread hands its exit code to
// the window's thread, which ends the process; the close button and Ctrl+Break ask the plotter
// to stop and end the process with code 0 within about one presentation pass.
#pragma once
#include <optional>

// Makes end_process, on whatever thread, hand its code over (the calling thread then stops).
// Called on the window's thread before any other thread starts.
void install_window_end_handler();

// The close button and Ctrl+Break: the exit request, with the process ending shortly after
// even when the plotter is held in a box or a command.
void end_from_window();

// For the window's thread: the code to end with now, if the time has come.
std::optional<int> exit_code_due();
// Waits until an exit code is due and gives it (after the window has gone).
int wait_for_exit_code();

// Ends the process at once: the dialog that is open goes too, buffered output is written.
[[noreturn]] void finish_process(int exit_code);
