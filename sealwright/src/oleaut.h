// OLE strings: from the system on Windows, from flatdom's platform layer
// elsewhere.
#ifndef SEALWRIGHT_OLEAUT_H
#define SEALWRIGHT_OLEAUT_H

#if defined(_WIN32)
#include <windows.h>
#include <oleauto.h>
#else
#include <flatdom/platform/oleauto.h>
#endif

#endif
