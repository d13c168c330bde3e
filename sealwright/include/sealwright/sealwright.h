/// \file
/// Sealwright: XML documents sealed with AES-256-GCM under a 256-bit key,
/// written as 64 hexadecimal digits. The key is the one a host handed over
/// with SealwrightUseKey() or SealwrightUseKeyFile(), else the one in the
/// process's environment: SEALWRIGHT_KEY (the digits) or SEALWRIGHT_KEY_FILE
/// (a key file's path), read when a file is opened; on Windows they are read
/// from the process's own environment block in wide text, so a value that
/// any module set (SetEnvironmentVariableW) counts. A leading "FILE://" or
/// "FILE:" in a sealed file's path is allowed. LoadXmlDocument() opens
/// sealed files by itself; a host calls these functions to hand over a key,
/// to tell sealed files apart or to say why one did not open.
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
///         unreadable file, null, and where memory runs out.
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

/// Hands over the key that opens sealed files from now on, in place of the
/// environment's, for every thread of the process (LoadXmlDocument()
/// included). Sealwright keeps it in memory of its own that it wipes when
/// the key is replaced or forgotten and when the library unloads. Threads
/// may call at the same time as others open files.
/// \param key 64 hexadecimal digits, white space around them allowed; it
///            stays the caller's. Null forgets the key handed over: the
///            environment's counts again.
/// \return true when the key was taken (or, for null, forgotten); false,
///         with the key held before kept, for anything but 64 hexadecimal
///         digits: SealwrightLastFailure() says so.
SEALWRIGHT_API bool SealwrightUseKey(const wchar_t* key);
/// SealwrightUseKey() with the key in a key file, read now: a regular file
/// of at most 4096 bytes, whose lines that start with '#' are comments, as
/// SEALWRIGHT_KEY_FILE names one. SealwrightKeyWarning() says whether others
/// than its owner can read or change it, or it belongs to another user;
/// each later call that opens a file with the key says so again.
/// \param path the key file's path (not a "FILE:" form); null forgets the
///             key handed over.
/// \return true when the key was taken (or, for null, forgotten); false,
///         with the key held before kept, for a file that cannot be read,
///         is not a regular file, is too large or does not hold 64
///         hexadecimal digits, and on Linux for a path that is not Unicode
///         (a lone surrogate, a value past U+10FFFF), which names no file:
///         SealwrightLastFailure() says which.
SEALWRIGHT_API bool SealwrightUseKeyFile(const wchar_t* path);

/// Why the last DecryptXmlFile(), DecryptXmlStream(), SealwrightUseKey() or
/// SealwrightUseKeyFile() call of this thread answered false.
/// \return a sentence for a user, in UTF-8 ("no key: set SEALWRIGHT_KEY or
///         SEALWRIGHT_KEY_FILE", "it is not sealed with this key, or it was
///         changed since", "there is not enough memory to open it", ...); ""
///         after a success. Sealwright's, valid until the thread's next call.
SEALWRIGHT_API const char* SealwrightLastFailure();
/// A warning about the key that the last call of this thread used or took.
/// \return a sentence for a user ("the key file K can be read by others
///         than its owner", "... can be changed by others ...", "...
///         belongs to another user"), or "". Sealwright's, valid until the
///         thread's next call.
SEALWRIGHT_API const char* SealwrightKeyWarning();

#endif
