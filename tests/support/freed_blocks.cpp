#include "support/freed_blocks.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Each block starts with its size, as far ahead as any object's alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);

std::atomic<const std::string*> watched{nullptr};
std::atomic<std::size_t> holding{0};

void* Allocate(std::size_t size) noexcept {
    void* const block = std::malloc(size + kHeader);
    if (!block) return nullptr;
    *static_cast<std::size_t*>(block) = size;
    return static_cast<char*>(block) + kHeader;
}

void Free(void* data) noexcept {
    if (!data) return;
    char* const block = static_cast<char*>(data) - kHeader;
    if (const std::string* text = watched.load()) {
        const char* const begin = static_cast<const char*>(data);
        const char* const end = begin + *reinterpret_cast<const std::size_t*>(block);
        if (std::search(begin, end, text->begin(), text->end()) != end) ++holding;
    }
    std::free(block);
}

void* AllocateOrThrow(std::size_t size) {
    if (void* data = Allocate(size)) return data;
    throw std::bad_alloc();
}

}  // namespace

namespace freed_blocks {

void Watch(const std::string& text) {
    holding = 0;
    watched = &text;
}

std::size_t Stop() {
    watched = nullptr;
    return holding;
}

}  // namespace freed_blocks

void* operator new(std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* data) noexcept {
    Free(data);
}
void operator delete[](void* data) noexcept {
    Free(data);
}
void operator delete(void* data, std::size_t) noexcept {
    Free(data);
}
void operator delete[](void* data, std::size_t) noexcept {
    Free(data);
}
void operator delete(void* data, const std::nothrow_t&) noexcept {
    Free(data);
}
void operator delete[](void* data, const std::nothrow_t&) noexcept {
    Free(data);
}
