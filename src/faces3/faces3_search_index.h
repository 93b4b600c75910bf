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

// Hash table storage from calloc, aligned to cache lines: slot value 0 means empty, and
// pages that are never written are never touched, so a table sized ahead for a body's
// capacity costs only what its data uses.
template <class T>
class Faces3ZeroTable {
  public:
    // n zero slots (the old contents are dropped); throws std::bad_alloc.
    void allocate(std::size_t n) {
        if (n > (SIZE_MAX - 64) / sizeof(T)) throw std::bad_alloc();
        void* raw = std::calloc(n * sizeof(T) + 64, 1);
        if (!raw) throw std::bad_alloc();
        raw_.reset(static_cast<unsigned char*>(raw));
        faces3_advise_large_pages(raw, n * sizeof(T) + 64);
        const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(raw);
        data_ = reinterpret_cast<T*>(raw_.get() + ((64 - a % 64) % 64));
        size_ = n;
    }
    void clear() {
        raw_.reset();
        data_ = nullptr;
        size_ = 0;
    }
    void swap(Faces3ZeroTable& o) {
        raw_.swap(o.raw_);
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

  private:
    struct Free {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    std::unique_ptr<unsigned char, Free> raw_;
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
    // Room for n points without rehashing.
    void reserve(std::size_t n);
    // Number of table entries added so far (indices below it are indexed).
    std::size_t indexed() const { return next_.size(); }
    // Indexes all points again (after transformations or bulk changes).
    void rebuild(const std::vector<Faces3P3>& pts);
    // Adds point idx, which must be higher than every indexed one.
    void add(const std::vector<Faces3P3>& pts, int idx);
    // Lowest index whose coordinates each differ from p by less than the tolerance,
    // or -1.
    int find(const std::vector<Faces3P3>& pts, const double p[3]) const;

  private:
    struct Slot {
        uint32_t fp;    // upper hash bits; the top ones give the home slot
        int32_t tail1;  // highest index of the chain plus one, 0 = empty slot
    };
    std::size_t home(uint32_t fp) const { return fp >> shift_; }
    void key_of(const double p[3], int64_t k[3]) const;
    void grow(std::size_t size);

    double tol_;
    double cell_;
    bool valid_ = true;
    int shift_ = 32;
    Faces3ZeroTable<Slot> slots_;
    std::vector<int> next_;  // chain successor; the last index leads to the first
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
    // Room for n edges without rehashing (edges: the table indexed so far).
    void reserve(const std::vector<Faces3Kante>& edges, std::size_t n);
    // Number of table entries added so far (indices below it are indexed).
    std::size_t indexed() const { return indexed_; }
    // Returns the stored index for (from, to), or -1.
    int find(const std::vector<Faces3Kante>& edges, int from, int to) const;
    // Indexes edges[idx] unless its pair is present already.
    void add(const std::vector<Faces3Kante>& edges, int idx);

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
    std::size_t locate(const std::vector<Faces3Kante>& edges, int from, int to) const;
    void grow(const std::vector<Faces3Kante>& edges, std::size_t slots);
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
