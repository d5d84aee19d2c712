// The groups of numbered steps that run_plotter runs at fixed places of a refreshing pass, in
// this order: setup file, legend, chart frame, scales, then the spot log, which plots each record.
#pragma once
#include <cstdint>

#include "platform/screen.h"
#include "platform/texts_numbers.h"
#include "plotter/step.h"

void read_setup_file();   // steps 147 to 164
void draw_legend();       // steps 167 to 206
void draw_chart_frame();  // steps 214 to 233
void draw_scales();       // steps 234 to 273
void read_spot_log();     // steps 282 to 292 and the record loop
void plot_spot();         // steps 293 to 334, once per record

// A real value stored in a 32-bit float: rounded to the nearest, and beyond the float range an
// infinity of its sign (such a height lies off the screen and draws nothing).
float to_single(Extended value);

// The S-meter display test: `smeter_switch` is exactly "Y" (whole text, case counts).
bool smeter_display_on();

// "Row r, column c: text": two parts of step `step`, the cursor move and the print.
inline void print_at(int32_t step, int32_t row, int32_t column, const Text& text) {
  part(step, [&] { locate_text_cursor(row, column); });
  part(step, [&] { print_text(text); });
}
