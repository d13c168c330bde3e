// Numbers as XPath reads and writes them, the same in every locale (no
// strtod, no printf: those follow the host's LC_NUMERIC).
#ifndef FLATDOM_ENGINE_QUERY_NUMBER_TEXT_H
#define FLATDOM_ENGINE_QUERY_NUMBER_TEXT_H

#include <string>
#include <string_view>

namespace engine::query {

// XPath's number(): white space, an optional minus, digits with an optional
// decimal point (or a point and digits), an optional exponent ("1e3", as
// libxml2 has always read it here), white space; NaN for anything else.
// Correctly rounded.
double TextToNumber(std::string_view text);

// XPath's string() of a number, appended to out: "NaN", "Infinity",
// "-Infinity", "0" for either zero, an integer without a decimal point, and
// otherwise the fewest digits that tell the number from every other double,
// never with an exponent ("0.000001", "1e21" as "1000000000000000000000").
void AppendNumber(double number, std::string& out);

}  // namespace engine::query

#endif
