// Big blocks from mmap, aligned for large pages, and the large-page hint through madvise.
#include "faces3/faces3_large_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace {

constexpr std::size_t kLarge = std::size_t{2} << 20;
constexpr std::size_t kDirect = FACES3_DIRECT_BLOCK;

std::size_t mapped_size(std::size_t bytes) {
    return (bytes + kLarge - 1) & ~(kLarge - 1);
}

}  // namespace

void* faces3_large_alloc(std::size_t bytes) {
    if (bytes < kDirect) return ::operator new(bytes);
    if (bytes > SIZE_MAX / 2) throw std::bad_alloc();
    const std::size_t size = mapped_size(bytes);
    // Mapped with one large page to spare, then cut to the aligned part.
    void* raw =
        mmap(nullptr, size + kLarge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const std::uintptr_t from = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t begin = (from + kLarge - 1) & ~(std::uintptr_t{kLarge} - 1);
    if (begin > from) munmap(raw, begin - from);
    const std::uintptr_t tail = from + size + kLarge - (begin + size);
    if (tail > 0) munmap(reinterpret_cast<void*>(begin + size), tail);
    return reinterpret_cast<void*>(begin);
}

void faces3_large_free(void* p, std::size_t bytes) {
    if (!p) return;
    if (bytes < kDirect) {
        ::operator delete(p);
        return;
    }
    munmap(p, mapped_size(bytes));
}

void faces3_advise_large_pages(const void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    const std::uintptr_t from = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (from + kLarge - 1) & ~(std::uintptr_t{kLarge} - 1);
    // Blocks of our own allocator end on a large-page border.
    const std::uintptr_t end = bytes >= kDirect && from % kLarge == 0
                                   ? from + mapped_size(bytes)
                                   : (from + bytes) & ~(std::uintptr_t{kLarge} - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}
