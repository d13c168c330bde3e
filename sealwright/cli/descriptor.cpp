#include "descriptor.h"

#include <cerrno>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace cli {
namespace {

#if defined(_WIN32)
long long Write(int fd, const void* buffer, std::size_t size) {
    return _write(fd, buffer, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}
#else
long long Write(int fd, const void* buffer, std::size_t size) {
    return write(fd, buffer, size);
}
#endif

}  // namespace

int CloseDescriptor(int fd) {
#if defined(_WIN32)
    return _close(fd);
#else
    return close(fd);
#endif
}

bool WriteAll(int fd, const void* bytes, std::size_t size) {
    const auto* at = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        const long long wrote = Write(fd, at, size);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (wrote == 0) errno = ENOSPC;
            return false;
        }
        at += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace cli
