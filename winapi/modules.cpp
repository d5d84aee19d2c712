// Module handles are small integers: the table's index plus a base, never 0.
#include "winapi/modules.h"

#include <mutex>

#include "winapi/user32.h"

namespace {

constexpr uintptr_t first_module_handle = 0x30001;

std::mutex table_mutex;
StandInModuleTable module_table = standard_module_table();

template <class Function>
FARPROC entry_of(Function* function) {
  return reinterpret_cast<FARPROC>(function);
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_file_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace

StandInModuleTable standard_module_table() {
  return {{"user32.dll",
           {{"CreateMenu", entry_of(&CreateMenu)},
            {"SetMenu", entry_of(&SetMenu)},
            {"InsertMenuItemA", entry_of(&InsertMenuItemA)},
            {"GetMenuItemCount", entry_of(&GetMenuItemCount)},
            {"GetMenuItemInfoA", entry_of(&GetMenuItemInfoA)}}}};
}

HMODULE LoadLibraryA(LPCSTR file_name) {
  std::lock_guard lock(table_mutex);
  if (file_name != nullptr) {
    std::string wanted = file_name;
    if (wanted.find('.') == std::string::npos) wanted += ".dll";  // as Windows does
    for (std::size_t index = 0; index < module_table.size(); ++index)
      if (same_file_name(module_table[index].file_name, wanted))
        return reinterpret_cast<HMODULE>(first_module_handle + index);
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  std::lock_guard lock(table_mutex);
  const uintptr_t handle = reinterpret_cast<uintptr_t>(module);
  if (handle < first_module_handle || handle - first_module_handle >= module_table.size()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // A "name" below 0x10000 is an export's ordinal; our modules export by name alone.
  if (reinterpret_cast<uintptr_t>(name) >= 0x10000) {
    for (const StandInExport& entry : module_table[handle - first_module_handle].exports)
      if (entry.name == name) return entry.entry;
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

void set_module_table(StandInModuleTable table) {
  std::lock_guard lock(table_mutex);
  module_table = std::move(table);
}

void reset_module_table() { set_module_table(standard_module_table()); }
