#include "plotter/state.h"

PlotterState plotter_state;

void reset_plotter_state() { plotter_state = PlotterState{}; }
