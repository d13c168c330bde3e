// Memory for secrets (keys, sealed and opened text): pages of their own,
// left out of core dumps where the system can (Linux: MADV_DONTDUMP), wiped
// before they are given back. Memory that another allocator owns (an OLE
// string) can be left out of dumps for a while, page by page.
#ifndef SEALWRIGHT_SECRET_MEMORY_H
#define SEALWRIGHT_SECRET_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "crypto.h"

namespace sealwright {

// size bytes of secret memory (zeroed); throws std::bad_alloc.
void* AllocateSecret(std::size_t size);
// Wipes and frees what AllocateSecret gave for size bytes.
void FreeSecret(void* data, std::size_t size) noexcept;

// Leaves the whole pages within [data, data + size) out of core dumps, until
// AllowInDumps is called with the same range (before the memory is freed, so
// that its allocator's pages are as they were). Nothing where the system
// cannot.
void KeepOutOfDumps(const void* data, std::size_t size) noexcept;
void AllowInDumps(const void* data, std::size_t size) noexcept;

// An allocator of secret memory, for containers of secrets: every buffer a
// container gives up as it grows is wiped.
template <class T>
struct SecretAllocator {
    using value_type = T;
    SecretAllocator() = default;
    template <class U>
    SecretAllocator(const SecretAllocator<U>&) noexcept {}
    T* allocate(std::size_t count) {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocateSecret(count * sizeof(T)));
    }
    void deallocate(T* data, std::size_t count) noexcept { FreeSecret(data, count * sizeof(T)); }
    template <class U>
    bool operator==(const SecretAllocator<U>&) const noexcept {
        return true;
    }
    template <class U>
    bool operator!=(const SecretAllocator<U>&) const noexcept {
        return false;
    }
};

using SecretBytes = std::vector<std::uint8_t, SecretAllocator<std::uint8_t>>;
using SecretText = std::basic_string<wchar_t, std::char_traits<wchar_t>, SecretAllocator<wchar_t>>;

// A key in secret memory, wiped when it goes; for a key held across calls too.
class SecretKey {
  public:
    SecretKey() : m_key(new (AllocateSecret(sizeof(Key))) Key{}) {}
    ~SecretKey() { FreeSecret(m_key, sizeof(Key)); }
    SecretKey(const SecretKey&) = delete;
    SecretKey& operator=(const SecretKey&) = delete;

    Key& get() { return *m_key; }
    const Key& get() const { return *m_key; }

  private:
    Key* m_key;
};

}  // namespace sealwright

#endif
