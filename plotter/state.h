// Every value of the spot plotter, in one place. Each exists once for the whole run and is
// touched only by the plotter's thread; reset_plotter_state() gives them their starting contents
// (zero, empty text, all bytes zero) before step 14, and a test calls it to start afresh.
#pragma once
#include <array>
#include <cstdint>

#include "platform/texts_numbers.h"
#include "winapi/user32.h"
#include "winapi/windows_types.h"

// The eight values of the setup file, in reading order.
struct SetupRecord {
  Text log_path;
  Text smeter_switch;                  // exactly "Y" turns the S-meter display on
  std::array<Text, 6> tracked_calls;   // slots 1 to 6 at indices 0 to 5
};

// One record of the spot log.
struct SpotRecord {
  Text station_call;
  Text ignored_field;   // read and otherwise ignored
  Text time_text;       // hh:mm:ss, taken by position
  float snr_db = 0;
  float smeter_value = 0;
};

// One slot of the tracked-call table: its call is SetupRecord::tracked_calls at the same index.
struct TrackedCall {
  int32_t colour = 0;
};

// The library handle and the five entry points, bound by name before step 14.
struct MenuFunctionTable {
  HMODULE library = nullptr;
  FARPROC CreateMenu = nullptr;
  FARPROC SetMenu = nullptr;
  FARPROC InsertMenuItemA = nullptr;
  FARPROC GetMenuItemCount = nullptr;
  FARPROC GetMenuItemInfoA = nullptr;
};

// A menu item's highlight as seen at its latest poll and at the poll before (0 or MFS_HILITE).
struct MenuItemHighlight {
  int32_t menu_highlight_state = 0;
  int32_t previous_highlight_state = 0;
};

struct PlotterState {
  // Start-up and main loop.
  Text base_title;
  int32_t refresh_counter = 0;
  int32_t chart_origin_x = 0;
  int32_t chart_width = 0;
  int32_t chart_baseline_y = 0;
  Text last_key;

  // Setup file and tracked-call table.
  SetupRecord setup;
  std::array<TrackedCall, 6> tracked_call_table{};
  int32_t other_colour = 0;

  // Chart frame: the hour-tick count.
  int32_t hour_tick = 0;

  // Spot log and plotting.
  SpotRecord spot;
  int32_t spot_colour = 0;
  int32_t spot_tracked = 0;
  int32_t smeter_valid = 0;
  Text hour_text;
  Text minute_text;
  int32_t spot_x = 0;
  float spot_height = 0;
  float smeter_height = 0;
  // The calls of the other spots, each followed by a blank. Only its first 56 characters are
  // ever shown, and they cannot change once it is that long, so from then on nothing more is
  // appended (see spot_plot.cpp): what the list shows is exactly that of the whole list.
  Text other_calls;

  // Window menu bar. Window and menu handles are held in 32-bit values.
  MenuFunctionTable menu_function_table;
  int32_t menu_window = 0;
  int32_t menu_bar = 0;
  int32_t menu_item_count = 0;
  int32_t edit_item_id = 0;
  int32_t help_item_id = 0;
  MenuItemHighlight edit_item;
  MenuItemHighlight help_item;
  MENUITEMINFOA menu_item_record{};
  MENUITEMINFOA blank_menu_item_record{};
  std::array<char, 1000> menu_text_buffer{};
};

extern PlotterState plotter_state;

void reset_plotter_state();
