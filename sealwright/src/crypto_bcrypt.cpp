#include <windows.h>
#include <bcrypt.h>

#include <climits>

#include "crypto.h"

namespace sealwright::crypto {
namespace {

bool Ok(NTSTATUS status) {
    return status >= 0;
}

bool Fits(std::size_t size) {
    return size <= ULONG_MAX;
}

// An AES-256-GCM key object; empty when the provider refuses.
class GcmKey {
  public:
    explicit GcmKey(const Key& key) {
        if (!Ok(BCryptOpenAlgorithmProvider(&m_algorithm, BCRYPT_AES_ALGORITHM, nullptr, 0))) {
            m_algorithm = nullptr;
            return;
        }
        const auto* mode = reinterpret_cast<const UCHAR*>(BCRYPT_CHAIN_MODE_GCM);
        if (!Ok(BCryptSetProperty(m_algorithm, BCRYPT_CHAINING_MODE, const_cast<PUCHAR>(mode),
                                  sizeof(BCRYPT_CHAIN_MODE_GCM), 0)) ||
            !Ok(BCryptGenerateSymmetricKey(m_algorithm, &m_key, nullptr, 0,
                                           const_cast<PUCHAR>(key.data()),
                                           static_cast<ULONG>(key.size()), 0))) {
            m_key = nullptr;
        }
    }
    ~GcmKey() {
        if (m_key) BCryptDestroyKey(m_key);
        if (m_algorithm) BCryptCloseAlgorithmProvider(m_algorithm, 0);
    }
    GcmKey(const GcmKey&) = delete;
    GcmKey& operator=(const GcmKey&) = delete;

    BCRYPT_KEY_HANDLE get() const { return m_key; }

  private:
    BCRYPT_ALG_HANDLE m_algorithm = nullptr;
    BCRYPT_KEY_HANDLE m_key = nullptr;
};

BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO ModeInfo(const Nonce& nonce, const std::uint8_t* aad,
                                               std::size_t aadSize, std::uint8_t* tag) {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = const_cast<PUCHAR>(nonce.data());
    info.cbNonce = static_cast<ULONG>(nonce.size());
    info.pbAuthData = const_cast<PUCHAR>(aad);
    info.cbAuthData = static_cast<ULONG>(aadSize);
    info.pbTag = tag;
    info.cbTag = kTagSize;
    return info;
}

// Buffers for BCryptEncrypt and BCryptDecrypt: a null output only asks for
// the size, and then no tag is made or checked, so an empty text gets room
// of its own.
struct Room {
    std::uint8_t spare = 0;
    PUCHAR In(const std::uint8_t* bytes) { return const_cast<PUCHAR>(bytes ? bytes : &spare); }
    PUCHAR Out(std::uint8_t* bytes) { return bytes ? bytes : &spare; }
};

}  // namespace

bool RandomBytes(std::uint8_t* out, std::size_t size) {
    return Fits(size) && Ok(BCryptGenRandom(nullptr, out, static_cast<ULONG>(size),
                                            BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool Encrypt(const Key& key, const Nonce& nonce, const std::uint8_t* aad, std::size_t aadSize,
             const std::uint8_t* plain, std::size_t size, std::uint8_t* out,
             std::uint8_t tag[kTagSize]) {
    GcmKey gcm(key);
    if (!gcm.get() || !Fits(size) || !Fits(aadSize)) return false;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = ModeInfo(nonce, aad, aadSize, tag);
    ULONG written = 0;
    Room room;
    return Ok(BCryptEncrypt(gcm.get(), room.In(plain), static_cast<ULONG>(size), &info, nullptr, 0,
                            room.Out(out), static_cast<ULONG>(size), &written, 0));
}

bool Decrypt(const Key& key, const Nonce& nonce, const std::uint8_t* aad, std::size_t aadSize,
             const std::uint8_t* cipher, std::size_t size, const std::uint8_t tag[kTagSize],
             std::uint8_t* out) {
    GcmKey gcm(key);
    if (!gcm.get() || !Fits(size) || !Fits(aadSize)) return false;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info =
        ModeInfo(nonce, aad, aadSize, const_cast<std::uint8_t*>(tag));
    ULONG written = 0;
    Room room;
    return Ok(BCryptDecrypt(gcm.get(), room.In(cipher), static_cast<ULONG>(size), &info, nullptr, 0,
                            room.Out(out), static_cast<ULONG>(size), &written, 0));
}

void Cleanse(void* data, std::size_t size) {
    SecureZeroMemory(data, size);
}

}  // namespace sealwright::crypto
