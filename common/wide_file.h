// Windows: files opened by path with the wide call, as C streams, so that
// the server of a named pipe that a path leads to may identify the caller
// but never act as it (SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION),
// which _wfopen does not ask for; never inherited by programs started later.
#ifndef FLATDOM_COMMON_WIDE_FILE_H
#define FLATDOM_COMMON_WIDE_FILE_H

#if defined(_WIN32)
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>

// path opened for reading (or created anew for writing) as a C runtime
// descriptor, as _wopen would; -1, with errno saying why, where it cannot be.
inline int OpenWideDescriptor(const wchar_t* path, bool read) {
    const HANDLE handle = CreateFileW(
        path, read ? GENERIC_READ : GENERIC_WRITE,
        read ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ, nullptr,
        read ? OPEN_EXISTING : CREATE_ALWAYS,
        FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        switch (GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_NAME:
            case ERROR_BAD_NETPATH:
                errno = ENOENT;
                break;
            case ERROR_FILENAME_EXCED_RANGE:
                errno = ENAMETOOLONG;
                break;
            case ERROR_PIPE_BUSY:  // a pipe's every instance is taken
                errno = EBUSY;
                break;
            case ERROR_TOO_MANY_OPEN_FILES:
                errno = EMFILE;
                break;
            case ERROR_NOT_ENOUGH_MEMORY:
                errno = ENOMEM;
                break;
            default:
                errno = EACCES;
        }
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                   (read ? _O_RDONLY : _O_WRONLY) | _O_BINARY);
    if (fd < 0) CloseHandle(handle);
    return fd;
}

// The same as a C stream, as _wfopen would with "rbN" ("wbN"); null, with
// errno saying why, where it cannot be.
inline std::FILE* OpenWideFile(const wchar_t* path, bool read) {
    const int fd = OpenWideDescriptor(path, read);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, read ? "rb" : "wb");
    if (!file) _close(fd);
    return file;
}
#endif

#endif
