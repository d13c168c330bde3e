// InterfaceList: the record of the COM interfaces of one kind handed to the
// host. Each entry holds the one reference the engine returned with it; the
// list gives it back only in ReleaseAll, and never frees an item.
#ifndef FLATDOM_NODES_INTERFACE_LIST_H
#define FLATDOM_NODES_INTERFACE_LIST_H

#include <cstddef>
#include <new>

#include "nodes/cell_pool.h"
#include "nodes/list_cell.h"

template <class Interface>
class InterfaceList {
  public:
    InterfaceList() noexcept = default;
    ~InterfaceList() { RemoveAll(); }
    InterfaceList(const InterfaceList&) = delete;
    InterfaceList& operator=(const InterfaceList&) = delete;

    // Appends item (null is not recorded); false when no cell could be made.
    bool Add(Interface* item) noexcept {
        if (!item) return true;
        ListCell* cell = m_cells.New();
        if (!cell) return false;
        *cell = ListCell{item, m_nCount, nullptr};
        *m_ppTail = cell;
        m_ppTail = &cell->m_pNext;
        m_pCursor = cell;
        ++m_nCount;
        return true;
    }

    std::size_t GetCount() const noexcept { return m_nCount; }

    // The item at index, or null outside 0 to count - 1. Reading in ascending
    // order costs one step a call: the cursor remembers where it stopped.
    Interface* GetAt(std::ptrdiff_t index) noexcept {
        if (index < 0 || static_cast<std::size_t>(index) >= m_nCount) return nullptr;
        const auto wanted = static_cast<std::size_t>(index);
        if (m_pCursor && m_pCursor->m_pNext && m_pCursor->m_pNext->m_nIndex == wanted) {
            m_pCursor = m_pCursor->m_pNext;
            return static_cast<Interface*>(m_pCursor->m_pItem);
        }
        ListCell* cell = m_pHead;
        for (std::size_t i = 0; i < wanted && cell; ++i)
            cell = cell->m_pNext;
        if (!cell) return nullptr;
        m_pCursor = cell;
        return static_cast<Interface*>(cell->m_pItem);
    }

    // Gives back each entry's reference, in order of recording: an object
    // recorded twice is released twice, and references that others hold (a
    // host that took the same node from the engine itself) stay theirs.
    void ReleaseAll() noexcept {
        const std::size_t n = GetCount();
        for (std::size_t i = 0; i < n; ++i) {
            if (Interface* item = GetAt(static_cast<std::ptrdiff_t>(i))) item->Release();
        }
    }

    // Frees every cell (the items stay as they are) and empties the list.
    void RemoveAll() noexcept {
        ListCell* cell = m_pHead;
        while (m_nCount > 0) {
            if (cell) {
                cell->m_pItem = nullptr;
                cell = cell->m_pNext;
            }
            --m_nCount;
        }
        m_cells.FreeAll();
        m_pHead = nullptr;
        m_ppTail = &m_pHead;
        m_pCursor = nullptr;
    }

    // For inspection by tests.
    const ListCell* Head() const noexcept { return m_pHead; }
    const ListCell* Cursor() const noexcept { return m_pCursor; }

  private:
    ListCell* m_pHead = nullptr;
    ListCell** m_ppTail = &m_pHead;
    std::size_t m_nCount = 0;
    [[maybe_unused]] bool m_bAutoFree = false;  // interfaces are released, never freed
    ListCell* m_pCursor = nullptr;
    CellPool<ObjectAllocator> m_cells;
};

#endif
