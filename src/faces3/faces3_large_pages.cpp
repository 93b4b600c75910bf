// Large-page hint through madvise where the system has it.
#include "faces3/faces3_large_pages.h"

#include <sys/mman.h>

#include <cstdint>

void faces3_advise_large_pages(const void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
    const std::uintptr_t from = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (from + kLarge - 1) & ~(kLarge - 1);
    const std::uintptr_t end = (from + bytes) & ~(kLarge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}
