// Our stand-ins for the kernel's file functions, over POSIX, for reading only.
//
// Names: the name ends at its first zero byte; a backslash or a slash separates folders; names
// are compared without regard to case (see resolve_windows_name). A drive-letter path (C:\...)
// names a folder that does not exist here.
// "\\.\COMn" (or "COMn") names serial port n, the device /dev/ttyS<n-1>.
// Nothing is ever written, and no open or read ever blocks.
#pragma once
#include <cstdint>
#include <string>

#include "winapi/windows_types.h"

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

constexpr DWORD FILE_TYPE_UNKNOWN = 0;
constexpr DWORD FILE_TYPE_DISK = 1;  // a file: it has a size
constexpr DWORD FILE_TYPE_CHAR = 2;  // a device
constexpr DWORD FILE_TYPE_PIPE = 3;

struct LARGE_INTEGER {
  int64_t QuadPart;
};

struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share_mode, SECURITY_ATTRIBUTES* security,
                   DWORD creation, DWORD flags, HANDLE template_file);
// Reads what is there now, at most `to_read` bytes; 0 bytes read at the end (or, for a pipe or
// device, when nothing is waiting). A file whose name now leads to another file, or to none
// (replaced or deleted while open), reads as ended.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD to_read, DWORD* bytes_read, OVERLAPPED* overlapped);
// The file's current size; for a file replaced or deleted while open, the bytes read so far.
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
DWORD GetFileType(HANDLE file);
BOOL CloseHandle(HANDLE object);  // a file or a process

// Serial port settings (the part of Windows' DCB that the ports here can take).
constexpr uint8_t NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr uint8_t ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  uint8_t ByteSize;
  uint8_t Parity;
  uint8_t StopBits;
};
BOOL GetCommState(HANDLE file, DCB* dcb);
BOOL SetCommState(HANDLE file, const DCB* dcb);

// Where a name leads, for the files and for the command interpreter alike, so that both reach the
// same file: the path of the existing entry that `name` reaches, or an empty string with the
// Windows error. Each component is compared without regard to case; where entries differ only in
// case, they are tried in byte order, an exact match having no preference, and the first whole
// path that exists is taken. So every spelling of a name leads to the same file.
std::string resolve_windows_name(const char* name, DWORD* error, bool want_folder = false);

// Process objects live in the same handle table, so that CloseHandle takes them too (the shell).
HANDLE make_process_handle(int pid);
bool process_of_handle(HANDLE object, int* pid);
void mark_process_waited(HANDLE object);
