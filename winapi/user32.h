// Our stand-ins for the user32 window and menu functions, over menus and windows of our own.
// Handles are small integers, so a caller may keep them in 32-bit values. Every function here
// is safe to call from any thread: the window's thread and the plotter's share these tables.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "winapi/windows_types.h"

// Windows' field names and order; the address-sized fields have their natural size here.
// cbSize 44 names, as on Windows, the record that ends before hbmpItem.
struct MENUITEMINFOA {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  ULONG_PTR dwItemData;
  LPSTR dwTypeData;
  UINT cch;
  HBITMAP hbmpItem;
};
constexpr UINT MENUITEMINFOA_SIZE_BEFORE_BITMAP = 44;
// How many bytes of our natural-size record a cbSize of 44 covers: everything before hbmpItem.
constexpr std::size_t MENUITEMINFOA_NATURAL_SIZE_BEFORE_BITMAP = offsetof(MENUITEMINFOA, hbmpItem);

constexpr UINT MIIM_STATE = 0x1;
constexpr UINT MIIM_ID = 0x2;
constexpr UINT MIIM_SUBMENU = 0x4;
constexpr UINT MIIM_CHECKMARKS = 0x8;
constexpr UINT MIIM_TYPE = 0x10;
constexpr UINT MIIM_DATA = 0x20;
constexpr UINT MIIM_STRING = 0x40;
constexpr UINT MIIM_BITMAP = 0x80;
constexpr UINT MIIM_FTYPE = 0x100;
constexpr UINT MFT_STRING = 0;
constexpr UINT MFT_SEPARATOR = 0x800;
constexpr UINT MFS_ENABLED = 0;
constexpr UINT MFS_HILITE = 0x80;

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;
constexpr DWORD ERROR_MENU_ITEM_NOT_FOUND = 1456;

HMENU CreateMenu();
BOOL SetMenu(HWND window, HMENU menu);          // menu 0 detaches; the window 0 is no window
BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFOA* info);
int GetMenuItemCount(HMENU menu);               // -1 for a handle that is no menu
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, MENUITEMINFOA* info);
HWND FindWindowA(LPCSTR class_name, LPCSTR window_name);  // by current title, case ignored
HMENU GetMenu(HWND window);
BOOL SetWindowTextA(HWND window, LPCSTR title);

// ---- For the window -------------------------------------------------------------------------
// The front end registers its window once it exists and keeps the title up to date through
// SetWindowTextA; FindWindowA finds only registered windows.
HWND register_window(LPCSTR class_name, LPCSTR title);
void unregister_window(HWND window);

// What the window draws: the texts of the attached menu's items, in order, and whether each
// shows highlighted. Empty when no menu is attached.
struct MenuBarItem {
  std::string text;
  bool highlighted = false;
};
std::vector<MenuBarItem> menu_bar_items(HWND window);
// Counts every change the drawing of a menu line can show (attach, insertion, highlight, title).
uint64_t user32_generation();

// A mouse press on the item at `position` of `menu`, and its release. The item shows highlighted
// from the press until the release, and GetMenuItemInfoA reports MFS_HILITE for each press at
// least once even when the release came before anyone asked: a quick click is never lost. When
// a new press comes after a highlight was reported, one report of "not highlighted" comes first,
// so a poller that acts on the change to highlighted sees every press exactly once. Hovering
// has no call: it highlights nothing.
void press_menu_item(HMENU menu, UINT position);
void release_menu_item(HMENU menu, UINT position);

void reset_user32();  // no windows, no menus (tests)
