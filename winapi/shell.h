// Our stand-ins for ShellExecuteExA and WaitForSingleObject: programs run directly through
// posix_spawn with their parameters split as Windows splits a command line, never through a
// shell, so no text can become a command of its own.
#pragma once
#include <string>
#include <vector>

#include "winapi/windows_types.h"

using HKEY = HANDLE;

constexpr ULONG SEE_MASK_NOCLOSEPROCESS = 0x40;
constexpr ULONG SEE_MASK_FLAG_NO_UI = 0x400;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr intptr_t SE_ERR_FNF = 2;

// Windows' field names and order.
struct SHELLEXECUTEINFOA {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCSTR lpVerb;
  LPCSTR lpFile;
  LPCSTR lpParameters;
  LPCSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;  // with hMonitor on Windows
  HANDLE hProcess;
};

// Runs the program that lpFile names (a path, or a name looked up in the executable's own
// folder, then along PATH, without regard to case and with or without ".exe"); "cmd" is thus
// our command-interpreter stand-in beside the executable. With SEE_MASK_NOCLOSEPROCESS the
// process comes back in hProcess. FALSE, with ERROR_FILE_NOT_FOUND, when there is no such program.
BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info);
// For a process handle: waits for the process to end (INFINITE, or that many milliseconds).
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

// A command line split into arguments as Windows programs split theirs: blanks and tabs apart
// outside double quotes; 2n backslashes and a quote give n backslashes and toggle quoting,
// 2n+1 give n and a literal quote; other backslashes are literal; "" inside quotes is a quote.
std::vector<std::string> split_command_line(const std::string& line);

// The program a name leads to, as ShellExecuteExA looks for it; empty when there is none.
std::string find_program(const std::string& name);

// Starts a program found along PATH in a session of its own and does not wait for it: it is
// not left a zombie of ours. True when it started.
bool spawn_detached(const std::string& program, const std::vector<std::string>& arguments);
