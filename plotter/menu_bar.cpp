// The window's menu bar. The plotter binds the five menu functions of "user32.dll" itself, builds
// the bar once and then polls each item's highlight bit once a pass: no notification of a choice
// ever reaches it, so an item's command runs on the pass where its highlight turns on.
#include "plotter/menu_bar.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "plotter/state.h"
#include "plotter/step.h"
#include "winapi/modules.h"
#include "winapi/user32.h"

namespace {

using CreateMenuFunction = HMENU (*)();
using SetMenuFunction = BOOL (*)(HWND, HMENU);
using InsertMenuItemAFunction = BOOL (*)(HMENU, UINT, BOOL, const MENUITEMINFOA*);
using GetMenuItemCountFunction = int (*)(HMENU);
using GetMenuItemInfoAFunction = BOOL (*)(HMENU, UINT, BOOL, MENUITEMINFOA*);

constexpr BOOL by_position = 1;
constexpr UINT item_fields = MIIM_STATE | MIIM_ID | MIIM_TYPE;  // 0x13
constexpr UINT text_length_given = 4;  // for both items, though "Edit setup file" has 15
constexpr int32_t hilite_bit = 0x80;

const Text edit_command_head = "CMD /C start notepad ";
const Text setup_file_name = "Orbelin020.set";
const Text help_command = "CMD /C start OrbelinHelp.htm";

// The plotter keeps window and menu handles in 32-bit values, as a 32-bit program does.
int32_t handle_value(HANDLE handle) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(handle)); }
HANDLE handle_of(int32_t value) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)); }

template <class Function>
Function entry(FARPROC point) {
  return reinterpret_cast<Function>(point);
}

HMENU bar() { return handle_of(plotter_state.menu_bar); }

// The item's text, its NUL, and blanks to the end of the 1000 bytes.
void fill_menu_text_buffer(const Text& text) {
  auto& buffer = plotter_state.menu_text_buffer;
  const Text with_nul = join_texts(text, make_char_text(0));
  const std::size_t count = std::min(with_nul.size(), buffer.size());
  std::memcpy(buffer.data(), with_nul.data(), count);
  std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(count), buffer.end(), ' ');
}

// One item's insertion, the same eleven steps for both items from `first_step` on.
void insert_menu_item(int32_t first_step, const Text& text, int32_t& item_id) {
  PlotterState& s = plotter_state;
  MENUITEMINFOA& record = s.menu_item_record;
  const MenuFunctionTable& table = s.menu_function_table;
  part(first_step, [&] { record = s.blank_menu_item_record; });
  part(first_step + 1,
       [&] { s.menu_item_count = entry<GetMenuItemCountFunction>(table.GetMenuItemCount)(bar()); });
  part(first_step + 2, [&] { record.fMask = item_fields; });
  part(first_step + 3, [&] { record.fType = MFT_STRING; });
  part(first_step + 4, [&] { record.fState = MFS_ENABLED; });
  part(first_step + 5, [&] { record.wID = static_cast<UINT>(s.menu_item_count); });
  part(first_step + 6, [&] { fill_menu_text_buffer(text); });
  part(first_step + 7, [&] { record.dwTypeData = s.menu_text_buffer.data(); });
  part(first_step + 8, [&] { record.cch = text_length_given; });
  part(first_step + 9, [&] { item_id = static_cast<int32_t>(record.wID); });
  part(first_step + 10, [&] {
    entry<InsertMenuItemAFunction>(table.InsertMenuItemA)(bar(), static_cast<UINT>(s.menu_item_count),
                                                         by_position, &record);
  });
}

// One item's poll, steps `first_step` to `first_step` + 3; its command, if it turned on, at
// `command_step`.
void poll_menu_item(int32_t first_step, int32_t command_step, MenuItemHighlight& item, int32_t item_id,
                    const Text& head, const Text& tail) {
  PlotterState& s = plotter_state;
  part(first_step, [&] { item.previous_highlight_state = item.menu_highlight_state; });
  part(first_step + 1, [&] {
    entry<GetMenuItemInfoAFunction>(s.menu_function_table.GetMenuItemInfoA)(
        bar(), static_cast<UINT>(item_id), by_position, &s.menu_item_record);
  });
  part(first_step + 2,
       [&] { item.menu_highlight_state = static_cast<int32_t>(s.menu_item_record.fState) & hilite_bit; });
  if (decide(first_step + 3, item.previous_highlight_state == 0 && item.menu_highlight_state != 0))
    part(command_step, [&] { run_command(join_texts(head, tail)); });
}

}  // namespace

void bind_menu_functions() {
  MenuFunctionTable& table = plotter_state.menu_function_table;
  if (table.library == nullptr) {
    table.library = LoadLibraryA("user32.dll");
    if (table.library == nullptr) {
      raise_error(259);  // critical: it ends the process
      return;
    }
  }
  const struct {
    const char* name;
    FARPROC MenuFunctionTable::*slot;
  } functions[] = {
      {"CreateMenu", &MenuFunctionTable::CreateMenu},
      {"SetMenu", &MenuFunctionTable::SetMenu},
      {"InsertMenuItemA", &MenuFunctionTable::InsertMenuItemA},
      {"GetMenuItemCount", &MenuFunctionTable::GetMenuItemCount},
      {"GetMenuItemInfoA", &MenuFunctionTable::GetMenuItemInfoA},
  };
  for (const auto& function : functions) {
    FARPROC& slot = table.*function.slot;
    if (slot != nullptr) continue;
    slot = GetProcAddress(table.library, function.name);
    if (slot == nullptr) {
      raise_error(260);  // critical: it ends the process
      return;
    }
  }
}

void build_menu_bar() {
  PlotterState& s = plotter_state;
  const MenuFunctionTable& table = s.menu_function_table;
  part(73, [&] {
    const Text title = join_texts(s.base_title, make_char_text(0));
    s.menu_window = handle_value(FindWindowA(nullptr, title.data()));
  });
  part(76, [&] { s.menu_bar = handle_value(entry<CreateMenuFunction>(table.CreateMenu)()); });
  part(76, [&] { s.blank_menu_item_record.cbSize = MENUITEMINFOA_SIZE_BEFORE_BITMAP; });
  insert_menu_item(79, "Edit setup file", s.edit_item_id);  // steps 79 to 89
  insert_menu_item(92, "Help", s.help_item_id);             // steps 92 to 102
  part(106, [&] { entry<SetMenuFunction>(table.SetMenu)(handle_of(s.menu_window), bar()); });
}

void poll_menu_bar() {
  PlotterState& s = plotter_state;
  poll_menu_item(121, 125, s.edit_item, s.edit_item_id, edit_command_head, setup_file_name);  // 121-125
  poll_menu_item(130, 135, s.help_item, s.help_item_id, help_command, Text{});                // 130-135
}
