// OLE Automation: length-prefixed OLE strings and VARIANT.
#ifndef FLATDOM_PLATFORM_OLEAUTO_H
#define FLATDOM_PLATFORM_OLEAUTO_H

#include "unknwn.h"

typedef wchar_t OLECHAR;
typedef OLECHAR* BSTR;
typedef const OLECHAR* LPCOLESTR;
typedef short VARIANT_BOOL;
typedef std::uint16_t VARTYPE;
typedef LONG SCODE;

#define VARIANT_TRUE static_cast<VARIANT_BOOL>(-1)
#define VARIANT_FALSE static_cast<VARIANT_BOOL>(0)

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_UNKNOWN = 13,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        SCODE scode;
        IUnknown* punkVal;
        LONGLONG llVal;
    };
};
#define V_VT(v) ((v)->vt)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_BSTR(v) ((v)->bstrVal)
#define V_ERROR(v) ((v)->scode)

extern "C" {
// A new OLE string of len characters; the content is copied from psz when it is
// not null and left unset otherwise; a NUL is always written after it.
FLATDOM_PLATFORM_API BSTR SysAllocStringLen(const OLECHAR* psz, UINT len);
// A new OLE string holding psz up to its NUL; null for null.
FLATDOM_PLATFORM_API BSTR SysAllocString(const OLECHAR* psz);
// Characters in the string (0 for null).
FLATDOM_PLATFORM_API UINT SysStringLen(BSTR bstr);
// Bytes in the string (0 for null).
FLATDOM_PLATFORM_API UINT SysStringByteLen(BSTR bstr);
// Frees an OLE string; null is a no-op.
FLATDOM_PLATFORM_API void SysFreeString(BSTR bstr);
FLATDOM_PLATFORM_API void VariantInit(VARIANT* pvarg);
// Frees what the VARIANT owns (an OLE string, a reference) and empties it.
FLATDOM_PLATFORM_API HRESULT VariantClear(VARIANT* pvarg);
}

#endif
