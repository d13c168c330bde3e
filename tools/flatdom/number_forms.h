// Whether text is wholly a number of the form the library reads it as. The
// library reads any text, as its contract says (the hexadecimal table weighs
// every character, decimal reading stops at the first character that is no
// digit); the command reads through it, and says when the text was no such
// number, so that a user does not take the value for the text's.
#ifndef FLATDOM_TOOLS_NUMBER_FORMS_H
#define FLATDOM_TOOLS_NUMBER_FORMS_H

#include <string>

namespace number_forms {

enum class Form {
    kHexDigits,  // HexStringToInt: hexadecimal digits alone
    kHex,        // GetXmlHexNumber: hexadecimal digits after an optional 0x
    kHexOrDec,   // GetXmlNumber_Hex_or_Dec: hexadecimal after 0x, else decimal
    kFloat,      // GetXmlFloat: a floating-point number, as wcstod reads one
};

// What is wrong with text as a number of form (a sentence about the text,
// "" when it is one): not such a number, or one the reading bounds (beyond
// 32 bits, or the range of a double).
std::wstring Doubt(Form form, const std::wstring& text);

}  // namespace number_forms

#endif
