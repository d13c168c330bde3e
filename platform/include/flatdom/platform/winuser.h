/// \file
/// Message boxes off Windows. There is no display here: by default
/// MessageBoxW() writes its caption and text to standard error and answers
/// IDOK at once. A host, or a test, can install a handler that receives
/// exactly what the user would see. On Windows the system's message box
/// appears instead, and flatdom/flatdom.h declares the same
/// MessageBoxHandler and SetMessageBoxHandler(), which flatdom.dll exports
/// under its C name: the library's message boxes go to the handler, and
/// nothing is shown.
#ifndef FLATDOM_PLATFORM_WINUSER_H
#define FLATDOM_PLATFORM_WINUSER_H

#include "wintypes.h"

/// \name Styles and answers, as on Windows
/// @{
#define MB_OK 0x00000000u               ///< an OK button
#define MB_ICONERROR 0x00000010u        ///< an error's icon
#define MB_ICONHAND MB_ICONERROR        ///< the same as MB_ICONERROR
#define MB_ICONWARNING 0x00000030u      ///< a warning's icon
#define MB_ICONINFORMATION 0x00000040u  ///< an information's icon
#define MB_SETFOREGROUND 0x00010000u    ///< the box comes to the foreground
#define IDOK 1                          ///< the OK button was pressed
/// @}

/// Receives one message box; any thread may call it.
/// \param context what SetMessageBoxHandler() was given with the handler.
/// \param caption the box's caption.
/// \param text the box's text.
/// \param style the MB_ flags of the box.
/// \return the button chosen, such as IDOK.
typedef int (*MessageBoxHandler)(void* context, LPCWSTR caption, LPCWSTR text, UINT style);

extern "C" {
/// Shows a message box: hands it to the installed handler, or writes caption
/// and text to standard error.
/// \param hWnd the owner window; not used.
/// \param lpText the text.
/// \param lpCaption the caption.
/// \param uType the MB_ flags.
/// \return the handler's answer; IDOK without one.
FLATDOM_PLATFORM_API int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
/// Installs a handler for every later message box, the library's parse
/// error reports among them.
/// \param handler the handler; null restores the default (standard error).
/// \param context passed to each call of handler.
FLATDOM_PLATFORM_API void SetMessageBoxHandler(MessageBoxHandler handler, void* context);
}

#endif
