// The record of the wide strings handed to the host: ListOfTCHAR keeps
// malloc'd cells, StringCollector also owns the strings and frees them.
#ifndef FLATDOM_NODES_STRING_COLLECTOR_H
#define FLATDOM_NODES_STRING_COLLECTOR_H

#include <cstddef>

#include "nodes/cell_pool.h"
#include "nodes/list_cell.h"

class ListOfTCHAR {
  public:
    ListOfTCHAR() noexcept = default;
    // Frees the cells, and the strings when the list owns them.
    ~ListOfTCHAR();
    ListOfTCHAR(const ListOfTCHAR&) = delete;
    ListOfTCHAR& operator=(const ListOfTCHAR&) = delete;

    // Appends text (null is not recorded); false when no cell could be made.
    bool Add(wchar_t* text) noexcept;
    // Frees every cell, and every string when the list owns them; empties it.
    void RemoveAll() noexcept;
    void SetAutoFree(bool autoFree) noexcept { m_bAutoFree = autoFree; }
    // The list's size in the units its format reports: 20 + 14 per entry.
    virtual int GetSize();

    std::size_t GetCount() const noexcept { return m_nCount; }
    const ListCell* Head() const noexcept { return m_pHead; }

  private:
    // Frees the cells and, when owned, the strings; leaves the header.
    void FreeCells() noexcept;

    ListCell* m_pHead = nullptr;
    ListCell** m_ppTail = &m_pHead;
    std::size_t m_nCount = 0;
    bool m_bAutoFree = false;
    ListCell* m_pCursor = nullptr;
    CellPool<MallocAllocator> m_cells;
};

// A ListOfTCHAR that owns its strings: each must come from malloc.
class StringCollector : public ListOfTCHAR {
  public:
    StringCollector() noexcept { SetAutoFree(true); }
};

#endif
