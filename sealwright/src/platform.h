// What Sealwright takes from the platform: OLE strings, streams, _wfopen and
// _fstat64, from the system on Windows and from flatdom's platform layer
// elsewhere.
#ifndef SEALWRIGHT_PLATFORM_H
#define SEALWRIGHT_PLATFORM_H

#if defined(_WIN32)
#include <windows.h>
#include <objidl.h>
#include <oleauto.h>
#include <stdio.h>
#include <sys/stat.h>
#else
#include <flatdom/platform/crt.h>
#include <flatdom/platform/objidl.h>
#include <flatdom/platform/oleauto.h>
#endif

#endif
