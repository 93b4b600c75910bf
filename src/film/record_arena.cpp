// Record reservation with large pages: a film of tens of megabytes of records would otherwise
// take one page fault per 4 KB written, which costs far more than reading the film.
#include "film/record_arena.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <stdexcept>

namespace film {

namespace {

constexpr uintptr_t kLargePage = uintptr_t(2) << 20;

// Only a hint: the kernel may ignore it, and the memory works the same either way.
void advise_large_pages(void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
    const uintptr_t begin = (uintptr_t(data) + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t end = (uintptr_t(data) + bytes) & ~(kLargePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace

bool reserve_records(RecordVector* records, size_t extra) {
    if (extra > records->max_size() - records->size()) return false;
    const size_t wanted = records->size() + extra;
    if (wanted <= records->capacity()) return true;
    try {
        records->reserve(wanted);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    advise_large_pages(records->data(), records->capacity() * sizeof(FilmRecord));
    return true;
}

}  // namespace film
