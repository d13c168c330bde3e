#include "format.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <iterator>

#include "crypto.h"

namespace sealwright {

bool HasSealedHeader(const std::uint8_t* bytes, std::size_t size) {
    return size > sizeof kMagic && std::memcmp(bytes, kMagic, sizeof kMagic) == 0;
}

Bytes Seal(const Key& key, const Bytes& plain, const Nonce* nonce) {
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
    if (sealed.size() < kHeaderSize + kTagSize || !HasSealedHeader(sealed.data(), sealed.size()) ||
        sealed[sizeof kMagic] != kVersion) {
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

bool ParseKey(const std::string& hex, Key& key) {
    std::size_t begin = 0;
    std::size_t end = hex.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(hex[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(hex[end - 1])))
        --end;
    if (end - begin != key.size() * 2) return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        unsigned value = 0;
        for (std::size_t k = 0; k < 2; ++k) {
            const char c = hex[begin + 2 * i + k];
            unsigned digit;
            if (c >= '0' && c <= '9') {
                digit = static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<unsigned>(c - 'A' + 10);
            } else {
                return false;
            }
            value = value * 16 + digit;
        }
        key[i] = static_cast<std::uint8_t>(value);
    }
    return true;
}

std::string FormatKey(const Key& key) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t byte : key) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

bool GenerateKey(Key& key) {
    return crypto::RandomBytes(key.data(), key.size());
}

bool KeyFromEnvironment(Key& key, std::string* why) {
    auto fail = [&](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    if (const char* hex = std::getenv("SEALWRIGHT_KEY")) {
        std::string text(hex);
        const bool ok = ParseKey(text, key);
        Wipe(text.data(), text.size());
        return ok || fail("SEALWRIGHT_KEY is not 64 hexadecimal digits");
    }
    if (const char* path = std::getenv("SEALWRIGHT_KEY_FILE")) {
        std::ifstream file(path, std::ios::binary);
        if (!file) return fail("the file SEALWRIGHT_KEY_FILE names cannot be read");
        // Lines that start with '#' are comments.
        std::string text;
        for (std::string line; std::getline(file, line);) {
            if (line.empty() || line[0] != '#') text += line;
        }
        const bool ok = ParseKey(text, key);
        Wipe(text.data(), text.size());
        return ok || fail("the file SEALWRIGHT_KEY_FILE names does not hold 64 hexadecimal digits");
    }
    return fail("no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE");
}

void Wipe(void* data, std::size_t size) {
    if (data && size) crypto::Cleanse(data, size);
}

}  // namespace sealwright
