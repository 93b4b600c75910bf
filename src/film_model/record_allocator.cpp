// Large blocks for film records, aligned for large pages.
#include "film_model/record_allocator.h"

#include <sys/mman.h>

#include <new>

namespace film {

namespace {
constexpr std::align_val_t kLargePage{size_t(2) << 20};
}  // namespace

void* large_block_allocate(size_t bytes) {
    void* block = ::operator new(bytes, kLargePage);
#ifdef MADV_HUGEPAGE
    // Only a hint: the kernel may ignore it, and the memory works the same either way. Only
    // whole large pages are advised.
    const size_t whole = bytes & ~(size_t(kLargePage) - 1);
    if (whole > 0) madvise(block, whole, MADV_HUGEPAGE);
#endif
    return block;
}

void large_block_release(void* block, size_t /*bytes*/) noexcept {
    ::operator delete(block, kLargePage);
}

}  // namespace film
