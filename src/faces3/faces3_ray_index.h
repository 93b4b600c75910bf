// Acceleration of ray picks on big bodies: a bounding volume hierarchy over the triangles,
// and the triangles that can take part in the circle-centre search at all. Both are built
// on the first pick that needs them and dropped whenever the body's geometry changes.
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "faces3/faces3_large_pages.h"

struct Faces3Koerper;

// faces3_pick by a scan over all triangles, without the indexes; the same results.
int faces3_pick_linear(const Faces3Koerper* k, const double p[3], const double d[3], double hit[3],
                       double normale[3], double snap_r, double* kreisradius);

// Bounding volume hierarchy over the triangles with finite corners.
class Faces3RayBvh {
  public:
    explicit Faces3RayBvh(const Faces3Koerper& k);

    // Whether the hierarchy may answer for this ray; false for rays and bodies whose
    // values are so large or small that the box tests could lose the margin they rely on.
    bool usable(const double p[3], const double d[3]) const;
    // Calls f(triangle) for every triangle the line p + t d (any t) may pass through: all
    // triangles faces3_ray_triangle accepts, and some more. Each triangle once, in no
    // particular order.
    template <class F>
    void for_line(const double p[3], const double d[3], F&& f) const;

    size_t bytes() const;
    size_t triangles() const { return n_tri_; }

  private:
    struct Node {
        float lo[3], hi[3];  // rounded outwards from the corners' doubles
        uint32_t first;      // inner: index of the first of two children; leaf: first item
        uint32_t count;      // 0 for inner nodes
    };
    bool visit(const Node& nd, const double p[3], const double d[3], double pmax) const;

    Faces3Vec<Node> nodes_;
    Faces3Vec<uint32_t> items_;  // triangle indices, leaves' ranges
    std::vector<uint32_t> odd_;  // triangles with a corner that is not finite
    size_t n_tri_ = 0;
    double coord_max_ = 0;  // largest finite coordinate magnitude
};

// Ascending indices of the triangles that can belong to or change a group of more than
// seven triangles in the circle-centre search, for every ray: members of the grouping
// relation's normal part whose connected part holds a triangle with at least eight normals
// (itself included) within the group tolerance. Grouping only these, in table order, gives
// the same groups of eight or more as grouping all.
struct Faces3CircleCandidates {
    explicit Faces3CircleCandidates(const Faces3Koerper& k);
    std::vector<uint32_t> tris;
    std::vector<double> geo;  // per triangle in tris: copies of its normal and first corner
};

// The body's indexes. A const body can be picked from several threads: the indexes are
// built under the mutex and are immutable afterwards. Changes of the body drop them; those
// must not run alongside picks.
class Faces3RayCache {
  public:
    Faces3RayCache() = default;
    Faces3RayCache(const Faces3RayCache&) = delete;
    Faces3RayCache& operator=(const Faces3RayCache&) = delete;

    std::shared_ptr<const Faces3RayBvh> bvh(const Faces3Koerper& k) const;
    std::shared_ptr<const Faces3CircleCandidates> circle(const Faces3Koerper& k) const;
    // Cheap when nothing is built, so that every triangle change may call it.
    void invalidate() {
        if (built_.load(std::memory_order_relaxed)) drop();
    }

  private:
    void drop();
    // Table sizes and addresses the indexes were built for: a change that forgot to drop
    // them is caught when the tables grew, shrank or moved.
    struct Stamp {
        size_t tris = 0, points = 0;
        const void* tri_data = nullptr;
        const void* point_data = nullptr;
        bool operator==(const Stamp& o) const {
            return tris == o.tris && points == o.points && tri_data == o.tri_data &&
                   point_data == o.point_data;
        }
    };
    static Stamp stamp_of(const Faces3Koerper& k);
    void check(const Faces3Koerper& k) const;  // mutex held

    mutable std::mutex mutex_;
    mutable std::atomic<bool> built_{false};
    mutable Stamp stamp_;
    mutable std::shared_ptr<const Faces3RayBvh> bvh_;
    mutable std::shared_ptr<const Faces3CircleCandidates> circle_;
};

// ---- inline ----------------------------------------------------------------------------

inline bool Faces3RayBvh::visit(const Node& nd, const double p[3], const double d[3],
                                double pmax) const {
    // The box grows by a margin far above the rounding of the triangle test, so that a
    // triangle the line passes only within rounding is still visited.
    double nmax = 0;
    for (int a = 0; a < 3; ++a) {
        nmax = nmax > -double{nd.lo[a]} ? nmax : -double{nd.lo[a]};
        nmax = nmax > double{nd.hi[a]} ? nmax : double{nd.hi[a]};
    }
    const double m = 1e-6 * (pmax + nmax);
    double tmin = -HUGE_VAL, tmax = HUGE_VAL;
    for (int a = 0; a < 3; ++a) {
        const double lo = nd.lo[a], hi = nd.hi[a];
        // The triangle test's own rejection: every corner on the side the ray leaves.
        if (hi < p[a] && d[a] >= 0) return false;
        if (lo > p[a] && d[a] <= 0) return false;
        if (d[a] == 0) {
            if (p[a] < lo - m || p[a] > hi + m) return false;
            continue;
        }
        double t1 = (lo - m - p[a]) / d[a], t2 = (hi + m - p[a]) / d[a];
        if (t1 > t2) std::swap(t1, t2);
        tmin = t1 > tmin ? t1 : tmin;
        tmax = t2 < tmax ? t2 : tmax;
    }
    return tmin <= tmax;
}

template <class F>
void Faces3RayBvh::for_line(const double p[3], const double d[3], F&& f) const {
    for (uint32_t t : odd_) f(t);
    if (nodes_.empty()) return;
    double pmax = 0;
    for (int a = 0; a < 3; ++a) pmax = std::max(pmax, std::fabs(p[a]));
    uint32_t stack[128];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Node& nd = nodes_[stack[--top]];
        if (!visit(nd, p, d, pmax)) continue;
        if (nd.count > 0) {
            for (uint32_t i = nd.first; i < nd.first + nd.count; ++i) f(items_[i]);
        } else {
            stack[top++] = nd.first;
            stack[top++] = nd.first + 1;
        }
    }
}
