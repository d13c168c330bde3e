#include "frame/app_message_box.h"

#include <cwchar>

namespace flatdom {
namespace {

constexpr DWORD kPathCapacity = 1024;

// The program's file name without folder and extension, as applications
// title their message boxes; "flatdom" when it cannot be known.
void ProgramName(wchar_t* name, DWORD capacity) {
    wchar_t path[kPathCapacity];
    const DWORD length = GetModuleFileNameW(nullptr, path, kPathCapacity);
    const wchar_t* base = path;
    if (length == 0 || length >= kPathCapacity) {
        base = L"flatdom";
    } else {
        for (const wchar_t* p = path; *p; ++p) {
            if (*p == L'/' || *p == L'\\') base = p + 1;
        }
    }
    std::wcsncpy(name, base, capacity - 1);
    name[capacity - 1] = L'\0';
    if (wchar_t* dot = std::wcsrchr(name, L'.')) {
        if (dot != name) *dot = L'\0';
    }
}

}  // namespace

int AppMessageBox(const wchar_t* text, UINT style, UINT /*helpContext*/) {
    wchar_t caption[256];
    ProgramName(caption, 256);
    return ShowMessageBox(text, caption, style);
}

}  // namespace flatdom
