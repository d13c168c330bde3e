// Preloaded (LD_PRELOAD) into a command to run it as on a system without
// anonymous files: memfd_create fails as on a kernel that lacks it. With
// FLATDOM_TEST_NO_TMPFILE set, opening an unnamed file (O_TMPFILE) fails too,
// as on a file system that cannot make one.
#undef _FILE_OFFSET_BITS  // both open and open64 are defined here
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>

#define SHIM extern "C" __attribute__((visibility("default")))

namespace {

using Open = int (*)(const char*, int, ...);

// Opens as the system does unless the flags ask for an unnamed file that
// must not be had.
int Forward(const char* name, const char* path, int flags, va_list arguments) {
    const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE
                            ? static_cast<mode_t>(va_arg(arguments, int))
                            : 0;
    if ((flags & O_TMPFILE) == O_TMPFILE && std::getenv("FLATDOM_TEST_NO_TMPFILE")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    const auto next = reinterpret_cast<Open>(dlsym(RTLD_NEXT, name));
    return next(path, flags, mode);
}

}  // namespace

SHIM int memfd_create(const char*, unsigned int) {
    errno = ENOSYS;
    return -1;
}

SHIM int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int fd = Forward("open", path, flags, arguments);
    va_end(arguments);
    return fd;
}

SHIM int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int fd = Forward("open64", path, flags, arguments);
    va_end(arguments);
    return fd;
}
