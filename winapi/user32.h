// Our stand-ins for the user32 window and menu functions, over menus and windows of our own.
#pragma once
#include <cstdint>
#include <string>

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

constexpr UINT MIIM_STATE = 0x1;
constexpr UINT MIIM_ID = 0x2;
constexpr UINT MIIM_SUBMENU = 0x4;
constexpr UINT MIIM_TYPE = 0x10;
constexpr UINT MFT_STRING = 0;
constexpr UINT MFS_ENABLED = 0;
constexpr UINT MFS_HILITE = 0x80;

HMENU CreateMenu();
BOOL SetMenu(HWND window, HMENU menu);
BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFOA* info);
int GetMenuItemCount(HMENU menu);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, MENUITEMINFOA* info);
HWND FindWindowA(LPCSTR class_name, LPCSTR window_name);
