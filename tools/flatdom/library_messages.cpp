#include "library_messages.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstring>
#include <string>

#include "console.h"

namespace console {
namespace {

int WINAPI ToConsole(HWND, LPCWSTR text, LPCWSTR caption, UINT) {
    std::wstring line = std::wstring(caption ? caption : L"Error") + L": " + (text ? text : L"");
    if (line.back() != L'\n') line += L'\n';
    Err(line);
    return IDOK;
}

}  // namespace

// The library keeps its exports as they are: its import of MessageBoxW is
// pointed at ToConsole instead.
void LibraryMessagesToConsole() {
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleW(L"flatdom.dll"));
    if (!base) return;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name && module->OriginalFirstThunk; ++module) {
        if (_stricmp(reinterpret_cast<const char*>(base + module->Name), "user32.dll") != 0) {
            continue;
        }
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "MessageBoxW") != 0) {
                continue;
            }
            DWORD protection = 0;
            if (VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE,
                               &protection)) {
                slot->u1.Function = reinterpret_cast<ULONG_PTR>(&ToConsole);
                VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection,
                               &protection);
            }
        }
    }
}

}  // namespace console

#else

namespace console {

void LibraryMessagesToConsole() {}

}  // namespace console

#endif
