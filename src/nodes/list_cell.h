// One entry of a registry: the recorded pointer, its position, the next entry.
#ifndef FLATDOM_NODES_LIST_CELL_H
#define FLATDOM_NODES_LIST_CELL_H

#include <cstddef>

struct ListCell {
    void* m_pItem;
    std::size_t m_nIndex;  // the list's count when the cell was added
    ListCell* m_pNext;     // null for the last cell
};

#endif
