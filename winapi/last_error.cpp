#include "winapi/windows_types.h"

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;  // per thread, as on Windows
}

DWORD GetLastError() { return last_error; }
void SetLastError(DWORD error) { last_error = error; }
