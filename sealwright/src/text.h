// A document's bytes as wide text.
#ifndef SEALWRIGHT_TEXT_H
#define SEALWRIGHT_TEXT_H

#include <string>

#include <cstddef>
#include <cstdint>

#include "secret_memory.h"

namespace sealwright {

// UTF-16 with a byte-order mark (either order), else UTF-8 (a byte-order mark
// allowed and dropped), into text sized once, in secret memory however short:
// no partial copy is left in freed memory, nor on the stack. False for
// anything malformed (an odd UTF-16 length, a lone surrogate, a bad UTF-8
// sequence) and for U+0000, which no XML text holds.
bool DecodeText(const std::uint8_t* bytes, std::size_t size, SecretText& text);

}  // namespace sealwright

#endif
