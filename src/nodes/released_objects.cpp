#include "nodes/released_objects.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace flatdom {
namespace {

// The table's memory outlives a teardown: freeing a large block makes the C
// runtime's allocator tidy up every small block freed before it (here, every
// node the teardown let go), which would cost more than the teardown itself.
// It is kept for the next teardown, handed back when one needs far less, and
// freed at unload.
class TableStorage {
  public:
    ~TableStorage() { std::free(m_slots); }
    // Zeroed room for size slots; null when memory runs out.
    const IUnknown** Take(std::size_t size) {
        if (m_slots && (size > m_size || size * 64 < m_size)) {
            std::free(m_slots);
            m_slots = nullptr;
        }
        if (!m_slots) {
            m_slots = static_cast<const IUnknown**>(std::calloc(size, sizeof *m_slots));
            m_size = m_slots ? size : 0;
            return m_slots;
        }
        std::memset(m_slots, 0, size * sizeof *m_slots);
        return m_slots;
    }

  private:
    const IUnknown** m_slots = nullptr;
    std::size_t m_size = 0;
};

TableStorage g_storage;

}  // namespace

ReleasedObjects::ReleasedObjects(std::size_t capacity) noexcept {
    std::size_t size = 16;
    while (size < capacity + capacity / 2 && size < (SIZE_MAX >> 2))
        size <<= 1;  // 2/3 full at most
    m_slots = g_storage.Take(size);
    m_mask = size - 1;
}


// Objects allocated one after another land in neighbouring slots, so that a
// teardown walking entries in the order of recording stays in the cache.
std::size_t ReleasedObjects::Slot(const IUnknown* object) const {
    const auto bits = reinterpret_cast<std::uintptr_t>(object);
    return static_cast<std::size_t>((bits >> 4) ^ (bits >> 28)) & m_mask;
}

const IUnknown** ReleasedObjects::Find(const IUnknown* object) const {
    std::size_t i = Slot(object);
    while (m_slots[i] && m_slots[i] != object)
        i = (i + 1) & m_mask;
    return &m_slots[i];
}

bool ReleasedObjects::Contains(const IUnknown* object) const {
    return *Find(object) != nullptr;
}

void ReleasedObjects::ReleaseToZero(IUnknown* object) {
    if (!object || !Ready()) return;
    const IUnknown** slot = Find(object);
    if (*slot) return;
    while (object->Release() != 0) {
    }
    *slot = object;
}

}  // namespace flatdom
