// Progress rule of the splitting at edge points (see faces3_split_guard.h).
#include "faces3/faces3_split_guard.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "faces3/faces3_body.h"
#include "faces3/faces3_point_grid.h"
#include "numeric/vec3.h"

namespace {

double segment_distance(const double* p, const double* a, const double* b) {
    const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double w[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    const double dd = vec3_dot(d, d);
    const double t = dd > 0 ? std::clamp(vec3_dot(w, d) / dd, 0.0, 1.0) : 0.0;
    const double r[3] = {w[0] - t * d[0], w[1] - t * d[1], w[2] - t * d[2]};
    return std::sqrt(vec3_dot(r, r));
}

// Whether p lies within r of the closed triangle abc (degenerate ones are their edges).
bool near_triangle(const double* p, const double* a, const double* b, const double* c, double r) {
    if (segment_distance(p, a, b) <= r || segment_distance(p, b, c) <= r ||
        segment_distance(p, c, a) <= r) {
        return true;
    }
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    const double len = std::sqrt(vec3_dot(n, n));
    if (!(len > 0)) return false;
    const double w[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    if (std::fabs(vec3_dot(w, n)) / len > r) return false;
    // Inside when p is on the inner side of all three edges.
    const double* q[3] = {a, b, c};
    for (int s = 0; s < 3; ++s) {
        const double* e0 = q[s];
        const double* e1 = q[(s + 1) % 3];
        const double e[3] = {e1[0] - e0[0], e1[1] - e0[1], e1[2] - e0[2]};
        const double f[3] = {p[0] - e0[0], p[1] - e0[1], p[2] - e0[2]};
        const double x[3] = {e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2],
                             e[0] * f[1] - e[1] * f[0]};
        if (vec3_dot(x, n) < 0) return false;
    }
    return true;
}

}  // namespace

size_t Faces3SplitGuard::KeyHash::operator()(const Key& k) const {
    uint64_t h = k.root * 0x9E3779B97F4A7C15ULL;
    for (int c : k.p) h = (h ^ static_cast<uint32_t>(c)) * 0xBF58476D1CE4E5B9ULL;
    return static_cast<size_t>(h ^ (h >> 31));
}

Faces3SplitGuard::Key Faces3SplitGuard::key(uint32_t root, const int p[3]) {
    // The same triangle started at another corner is the same triangle.
    const int s = p[0] <= p[1] && p[0] <= p[2] ? 0 : (p[1] <= p[2] ? 1 : 2);
    return Key{root, {p[s], p[(s + 1) % 3], p[(s + 2) % 3]}};
}

int Faces3SplitGuard::limit_for(const Faces3Koerper& k, const Faces3PointGrid& grid,
                                const int p[3]) {
    const double r = 2 * FACES3_KOOR_EPS;
    const double* c[3] = {k.punkte[p[0]].data(), k.punkte[p[1]].data(), k.punkte[p[2]].data()};
    long long on = 0;
    auto count = [&](uint32_t j) {
        if (near_triangle(k.punkte[j].data(), c[0], c[1], c[2], r)) ++on;
    };
    double lo[3], hi[3];
    bool finite = true;
    for (int a = 0; a < 3; ++a) {
        lo[a] = std::min({c[0][a], c[1][a], c[2][a]}) - r;
        hi[a] = std::max({c[0][a], c[1][a], c[2][a]}) + r;
        finite = finite && std::isfinite(lo[a]) && std::isfinite(hi[a]);
    }
    int64_t ca[3], cb[3];
    const double scan_limit = std::max<double>(64.0, static_cast<double>(k.punkte.size()) / 8);
    if (finite && grid.range(lo, hi, 0.01, ca, cb) <= scan_limit) {
        grid.for_range(ca, cb, count);
    } else {
        for (size_t j = 0; j < k.punkte.size(); ++j) count(static_cast<uint32_t>(j));
    }
    // A tiling of a triangle by triangles with V corners has at most 2V - 5 pieces.
    return static_cast<int>(std::min<long long>(INT_MAX, 2 * on + kFreeSplits));
}

bool Faces3SplitGuard::allow(const Faces3Koerper& k, const Faces3PointGrid& grid, size_t i,
                             const int keep[3], const int added[3]) {
    const uint32_t r = root(i);
    auto found = state_.find(r);
    if (found == state_.end()) {
        // First split of this original triangle: i is the root itself, still unchanged.
        Root fresh;
        std::copy(k.dreiecke[i].p, k.dreiecke[i].p + 3, fresh.p);
        found = state_.emplace(r, fresh).first;
        seen_.insert(key(r, fresh.p));
    }
    Root& st = found->second;
    if (st.splits >= kFreeSplits && st.limit < 0) st.limit = limit_for(k, grid, st.p);
    if (st.limit >= 0 && st.splits >= st.limit) return false;
    const Key a = key(r, keep), b = key(r, added);
    if (seen_.count(a) || seen_.count(b)) return false;
    seen_.insert(a);
    seen_.insert(b);
    ++st.splits;
    return true;
}
