// The spot plotter's entry point: one sequential loop that never returns.
#pragma once

void run_plotter();
