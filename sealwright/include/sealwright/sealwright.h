/// \file
/// Sealwright: XML documents sealed with AES-256-GCM under a key from the
/// environment (SEALWRIGHT_KEY, 64 hex digits, or SEALWRIGHT_KEY_FILE, a file
/// holding them). A leading "FILE://" or "FILE:" in a path is allowed.
/// LoadXmlDocument() opens sealed files by itself; a host calls these
/// functions to tell sealed files apart or to say why one did not open.
#ifndef SEALWRIGHT_SEALWRIGHT_H
#define SEALWRIGHT_SEALWRIGHT_H

#include <cstddef>

#if defined(_WIN32)
#if defined(SEALWRIGHT_BUILDING)
#define SEALWRIGHT_API __declspec(dllexport)
#else
#define SEALWRIGHT_API __declspec(dllimport)
#endif
#else
#define SEALWRIGHT_API __attribute__((visibility("default")))
#endif

struct ISequentialStream;

/// Whether the file at path starts with a sealed file's header; reads the
/// header only. It opens the file of its own: a pipe or FIFO loses what it
/// reads, so a host that reads those asks IsEncryptedStart() about the bytes
/// it has read.
/// \param path the file's path.
/// \return true for a sealed file; false for any other, a missing or
///         unreadable file and null.
SEALWRIGHT_API bool IsEncrypted(const wchar_t* path);

/// Opens the sealed file at path: the whole document, as an OLE string.
/// Threads may call at the same time.
/// \param path the sealed file's path.
/// \param text receives the document. The string stays Sealwright's: it is
///             kept until the calling thread's next call, until that thread
///             ends or the library unloads, and wiped before it is freed;
///             never free it.
/// \return true when the file opened; false, with *text null, for a missing
///         key, a wrong key, a tampered, truncated or too large file, or text
///         that is neither UTF-8 nor UTF-16 with a byte-order mark: never
///         partial text. SealwrightLastFailure() says which.
SEALWRIGHT_API bool DecryptXmlFile(const wchar_t* path, wchar_t** text);

/// How many of a file's first bytes tell whether it is sealed.
#define SEALWRIGHT_START_SIZE 9
/// The size to give DecryptXmlStream() when the stream's length is not known.
#define SEALWRIGHT_UNKNOWN_SIZE (~0ull)

/// Whether bytes a caller read from the start of a file begin a sealed file.
/// \param start the file's first bytes.
/// \param size how many: SEALWRIGHT_START_SIZE, or the whole of a shorter
///             file.
/// \return true when they begin a sealed file; false otherwise and for null.
SEALWRIGHT_API bool IsEncryptedStart(const void* start, std::size_t size);

/// DecryptXmlFile() for a file that the caller has opened: the sealed file is
/// read from stream, from its first byte until the stream answers S_FALSE or
/// 0 bytes.
/// \param stream the file, from its first byte; it stays the caller's.
/// \param size its length when the caller knows it (a regular file's): a
///             file larger than any sealed file is then refused before
///             anything is read. Else SEALWRIGHT_UNKNOWN_SIZE, and reading
///             stops at the first byte too many.
/// \param text receives the document, as DecryptXmlFile() gives it.
/// \return as DecryptXmlFile().
SEALWRIGHT_API bool DecryptXmlStream(ISequentialStream* stream, unsigned long long size,
                                     wchar_t** text);

/// Why the last DecryptXmlFile() or DecryptXmlStream() call of this thread
/// answered false.
/// \return a sentence for a user, in UTF-8 ("no key: set SEALWRIGHT_KEY or
///         SEALWRIGHT_KEY_FILE", "it is not sealed with this key, or it was
///         changed since", "there is not enough memory to open it", ...); ""
///         after a success. Sealwright's, valid until the thread's next call.
SEALWRIGHT_API const char* SealwrightLastFailure();
/// A warning about the key that the last call of this thread used.
/// \return a sentence for a user ("the key file K can be read by others
///         than its owner", "... can be changed by others ...", "...
///         belongs to another user"), or "". Sealwright's, valid until the
///         thread's next call.
SEALWRIGHT_API const char* SealwrightKeyWarning();

#endif
