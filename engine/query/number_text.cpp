#include "number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "engine/tree/xml_chars.h"

namespace engine::query {

double TextToNumber(std::string_view text) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsXmlSpace(text[begin]))
        ++begin;
    while (end > begin && IsXmlSpace(text[end - 1]))
        --end;
    std::size_t at = begin;
    const bool negative = at < end && text[at] == '-';
    if (negative) ++at;
    std::size_t digits = 0;
    long leadingZeros = 0;  // before the first significant digit
    long integerDigits = 0;
    bool significant = false;
    for (; at < end && IsAsciiDigit(text[at]); ++at, ++digits) {
        significant = significant || text[at] != '0';
        if (significant) ++integerDigits;
    }
    if (at < end && text[at] == '.') {
        for (++at; at < end && IsAsciiDigit(text[at]); ++at, ++digits) {
            if (!significant && text[at] == '0') ++leadingZeros;
            significant = significant || text[at] != '0';
        }
    }
    if (digits == 0) return kNaN;
    long exponent = 0;
    if (at < end && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        const bool negativeExponent = at < end && text[at] == '-';
        if (at < end && (text[at] == '-' || text[at] == '+')) ++at;
        if (at == end || !IsAsciiDigit(text[at])) return kNaN;
        for (; at < end && IsAsciiDigit(text[at]); ++at)
            exponent = exponent < 100000 ? exponent * 10 + (text[at] - '0') : exponent;
        if (negativeExponent) exponent = -exponent;
    }
    if (at != end) return kNaN;
    if (!significant) return negative ? -0.0 : 0.0;
    const char* first = text.data() + (negative ? begin + 1 : begin);
    double value = 0;
    const std::from_chars_result read = std::from_chars(first, text.data() + end, value);
    if (read.ec == std::errc::result_out_of_range) {
        // Beyond the doubles: the magnitude's decimal exponent says which way.
        const long magnitude = (integerDigits > 0 ? integerDigits : -leadingZeros) + exponent;
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (read.ec != std::errc() || read.ptr != text.data() + end) {
        return kNaN;
    }
    return negative ? -value : value;
}

void AppendNumber(double number, std::string& out) {
    if (std::isnan(number)) {
        out += "NaN";
        return;
    }
    if (std::isinf(number)) {
        out += number < 0 ? "-Infinity" : "Infinity";
        return;
    }
    if (number == 0) {
        out += '0';
        return;
    }
    // The shortest digits that read back as the number, and their exponent.
    char buffer[32];
    const std::to_chars_result written =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::scientific);
    const std::string_view scientific(buffer, static_cast<std::size_t>(written.ptr - buffer));
    const std::size_t e = scientific.find('e');
    std::string_view mantissa = scientific.substr(0, e);
    if (mantissa.front() == '-') {
        out += '-';
        mantissa.remove_prefix(1);
    }
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') digits += c;
    }
    int exponent = 0;
    std::from_chars(scientific.data() + e + (scientific[e + 1] == '+' ? 2 : 1),
                    scientific.data() + scientific.size(), exponent);
    // digits d1 d2 ... dn stand for d1.d2...dn times ten to the exponent.
    const int count = static_cast<int>(digits.size());
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else if (exponent + 1 >= count) {
        out += digits;
        out.append(static_cast<std::size_t>(exponent + 1 - count), '0');
    } else {
        const std::size_t point = static_cast<std::size_t>(exponent) + 1;
        out.append(digits, 0, point);
        out += '.';
        out.append(digits, point, std::string::npos);
    }
}

}  // namespace engine::query
