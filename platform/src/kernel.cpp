#include <flatdom/platform/winbase.h>

#include <unistd.h>

#include <string>

#include "utf8.h"

extern "C" {

LONG InterlockedIncrement(LONG volatile* addend) {
    return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(LONG volatile* addend) {
    return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    if (hModule || !lpFilename || nSize == 0) return 0;
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0) return 0;
    const std::wstring wide = platform::Utf8ToWide(path, static_cast<std::size_t>(length));
    if (wide.size() >= nSize) {
        wide.copy(lpFilename, nSize - 1);
        lpFilename[nSize - 1] = L'\0';
        return nSize;
    }
    wide.copy(lpFilename, wide.size());
    lpFilename[wide.size()] = L'\0';
    return static_cast<DWORD>(wide.size());
}

}  // extern "C"
