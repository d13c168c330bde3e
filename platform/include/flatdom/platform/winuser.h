// Message boxes. There is no display here: by default MessageBoxW writes its
// caption and text to standard error and answers IDOK at once. A host, or a
// test, can install a handler that receives exactly what the user would see.
#ifndef FLATDOM_PLATFORM_WINUSER_H
#define FLATDOM_PLATFORM_WINUSER_H

#include "wintypes.h"

#define MB_OK 0x00000000u
#define MB_ICONERROR 0x00000010u
#define MB_ICONHAND MB_ICONERROR
#define MB_ICONWARNING 0x00000030u
#define MB_ICONINFORMATION 0x00000040u
#define MB_SETFOREGROUND 0x00010000u
#define IDOK 1

// Receives one message box: caption, text and style; answers the button chosen.
typedef int (*MessageBoxHandler)(void* context, LPCWSTR caption, LPCWSTR text, UINT style);

extern "C" {
FLATDOM_PLATFORM_API int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
// Installs a handler for every later message box; null restores the default.
FLATDOM_PLATFORM_API void SetMessageBoxHandler(MessageBoxHandler handler, void* context);
}

#endif
