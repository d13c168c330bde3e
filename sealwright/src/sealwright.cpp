// The calls a host makes: is this file sealed, and what does it hold.
#include <sealwright/sealwright.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "files.h"
#include "format.h"
#include "held_key.h"
#include "keys.h"
#include "platform.h"
#include "secret_memory.h"
#include "text.h"
#include "thread_state.h"

namespace sealwright {
namespace {

static_assert(SEALWRIGHT_START_SIZE == sizeof kMagic + 1, "the magic and the version tell");
static_assert(SEALWRIGHT_UNKNOWN_SIZE == kUnknownSize);

// Closes a file at the end of a scope.
struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// Reads a whole sealed file from its source (open is called once the key is
// there, and answers the source or null with the reason in why), and opens
// it into the text kept for the thread.
template <class OpenSource>
bool Decrypt(ThreadState& state, OpenSource open, wchar_t** text) {
    std::string& failure = state.failure;
    SecretKey key;
    if (!HeldKey(key.get(), state.warning) &&
        !KeyFromEnvironment(key.get(), &failure, &state.warning)) {
        return false;
    }
    // The file is opened where it was read: the text costs its size once.
    SecretBytes sealed;
    {
        std::uint64_t size = kUnknownSize;
        ByteSource* source = open(size, failure);
        if (!source || !ReadBounded(*source, size, kMaxSealedFile, sealed, failure)) return false;
    }
    std::size_t plainSize = 0;
    if (!OpenInPlace(key.get(), sealed.data(), sealed.size(), plainSize)) {
        failure = "it is not sealed with this key, or it was changed since";
        return false;
    }
    SecretText wide;
    if (!DecodeText(sealed.data() + kHeaderSize, plainSize, wide)) {
        failure = "the sealed text is neither UTF-8 nor UTF-16 with a byte-order mark";
        return false;
    }
    *text = state.KeepText(wide.data(), wide.size());
    if (!*text) state.FailWith(kNoMemory);
    return *text != nullptr;
}

// Runs body for the calling thread's state, which it reports in: false, with
// a reason, however it fails.
template <class Body>
bool Reporting(ThreadState& state, Body body) noexcept {
    try {
        if (body(state)) return true;
    } catch (const std::bad_alloc&) {
        state.FailWith(kNoMemory);
    } catch (const std::length_error&) {  // more than a container can hold
        state.FailWith(kNoMemory);
    } catch (...) {
        state.FailWith("it cannot be opened: an unexpected failure");
    }
    return false;
}

// Runs a call that hands out text for the calling thread's state: false,
// with a reason, however it fails.
template <class Body>
bool ForThread(wchar_t** text, Body body) noexcept {
    if (!text) return false;
    *text = nullptr;
    ThreadState* state = CurrentThreadState();
    if (!state) return false;  // LastFailure says why
    state->Begin();
    if (Reporting(*state, body)) return true;
    *text = nullptr;
    return false;
}

// Runs a call that hands a key over: null forgets the key held; else body
// makes the key from what was handed over and holds it.
template <class Body>
bool UsingKey(const wchar_t* given, Body body) noexcept {
    ThreadState* state = CurrentThreadState();
    if (state) state->ClearReport();
    if (!given) {
        ForgetHeldKey();
        return true;
    }
    if (!state) return false;  // LastFailure says why
    return Reporting(*state, [&](ThreadState& reported) {
        SecretKey key;
        if (!body(key.get(), reported)) return false;
        HoldKey(key.get(), reported.warning);
        return true;
    });
}

}  // namespace
}  // namespace sealwright

bool IsEncrypted(const wchar_t* path) {
    try {
        sealwright::FileCloser file{sealwright::OpenForReading(path)};
        if (!file.file) return false;
        std::uint8_t head[SEALWRIGHT_START_SIZE];
        const std::size_t got = sealwright::ReadHead(file.file, head, sizeof head);
        return sealwright::HasSealedHeader(head, got);
    } catch (...) {  // no memory for the name: not known to be sealed
        return false;
    }
}

bool IsEncryptedStart(const void* start, std::size_t size) {
    return start && sealwright::HasSealedHeader(static_cast<const std::uint8_t*>(start), size);
}

bool DecryptXmlFile(const wchar_t* path, wchar_t** text) {
    using namespace sealwright;
    return ForThread(text, [&](ThreadState& state) {
        FileCloser file{nullptr};
        FileBytes bytes(nullptr);
        return Decrypt(
            state,
            [&](std::uint64_t& size, std::string& why) -> ByteSource* {
                file.file = OpenForReading(path);
                if (!file.file) {
                    why = path ? std::string("the file cannot be read: ") + std::strerror(errno)
                               : "no file was named";
                    return nullptr;
                }
                bytes = FileBytes(file.file);
                size = bytes.Size();
                return &bytes;
            },
            text);
    });
}

bool DecryptXmlStream(ISequentialStream* stream, unsigned long long size, wchar_t** text) {
    using namespace sealwright;
    return ForThread(text, [&](ThreadState& state) {
        StreamBytes bytes(stream);
        return Decrypt(
            state,
            [&](std::uint64_t& known, std::string& why) -> ByteSource* {
                known = size;
                if (!stream) why = "no file was given";
                return stream ? &bytes : nullptr;
            },
            text);
    });
}

bool SealwrightUseKey(const wchar_t* key) {
    using namespace sealwright;
    return UsingKey(key, [&](Key& parsed, ThreadState& state) {
        if (ParseKey(std::wstring_view(key), parsed)) return true;
        state.failure = "the key handed over is not 64 hexadecimal digits";
        return false;
    });
}

bool SealwrightUseKeyFile(const wchar_t* path) {
    using namespace sealwright;
    return UsingKey(path, [&](Key& key, ThreadState& state) {
        SystemText name;
        if (!FromHost(path, name)) {
            state.failure =
                "the key file's name holds a lone surrogate or a value past U+10FFFF, "
                "which names no file";
            return false;
        }
        return KeyFromFile(name, key, state.failure, &state.warning);
    });
}

const char* SealwrightLastFailure() {
    return sealwright::LastFailure();
}

const char* SealwrightKeyWarning() {
    return sealwright::LastWarning();
}
