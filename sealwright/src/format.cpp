#include "format.h"

#include <cstring>

namespace sealwright {

bool HasSealedHeader(const std::uint8_t* bytes, std::size_t size) {
    return size > sizeof kMagic && std::memcmp(bytes, kMagic, sizeof kMagic) == 0;
}

Bytes Seal(const Key& key, const std::uint8_t* plain, std::size_t size, const Nonce* nonce) {
    if (size > kMaxPayload) return {};
    Nonce fresh;
    if (!nonce) {
        if (!crypto::RandomBytes(fresh.data(), fresh.size())) return {};
        nonce = &fresh;
    }
    Bytes sealed(kHeaderSize + size + kTagSize);
    std::memcpy(sealed.data(), kMagic, sizeof kMagic);
    sealed[sizeof kMagic] = kVersion;
    std::memcpy(sealed.data() + sizeof kMagic + 1, nonce->data(), nonce->size());
    if (!crypto::Encrypt(key, *nonce, sealed.data(), kHeaderSize, plain, size,
                         sealed.data() + kHeaderSize, sealed.data() + kHeaderSize + size)) {
        return {};
    }
    return sealed;
}

bool OpenInPlace(const Key& key, std::uint8_t* sealed, std::size_t size, std::size_t& plainSize) {
    plainSize = 0;
    if (size < kHeaderSize + kTagSize || size > kMaxSealedFile || !HasSealedHeader(sealed, size) ||
        sealed[sizeof kMagic] != kVersion) {
        return false;
    }
    Nonce nonce;
    std::memcpy(nonce.data(), sealed + sizeof kMagic + 1, nonce.size());
    const std::size_t cipherSize = size - kHeaderSize - kTagSize;
    std::uint8_t tag[kTagSize];
    std::memcpy(tag, sealed + kHeaderSize + cipherSize, kTagSize);
    // The cipher text becomes the document where it is: both of the
    // system's ciphers take the same buffer for input and output.
    if (!crypto::Decrypt(key, nonce, sealed, kHeaderSize, sealed + kHeaderSize, cipherSize, tag,
                         sealed + kHeaderSize)) {
        return false;
    }
    plainSize = cipherSize;
    return true;
}

void Wipe(void* data, std::size_t size) {
    if (data && size) crypto::Cleanse(data, size);
}

}  // namespace sealwright
