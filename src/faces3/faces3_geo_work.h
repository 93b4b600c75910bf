// State kept between the time slices of one geometric neighbour run. Points with equal
// coordinates form one class; for every class the classes within the tolerance; and the
// triangle edges grouped by the classes of their two ends, so that coincident copies of
// an edge are one group however many there are. The index is built in steps, so that no
// slice has to build all of it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "faces3/faces3_point_grid.h"

struct Faces3Koerper;

// Candidate triangles and index entries the geometric neighbour scans of this thread have
// visited: a measure of their cost that does not depend on the machine.
inline thread_local unsigned long long faces3_geo_candidates = 0;

struct Faces3GeoWork {
    static constexpr uint32_t kNoClass = 0xffffffffu;

    size_t triangles = 0;  // triangle count the index was built for
    size_t points = 0;
    Faces3Vec<uint32_t> point_class;  // class of each point; kNoClass when not finite
    Faces3Points class_points;        // coordinates of each class
    Faces3Vec<uint32_t> near_begin;   // per class, plus one
    Faces3Vec<uint32_t> near;         // classes within the tolerance, ascending
    // Edge groups: out.entries holds triangle * 3 + slot, group g at
    // [out.begin[g], out.begin[g + 1]) in ascending order; out_end[g] is the class the
    // group's edges end at. The groups of the edges starting in class c are
    // [class_groups[c], class_groups[c + 1]), ascending by out_end.
    Faces3OutEdges out;
    Faces3Vec<uint32_t> out_end;
    Faces3Vec<uint32_t> class_groups;
    // Per entry of out.entries: the next entry of its group that may still hold a
    // triangle lacking a neighbour (union-find over full triangles, which stay full).
    Faces3Vec<uint32_t> skip;
    // The same over entries whose own edge has a neighbour already (which it keeps).
    Faces3Vec<uint32_t> skip_set;

    // Where the run stands: the next triangle to scan once the index is built, and the
    // value last handed to the caller to continue from (which may differ while building).
    size_t scan = 0;
    int handed_out = -1;

    // Advances the index build; stops between steps once `deadline` has passed (never
    // when `sliced` is false). True when the index is complete.
    bool build(const Faces3Koerper& k, bool sliced, std::chrono::steady_clock::time_point deadline);
    bool built() const { return phase_ == kDone; }

  private:
    enum Phase {
        kStart,
        kClasses,
        kCountGrid,
        kPlaceGrid,
        kNear,
        kCountEdges,
        kPlaceByEnd,
        kPlaceEdges,
        kGroups,
        kDone
    };
    Phase phase_ = kStart;
    size_t pos_ = 0;  // progress inside the phase
    Faces3PointGrid grid_;
    Faces3Vec<uint32_t> class_table_;  // while building: open hash of point index + 1
    Faces3Vec<uint32_t> bucket_;       // while building: entries per starting class, plus one
    Faces3Vec<uint32_t> by_end_;       // while building: entries per end class, plus one
    Faces3Vec<uint32_t> ends_;         // while building: entries ordered by end class
    Faces3Vec<uint32_t> fill_;         // while building: next free entry per class
};
