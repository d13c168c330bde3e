#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>
#include <memory>

#include "crypto.h"

namespace sealwright::crypto {
namespace {

using Context = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

bool Fits(std::size_t size) {
    return size <= static_cast<std::size_t>(INT_MAX);
}

// Sets up AES-256-GCM in one direction and feeds the additional data.
Context Start(const Key& key, const Nonce& nonce, const std::uint8_t* aad, std::size_t aadSize,
              bool encrypt) {
    Context context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    int unused = 0;
    if (!context || !Fits(aadSize) ||
        EVP_CipherInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr, encrypt) !=
            1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(nonce.size()),
                            nullptr) != 1 ||
        EVP_CipherInit_ex(context.get(), nullptr, nullptr, key.data(), nonce.data(), encrypt) !=
            1 ||
        EVP_CipherUpdate(context.get(), nullptr, &unused, aad, static_cast<int>(aadSize)) != 1) {
        context.reset();
    }
    return context;
}

}  // namespace

bool RandomBytes(std::uint8_t* out, std::size_t size) {
    return Fits(size) && RAND_bytes(out, static_cast<int>(size)) == 1;
}

bool Encrypt(const Key& key, const Nonce& nonce, const std::uint8_t* aad, std::size_t aadSize,
             const std::uint8_t* plain, std::size_t size, std::uint8_t* out,
             std::uint8_t tag[kTagSize]) {
    Context context = Start(key, nonce, aad, aadSize, true);
    int written = 0;
    int last = 0;
    return context && Fits(size) &&
           EVP_EncryptUpdate(context.get(), out, &written, plain, static_cast<int>(size)) == 1 &&
           EVP_EncryptFinal_ex(context.get(), out + written, &last) == 1 &&
           EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, tag) == 1;
}

bool Decrypt(const Key& key, const Nonce& nonce, const std::uint8_t* aad, std::size_t aadSize,
             const std::uint8_t* cipher, std::size_t size, const std::uint8_t tag[kTagSize],
             std::uint8_t* out) {
    Context context = Start(key, nonce, aad, aadSize, false);
    int written = 0;
    int last = 0;
    return context && Fits(size) &&
           EVP_DecryptUpdate(context.get(), out, &written, cipher, static_cast<int>(size)) == 1 &&
           EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, kTagSize,
                               const_cast<std::uint8_t*>(tag)) == 1 &&
           EVP_DecryptFinal_ex(context.get(), out + written, &last) == 1;
}

void Cleanse(void* data, std::size_t size) {
    OPENSSL_cleanse(data, size);
}

}  // namespace sealwright::crypto
