#include "console.h"

#include <common/utf8.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#endif

namespace console {
namespace {

// The reason the first write to standard output failed, if one did.
int g_outputError = 0;

#if defined(_WIN32)
// A console shows bytes in its own code page, which need not be UTF-8: where
// stream is a console, text goes to it as wide characters, and written says
// whether all of it arrived. False where stream is no console (a pipe, a
// file): the text is for the bytes' writer.
bool WriteToConsole(std::FILE* stream, const std::wstring& text, bool& written) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
    std::fflush(stream);  // what went before, in order
    written = true;
    for (std::size_t at = 0; at < text.size();) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(text.size() - at, 8192));
        DWORD count = 0;
        if (!WriteConsoleW(handle, text.data() + at, piece, &count, nullptr) || count == 0) {
            written = false;
            break;
        }
        at += count;
    }
    return true;
}
#endif

}  // namespace

std::vector<Argument> Arguments(int argc, char** argv) {
    std::vector<Argument> arguments;
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            arguments.push_back({wide[i], std::string(), true, i});
        LocalFree(wide);
    }
#else
    for (int i = 1; i < argc; ++i) {
        Argument argument{std::wstring(), argv[i], true, i};
        const std::size_t size = argument.bytes.size();
        if (!utf8::ToWide(argv[i], size, argument.text, utf8::Invalid::kRefuse)) {
            argument.utf8 = false;
            utf8::ToWide(argv[i], size, argument.text, utf8::Invalid::kReplace);
        }
        arguments.push_back(std::move(argument));
    }
#endif
    return arguments;
}

void Write(std::FILE* stream, const std::wstring& text) {
#if defined(_WIN32)
    if (bool written = false; WriteToConsole(stream, text, written)) {
        if (!written && stream == stdout && !g_outputError) g_outputError = EIO;
        return;
    }
#endif
    const std::string bytes = utf8::FromWide(text.data(), text.size());
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size() && stream == stdout &&
        !g_outputError) {
        g_outputError = errno ? errno : EIO;
    }
}

bool OutputArrived(std::wstring& why) {
    errno = 0;
    if (std::fflush(stdout) != 0 && !g_outputError) g_outputError = errno ? errno : EIO;
    if (!g_outputError && !std::ferror(stdout)) return true;
    const std::string reason = std::strerror(g_outputError ? g_outputError : EIO);
    why.assign(reason.begin(), reason.end());
    return false;
}

}  // namespace console
