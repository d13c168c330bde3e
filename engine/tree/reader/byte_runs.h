// Runs of bytes of one class (byte_classes.h), read 16 bytes at a time
// where the machine has SSE2 and byte by byte elsewhere: white space between
// markup, character data and attribute values are most of a document's
// bytes. Each function takes the byte after a run's start and gives the
// first byte past the run. They read up to 15 bytes past that byte, which
// the window allows: the byte after its end is 0, which ends every run, and
// kPadding bytes may be read past it.
#ifndef FLATDOM_ENGINE_TREE_READER_BYTE_RUNS_H
#define FLATDOM_ENGINE_TREE_READER_BYTE_RUNS_H

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "byte_classes.h"

namespace engine::tree::reader {

#if defined(__SSE2__)

namespace detail {

// One bit for each of the 16 bytes at p that is c.
inline __m128i Equal(__m128i bytes, char c) {
    return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c));
}

// The bytes below the space, and those of 0x80 and more (negative as
// signed bytes): what no run of ASCII text holds but for tab and line feed.
inline __m128i Unprintable(__m128i bytes) {
    return _mm_cmplt_epi8(bytes, _mm_set1_epi8(' '));
}

inline __m128i Load16(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The first byte of the 16 at p whose bit of stops is set; p + 16 when none.
inline const char* FirstOf(const char* p, __m128i stops) {
    const int mask = _mm_movemask_epi8(stops);
    return mask == 0 ? p + 16 : p + __builtin_ctz(static_cast<unsigned>(mask));
}

}  // namespace detail

// Spaces, tabs and line feeds: white space but for carriage returns, which
// character data does not keep as they stand.
inline char* SkipBlanks(char* p) {
    for (;;) {
        const __m128i bytes = detail::Load16(p);
        const __m128i blanks =
            _mm_or_si128(_mm_or_si128(detail::Equal(bytes, ' '), detail::Equal(bytes, '\t')),
                         detail::Equal(bytes, '\n'));
        const int mask = ~_mm_movemask_epi8(blanks) & 0xFFFF;
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
}

// Character data that stands as it is (kTextByte).
inline char* SkipText(char* p) {
    for (;;) {
        const __m128i bytes = detail::Load16(p);
        const __m128i stops = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(detail::Equal(bytes, '<'), detail::Equal(bytes, '&')),
                         _mm_or_si128(detail::Equal(bytes, ']'), detail::Equal(bytes, '\r'))),
            detail::Unprintable(bytes));
        p = const_cast<char*>(detail::FirstOf(p, stops));
        // Tab and line feed stop the 16 bytes too, and go on the run.
        if (!Is(*p, kTextByte)) return p;
        if (*p == '\t' || *p == '\n') ++p;
    }
}

// The bytes of an attribute value that stand as they are (kValueByte).
inline char* SkipValue(char* p) {
    for (;;) {
        const __m128i bytes = detail::Load16(p);
        const __m128i stops = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(detail::Equal(bytes, '<'), detail::Equal(bytes, '&')),
                         _mm_or_si128(detail::Equal(bytes, '"'), detail::Equal(bytes, '\''))),
            detail::Unprintable(bytes));
        const char* const stop = detail::FirstOf(p, stops);
        if (stop != p + 16) return const_cast<char*>(stop);
        p += 16;
    }
}

#else

inline char* SkipBlanks(char* p) {
    while (Is(*p, kSpaceByte) && *p != '\r')
        ++p;
    return p;
}

inline char* SkipText(char* p) {
    while (Is(*p, kTextByte))
        ++p;
    return p;
}

inline char* SkipValue(char* p) {
    while (Is(*p, kValueByte))
        ++p;
    return p;
}

#endif

}  // namespace engine::tree::reader

#endif
