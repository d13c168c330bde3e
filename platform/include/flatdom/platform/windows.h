// Everything the library and its hosts use of the Windows platform, for Linux.
#ifndef FLATDOM_PLATFORM_WINDOWS_H
#define FLATDOM_PLATFORM_WINDOWS_H

#include "wintypes.h"
#include "unknwn.h"
#include "objidl.h"
#include "oleauto.h"
#include "combaseapi.h"
#include "winuser.h"
#include "winbase.h"
#include "crt.h"

#endif
