// The conversions with arbitrary input. The fixed-point formatter is checked
// against a reference that works from printf's exact decimal text, not from
// _fcvt as the formatter does.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_support.h"

namespace {

constexpr std::size_t kCap = 240;  // digits the formatter keeps at most

std::wstring Reference(double value, int count) {
    if (std::isnan(value)) return L"nan";
    if (std::isinf(value)) return value < 0 ? L"-inf" : L"inf";
    if (count < 0) count = 0;
    char text[2048];
    std::snprintf(text, sizeof text, "%.*f", count, value);
    std::string printed = text;
    const bool negative = printed[0] == '-';
    if (negative) printed.erase(0, 1);
    const std::size_t dot = printed.find('.');
    std::string integer = printed.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : printed.substr(dot + 1);

    std::string out = negative ? "-" : "";
    if (integer != "0") {  // the digits start in the integer part
        out += integer;
        const std::size_t room = integer.size() < kCap ? kCap - integer.size() : 0;
        fraction = fraction.substr(0, room);
        // A point with nothing after it only while the text is short.
        if (!fraction.empty() || (count > 0 && out.size() < 255)) out += "." + fraction;
    } else {
        const std::size_t zeros = fraction.find_first_not_of('0');
        out += "0";
        if (zeros == std::string::npos) {  // zero at this precision
            if (count > 0) out += "." + std::string(std::min<std::size_t>(count, kCap), '0');
        } else {
            out += "." + fraction.substr(0, zeros) + fraction.substr(zeros, kCap);
        }
    }
    return std::wstring(out.begin(), out.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 10) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const int count = static_cast<int>(static_cast<std::int16_t>(data[8] | data[9] << 8)) % 400;
    if (DoubleToString(value, count) != Reference(value, count).c_str()) __builtin_trap();
    float single;
    std::memcpy(&single, data, sizeof single);
    if (FloatToString(single, count) != Reference(single, count).c_str()) __builtin_trap();

    std::wstring text;
    for (std::size_t i = 10; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    HexStringToInt(text.c_str());
    return 0;
}
