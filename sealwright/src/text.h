// A document's bytes as wide text.
#ifndef SEALWRIGHT_TEXT_H
#define SEALWRIGHT_TEXT_H

#include <string>

#include "format.h"

namespace sealwright {

// UTF-16 with a byte-order mark (either order), else UTF-8 (a byte-order mark
// allowed and dropped). False for anything malformed: an odd UTF-16 length, a
// lone surrogate, a bad UTF-8 sequence.
bool DecodeText(const Bytes& bytes, std::wstring& text);

}  // namespace sealwright

#endif
