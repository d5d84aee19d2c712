// Placeholder until the menu bar lands: the plotter runs without one.
#include "plotter/menu_bar.h"

void bind_menu_functions() {}
void build_menu_bar() {}
void poll_menu_bar() {}
