// Classes that CoCreateInstance knows without registration.
#ifndef FLATDOM_PLATFORM_BUILTIN_CLASSES_H
#define FLATDOM_PLATFORM_BUILTIN_CLASSES_H

#include <flatdom/platform/unknwn.h>

namespace platform {

// REGDB_E_CLASSNOTREG for classes not built in; *ppv is null on failure.
HRESULT CreateBuiltinInstance(REFCLSID clsid, REFIID riid, void** ppv);

}  // namespace platform

#endif
