// Hash indexes that replace the linear point and edge searches of body construction
// while returning the same (lowest) indices.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

using Faces3P3 = std::array<double, 3>;

// Grid cell coordinate of a value, clamped so that huge values share the outermost
// cells instead of overflowing.
int64_t faces3_cell_coord(double q);

// Open-addressing map from a grid cell to a chain of point indices in ascending order.
class Faces3PointHash {
  public:
    // Cell edge = 16 * tolerance, so a tolerance window mostly stays in one cell per axis.
    explicit Faces3PointHash(double tolerance = 1e-5);
    void clear();
    bool valid() const { return valid_; }
    void invalidate() { valid_ = false; }
    // Indexes all points again (after transformations or bulk changes).
    void rebuild(const std::vector<Faces3P3>& pts);
    // Adds point idx, which must be higher than every indexed one.
    void add(const std::vector<Faces3P3>& pts, int idx);
    // Lowest index whose coordinates each differ from p by less than the tolerance,
    // or -1.
    int find(const std::vector<Faces3P3>& pts, const double p[3]) const;

  private:
    struct Cell {
        int64_t k[3];
        int head;  // -1 = empty slot
        int tail;
    };
    int slot_of(const int64_t k[3]) const;
    int find_cell(const int64_t k[3]) const;
    void grow();

    double tol_;
    double cell_;
    bool valid_ = true;
    std::vector<Cell> cells_;
    std::vector<int> next_;
    std::size_t used_ = 0;
};

// Edge record: two point indices.
struct Faces3Kante {
    int von;
    int nach;
};

// Open-addressing map from a directed point pair to the lowest edge index with it. A slot
// holds 32 bits of the key's hash and the edge index (8 bytes); the edge table confirms
// a match.
class Faces3EdgeHash {
  public:
    void clear();
    bool valid() const { return valid_; }
    void invalidate() { valid_ = false; }
    // Returns the stored index for (from, to), or -1.
    int find(const std::vector<Faces3Kante>& edges, int from, int to) const;
    // Indexes edges[idx] unless its pair is present already.
    void add(const std::vector<Faces3Kante>& edges, int idx);

  private:
    struct Slot {
        uint32_t fp;
        int32_t idx;  // -1 = empty
    };
    static uint64_t hash(int from, int to);
    void grow();
    bool valid_ = true;
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

inline uint64_t faces3_mix64(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}
