// Orbelin: the platform starts the window and its threads, and runs the plotter on a thread of its own.
#include "platform/window/start.h"
#include "plotter/plotter.h"

int main(int argc, char** argv) { return run_platform(argc, argv, run_plotter); }
