// State kept between the time slices of one geometric neighbour run: every directed
// triangle edge, bucketed by the grid cell of its start point.
#pragma once

#include <cstdint>
#include <vector>

struct Faces3Koerper;

struct Faces3GeoWork {
    size_t triangles = 0;  // triangle count the index was built for
    double cell = 0;
    // Open-addressing cell table: key and range into `entries`.
    struct Cell {
        int64_t k[3];
        uint32_t begin;
        uint32_t count;  // 0 = empty slot
    };
    std::vector<Cell> cells;
    std::vector<uint32_t> entries;  // triangle * 3 + slot, ascending within a cell

    void build(const Faces3Koerper& k);
    // Calls fn(entry) for every edge whose start point may lie within the tolerance of p.
    template <class Fn>
    void for_each_near(const double p[3], Fn&& fn) const;
    int find_cell(const int64_t k[3]) const;
};
