#include <flatdom/platform/winuser.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "utf8.h"

namespace {

struct Handler {
    MessageBoxHandler function = nullptr;
    void* context = nullptr;
};

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}
Handler g_handler;

int WriteToStandardError(LPCWSTR caption, LPCWSTR text) {
    std::string line = platform::WideToUtf8(caption);
    line += ": ";
    line += platform::WideToUtf8(text);
    if (line.empty() || line.back() != '\n') line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return IDOK;
}

}  // namespace

extern "C" {

int MessageBoxW(HWND, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = g_handler;
    }
    const wchar_t* caption = lpCaption ? lpCaption : L"Error";
    const wchar_t* text = lpText ? lpText : L"";
    if (handler.function) return handler.function(handler.context, caption, text, uType);
    return WriteToStandardError(caption, text);
}

void SetMessageBoxHandler(MessageBoxHandler handler, void* context) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    g_handler.function = handler;
    g_handler.context = handler ? context : nullptr;
}

}  // extern "C"
