// Menus and windows of our own, behind the user32 names. One mutex guards every table: the
// window's thread presses items and draws the bar while the plotter's thread polls it.
#include "winapi/user32.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace {

constexpr UINT MFT_BITMAP = 0x4;
constexpr UINT MFT_OWNERDRAW = 0x100;

// Menus and windows count up from different bases, so one is never taken for the other;
// both stay far below 2^31.
constexpr uintptr_t first_menu_handle = 0x10001;
constexpr uintptr_t first_window_handle = 0x20001;

struct MenuItem {
  UINT type = MFT_STRING;
  UINT state = MFS_ENABLED;
  UINT id = 0;
  HMENU submenu = nullptr;
  HBITMAP checked = nullptr;
  HBITMAP unchecked = nullptr;
  ULONG_PTR data = 0;
  HBITMAP bitmap = nullptr;
  std::string text;

  // The click protocol (see press_menu_item).
  bool held = false;             // the mouse button is down on it
  int pending_presses = 0;       // presses that no report of MFS_HILITE has shown yet
  bool reported_hilite = false;  // what the latest report of the state said
};

struct Menu {
  std::vector<MenuItem> items;
};

struct Window {
  std::string class_name;
  std::string title;
  HMENU menu = nullptr;
};

std::mutex table_mutex;
std::map<uintptr_t, Menu> menus;
std::map<uintptr_t, Window> windows;
uintptr_t next_menu_handle = first_menu_handle;
uintptr_t next_window_handle = first_window_handle;
uint64_t generation = 0;

uintptr_t key_of(HANDLE handle) { return reinterpret_cast<uintptr_t>(handle); }

Menu* find_menu(HMENU menu) {
  auto found = menus.find(key_of(menu));
  return found == menus.end() ? nullptr : &found->second;
}

Window* find_window(HWND window) {
  auto found = windows.find(key_of(window));
  return found == windows.end() ? nullptr : &found->second;
}

MenuItem* find_item(Menu& menu, UINT item, BOOL by_position) {
  if (by_position) return item < menu.items.size() ? &menu.items[item] : nullptr;
  auto found = std::find_if(menu.items.begin(), menu.items.end(),
                            [item](const MenuItem& entry) { return entry.id == item; });
  return found == menu.items.end() ? nullptr : &*found;
}

// How many bytes of the caller's record its cbSize lets us read and write: 44 is the record
// that ends before hbmpItem, the full size includes it; anything else is refused.
std::size_t record_bytes(UINT cb_size) {
  if (cb_size == MENUITEMINFOA_SIZE_BEFORE_BITMAP) return MENUITEMINFOA_NATURAL_SIZE_BEFORE_BITMAP;
  if (cb_size == sizeof(MENUITEMINFOA)) return sizeof(MENUITEMINFOA);
  return 0;
}

bool has_text(UINT type) { return (type & (MFT_BITMAP | MFT_OWNERDRAW | MFT_SEPARATOR)) == 0; }

std::string text_from(LPCSTR text) { return text == nullptr ? std::string{} : std::string{text}; }

// Copies the item's text as Windows does: at most cch - 1 bytes and a NUL, cch then holding the
// number of bytes copied; with no buffer or a cch of 0 nothing is written and cch gets the length.
void copy_text_out(const std::string& text, MENUITEMINFOA& record) {
  if (record.dwTypeData == nullptr || record.cch == 0) {
    record.cch = static_cast<UINT>(text.size());
    return;
  }
  const std::size_t count = std::min<std::size_t>(text.size(), record.cch - 1);
  std::memcpy(record.dwTypeData, text.data(), count);
  record.dwTypeData[count] = '\0';
  record.cch = static_cast<UINT>(count);
}

// The state that a report gives, moving the click protocol on by one report.
UINT report_state(MenuItem& item) {
  bool hilite = item.held;
  if (item.pending_presses > 0) {
    if (item.reported_hilite) {
      hilite = false;  // the poller must see the gap between two presses
    } else {
      hilite = true;
      --item.pending_presses;
    }
    ++generation;
  }
  item.reported_hilite = hilite;
  return item.state | (hilite ? MFS_HILITE : 0);
}

bool shows_highlighted(const MenuItem& item) {
  return item.held || item.pending_presses > 0 || (item.state & MFS_HILITE) != 0;
}

bool equal_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The menu that a record call names, with the number of the record's bytes that its cbSize
// covers; null, with the error set, when the menu or the size is wrong.
Menu* menu_for_record(HMENU menu, const MENUITEMINFOA* info, std::size_t& bytes) {
  Menu* target = find_menu(menu);
  if (target == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return nullptr;
  }
  bytes = info == nullptr ? 0 : record_bytes(info->cbSize);
  if (bytes == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return target;
}

}  // namespace

HMENU CreateMenu() {
  std::lock_guard lock(table_mutex);
  const uintptr_t handle = next_menu_handle++;
  menus.emplace(handle, Menu{});
  return reinterpret_cast<HMENU>(handle);
}

BOOL SetMenu(HWND window, HMENU menu) {
  std::lock_guard lock(table_mutex);
  Window* target = find_window(window);
  if (target == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (menu != nullptr && find_menu(menu) == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  target->menu = menu;
  ++generation;
  return TRUE;
}

BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFOA* info) {
  std::lock_guard lock(table_mutex);
  std::size_t bytes = 0;
  Menu* target = menu_for_record(menu, info, bytes);
  if (target == nullptr) return FALSE;
  MENUITEMINFOA record{};
  std::memcpy(&record, info, bytes);
  const bool full_record = bytes == sizeof(MENUITEMINFOA);
  if ((record.fMask & MIIM_TYPE) != 0 && (record.fMask & (MIIM_FTYPE | MIIM_STRING | MIIM_BITMAP)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);  // the old type field and the new ones exclude each other
    return FALSE;
  }

  MenuItem entry;
  if ((record.fMask & MIIM_STATE) != 0) entry.state = record.fState;
  if ((record.fMask & MIIM_ID) != 0) entry.id = record.wID;
  if ((record.fMask & MIIM_SUBMENU) != 0) entry.submenu = record.hSubMenu;
  if ((record.fMask & MIIM_CHECKMARKS) != 0) {
    entry.checked = record.hbmpChecked;
    entry.unchecked = record.hbmpUnchecked;
  }
  if ((record.fMask & MIIM_DATA) != 0) entry.data = record.dwItemData;
  if ((record.fMask & (MIIM_TYPE | MIIM_FTYPE)) != 0) entry.type = record.fType;
  // A string is taken up to its NUL; cch is not consulted when inserting.
  if ((record.fMask & MIIM_TYPE) != 0 && has_text(record.fType)) entry.text = text_from(record.dwTypeData);
  if ((record.fMask & MIIM_STRING) != 0) entry.text = text_from(record.dwTypeData);
  if ((record.fMask & MIIM_BITMAP) != 0 && full_record) entry.bitmap = record.hbmpItem;

  std::size_t position = target->items.size();
  if (by_position) {
    position = std::min<std::size_t>(item, target->items.size());  // beyond the end appends
  } else {
    MenuItem* before = find_item(*target, item, FALSE);
    if (before == nullptr) {
      SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
      return FALSE;
    }
    position = static_cast<std::size_t>(before - target->items.data());
  }
  target->items.insert(target->items.begin() + static_cast<std::ptrdiff_t>(position), std::move(entry));
  ++generation;
  return TRUE;
}

int GetMenuItemCount(HMENU menu) {
  std::lock_guard lock(table_mutex);
  const Menu* target = find_menu(menu);
  if (target == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  return static_cast<int>(target->items.size());
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, MENUITEMINFOA* info) {
  std::lock_guard lock(table_mutex);
  std::size_t bytes = 0;
  Menu* target = menu_for_record(menu, info, bytes);
  if (target == nullptr) return FALSE;
  MenuItem* entry = find_item(*target, item, by_position);
  if (entry == nullptr) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return FALSE;
  }

  // Work on a copy and give back only the bytes that cbSize covers.
  MENUITEMINFOA record{};
  std::memcpy(&record, info, bytes);
  const bool full_record = bytes == sizeof(MENUITEMINFOA);
  if ((record.fMask & MIIM_STATE) != 0) record.fState = report_state(*entry);
  if ((record.fMask & MIIM_ID) != 0) record.wID = entry->id;
  if ((record.fMask & MIIM_SUBMENU) != 0) record.hSubMenu = entry->submenu;
  if ((record.fMask & MIIM_CHECKMARKS) != 0) {
    record.hbmpChecked = entry->checked;
    record.hbmpUnchecked = entry->unchecked;
  }
  if ((record.fMask & MIIM_DATA) != 0) record.dwItemData = entry->data;
  if ((record.fMask & (MIIM_TYPE | MIIM_FTYPE)) != 0) record.fType = entry->type;
  if ((record.fMask & MIIM_STRING) != 0 || ((record.fMask & MIIM_TYPE) != 0 && has_text(entry->type))) {
    copy_text_out(entry->text, record);
  }
  if ((record.fMask & MIIM_BITMAP) != 0 && full_record) record.hbmpItem = entry->bitmap;
  std::memcpy(info, &record, bytes);
  return TRUE;
}

HWND FindWindowA(LPCSTR class_name, LPCSTR window_name) {
  std::lock_guard lock(table_mutex);
  for (const auto& [handle, window] : windows) {
    if (class_name != nullptr && !equal_ignoring_case(window.class_name, class_name)) continue;
    if (window_name != nullptr && !equal_ignoring_case(window.title, window_name)) continue;
    return reinterpret_cast<HWND>(handle);
  }
  return nullptr;
}

HMENU GetMenu(HWND window) {
  std::lock_guard lock(table_mutex);
  const Window* target = find_window(window);
  return target == nullptr ? nullptr : target->menu;
}

BOOL SetWindowTextA(HWND window, LPCSTR title) {
  std::lock_guard lock(table_mutex);
  Window* target = find_window(window);
  if (target == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  target->title = text_from(title);
  ++generation;
  return TRUE;
}

HWND register_window(LPCSTR class_name, LPCSTR title) {
  std::lock_guard lock(table_mutex);
  const uintptr_t handle = next_window_handle++;
  windows.emplace(handle, Window{text_from(class_name), text_from(title), nullptr});
  ++generation;
  return reinterpret_cast<HWND>(handle);
}

void unregister_window(HWND window) {
  std::lock_guard lock(table_mutex);
  windows.erase(key_of(window));
  ++generation;
}

std::vector<MenuBarItem> menu_bar_items(HWND window) {
  std::lock_guard lock(table_mutex);
  std::vector<MenuBarItem> items;
  const Window* target = find_window(window);
  if (target == nullptr) return items;
  const Menu* menu = find_menu(target->menu);
  if (menu == nullptr) return items;
  for (const MenuItem& entry : menu->items) items.push_back({entry.text, shows_highlighted(entry)});
  return items;
}

uint64_t user32_generation() {
  std::lock_guard lock(table_mutex);
  return generation;
}

void press_menu_item(HMENU menu, UINT position) {
  std::lock_guard lock(table_mutex);
  Menu* target = find_menu(menu);
  if (target == nullptr || position >= target->items.size()) return;
  MenuItem& entry = target->items[position];
  entry.held = true;
  ++entry.pending_presses;
  ++generation;
}

void release_menu_item(HMENU menu, UINT position) {
  std::lock_guard lock(table_mutex);
  Menu* target = find_menu(menu);
  if (target == nullptr || position >= target->items.size()) return;
  target->items[position].held = false;
  ++generation;
}

void reset_user32() {
  std::lock_guard lock(table_mutex);
  menus.clear();
  windows.clear();
  next_menu_handle = first_menu_handle;
  next_window_handle = first_window_handle;
  ++generation;
}
