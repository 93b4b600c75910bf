// State kept between the time slices of one geometric neighbour run: for every point
// the points within the tolerance, and the triangle edges leaving each point. The index
// is built in steps, so that no slice has to build all of it.
#pragma once

#include <chrono>
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

    // Where the run stands: the next triangle to scan once the index is built, and the
    // value last handed to the caller to continue from (which may differ while building).
    size_t scan = 0;
    int handed_out = -1;

    // Advances the index build; stops between steps once `deadline` has passed (never
    // when `sliced` is false). True when the index is complete.
    bool build(const Faces3Koerper& k, bool sliced, std::chrono::steady_clock::time_point deadline);
    bool built() const { return phase_ == kDone; }

  private:
    enum Phase { kStart, kCountEdges, kPlaceEdges, kEnds, kCountGrid, kPlaceGrid, kNear, kDone };
    Phase phase_ = kStart;
    size_t pos_ = 0;  // progress inside the phase
    Faces3PointGrid grid_;
};
