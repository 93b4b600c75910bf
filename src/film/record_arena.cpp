// Record reservation: a reader reserves for the worst case once, so the records are never moved
// while they are written. Reserved but untouched memory costs nothing resident.
#include "film/record_arena.h"

#include <new>
#include <stdexcept>

namespace film {

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
    return true;
}

}  // namespace film
