#include "text.h"

#include <cwchar>

namespace sealwright {
namespace {

bool IsScalar(char32_t c) {
    return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF);
}

// Appends one code point as wchar_t: itself where wchar_t holds code points,
// a surrogate pair where it holds UTF-16 units.
void AppendCodePoint(std::wstring& text, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (c >> 10));
            text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    text += static_cast<wchar_t>(c);
}

bool DecodeUtf16(const Bytes& bytes, bool bigEndian, std::wstring& text) {
    if (bytes.size() % 2 != 0) return false;
    auto unit = [&](std::size_t i) -> char32_t {
        const char32_t a = bytes[i];
        const char32_t b = bytes[i + 1];
        return bigEndian ? (a << 8) | b : (b << 8) | a;
    };
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 2 >= bytes.size()) return false;
            const char32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        AppendCodePoint(text, c);
    }
    return true;
}

bool DecodeUtf8(const Bytes& bytes, std::wstring& text) {
    std::size_t i = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i];
        std::size_t extra;
        char32_t c;
        char32_t minimum;
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
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            c = (c << 6) | (bytes[i + k] & 0x3F);
        }
        if (c < minimum || !IsScalar(c)) return false;
        AppendCodePoint(text, c);
        i += extra + 1;
    }
    return true;
}

}  // namespace

bool DecodeText(const Bytes& bytes, std::wstring& text) {
    text.clear();
    bool ok;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        ok = DecodeUtf16(bytes, false, text);
    } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        ok = DecodeUtf16(bytes, true, text);
    } else {
        ok = DecodeUtf8(bytes, text);
    }
    if (!ok) {
        Wipe(text.data(), text.size() * sizeof(wchar_t));
        text.clear();
    }
    return ok;
}

}  // namespace sealwright
