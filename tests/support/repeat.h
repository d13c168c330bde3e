// Text of a size for documents and queries: a piece repeated, or numbered.
#ifndef FLATDOM_TESTS_SUPPORT_REPEAT_H
#define FLATDOM_TESTS_SUPPORT_REPEAT_H

#include <string>

// piece, count times.
inline std::string Repeat(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

// n pieces, each a number from 0 on between before and after: "a0='' a1=''".
inline std::string Numbered(const std::string& before, const std::string& after, int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += before + std::to_string(i) + after;
    return text;
}

#endif
