// Running a command line through the shell and waiting for the process it starts.
#pragma once
#include "platform/texts_numbers.h"

void run_command(const Text& command_line);
