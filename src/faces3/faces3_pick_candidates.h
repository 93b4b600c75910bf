// The grouping of the circle-centre search of a pick made quick: cells over the hit points
// and normals, and the triangles that have to be grouped at all (the others lie alone in
// their group whatever the order, and no group of one is ever fitted).
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "faces3/faces3_body.h"
#include "faces3/faces3_search_index.h"

// Tolerance of the normals of one group, per component.
inline constexpr double FACES3_GROUP_NORMAL_TOL = 1e-4;

// The point where the ray p + t d meets the plane of triangle t, for triangles that face
// the ray; false for the others, for rays parallel to the plane and for points that are
// not finite.
inline bool faces3_facing_hit(const double n[3], const double a[3], const double p[3],
                              const double d[3], double h[3]) {
    const double nd = n[0] * d[0] + n[1] * d[1] + n[2] * d[2];
    if (nd > 0) return false;
    if (!(std::fabs(nd) >= 1e-12)) return false;
    const double w[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    const double tp = -(n[0] * w[0] + n[1] * w[1] + n[2] * w[2]) / nd;
    for (int c = 0; c < 3; ++c) h[c] = p[c] + tp * d[c];
    return std::isfinite(h[0]) && std::isfinite(h[1]) && std::isfinite(h[2]);
}
inline bool faces3_facing_hit(const Faces3Koerper& k, const Faces3Dreieck& t, const double p[3],
                              const double d[3], double h[3]) {
    return faces3_facing_hit(t.normale, k.punkte[t.p[0]].data(), p, d, h);
}

// Cells over (hit coordinate along the ray's main axis, normal x, normal y), sixteen
// tolerances wide. Two triangles that agree (hit points within tol, normals within
// FACES3_GROUP_NORMAL_TOL per component) lie in cells within each other's window, which
// meets at most two cells per axis.
class Faces3GroupCells {
  public:
    Faces3GroupCells(const double d[3], double tol);
    // Own cell and window of a hit point h with normal n. False when the window may be
    // wider than two cells on some axis (only at huge quotients).
    bool cells(const double h[3], const double n[3], int64_t own[3], int64_t lo[3],
               int64_t hi[3]) const {
        const double v[3] = {h[axis_], n[0], n[1]};
        bool narrow = true;
        for (int a = 0; a < 3; ++a) {
            // A tolerance is a sixteenth of a cell; 1% more and the slack cover the rounding
            // of the quotients of both triangles.
            const double q = v[a] * inv_[a];
            const double aq = std::fabs(q), w = 0.063125 + aq * 0x1p-48 + 0x1p-40;
            if (aq < 0x1p40) {
                const int64_t t = static_cast<int64_t>(q);
                own[a] = t > q ? t - 1 : t;
                const double f = static_cast<double>(own[a]);  // exact here
                lo[a] = own[a] - (q - f < w);
                hi[a] = own[a] + (f + 1 - q <= w);
            } else {
                own[a] = faces3_cell_of(q);
                lo[a] = faces3_cell_of(q - w);
                hi[a] = faces3_cell_of(q + w);
                narrow = narrow && lo[a] >= own[a] - 1 && hi[a] <= own[a] + 1;
            }
        }
        return narrow;
    }
    static uint64_t hash(int64_t a, int64_t b, int64_t c);

  private:
    int axis_ = 0;
    double inv_[3];  // 1 / cell edge
};

// Indices, ascending, of the triangles facing the ray that may agree with another one.
// Every triangle left out agrees with no other, so it forms a group of its own, takes no
// triangle into its group and changes no other triangle's group: grouping the listed ones
// in table order gives the same groups of two or more, in the same order, as grouping all.
// With ray_hits, the same pass over the triangles also lists, in table order, every
// triangle the ray passes through (faces3_ray_triangle) with its t, so that the pick need
// not read the triangles once more. With subset, only its triangles are looked at, out
// holds positions in the subset, and ray_hits is not filled.
struct Faces3RayHit {
    uint32_t tri;
    double t;
};
// Triangles to look at instead of all, ascending, with copies of their normal and first
// corner side by side (six values each), so that a pass over them reads memory in order.
struct Faces3CandidateSubset {
    const uint32_t* tris;
    const double* geo;
    size_t n;
};
void faces3_circle_candidates(const Faces3Koerper& k, const double p[3], const double d[3],
                              const Faces3GroupCells& cells, std::vector<uint32_t>& out,
                              std::vector<Faces3RayHit>* ray_hits = nullptr,
                              const Faces3CandidateSubset* subset = nullptr);

// Every triangle the ray passes through, with its t, in table order.
void faces3_ray_hits(const Faces3Koerper& k, const double p[3], const double d[3],
                     std::vector<Faces3RayHit>& out);
