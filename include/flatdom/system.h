/// \file
/// Where the Windows names come from (IXMLDOMNode, BSTR, CoTaskMemFree, ...):
/// the system's headers on Windows, the flatdom platform layer everywhere
/// else. This is the only place that asks.
#ifndef FLATDOM_SYSTEM_H
#define FLATDOM_SYSTEM_H

#if defined(_WIN32)
#include <windows.h>
#include <objbase.h>
#include <msxml.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#else
#include <flatdom/platform/windows.h>
#include <flatdom/platform/msxml.h>
#endif

#endif
