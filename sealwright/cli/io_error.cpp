#include "io_error.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace cli {

void FailWithErrno(const std::string& path) {
    throw IoError(path + ": " + std::strerror(errno));
}

#if defined(_WIN32)
void FailWithSystemError(const std::string& path, unsigned long error) {
    char text[512] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == '.' || reason.back() == ' '))
        reason.pop_back();
    if (reason.empty()) reason = "system error " + std::to_string(error);
    throw IoError(path + ": " + reason);
}
#endif

}  // namespace cli
