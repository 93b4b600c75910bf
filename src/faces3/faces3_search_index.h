// Hash indexes that replace the linear point and edge searches of body construction
// while returning the same (lowest) indices.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

using Faces3P3 = std::array<double, 3>;

// Grid cell coordinate of a value, clamped so that huge values share the outermost
// cells instead of overflowing.
int64_t faces3_cell_coord(double q);

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
        uint32_t fp;   // upper hash bits; the top ones give the home slot
        int32_t tail;  // highest index of the chain, -1 = empty slot
    };
    std::size_t home(uint32_t fp) const { return fp >> shift_; }
    void key_of(const double p[3], int64_t k[3]) const;
    void grow(std::size_t size);

    double tol_;
    double cell_;
    bool valid_ = true;
    int shift_ = 32;
    std::vector<Slot> slots_;
    std::vector<int> next_;  // chain successor; the last index leads to the first
    std::size_t used_ = 0;
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
        int32_t idx;  // -1 = empty
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
    std::vector<Window> windows_;
    std::size_t mask_ = 0;  // slot count - 1
    std::size_t used_ = 0;
    std::size_t indexed_ = 0;
};

inline uint64_t faces3_mix64(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}
