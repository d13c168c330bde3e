// Linux: the platform layer's MessageBoxW hands each box to the handler a
// host installed there (SetMessageBoxHandler is the platform layer's), or
// writes it to standard error.
#include "frame/app_message_box.h"

namespace flatdom {

int ShowMessageBox(const wchar_t* text, const wchar_t* caption, UINT style) {
    return MessageBoxW(nullptr, text, caption, style);
}

}  // namespace flatdom
