#include "number_forms.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>

namespace number_forms {
namespace {

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

bool HasHexPrefix(const std::wstring& text) {
    return text.size() >= 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
}

// The leading white space the C runtime's readers skip.
std::size_t Skipped(const std::wstring& text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == L' ' || (text[at] >= L'\t' && text[at] <= L'\r')))
        ++at;
    return at;
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// Hexadecimal digits from at to the end: 8 at most, leading zeros aside.
std::wstring HexDoubt(const std::wstring& text, std::size_t at) {
    if (at == text.size()) return Quoted(text) + L" is not a hexadecimal number";
    for (std::size_t i = at; i < text.size(); ++i) {
        if (!IsHexDigit(text[i])) return Quoted(text) + L" is not a hexadecimal number";
    }
    while (at + 1 < text.size() && text[at] == L'0')
        ++at;
    if (text.size() - at > 8) {
        return Quoted(text) + L" has more than 8 hexadecimal digits: the value wraps at 32 bits";
    }
    return L"";
}

// An optional sign and decimal digits, after white space, within 32 bits.
std::wstring DecimalDoubt(const std::wstring& text) {
    std::size_t at = Skipped(text);
    const bool negative = at < text.size() && text[at] == L'-';
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) ++at;
    const std::size_t digits = at;
    long long value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        if (value <= INT_MAX) value = value * 10 + (text[at] - L'0');
    }
    if (at == digits || at != text.size()) return Quoted(text) + L" is not a decimal number";
    if (value > (negative ? -static_cast<long long>(INT_MIN) : INT_MAX)) {
        return Quoted(text) + L" is beyond the 32-bit range: read as the nearest bound";
    }
    return L"";
}

std::wstring FloatDoubt(const std::wstring& text) {
    wchar_t* end = nullptr;
    errno = 0;
    const double value = std::wcstod(text.c_str(), &end);
    if (end == text.c_str() || *end) return Quoted(text) + L" is not a floating-point number";
    if (errno == ERANGE && std::isinf(value)) {
        return Quoted(text) + L" is beyond the range of a double";
    }
    return L"";
}

}  // namespace

std::wstring Doubt(Form form, const std::wstring& text) {
    switch (form) {
        case Form::kHexDigits: {
            std::wstring doubt = HexDoubt(text, 0);
            if (!doubt.empty() && HasHexPrefix(text)) doubt += L" (hex reads digits alone, no 0x)";
            return doubt;
        }
        case Form::kHex:
            return HexDoubt(text, HasHexPrefix(text) ? 2 : 0);
        case Form::kHexOrDec:
            return HasHexPrefix(text) ? HexDoubt(text, 2) : DecimalDoubt(text);
        case Form::kFloat:
            return FloatDoubt(text);
    }
    return L"";
}

}  // namespace number_forms
