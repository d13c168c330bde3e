// Sealwright: XML documents sealed with AES-256-GCM under a key from the
// environment (SEALWRIGHT_KEY, 64 hex digits, or SEALWRIGHT_KEY_FILE, a file
// holding them). A leading "FILE://" or "FILE:" in a path is allowed.
#ifndef SEALWRIGHT_SEALWRIGHT_H
#define SEALWRIGHT_SEALWRIGHT_H

#if defined(_WIN32)
#if defined(SEALWRIGHT_BUILDING)
#define SEALWRIGHT_API __declspec(dllexport)
#else
#define SEALWRIGHT_API __declspec(dllimport)
#endif
#else
#define SEALWRIGHT_API __attribute__((visibility("default")))
#endif

// True when the file at path starts with a sealed file's header; reads the
// header only. False for a missing or unreadable file and for null.
SEALWRIGHT_API bool IsEncrypted(const wchar_t* path);

// Opens the sealed file at path and points *text at the whole document as an
// OLE string. The string stays Sealwright's: it is kept until the calling
// thread's next call, until that thread ends or the library unloads, and wiped
// before it is freed; never free it. Threads may call at the same time.
// False, with *text null, for a missing key, a wrong key, a tampered or
// truncated file, or text that is neither UTF-8 nor UTF-16 with a byte-order
// mark: never partial text.
SEALWRIGHT_API bool DecryptXmlFile(const wchar_t* path, wchar_t** text);

// Why the last DecryptXmlFile call of this thread answered false, in a
// sentence for a user ("no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE",
// "it is not sealed with this key, or it was changed since", ...); "" after a
// success. Valid until the thread's next call.
SEALWRIGHT_API const char* SealwrightLastFailure();
// A warning about the key that call used ("the key file K can be read by
// others than its owner"), or "". Valid until the thread's next call.
SEALWRIGHT_API const char* SealwrightKeyWarning();

#endif
