// _fcvt: exact decimal digits of a double at a given number of places, the
// same whatever the locale. std::to_chars prints the exact decimal expansion
// of a double at any precision, correctly rounded and always with a point;
// this turns its fixed notation into _fcvt's digit string.
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
            std::to_chars(text, text + sizeof text, magnitude, std::chars_format::fixed, count);
        std::string fixed(text, result.ptr);
        const std::size_t dot = fixed.find('.');
        const std::size_t integerDigits = dot == std::string::npos ? fixed.size() : dot;
        if (dot != std::string::npos) fixed.erase(dot, 1);
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
