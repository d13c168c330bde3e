// The cipher and the random source: OpenSSL's libcrypto on Linux, the
// system's CNG (BCrypt) on Windows.
#ifndef SEALWRIGHT_CRYPTO_H
#define SEALWRIGHT_CRYPTO_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace sealwright {

// AES-256-GCM's key, nonce and tag.
using Key = std::array<std::uint8_t, 32>;
using Nonce = std::array<std::uint8_t, 12>;
constexpr std::size_t kTagSize = 16;

}  // namespace sealwright

namespace sealwright::crypto {

bool RandomBytes(std::uint8_t* out, std::size_t size);

// AES-256-GCM; out has room for size bytes.
bool Encrypt(const Key& key, const Nonce& nonce, const std::uint8_t* aad, std::size_t aadSize,
             const std::uint8_t* plain, std::size_t size, std::uint8_t* out,
             std::uint8_t tag[kTagSize]);
// False when the tag does not authenticate; out is then to be discarded.
// out may be cipher itself (decrypting in place), never a part of it.
bool Decrypt(const Key& key, const Nonce& nonce, const std::uint8_t* aad, std::size_t aadSize,
             const std::uint8_t* cipher, std::size_t size, const std::uint8_t tag[kTagSize],
             std::uint8_t* out);

void Cleanse(void* data, std::size_t size);

}  // namespace sealwright::crypto

#endif
