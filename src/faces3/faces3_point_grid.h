// Static spatial indexes over a body's points and triangle edges, built in linear time:
// a grid of points (ascending indices per cell) and the triangle edges leaving each point.
#pragma once

#include <cstdint>
#include <vector>

#include "faces3/faces3_search_index.h"

struct Faces3Dreieck;

class Faces3PointGrid {
  public:
    // Cell edge h; points with a non-finite coordinate are left out (they match nothing).
    void build(const Faces3Points& pts, double h);
    // The same build in steps, so that it can be spread over time slices: start, count
    // every point range in order, index, place every point range in order, finish.
    void start(size_t npoints, double h);
    void count(const Faces3Points& pts, size_t from, size_t to);
    void index();
    void place(size_t from, size_t to);
    void finish();
    double cell() const { return h_; }
    // Cell range covering [lo, hi] per axis, widened by `margin` cells against rounding;
    // returns the number of cells in it.
    double range(const double lo[3], const double hi[3], double margin, int64_t a[3],
                 int64_t b[3]) const;
    // Calls fn(point index) for every point in the cells of the range.
    template <class Fn>
    void for_range(const int64_t a[3], const int64_t b[3], Fn&& fn) const {
        int64_t key[3];
        for (key[0] = a[0]; key[0] <= b[0]; ++key[0]) {
            for (key[1] = a[1]; key[1] <= b[1]; ++key[1]) {
                for (key[2] = a[2]; key[2] <= b[2]; ++key[2]) {
                    const Cell& c = cells_[probe(key)];
                    for (uint32_t x = c.begin; x < c.begin + c.count; ++x) fn(entries_[x]);
                }
            }
        }
    }

  private:
    struct Cell {
        int64_t k[3];
        uint32_t begin;
        uint32_t count;  // 0 = empty slot
    };
    size_t probe(const int64_t key[3]) const;
    double h_ = 1;
    Faces3Vec<Cell> cells_;
    Faces3Vec<uint32_t> entries_;
    Faces3Vec<int32_t> slot_;   // while building: cell of each point, -1 when left out
    Faces3Vec<uint32_t> fill_;  // while building: next free entry of each cell
};

// For every point, the triangle edges starting there as triangle * 3 + slot, ascending.
struct Faces3OutEdges {
    Faces3Vec<uint32_t> begin;  // per point, plus one
    Faces3Vec<uint32_t> entries;
    void build(size_t npoints, const Faces3Vec<Faces3Dreieck>& tris);
    // The same build in steps: start, count every triangle range in order, index, place
    // every triangle range in order, finish.
    void start(size_t npoints);
    void count(const Faces3Vec<Faces3Dreieck>& tris, size_t from, size_t to);
    void index(size_t ntris);
    void place(const Faces3Vec<Faces3Dreieck>& tris, size_t from, size_t to);
    void finish();

  private:
    Faces3Vec<uint32_t> fill_;
};
