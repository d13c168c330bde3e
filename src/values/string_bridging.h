// Copies of OLE strings for the library's own use.
#ifndef FLATDOM_VALUES_STRING_BRIDGING_H
#define FLATDOM_VALUES_STRING_BRIDGING_H

#include "frame/library.h"

namespace flatdom {

// A malloc copy of all SysStringLen characters of bstr and its terminator,
// which the caller frees with free; null for null or when memory runs out.
wchar_t* CopyBSTR(BSTR bstr);

}  // namespace flatdom

#endif
