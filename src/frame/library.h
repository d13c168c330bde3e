// What every source file of the library includes: the public declarations
// (built as exports) and the guard that keeps exceptions inside, which every
// export's body runs in, whether or not it can throw today.
#ifndef FLATDOM_FRAME_LIBRARY_H
#define FLATDOM_FRAME_LIBRARY_H

#include <flatdom/flatdom.h>

namespace flatdom {

// Runs body and answers its result, or onFailure if it throws: no exception
// leaves an export.
template <class Result, class Body>
Result NoThrow(Result onFailure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

// The same for exports that answer nothing.
template <class Body>
void NoThrow(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

}  // namespace flatdom

#endif
