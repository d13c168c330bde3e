#include "format.h"

#include <cstring>

namespace sealwright {

bool HasSealedHeader(const std::uint8_t* bytes, std::size_t size) {
    return size > sizeof kMagic && std::memcmp(bytes, kMagic, sizeof kMagic) == 0;
}

Bytes Seal(const Key& key, const Bytes& plain, const Nonce* nonce) {
    if (plain.size() > kMaxPayload) return {};
    Nonce fresh;
    if (!nonce) {
        if (!crypto::RandomBytes(fresh.data(), fresh.size())) return {};
        nonce = &fresh;
    }
    Bytes sealed(kHeaderSize + plain.size() + kTagSize);
    std::memcpy(sealed.data(), kMagic, sizeof kMagic);
    sealed[sizeof kMagic] = kVersion;
    std::memcpy(sealed.data() + sizeof kMagic + 1, nonce->data(), nonce->size());
    if (!crypto::Encrypt(key, *nonce, sealed.data(), kHeaderSize, plain.data(), plain.size(),
                         sealed.data() + kHeaderSize, sealed.data() + kHeaderSize + plain.size())) {
        return {};
    }
    return sealed;
}

bool Open(const Key& key, const Bytes& sealed, Bytes& plain) {
    plain.clear();
    if (sealed.size() < kHeaderSize + kTagSize || sealed.size() > kMaxSealedFile ||
        !HasSealedHeader(sealed.data(), sealed.size()) || sealed[sizeof kMagic] != kVersion) {
        return false;
    }
    Nonce nonce;
    std::memcpy(nonce.data(), sealed.data() + sizeof kMagic + 1, nonce.size());
    const std::size_t size = sealed.size() - kHeaderSize - kTagSize;
    plain.resize(size);
    if (!crypto::Decrypt(key, nonce, sealed.data(), kHeaderSize, sealed.data() + kHeaderSize, size,
                         sealed.data() + kHeaderSize + size, plain.data())) {
        Wipe(plain.data(), plain.size());
        plain.clear();
        return false;
    }
    return true;
}

void Wipe(void* data, std::size_t size) {
    if (data && size) crypto::Cleanse(data, size);
}

}  // namespace sealwright
