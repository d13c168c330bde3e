// A document's bytes as wide text, and wide paths as the system wants them.
#ifndef SEALWRIGHT_TEXT_H
#define SEALWRIGHT_TEXT_H

#include <string>

#include "format.h"

namespace sealwright {

// UTF-16 with a byte-order mark (either order), else UTF-8 (a byte-order mark
// allowed and dropped). False for anything malformed: an odd UTF-16 length, a
// lone surrogate, a bad UTF-8 sequence.
bool DecodeText(const Bytes& bytes, std::wstring& text);

// A wide path as UTF-8; unpaired surrogates and invalid code points become
// U+FFFD.
std::string PathToUtf8(const wchar_t* path);

}  // namespace sealwright

#endif
