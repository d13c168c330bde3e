#include "support/import_patch.h"

#include <cstring>

ImportPatch::ImportPatch(const char* dll, const char* function, void* standIn) {
    auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* from =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         from->Name; ++from) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + from->Name), dll) != 0) continue;
        // The names, and beside each its slot, which the loader filled.
        const auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base + (from->OriginalFirstThunk ? from->OriginalFirstThunk : from->FirstThunk));
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + from->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            void** const address = reinterpret_cast<void**>(&slot->u1.Function);
            m_slots.push_back({address, *address});
            Set(address, standIn);
        }
    }
}

ImportPatch::~ImportPatch() {
    for (const Slot& slot : m_slots)
        Set(slot.address, slot.original);
}

void ImportPatch::Set(void** slot, void* function) {
    DWORD was = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was);
    *slot = function;
    VirtualProtect(slot, sizeof *slot, was, &was);
}
