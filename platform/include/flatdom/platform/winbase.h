// Kernel pieces: atomic reference counts and the program's own file name.
#ifndef FLATDOM_PLATFORM_WINBASE_H
#define FLATDOM_PLATFORM_WINBASE_H

#include "wintypes.h"

extern "C" {
// Atomically adds or subtracts one and answers the new value.
FLATDOM_PLATFORM_API LONG InterlockedIncrement(LONG volatile* addend);
FLATDOM_PLATFORM_API LONG InterlockedDecrement(LONG volatile* addend);
// The running program's path for hModule null (the only module known here):
// the number of characters written without the NUL, 0 on failure; a path that
// does not fit is cut and NUL-terminated, and the size is answered.
FLATDOM_PLATFORM_API DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
}

#endif
