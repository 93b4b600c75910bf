// State kept between the time slices of one geometric neighbour run: for every point
// the points within the tolerance, and the triangle edges leaving each point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "faces3/faces3_point_grid.h"

struct Faces3Koerper;

struct Faces3GeoWork {
    size_t triangles = 0;  // triangle count the index was built for
    size_t points = 0;
    Faces3OutEdges out;
    Faces3Vec<uint32_t> out_end;     // end point of each entry of `out`
    Faces3Vec<uint32_t> near_begin;  // per point, plus one
    Faces3Vec<uint32_t> near;        // points within the tolerance, ascending

    void build(const Faces3Koerper& k);
};
