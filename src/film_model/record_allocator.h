// Storage for a film's records: big blocks start on a large-page boundary and are advised for
// large pages, and new elements are left unwritten for the reader to fill.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>

namespace film {

// Blocks of this size and more come from large_block_allocate().
constexpr size_t kLargeBlockBytes = size_t(4) << 20;

// A block aligned to 2 MB and advised for large pages: otherwise its unaligned head would be
// written in 4 KB pages, each costing a page fault, and a film's records fault hundreds of
// them. Throws std::bad_alloc like operator new.
void* large_block_allocate(size_t bytes);
void large_block_release(void* block, size_t bytes) noexcept;
// Copies `bytes` from `from` to `to` and gives the whole pages of the source that have been
// copied back to the system as it goes (they read as zeros afterwards), so that moving records
// from one block to another never holds both in memory.
void copy_and_discard(void* to, void* from, size_t bytes) noexcept;

template <class T>
struct RecordAllocator {
    using value_type = T;
    template <class U>
    struct rebind {
        using other = RecordAllocator<U>;
    };
    RecordAllocator() = default;
    template <class U>
    RecordAllocator(const RecordAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
        const size_t bytes = n * sizeof(T);
        if (bytes >= kLargeBlockBytes) return static_cast<T*>(large_block_allocate(bytes));
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, size_t n) noexcept {
        if (n * sizeof(T) >= kLargeBlockBytes) {
            large_block_release(p, n * sizeof(T));
        } else {
            std::allocator<T>().deallocate(p, n);
        }
    }

    // Without a value an element is left as it is: a reader makes room for a run of records
    // with resize() and writes them in place, and zeroing them first would be a second pass
    // over tens of megabytes.
    template <class U>
    void construct(U* at) noexcept {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const RecordAllocator&, const RecordAllocator&) { return true; }
};

}  // namespace film
