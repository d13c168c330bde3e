// The objects one teardown has already driven to a count of zero, so that an
// object recorded more than once (or selected and also held as the document)
// is released once and never touched after it is gone. A table of fixed size,
// allocated up front: recording never allocates, and a lookup is constant
// time.
#ifndef FLATDOM_NODES_RELEASED_OBJECTS_H
#define FLATDOM_NODES_RELEASED_OBJECTS_H

#include <cstddef>

#include "frame/library.h"

namespace flatdom {

class ReleasedObjects {
  public:
    // Room for at most capacity objects.
    explicit ReleasedObjects(std::size_t capacity) noexcept;
    ReleasedObjects(const ReleasedObjects&) = delete;
    ReleasedObjects& operator=(const ReleasedObjects&) = delete;

    // False when the table could not be allocated: nothing can be released
    // safely then.
    bool Ready() const { return m_slots != nullptr; }
    bool Contains(const IUnknown* object) const;

    // Releases object until it reports zero, unless it is already gone (or
    // nothing can be tracked); then records it.
    void ReleaseToZero(IUnknown* object);

  private:
    std::size_t Slot(const IUnknown* object) const;
    // The slot holding object, or the empty slot where it belongs.
    const IUnknown** Find(const IUnknown* object) const;

    const IUnknown** m_slots = nullptr;
    std::size_t m_mask = 0;
};

}  // namespace flatdom

#endif
