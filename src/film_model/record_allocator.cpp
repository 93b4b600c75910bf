// Large blocks for film records, aligned for large pages.
#include "film_model/record_allocator.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
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

void copy_and_discard(void* to, void* from, size_t bytes) noexcept {
    constexpr uintptr_t kPage = 4096, kStep = uintptr_t(kLargePage);
    auto* d = static_cast<unsigned char*>(to);
    auto* s = static_cast<unsigned char*>(from);
    while (bytes > 0) {
        // Up to the next large-page boundary of the source, so that whole large pages go.
        size_t n = size_t(kStep - (reinterpret_cast<uintptr_t>(s) & (kStep - 1)));
        if (n > bytes) n = bytes;
        std::memcpy(d, s, n);
        const uintptr_t first = (reinterpret_cast<uintptr_t>(s) + kPage - 1) & ~(kPage - 1);
        const uintptr_t end = (reinterpret_cast<uintptr_t>(s) + n) & ~(kPage - 1);
        if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
        d += n;
        s += n;
        bytes -= n;
    }
}

}  // namespace film
