// Hexadecimal text to numbers, numbers to fixed-point text.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "frame/library.h"

namespace {

// Digits of the digit string used after the point at most.
constexpr std::size_t kUsableDigits = 240;
// The longest text the formatting steps give exactly; beyond it the text
// still grows, and ends in a digit.
constexpr std::size_t kMaxExactText = 255;

// A character's weight: fixed by its code point alone, digits and letters of
// either case giving their hexadecimal value, everything else what the same
// formula makes of it.
std::uint32_t HexWeight(wchar_t character) {
    const auto c = static_cast<std::uint32_t>(character);
    if (c >= 0x41 && c <= 0x5F) return c - 55;
    if (c >= 0x61) return c - 87;
    return c - 48;  // wraps below '0': the weight is negative
}

CString FixedPoint(double value, int count) {
    if (count < 0) count = 0;
    if (std::isnan(value)) return CString(L"nan");
    if (std::isinf(value)) return CString(value < 0 ? L"-inf" : L"inf");

    int decimal = 0;
    int sign = 0;
    const char* digits = _fcvt(value, count, &decimal, &sign);
    if (!digits) digits = "";
    // The digits end at the NUL; a runtime that writes anything else there
    // past its limits ends them sooner, rather than have it copied.
    std::size_t length = 0;
    while (digits[length] >= '0' && digits[length] <= '9')
        ++length;
    const std::size_t usable = std::min(length, kUsableDigits);

    std::wstring text;
    std::size_t read = 0;
    if (sign) text += L'-';
    if (decimal > 0) {
        for (; read < static_cast<std::size_t>(decimal) && read < length; ++read) {
            text += static_cast<wchar_t>(digits[read]);
        }
        // The point whenever digits are asked for after it, as long as the
        // text stays within 255 characters; a longer text gets one only
        // where fraction digits follow it.
        const std::size_t fraction = usable > read ? usable - read : 0;
        if (count != 0 && (fraction > 0 || text.size() + 1 <= kMaxExactText)) text += L'.';
    } else {
        text += L'0';
        if (usable > 0) {
            text += L'.';
            text.append(static_cast<std::size_t>(-static_cast<long long>(decimal)), L'0');
        } else if (count > 0) {
            // Rounds to zero at this precision: zero with all its places.
            text += L'.';
            text.append(std::min(static_cast<std::size_t>(count), kUsableDigits), L'0');
        }
    }
    for (; read < usable; ++read)
        text += static_cast<wchar_t>(digits[read]);
    CString response(text.c_str());
    return response;
}

}  // namespace

long HexStringToInt(const wchar_t* text) {
    if (!text) return 0;
    return flatdom::NoThrow(0L, [&] {
        std::uint32_t accumulator = 0;
        for (const wchar_t* c = text; *c; ++c)
            accumulator = accumulator * 16 + HexWeight(*c);
        return static_cast<long>(static_cast<std::int32_t>(accumulator));
    });
}

CString DoubleToString(double value, int count) {
    return flatdom::NoThrow(CString(), [&] { return FixedPoint(value, count); });
}

CString FloatToString(float value, int count) {
    return flatdom::NoThrow(CString(),
                            [&] { return FixedPoint(static_cast<double>(value), count); });
}
