// _fcvt: exact decimal digits of a double at a given number of places, the
// same whatever the locale. std::to_chars prints the exact decimal expansion
// of a double when asked for every place it can have; this rounds that at
// count places as the Windows runtime does (exact ties away from zero) and
// turns it into _fcvt's digit string.
#include <flatdom/platform/crt.h>

#include <charconv>
#include <cmath>
#include <string>

namespace {

// A double has at most 1074 digits after the point; past that they are zeros.
constexpr int kMaxCount = 1100;
// Room for the integer digits of the largest double, the point and the rest.
constexpr int kMaxFixed = 309 + 1 + kMaxCount;

thread_local std::string t_digits;

}  // namespace

extern "C" {

char* _fcvt(double value, int count, int* decimal, int* sign) {
    std::string& digits = t_digits;
    digits.clear();
    if (count < 0) count = 0;
    if (count > kMaxCount) count = kMaxCount;
    if (sign) *sign = std::signbit(value) ? 1 : 0;
    int point = 0;
    if (std::isfinite(value)) {
        const double magnitude = std::fabs(value);
        char text[kMaxFixed + 1];
        const auto result =
            std::to_chars(text, text + sizeof text, magnitude, std::chars_format::fixed, kMaxCount);
        const std::string exact(text, result.ptr);
        std::size_t integerDigits = exact.find('.');
        std::string fixed = exact.substr(0, integerDigits) +
                            exact.substr(integerDigits + 1, static_cast<std::size_t>(count));
        // The first digit dropped decides: 5 or more is half or beyond.
        const std::size_t dropped = integerDigits + 1 + static_cast<std::size_t>(count);
        if (dropped < exact.size() && exact[dropped] >= '5') {
            std::size_t at = fixed.size();
            while (at > 0 && fixed[at - 1] == '9')
                fixed[--at] = '0';
            if (at > 0) {
                ++fixed[at - 1];
            } else {
                fixed.insert(fixed.begin(), '1');
                ++integerDigits;
            }
        }
        const std::size_t firstSignificant = fixed.find_first_not_of('0');
        if (firstSignificant != std::string::npos) {
            digits.assign(fixed, firstSignificant, std::string::npos);
            point = static_cast<int>(integerDigits) - static_cast<int>(firstSignificant);
        } else if (magnitude == 0.0) {
            digits.assign(static_cast<std::size_t>(count), '0');
        } else {
            point = -count;  // rounds to zero: no digit at all
        }
    }
    if (decimal) *decimal = point;
    return digits.data();
}

}  // extern "C"
