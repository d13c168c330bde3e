// The library's message boxes. Each goes to the handler a host installed
// with SetMessageBoxHandler, and to the system's message box without one
// (on Linux, the platform layer's MessageBoxW, which holds the handler).
#ifndef FLATDOM_FRAME_APP_MESSAGE_BOX_H
#define FLATDOM_FRAME_APP_MESSAGE_BOX_H

#include "frame/library.h"

namespace flatdom {

// A message box; returns the button chosen, once the user has closed it.
int ShowMessageBox(const wchar_t* text, const wchar_t* caption, UINT style);
// The application's message box: the host program's name as caption, the
// style asked for.
int AppMessageBox(const wchar_t* text, UINT style, UINT helpContext);

}  // namespace flatdom

#endif
