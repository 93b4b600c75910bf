// Hash indexes that replace the linear point and edge searches of body construction
// while returning the same (lowest) indices.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "faces3/faces3_large_pages.h"

using Faces3P3 = std::array<double, 3>;
using Faces3Points = Faces3Vec<Faces3P3>;

// Grid cell coordinate of a value, clamped so that huge values share the outermost
// cells instead of overflowing.
int64_t faces3_cell_coord(double q);

// Shifted grids: cells are offset by this fraction so that round coordinates (multiples
// of the cell edge) lie inside a cell rather than on its border, where every query would
// visit two cells per axis. Key of a point: faces3_cell_of(p / h + FACES3_CELL_SHIFT).
inline constexpr double FACES3_CELL_SHIFT = 0.3819660112501051;
// Beyond this many cells the coordinates are clamped into one outermost cell per side.
inline constexpr double FACES3_CELL_LIMIT = 35184372088832.0;  // 2^45

// faces3_cell_coord without the library call of floor.
inline int64_t faces3_cell_of(double q) {
    if (q != q) return 0;
    if (q >= FACES3_CELL_LIMIT) return static_cast<int64_t>(FACES3_CELL_LIMIT);
    if (q <= -FACES3_CELL_LIMIT) return -static_cast<int64_t>(FACES3_CELL_LIMIT);
    const int64_t t = static_cast<int64_t>(q);
    return t > q ? t - 1 : t;
}

// Widening of a query window around quotient q (in cells) that covers the rounding of
// the quotients, of the shift and of q -+ w: a few units in the last place of q.
inline double faces3_cell_slack(double q) {
    const double a = q < 0 ? -q : q;
    return (a < 2 * FACES3_CELL_LIMIT ? a : 2 * FACES3_CELL_LIMIT) * 0x1p-48 + 0x1p-40;
}

// Hash table storage, zeroed and aligned to cache lines: slot value 0 means empty, and
// pages that are never written are never touched, so a table sized ahead for a body's
// capacity costs only what its data uses.
template <class T>
class Faces3ZeroTable {
  public:
    Faces3ZeroTable() = default;
    Faces3ZeroTable(const Faces3ZeroTable&) = delete;
    Faces3ZeroTable& operator=(const Faces3ZeroTable&) = delete;
    ~Faces3ZeroTable() { clear(); }
    // n zero slots (the old contents are dropped); throws std::bad_alloc. large_pages: the
    // table will be filled, so large pages pay off.
    void allocate(std::size_t n, bool large_pages = false) {
        if (n > (SIZE_MAX / 2 - 64) / sizeof(T)) throw std::bad_alloc();
        const std::size_t bytes = n * sizeof(T) + 64;
        // Big blocks come zeroed and aligned from faces3_large_alloc. A refusal leaves the
        // old table as it was.
        const bool mapped = bytes >= FACES3_DIRECT_BLOCK;
        void* raw = mapped ? faces3_large_alloc(bytes) : std::calloc(bytes, 1);
        if (!raw) throw std::bad_alloc();
        if (large_pages) faces3_advise_large_pages(raw, bytes);
        clear();
        raw_ = raw;
        bytes_ = mapped ? bytes : 0;
        const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(raw);
        data_ = reinterpret_cast<T*>(static_cast<unsigned char*>(raw) + ((64 - a % 64) % 64));
        size_ = n;
    }
    void clear() {
        if (raw_ && bytes_) faces3_large_free(raw_, bytes_);
        if (raw_ && !bytes_) std::free(raw_);
        raw_ = nullptr;
        bytes_ = 0;
        data_ = nullptr;
        size_ = 0;
    }
    void swap(Faces3ZeroTable& o) {
        std::swap(raw_, o.raw_);
        std::swap(bytes_, o.bytes_);
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

  private:
    void* raw_ = nullptr;
    std::size_t bytes_ = 0;  // size of a block from faces3_large_alloc, 0 for calloc
    T* data_ = nullptr;
    std::size_t size_ = 0;
};

// Open-addressing map from a grid cell to a chain of point indices in ascending order.
// A slot is 8 bytes (32 hash bits and the chain's last index); the chain is circular, so
// the last index leads to the first. Lookups accept a chain only through the tolerance
// test of its points, so a hash collision costs time, never a wrong answer.
class Faces3PointHash {
  public:
    // Cell edge = 16 * tolerance, so a tolerance window mostly stays in one cell per axis.
    explicit Faces3PointHash(double tolerance = 1e-5);
    void clear();
    bool valid() const { return valid_; }
    void invalidate() { valid_ = false; }
    // Room for n points without rehashing; large_pages when that many will come.
    void reserve(std::size_t n, bool large_pages = false);
    // Number of table entries added so far (indices below it are indexed).
    std::size_t indexed() const { return next_.size(); }
    // Indexes all points again (after transformations or bulk changes).
    void rebuild(const Faces3Points& pts);
    // Adds point idx, which must be higher than every indexed one.
    void add(const Faces3Points& pts, int idx);
    // Lowest index whose coordinates each differ from p by less than the tolerance,
    // or -1.
    int find(const Faces3Points& pts, const double p[3]) const;

  private:
    struct Slot {
        uint32_t fp;    // upper hash bits; the top ones give the home slot
        int32_t tail1;  // highest index of the chain plus one, 0 = empty slot
    };
    std::size_t home(uint32_t fp) const { return fp >> shift_; }
    void key_of(const double p[3], int64_t k[3]) const;
    void grow(std::size_t size, bool large_pages);

    double tol_;
    double cell_;
    bool valid_ = true;
    int shift_ = 32;
    Faces3ZeroTable<Slot> slots_;
    Faces3Vec<int> next_;  // chain successor; the last index leads to the first
    std::size_t used_ = 0;
    // Cell of the last point searched, for adding that point next.
    mutable struct {
        bool ok = false;
        double p[3];
        int64_t k[3];
        uint32_t fp;
    } last_;
};

// Edge record: two point indices.
struct Faces3Kante {
    int von;
    int nach;
};
using Faces3Kanten = Faces3Vec<Faces3Kante>;

// Open-addressing map from a directed point pair to the lowest edge index with it. Edges
// leaving point p go first into p's own window of 8 slots (one cache line), so the edges
// of points used together stay together in memory; a full window overflows into a hashed
// linear probe. A slot holds the end point and the edge index; the edge table confirms
// the start point.
class Faces3EdgeHash {
  public:
    void clear();
    bool valid() const { return valid_; }
    void invalidate() { valid_ = false; }
    // Room for n edges without rehashing (edges: the table indexed so far); large_pages
    // when that many will come.
    void reserve(const Faces3Kanten& edges, std::size_t n, bool large_pages = false);
    // Number of table entries added so far (indices below it are indexed).
    std::size_t indexed() const { return indexed_; }
    // Returns the stored index for (from, to), or -1.
    int find(const Faces3Kanten& edges, int from, int to) const;
    // Indexes edges[idx] unless its pair is present already.
    void add(const Faces3Kanten& edges, int idx);

  private:
    static constexpr std::size_t kWindow = 8;
    struct Slot {
        int32_t to;
        int32_t idx1;  // edge index plus one, 0 = empty
    };
    struct alignas(64) Window {
        Slot s[kWindow];
    };
    Slot& at(std::size_t s) { return windows_[s / kWindow].s[s % kWindow]; }
    const Slot& at(std::size_t s) const { return windows_[s / kWindow].s[s % kWindow]; }
    // Slot holding (from, to), or the empty slot where it belongs.
    std::size_t locate(const Faces3Kanten& edges, int from, int to) const;
    void grow(const Faces3Kanten& edges, std::size_t slots, bool large_pages);
    bool valid_ = true;
    Faces3ZeroTable<Window> windows_;
    std::size_t mask_ = 0;  // slot count - 1
    std::size_t used_ = 0;
    std::size_t indexed_ = 0;
    // Slot of the last pair searched, for adding that pair next.
    struct Last {
        int from, to;
        std::size_t slot;
        bool ok;
    };
    mutable Last last_{0, 0, 0, false};
};

inline uint64_t faces3_mix64(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}
