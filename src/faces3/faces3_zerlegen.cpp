// Splitting of triangles at points that lie inside their edges (T-junctions). A point
// grid finds the candidate points of a triangle; the result is the lowest point index a
// scan over all points would find, so the splits happen in the same order.
#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "faces3/faces3_body.h"
#include "faces3/faces3_internal.h"
#include "faces3/faces3_point_grid.h"
#include "faces3/faces3_split_guard.h"

bool faces3_punkt_auf_kante(const double* p, const double* a, const double* b) {
    const double e = FACES3_KOOR_EPS;
    for (int c = 0; c < 3; ++c) {
        const double lo = std::min(a[c], b[c]), hi = std::max(a[c], b[c]);
        if (p[c] > hi + e || p[c] < lo - e) return false;
    }
    const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(len >= e)) return false;
    const double u[3] = {d[0] / len, d[1] / len, d[2] / len};
    const double w[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    const double s = w[0] * u[0] + w[1] * u[1] + w[2] * u[2];
    if (!(s >= e && s <= len - e)) return false;
    const double r[3] = {w[0] - s * u[0], w[1] - s * u[1], w[2] - s * u[2]};
    return std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) <= e;
}

int faces3_split_triangle(Faces3Koerper* k, int i, int edge, int j) {
    const Faces3Dreieck old = k->dreiecke[i];
    const int a = old.p[edge], b = old.p[(edge + 1) % 3], c = old.p[(edge + 2) % 3];
    if (faces3_set_dreieck(k, i, a, j, c) < 0) return 1;
    if (faces3_set_dreieck(k, -1, j, b, c) < 0) {
        k->dreiecke[i] = old;  // keep the mesh closed when the new half cannot be added
        return 1;
    }
    return 0;
}

namespace {

double mean_edge_length(const Faces3Koerper& k) {
    double sum = 0;
    size_t n = 0;
    for (const Faces3Dreieck& t : k.dreiecke) {
        for (int s = 0; s < 3; ++s) {
            const double* a = k.punkte[t.p[s]].data();
            const double* b = k.punkte[t.p[(s + 1) % 3]].data();
            const double l =
                std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                          (a[2] - b[2]) * (a[2] - b[2]));
            if (std::isfinite(l)) {
                sum += l;
                ++n;
            }
        }
    }
    const double h = n ? sum / static_cast<double>(n) : 1.0;
    return std::isfinite(h) ? std::max(h, 8 * FACES3_KOOR_EPS) : 1.0;
}

// Splits every triangle (also those appended on the way) until no point lies on its
// edges. 0, or 1 when a split failed or the guard refused one.
int split_all(Faces3Koerper* k, const Faces3PointGrid& grid, Faces3SplitGuard& guard) {
    int result = 0;
    const double e = 2 * FACES3_KOOR_EPS;
    const double scan_limit = std::max<double>(64.0, static_cast<double>(k->punkte.size()) / 8);
    for (size_t i = 0; i < k->dreiecke.size(); ++i) {
        for (;;) {
            const Faces3Dreieck& t = k->dreiecke[i];
            const double* c[3] = {k->punkte[t.p[0]].data(), k->punkte[t.p[1]].data(),
                                  k->punkte[t.p[2]].data()};
            int best = INT_MAX, best_edge = -1;
            auto test = [&](uint32_t j) {
                if (static_cast<int>(j) >= best) return;
                if (static_cast<int>(j) == t.p[0] || static_cast<int>(j) == t.p[1] ||
                    static_cast<int>(j) == t.p[2]) {
                    return;
                }
                const double* p = k->punkte[j].data();
                for (int s = 0; s < 3; ++s) {
                    if (faces3_punkt_auf_kante(p, c[s], c[(s + 1) % 3])) {
                        best = static_cast<int>(j);
                        best_edge = s;
                        return;
                    }
                }
            };
            double lo[3], hi[3];
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min({c[0][a], c[1][a], c[2][a]}) - e;
                hi[a] = std::max({c[0][a], c[1][a], c[2][a]}) + e;
            }
            bool finite = true;
            for (int a = 0; a < 3; ++a)
                finite = finite && std::isfinite(lo[a]) && std::isfinite(hi[a]);
            int64_t ca[3], cb[3];
            if (finite && grid.range(lo, hi, 0.01, ca, cb) <= scan_limit) {
                grid.for_range(ca, cb, test);
            } else {
                // A triangle much larger than the mesh spacing: scanning is cheaper.
                const uint32_t np = static_cast<uint32_t>(k->punkte.size());
                for (uint32_t j = 0; j < np && static_cast<int>(j) < best; ++j) test(j);
            }
            if (best_edge < 0) break;
            const int a = t.p[best_edge], b = t.p[(best_edge + 1) % 3],
                      cc = t.p[(best_edge + 2) % 3];
            const int keep[3] = {a, best, cc}, added[3] = {best, b, cc};
            if (!guard.allow(*k, grid, i, keep, added)) {
                // No progress: the triangle keeps this point on its edge.
                result = 1;
                break;
            }
            if (faces3_split_triangle(k, static_cast<int>(i), best_edge, best) != 0) return 1;
            guard.appended(i);
        }
    }
    return result;
}

}  // namespace

int faces3_kantenpunkte_zerlegen(Faces3Koerper* k) {
    if (!k) return 1;
    Faces3PointGrid grid;
    try {
        grid.build(k->punkte, mean_edge_length(*k));
        Faces3SplitGuard guard(k->dreiecke.size());
        return split_all(k, grid, guard);
    } catch (const std::bad_alloc&) {
        return 1;
    }
}
