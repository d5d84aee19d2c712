// How the process ends, and the Pause state and exit request that the window side sets.
#pragma once
#include <functional>

// Ends the process with the exit code after closing the files. The front end installs how
// (the window ends the process from its own thread); tests install a handler that throws.
// The default flushes stdio and calls _exit.
[[noreturn]] void end_process(int exit_code);
void set_end_process_handler(std::function<void(int)> handler);  // the handler must not return; empty: the default

void request_exit();       // close button, Ctrl+Break: the plotter stops at its next event poll or pause
bool exit_requested();
// Where the plotter's thread stops after an exit request: with the default handler it blocks
// for good (the window side ends the process); with an installed handler it calls it with 0.
[[noreturn]] void stop_for_exit_request();

void press_pause();        // the Pause key: holds the plotter in poll_events until the next key
bool pause_is_on();
void end_pause();

[[noreturn]] void end_program();  // "Press any key to continue" on row 30, then exit code 0 at the next key
void reset_lifecycle();           // no exit request, no Pause; the installed handler stays
