// The window's menu bar, built through the user32 menu functions and polled once a pass.
#pragma once

void bind_menu_functions();  // before step 14
void build_menu_bar();       // steps 73 to 106
void poll_menu_bar();        // steps 121 to 135
