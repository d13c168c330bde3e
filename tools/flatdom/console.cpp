#include "console.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#include <shellapi.h>
#endif

namespace console {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
        out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F))};
    } else {
        out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
}

#if !defined(_WIN32)
// UTF-8 to wide text; false for anything malformed: a bad lead or
// continuation byte, an overlong form, a surrogate, a value past U+10FFFF.
bool FromUtf8(const std::string& bytes, std::wstring& text) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t extra;
        char32_t c, minimum;
        if (lead < 0x80) {
            extra = 0, c = lead, minimum = 0;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, c = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, c = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, c = lead & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < minimum || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return false;
        text += static_cast<wchar_t>(c);
        i += extra + 1;
    }
    return true;
}
#endif

}  // namespace

bool Arguments(int argc, char** argv, std::vector<std::wstring>& arguments, int& bad) {
    arguments.clear();
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    (void)bad;
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            arguments.emplace_back(wide[i]);
        LocalFree(wide);
    }
#else
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back();
        if (!FromUtf8(argv[i], arguments.back())) {
            bad = i;
            return false;
        }
    }
#endif
    return true;
}

// The reason the first write to standard output failed, if one did.
int g_outputError = 0;

void Write(std::FILE* stream, const std::wstring& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
            text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
        }
        AppendUtf8(bytes, c);
    }
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
