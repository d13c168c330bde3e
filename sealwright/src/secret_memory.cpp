#include "secret_memory.h"

#include "format.h"

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace sealwright {
namespace {

std::size_t PageSize() {
#if defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
#else
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
#endif
}

std::size_t WholePages(std::size_t size) {
    const std::size_t page = PageSize();
    return size == 0 ? page : (size + page - 1) / page * page;
}

#if !defined(_WIN32)
// The whole pages inside [data, data + size): advises them, where there are any.
void AdviseWithin(const void* data, std::size_t size, int advice) {
    const std::uintptr_t page = PageSize();
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(page - 1);
    if (data && end > start) madvise(reinterpret_cast<void*>(start), end - start, advice);
}
#endif

}  // namespace

void* AllocateSecret(std::size_t size) {
    if (size > SIZE_MAX - PageSize()) throw std::bad_alloc();
    const std::size_t length = WholePages(size);
#if defined(_WIN32)
    void* data = VirtualAlloc(nullptr, length, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!data) throw std::bad_alloc();
#else
    void* data = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) throw std::bad_alloc();
    madvise(data, length, MADV_DONTDUMP);
#endif
    return data;
}

void FreeSecret(void* data, std::size_t size) noexcept {
    if (!data) return;
    Wipe(data, size);
#if defined(_WIN32)
    VirtualFree(data, 0, MEM_RELEASE);
#else
    munmap(data, WholePages(size));
#endif
}

void KeepOutOfDumps(const void* data, std::size_t size) noexcept {
#if defined(_WIN32)
    (void)data, (void)size;
#else
    AdviseWithin(data, size, MADV_DONTDUMP);
#endif
}

void AllowInDumps(const void* data, std::size_t size) noexcept {
#if defined(_WIN32)
    (void)data, (void)size;
#else
    AdviseWithin(data, size, MADV_DODUMP);
#endif
}

}  // namespace sealwright
