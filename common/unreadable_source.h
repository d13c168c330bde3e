// A document whose file cannot be read, as the library hands it to the
// engine: load() given a VARIANT of type VT_ERROR whose code carries the C
// runtime's errno, so that the engine's parse error says why in the system's
// words. The system's engine on Windows takes no such source, and keeps the
// report it gives for a document that received nothing.
#ifndef FLATDOM_COMMON_UNREADABLE_SOURCE_H
#define FLATDOM_COMMON_UNREADABLE_SOURCE_H

#include <cstdint>

namespace unreadable_source {

// Codes of the interface's own facility (FACILITY_ITF), from 0x0200 up, as
// COM leaves them to an interface's use: the first, then one for each errno.
constexpr std::uint32_t kFirst = 0x80040200u;
constexpr std::uint32_t kLast = 0x8004FFFFu;

// The code for errno error; the first one when there is no errno.
inline std::int32_t Code(int error) {
    const bool fits = error > 0 && static_cast<std::uint32_t>(error) <= kLast - kFirst;
    return static_cast<std::int32_t>(kFirst + (fits ? static_cast<std::uint32_t>(error) : 0u));
}

// The errno that code carries (0 for none); -1 for a code not made by Code.
inline int Errno(std::int32_t code) {
    const auto value = static_cast<std::uint32_t>(code);
    return value >= kFirst && value <= kLast ? static_cast<int>(value - kFirst) : -1;
}

}  // namespace unreadable_source

#endif
