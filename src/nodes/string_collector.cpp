#include "nodes/string_collector.h"

#include <climits>
#include <cstdlib>

ListOfTCHAR::~ListOfTCHAR() {
    FreeCells();
}

bool ListOfTCHAR::Add(wchar_t* text) noexcept {
    if (!text) return true;
    ListCell* cell = m_cells.New();
    if (!cell) return false;
    *cell = ListCell{text, m_nCount, nullptr};
    *m_ppTail = cell;
    m_ppTail = &cell->m_pNext;
    m_pCursor = cell;
    ++m_nCount;
    return true;
}

void ListOfTCHAR::FreeCells() noexcept {
    ListCell* cell = m_pHead;
    while (m_nCount > 0) {
        if (cell) {
            if (m_bAutoFree) std::free(cell->m_pItem);
            cell->m_pItem = nullptr;
            cell = cell->m_pNext;
        }
        --m_nCount;
    }
    m_cells.FreeAll();
}

void ListOfTCHAR::RemoveAll() noexcept {
    FreeCells();
    m_pHead = nullptr;
    m_ppTail = &m_pHead;
    m_pCursor = nullptr;
}

int ListOfTCHAR::GetSize() {
    const std::size_t size = 20 + 14 * m_nCount;
    return size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}
