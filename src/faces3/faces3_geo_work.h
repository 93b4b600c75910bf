// State kept between the time slices of one geometric neighbour run: a grid of the
// points and the triangle edges leaving each point.
#pragma once

#include <cstddef>

#include "faces3/faces3_point_grid.h"

struct Faces3Koerper;

struct Faces3GeoWork {
    size_t triangles = 0;  // triangle count the index was built for
    size_t points = 0;
    Faces3PointGrid grid;
    Faces3OutEdges out;

    void build(const Faces3Koerper& k);
};
