// The two calls a host makes: is this file sealed, and what does it hold.
#include <sealwright/sealwright.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "files.h"
#include "format.h"
#include "keys.h"
#include "platform.h"
#include "text.h"
#include "thread_state.h"

namespace sealwright {
namespace {

// Closes a file at the end of a scope.
struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// Wipes a buffer at the end of a scope.
template <class Buffer>
struct Wiper {
    Buffer& buffer;
    ~Wiper() { Wipe(buffer.data(), buffer.size() * sizeof(buffer[0])); }
};

bool Decrypt(ThreadState& state, const wchar_t* path, wchar_t** text) {
    std::string& failure = state.failure;
    Key key;
    Wiper<Key> keyWiper{key};
    if (!KeyFromEnvironment(key, &failure, &state.warning)) return false;
    FileCloser file{OpenForReading(path)};
    if (!file.file) {
        failure = std::string("the file cannot be read: ") + std::strerror(errno);
        return false;
    }
    Bytes sealed;
    if (!ReadAll(file.file, sealed)) {
        failure = "the file cannot be read";
        return false;
    }
    Bytes plain;
    Wiper<Bytes> plainWiper{plain};
    if (!Open(key, sealed, plain)) {
        failure = "it is not sealed with this key, or it was changed since";
        return false;
    }
    std::wstring wide;
    Wiper<std::wstring> wideWiper{wide};
    if (!DecodeText(plain, wide)) {
        failure = "the sealed text is neither UTF-8 nor UTF-16 with a byte-order mark";
        return false;
    }
    *text = state.KeepText(wide);
    if (!*text) failure = "there is not enough memory for the text";
    return *text != nullptr;
}

}  // namespace
}  // namespace sealwright

bool IsEncrypted(const wchar_t* path) {
    sealwright::FileCloser file{sealwright::OpenForReading(path)};
    if (!file.file) return false;
    std::uint8_t head[sizeof sealwright::kMagic + 1];
    const std::size_t got = sealwright::ReadHead(file.file, head, sizeof head);
    return sealwright::HasSealedHeader(head, got);
}

bool DecryptXmlFile(const wchar_t* path, wchar_t** text) {
    if (!path || !text) return false;
    *text = nullptr;
    try {
        sealwright::ThreadState* state = sealwright::CurrentThreadState();
        if (!state) return false;
        state->failure.clear();
        state->warning.clear();
        state->DropText();
        return sealwright::Decrypt(*state, path, text);
    } catch (...) {
        *text = nullptr;
        return false;
    }
}

const char* SealwrightLastFailure() {
    const sealwright::ThreadState* state = sealwright::ExistingThreadState();
    return state ? state->failure.c_str() : "";
}

const char* SealwrightKeyWarning() {
    const sealwright::ThreadState* state = sealwright::ExistingThreadState();
    return state ? state->warning.c_str() : "";
}
