// Memory for the big tables of an import: tens of megabytes of fresh memory would otherwise
// take one page fault per 4 KB written, which costs more than filling them.
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>
#include <vector>

inline constexpr std::size_t FACES3_DIRECT_BLOCK = std::size_t{1} << 18;

// Blocks of FACES3_DIRECT_BLOCK (256 KB) or more come straight from the system, zeroed, aligned to
// and rounded up to 2 MB, so that large pages can cover them from end to end; smaller ones from
// new. Throws std::bad_alloc.
void* faces3_large_alloc(std::size_t bytes);
void faces3_large_free(void* p, std::size_t bytes);

// Asks the kernel for large pages inside [data, data + bytes). Only a hint: nothing changes
// for the memory's users, and small ranges are left alone. Worth it only where the data will
// fill the range: a large page is mapped whole as soon as one byte of it is written.
void faces3_advise_large_pages(const void* data, std::size_t bytes);

template <class T>
struct Faces3LargeAlloc {
    using value_type = T;
    Faces3LargeAlloc() = default;
    template <class U>
    Faces3LargeAlloc(const Faces3LargeAlloc<U>&) {}
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / 2 / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(faces3_large_alloc(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) { faces3_large_free(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const Faces3LargeAlloc<U>&) const {
        return true;
    }
};

// A table that may grow to many megabytes.
template <class T>
using Faces3Vec = std::vector<T, Faces3LargeAlloc<T>>;

// Reserves room for n elements (a refusal keeps the vector as it is) and gives the buffer
// the large-page hint before anything is written into it.
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
