// The sealed file format:
//
//   offset  size  field
//   0       8     magic 89 53 57 4C 0D 0A 1A 0A ("\x89SWL\r\n\x1a\n")
//   8       1     version, 1
//   9       12    nonce, random for every seal
//   21      n     the document's bytes under AES-256-GCM
//   21+n    16    the GCM tag
//
// The 21 header bytes are authenticated with the document (GCM's additional
// data), so no byte of the file can change unnoticed.
#ifndef SEALWRIGHT_FORMAT_H
#define SEALWRIGHT_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crypto.h"

namespace sealwright {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kMagic[8] = {0x89, 'S', 'W', 'L', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kHeaderSize = 8 + 1 + 12;

// The largest document the cipher takes: it is given in one piece, and
// OpenSSL counts a piece's bytes in an int.
constexpr std::uint64_t kMaxPayload = 0x7FFFFFFF;
// The largest sealed file: the header, the largest document, the tag.
constexpr std::uint64_t kMaxSealedFile = kHeaderSize + kMaxPayload + kTagSize;

// The first bytes of a file are a sealed file's magic and a version byte.
bool HasSealedHeader(const std::uint8_t* bytes, std::size_t size);

// The sealed form of the size bytes at plain under key, with this nonce (a
// fresh random one when none is given). Empty when the cipher fails or plain
// is larger than kMaxPayload.
Bytes Seal(const Key& key, const std::uint8_t* plain, std::size_t size,
           const Nonce* nonce = nullptr);
inline Bytes Seal(const Key& key, const Bytes& plain, const Nonce* nonce = nullptr) {
    return Seal(key, plain.data(), plain.size(), nonce);
}

// Opens the size bytes of a sealed file at sealed where they are, so that it
// costs its size once: when key opens it and nothing was changed, the
// document is then the plainSize bytes at sealed + kHeaderSize. False when
// it does not open; the bytes are then to be wiped, as after a success.
bool OpenInPlace(const Key& key, std::uint8_t* sealed, std::size_t size, std::size_t& plainSize);

// Overwrites memory so that the compiler cannot skip it.
void Wipe(void* data, std::size_t size);

}  // namespace sealwright

#endif
