// Large-page hint for the big tables of an import: tens of megabytes of fresh memory would
// otherwise take one page fault per 4 KB written, which costs more than filling them.
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>

// Asks the kernel for large pages inside [data, data + bytes). Only a hint: nothing changes
// for the memory's users, and small ranges are left alone.
void faces3_advise_large_pages(const void* data, std::size_t bytes);

// Reserves room for n elements (a refusal keeps the vector as it is) and gives a fresh
// buffer the large-page hint before anything is written into it.
template <class V>
void faces3_reserve_large(V& v, std::size_t n) {
    if (n <= v.capacity()) return;
    try {
        v.reserve(n);
    } catch (const std::bad_alloc&) {
        return;
    } catch (const std::length_error&) {
        return;
    }
    faces3_advise_large_pages(v.data(), v.capacity() * sizeof(*v.data()));
}
