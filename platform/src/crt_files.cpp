// C runtime functions on open files.
#include <flatdom/platform/crt.h>

#include <sys/stat.h>

#include <cerrno>

extern "C" {

int _fileno(std::FILE* stream) {
    if (!stream) {
        errno = EINVAL;
        return -1;
    }
    return fileno(stream);
}

int _fstat64(int fd, struct _stat64* buffer) {
    struct stat status;
    if (!buffer) {
        errno = EINVAL;
        return -1;
    }
    if (fstat(fd, &status) != 0) return -1;
    static_assert(S_IFMT == _S_IFMT && S_IFDIR == _S_IFDIR && S_IFREG == _S_IFREG);
    buffer->st_mode = static_cast<unsigned short>(status.st_mode);
    buffer->st_size = status.st_size;
    return 0;
}

int _fseeki64(std::FILE* stream, long long offset, int origin) {
    if (!stream) {
        errno = EINVAL;
        return -1;
    }
    static_assert(sizeof(off_t) == sizeof(long long), "files past 2 GiB");
    return fseeko(stream, static_cast<off_t>(offset), origin);
}

long long _ftelli64(std::FILE* stream) {
    if (!stream) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<long long>(ftello(stream));
}

}  // extern "C"
