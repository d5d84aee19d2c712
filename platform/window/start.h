// The platform's start-up: working folder, threads, the window and its event loop.
#pragma once

// Runs the whole program; `plotter_entry` is started on a thread of its own and never returns.
int run_platform(int argc, char** argv, void (*plotter_entry)());
