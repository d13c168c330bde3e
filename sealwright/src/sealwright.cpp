// The two calls a host makes: is this file sealed, and what does it hold.
#include <sealwright/sealwright.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "files.h"
#include "format.h"
#include "keys.h"
#include "platform.h"
#include "text.h"

namespace sealwright {
namespace {

// The text handed out last: kept until the next call or unload, and wiped
// before it is freed.
class KeptText {
  public:
    ~KeptText() { Drop(); }
    void Drop() {
        if (!m_text) return;
        Wipe(m_text, SysStringByteLen(m_text));
        SysFreeString(m_text);
        m_text = nullptr;
    }
    wchar_t* Keep(const std::wstring& text) {
        Drop();
        if (text.size() > 0x3FFFFFFFu) return nullptr;
        m_text = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return m_text;
    }

  private:
    BSTR m_text = nullptr;
};

std::mutex g_mutex;
KeptText g_kept;

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

// Why the last DecryptXmlFile of this thread failed, and what it warns of.
thread_local std::string t_failure;
thread_local std::string t_warning;

bool Decrypt(const wchar_t* path, wchar_t** text) {
    Key key;
    Wiper<Key> keyWiper{key};
    if (!KeyFromEnvironment(key, &t_failure, &t_warning)) return false;
    FileCloser file{OpenForReading(path)};
    if (!file.file) {
        t_failure = std::string("the file cannot be read: ") + std::strerror(errno);
        return false;
    }
    Bytes sealed;
    if (!ReadAll(file.file, sealed)) {
        t_failure = "the file cannot be read";
        return false;
    }
    Bytes plain;
    Wiper<Bytes> plainWiper{plain};
    if (!Open(key, sealed, plain)) {
        t_failure = "it is not sealed with this key, or it was changed since";
        return false;
    }
    std::wstring wide;
    Wiper<std::wstring> wideWiper{wide};
    if (!DecodeText(plain, wide)) {
        t_failure = "the sealed text is neither UTF-8 nor UTF-16 with a byte-order mark";
        return false;
    }
    *text = g_kept.Keep(wide);
    if (!*text) t_failure = "there is not enough memory for the text";
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
        sealwright::t_failure.clear();
        sealwright::t_warning.clear();
        std::lock_guard<std::mutex> lock(sealwright::g_mutex);
        sealwright::g_kept.Drop();
        return sealwright::Decrypt(path, text);
    } catch (...) {
        *text = nullptr;
        return false;
    }
}

const char* SealwrightLastFailure() {
    return sealwright::t_failure.c_str();
}

const char* SealwrightKeyWarning() {
    return sealwright::t_warning.c_str();
}
