// Our stand-ins for LoadLibraryA and GetProcAddress, over a table of stand-in modules of our own:
// "user32.dll" exports the five menu functions by name. Tests may install another table, one
// lacking the library or one of its functions.
#pragma once
#include <string>
#include <vector>

#include "winapi/windows_types.h"

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

HMODULE LoadLibraryA(LPCSTR file_name);               // 0 when no module of that name exists
FARPROC GetProcAddress(HMODULE module, LPCSTR name);  // 0 when the module lacks the function

struct StandInExport {
  std::string name;  // compared exactly, as Windows compares export names
  FARPROC entry = nullptr;
};
struct StandInModule {
  std::string file_name;  // compared without regard to case
  std::vector<StandInExport> exports;
};
using StandInModuleTable = std::vector<StandInModule>;

// The modules a process sees: "user32.dll" with CreateMenu, SetMenu, InsertMenuItemA,
// GetMenuItemCount and GetMenuItemInfoA.
StandInModuleTable standard_module_table();
void set_module_table(StandInModuleTable table);  // tests
void reset_module_table();                        // back to the standard table
