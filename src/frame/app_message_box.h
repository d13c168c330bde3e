// The application's message box: the host program's name as caption, the
// style asked for; returns once the user has closed it.
#ifndef FLATDOM_FRAME_APP_MESSAGE_BOX_H
#define FLATDOM_FRAME_APP_MESSAGE_BOX_H

#include "frame/library.h"

namespace flatdom {

int AppMessageBox(const wchar_t* text, UINT style, UINT helpContext);

}  // namespace flatdom

#endif
