// The conversions with arbitrary input. The fixed-point text is read against
// printf's exact decimal text of the same value: it must be that text cut
// short, keep every integer digit, and keep the 240 digits the text promises
// at least (all of them when there are no more). printf rounds an exact tie
// to even, the conversion away from zero, which is checked against printf's
// digits at the tie made one unit larger.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_support.h"

namespace {

// text one unit larger in its last digit, away from zero.
std::string UnitUp(std::string text) {
    for (std::size_t i = text.size(); i-- > 0;) {
        if (text[i] == '.') continue;
        if (text[i] == '-') break;
        if (text[i] != '9') {
            ++text[i];
            return text;
        }
        text[i] = '0';
    }
    text.insert(text[0] == '-' ? 1 : 0, 1, '1');
    return text;
}

// printf's text of value at count places, an exact tie rounded away from zero.
std::string Exact(double value, int count) {
    char buffer[2048];
    std::snprintf(buffer, sizeof buffer, "%.1100f", value);  // every digit a double has
    const std::string all = buffer;
    const std::size_t next = all.find('.') + 1 + static_cast<std::size_t>(count);
    if (all[next] == '5' && all.find_first_not_of('0', next + 1) == std::string::npos) {
        return UnitUp(all.substr(0, count > 0 ? next : next - 1));
    }
    std::snprintf(buffer, sizeof buffer, "%.*f", count, value);
    return buffer;
}

std::size_t Digits(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), ::isdigit));
}

void Check(const CString& text, double value, int count) {
    const std::wstring wide = text.GetString();
    const std::string ours(wide.begin(), wide.end());
    char buffer[2048];
    if (std::isnan(value) || std::isinf(value)) {
        std::snprintf(buffer, sizeof buffer, "%f", value);  // "nan", "inf", "-inf"
        if (ours != (std::isnan(value) ? "nan" : buffer)) __builtin_trap();
        return;
    }
    const std::string exact = Exact(value, std::max(count, 0));
    const bool cut = exact.compare(0, ours.size(), ours) != 0;
    const bool integerLost = ours.size() < std::min(exact.find('.'), exact.size());
    const bool tooShort = Digits(ours) < std::min<std::size_t>(Digits(exact), 240);
    const bool foreign = std::any_of(wide.begin(), wide.end(), [](wchar_t c) { return c > 0x7F; });
    if (foreign || cut || integerLost || tooShort) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 10) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const int count = static_cast<int>(static_cast<std::int16_t>(data[8] | data[9] << 8)) % 400;
    Check(DoubleToString(value, count), value, count);
    float single;
    std::memcpy(&single, data, sizeof single);
    Check(FloatToString(single, count), single, count);

    std::wstring text;
    for (std::size_t i = 10; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    HexStringToInt(text.c_str());
    return 0;
}
