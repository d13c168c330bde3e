// Preloaded (LD_PRELOAD) into a command to run it as on a system without
// anonymous files: memfd_create fails as on a kernel that lacks it. With
// FLATDOM_TEST_NO_TMPFILE set, opening an unnamed file (O_TMPFILE) fails too,
// as on a file system that cannot make one. The command stays one that can
// be dumped: its descriptors in /proc are then the test's to look at.
#undef _FILE_OFFSET_BITS  // both open and open64 are defined here
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
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

SHIM int prctl(int option, ...) {
    va_list arguments;
    va_start(arguments, option);
    unsigned long values[4];
    for (unsigned long& value : values)
        value = va_arg(arguments, unsigned long);
    va_end(arguments);
    if (option == PR_SET_DUMPABLE) return 0;
    using Prctl = int (*)(int, ...);
    const auto next = reinterpret_cast<Prctl>(dlsym(RTLD_NEXT, "prctl"));
    return next(option, values[0], values[1], values[2], values[3]);
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
