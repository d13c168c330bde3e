// Windows: the handler a host installs for the library's message boxes
// (SetMessageBoxHandler, an export with a C name), which the system's message
// box stands for until then.
#include <mutex>

#include "frame/app_message_box.h"

namespace {

struct Handler {
    MessageBoxHandler function = nullptr;
    void* context = nullptr;
};

std::mutex g_mutex;
Handler g_handler;

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler, void* context) {
    flatdom::NoThrow([&] {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_handler = {handler, handler ? context : nullptr};
    });
}

namespace flatdom {

int ShowMessageBox(const wchar_t* text, const wchar_t* caption, UINT style) {
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        handler = g_handler;
    }
    if (handler.function) return handler.function(handler.context, caption, text, style);
    return MessageBoxW(nullptr, text, caption, style);
}

}  // namespace flatdom
