// Every operation the plotter calls, by its own name.
#pragma once
#include "platform/commands.h"
#include "platform/errors.h"
#include "platform/fields.h"
#include "platform/keys.h"
#include "platform/lifecycle.h"
#include "platform/screen.h"
#include "platform/texts_numbers.h"
#include "platform/timing.h"
#include "platform/title.h"

// Back to the state of a fresh process (tests): screen, errors, files, keys, title, pause, clock.
void reset_platform();
