// OLE strings: a 32-bit byte count stands right before the characters, and a
// NUL follows them, as on Windows.
#include <flatdom/platform/oleauto.h>

#include <cstdlib>
#include <cwchar>
#include <limits>

namespace {

using Prefix = std::uint32_t;

Prefix* PrefixOf(BSTR bstr) {
    return reinterpret_cast<Prefix*>(bstr) - 1;
}

}  // namespace

extern "C" {

BSTR SysAllocStringLen(const OLECHAR* psz, UINT len) {
    // The byte count must fit the prefix, and the block the address space.
    constexpr std::size_t kOverhead = sizeof(Prefix) + sizeof(OLECHAR);
    if (len > (std::numeric_limits<Prefix>::max() - sizeof(OLECHAR)) / sizeof(OLECHAR)) {
        return nullptr;
    }
    if constexpr (sizeof(std::size_t) <= sizeof(Prefix)) {
        // A 32-bit system: the prefix, the characters and the NUL can pass it.
        if (len > (std::numeric_limits<std::size_t>::max() - kOverhead) / sizeof(OLECHAR)) {
            return nullptr;
        }
    }
    const std::size_t bytes = static_cast<std::size_t>(len) * sizeof(OLECHAR);
    void* block = std::malloc(bytes + kOverhead);
    if (!block) return nullptr;
    auto* prefix = static_cast<Prefix*>(block);
    *prefix = static_cast<Prefix>(bytes);
    BSTR text = reinterpret_cast<BSTR>(prefix + 1);
    if (psz) std::wmemcpy(text, psz, len);
    text[len] = L'\0';
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz) return nullptr;
    const std::size_t len = std::wcslen(psz);
    if (len > std::numeric_limits<UINT>::max()) return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(len));
}

UINT SysStringLen(BSTR bstr) {
    return bstr ? static_cast<UINT>(*PrefixOf(bstr) / sizeof(OLECHAR)) : 0;
}

UINT SysStringByteLen(BSTR bstr) {
    return bstr ? static_cast<UINT>(*PrefixOf(bstr)) : 0;
}

void SysFreeString(BSTR bstr) {
    if (bstr) std::free(PrefixOf(bstr));
}

void VariantInit(VARIANT* pvarg) {
    if (!pvarg) return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (!pvarg) return E_INVALIDARG;
    if (pvarg->vt == VT_BSTR) {
        SysFreeString(pvarg->bstrVal);
    } else if (pvarg->vt == VT_UNKNOWN && pvarg->punkVal) {
        pvarg->punkVal->Release();
    }
    pvarg->vt = VT_EMPTY;
    return S_OK;
}

}  // extern "C"
