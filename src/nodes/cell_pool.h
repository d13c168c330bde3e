// The cells of a registry, made a block of a thousand at a time from the
// registry's own allocator: a registry of millions of entries pays one heap
// block per thousand cells, not one per cell, and frees them all at once.
#ifndef FLATDOM_NODES_CELL_POOL_H
#define FLATDOM_NODES_CELL_POOL_H

#include <cstddef>
#include <cstdlib>
#include <new>

#include "nodes/list_cell.h"

// The object allocator (new and delete), for the interface registries.
struct ObjectAllocator {
    static void* Allocate(std::size_t size) noexcept { return ::operator new(size, std::nothrow); }
    static void Free(void* block) noexcept { ::operator delete(block); }
};

// malloc and free, for the string registry.
struct MallocAllocator {
    static void* Allocate(std::size_t size) noexcept { return std::malloc(size); }
    static void Free(void* block) noexcept { std::free(block); }
};

template <class Allocator>
class CellPool {
  public:
    CellPool() noexcept = default;
    ~CellPool() { FreeAll(); }
    CellPool(const CellPool&) = delete;
    CellPool& operator=(const CellPool&) = delete;

    // A cell, uninitialised; null when memory runs out.
    ListCell* New() noexcept {
        if (m_used == kCells) {
            auto* block = static_cast<Block*>(Allocator::Allocate(sizeof(Block)));
            if (!block) return nullptr;
            block->next = m_blocks;
            m_blocks = block;
            m_used = 0;
        }
        return &m_blocks->cells[m_used++];
    }
    // Frees every cell made so far.
    void FreeAll() noexcept {
        while (m_blocks) {
            Block* next = m_blocks->next;
            Allocator::Free(m_blocks);
            m_blocks = next;
        }
        m_used = kCells;
    }

  private:
    static constexpr std::size_t kCells = 1024;
    struct Block {
        Block* next;
        ListCell cells[kCells];
    };

    Block* m_blocks = nullptr;    // the newest first
    std::size_t m_used = kCells;  // cells used of the newest block
};

#endif
