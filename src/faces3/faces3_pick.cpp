// Ray picking of a body with corner, feature-edge and circle-centre snapping, and the
// circle fit it uses.
#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>
#include <vector>

#include "faces3/faces3_body.h"
#include "faces3/faces3_internal.h"
#include "faces3/faces3_pick_candidates.h"
#include "faces3/faces3_ray_index.h"
#include "numeric/vec3.h"

namespace {

double dist(const double* a, const double* b) {
    const double d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    return std::sqrt(vec3_dot(d, d));
}

// Triple product (p - s) . (d x e).
double triple(const double* p, const double* s, const double* d, const double* e) {
    const double w[3] = {p[0] - s[0], p[1] - s[1], p[2] - s[2]};
    double c[3];
    vec3_cross(d, e, c);
    return vec3_dot(w, c);
}

// Hit of the ray with the plane through a with normal n; false when parallel.
bool plane_hit(const double p[3], const double d[3], const double a[3], const double n[3],
               double* t) {
    const double nd = vec3_dot(n, d);
    if (!(std::fabs(nd) >= 1e-12)) return false;
    const double w[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    *t = -vec3_dot(n, w) / nd;
    return true;
}

// Centre of the circle through three points, in their plane.
bool circle_centre(const double* a, const double* b, const double* c, double out[3]) {
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    double w[3];
    vec3_cross(u, v, w);
    const double ww = vec3_dot(w, w);
    const double uu = vec3_dot(u, u), vv = vec3_dot(v, v);
    if (!(ww > 1e-24 * uu * vv) || !(ww > 0) || !std::isfinite(ww)) return false;  // collinear
    double vw[3], wu[3];
    vec3_cross(v, w, vw);
    vec3_cross(w, u, wu);
    for (int i = 0; i < 3; ++i) out[i] = a[i] + (uu * vw[i] + vv * wu[i]) / (2 * ww);
    return std::isfinite(out[0]) && std::isfinite(out[1]) && std::isfinite(out[2]);
}

// Groups of triangles whose plane hit points agree within tol and whose normals agree
// within FACES3_GROUP_NORMAL_TOL, each kept in the cell of its first triangle, so that a
// triangle finds the earliest created agreeing group in the few cells of its window.
class GroupIndex {
  public:
    // Room for `expected` groups without growing. The storage is kept from pick to pick:
    // fresh memory of this size would cost more in page faults than the search itself.
    GroupIndex(const Faces3GroupCells& cells, double tol, size_t expected)
        : cells_of_(cells), tol_(tol), groups_(storage().groups), cells_(storage().cells) {
        size_t size = 1024;
        while (size < expected * 2) size *= 2;
        groups_.clear();
        cells_.assign(size, Cell{});
    }

    // Group index for the hit h with normal n: an existing agreeing group, else a new one.
    int join(const double h[3], const double n[3]) {
        int64_t own[3], lo[3], hi[3];
        cells_of_.cells(h, n, own, lo, hi);
        int best = -1;
        {
            for (int64_t a = lo[0]; a <= hi[0]; ++a) {
                for (int64_t b = lo[1]; b <= hi[1]; ++b) {
                    for (int64_t c = lo[2]; c <= hi[2]; ++c) {
                        const int64_t key[3] = {a, b, c};
                        const Cell& cell = cells_[slot(key)];
                        for (int g = cell.head; g >= 0; g = groups_[g].next) {
                            if (best >= 0 && g >= best) break;  // chains ascend
                            if (agrees(groups_[g], h, n)) best = g;
                        }
                    }
                }
            }
        }
        if (best >= 0) return best;
        Group g;
        std::copy(h, h + 3, g.hit);
        std::copy(n, n + 3, g.normal);
        groups_.push_back(g);
        const int id = static_cast<int>(groups_.size()) - 1;
        insert(own, id);
        return id;
    }
    struct Group {
        double hit[3];
        double normal[3];
        int next = -1;  // next group in the same cell
    };
    const std::vector<Group>& groups() const { return groups_; }

  private:
    struct Cell {
        int64_t k[3];
        int head = -1;  // -1 = empty slot
        int tail = -1;
    };
    bool agrees(const Group& gr, const double h[3], const double n[3]) const {
        for (int a = 0; a < 3; ++a) {
            if (!(std::fabs(h[a] - gr.hit[a]) <= tol_) ||
                !(std::fabs(n[a] - gr.normal[a]) <= FACES3_GROUP_NORMAL_TOL)) {
                return false;
            }
        }
        return true;
    }
    size_t slot(const int64_t k[3]) const {
        const size_t mask = cells_.size() - 1;
        size_t s = Faces3GroupCells::hash(k[0], k[1], k[2]) & mask;
        while (cells_[s].head >= 0 && !std::equal(k, k + 3, cells_[s].k)) s = (s + 1) & mask;
        return s;
    }
    void insert(const int64_t k[3], int id) {
        if ((used_ + 1) * 2 > cells_.size()) {
            std::vector<Cell> old;
            old.swap(cells_);
            cells_.assign(old.empty() ? 1024 : old.size() * 2, Cell{});
            for (const Cell& c : old) {
                if (c.head >= 0) cells_[slot(c.k)] = c;
            }
        }
        Cell& c = cells_[slot(k)];
        if (c.head < 0) {
            std::copy(k, k + 3, c.k);
            c.head = c.tail = id;
            ++used_;
        } else {
            groups_[c.tail].next = id;
            c.tail = id;
        }
    }
    struct Storage {
        std::vector<Group> groups;
        std::vector<Cell> cells;
    };
    static Storage& storage() {
        thread_local Storage s;
        return s;
    }
    const Faces3GroupCells& cells_of_;
    double tol_;
    std::vector<Group>& groups_;
    std::vector<Cell>& cells_;
    size_t used_ = 0;
};

// Circle-centre search: groups the triangles that face the ray by their plane hit point
// and normal, and fits a circle to the corners of every large group.
// ray_hits: filled with the ray's triangle hits when the search went over the triangles
// (left empty with *collected false otherwise).
// subset: the only triangles that can matter, or null for all; without it ray_hits is
// filled too.
bool circle_search(const Faces3Koerper& k, const double p[3], const double d[3], double bound,
                   double centre[3], double normal[3], double* radius,
                   const Faces3CandidateSubset* subset, std::vector<Faces3RayHit>& ray_hits,
                   bool* collected) {
    const size_t n = k.dreiecke.size();
    if (n == 0 || !(bound > 0) || !std::isfinite(bound)) return false;
    const double tol = bound * 0.01;
    // Only triangles that agree with another one can end up in a group big enough to fit.
    std::vector<uint32_t> cand;
    const Faces3GroupCells cells(d, tol);
    faces3_circle_candidates(k, p, d, cells, cand, subset ? nullptr : &ray_hits, subset);
    *collected = !subset;
    GroupIndex index(cells, tol, cand.size());
    std::vector<int> group_of(cand.size(), -1);
    for (size_t c = 0; c < cand.size(); ++c) {
        double h[3];
        if (subset) {
            const double* g = subset->geo + 6 * size_t{cand[c]};
            if (!faces3_facing_hit(g, g + 3, p, d, h)) continue;
            group_of[c] = index.join(h, g);
            continue;
        }
        // Candidates lie scattered in the tables: their records and first corners are
        // fetched ahead.
        if (c + 16 < cand.size()) __builtin_prefetch(&k.dreiecke[cand[c + 16]]);
        if (c + 8 < cand.size()) __builtin_prefetch(k.punkte[k.dreiecke[cand[c + 8]].p[0]].data());
        const Faces3Dreieck& t = k.dreiecke[cand[c]];
        if (!faces3_facing_hit(k, t, p, d, h)) continue;
        group_of[c] = index.join(h, t.normale);
    }
    // From here on triangle indices.
    if (subset) {
        for (uint32_t& c : cand) c = subset->tris[c];
    }
    const auto& groups = index.groups();
    // Triangles of each group, in table order.
    std::vector<uint32_t> begin(groups.size() + 1, 0), members;
    for (int g : group_of) {
        if (g >= 0) ++begin[g + 1];
    }
    for (size_t g = 0; g < groups.size(); ++g) begin[g + 1] += begin[g];
    members.resize(begin.back());
    {
        std::vector<uint32_t> fill(begin.begin(), begin.end() - 1);
        for (size_t c = 0; c < cand.size(); ++c) {
            if (group_of[c] >= 0) members[fill[group_of[c]]++] = cand[c];
        }
    }
    bool found = false;
    double best_spread = 0;
    Faces3Points corners;
    std::vector<double> xs, ys, zs;
    for (size_t gi = 0; gi < groups.size(); ++gi) {
        if (begin[gi + 1] - begin[gi] <= 7) continue;
        const auto& g = groups[gi];
        corners.clear();
        Faces3PointHash seen(1e-4);
        for (uint32_t m = begin[gi]; m < begin[gi + 1]; ++m) {
            const Faces3Dreieck& t = k.dreiecke[members[m]];
            for (int c = 0; c < 3; ++c) {
                const double* q = k.punkte[t.p[c]].data();
                const double w[3] = {q[0] - g.hit[0], q[1] - g.hit[1], q[2] - g.hit[2]};
                // Corners in the plane; the distance is taken on both sides.
                if (!(std::fabs(vec3_dot(w, g.normal)) < tol)) continue;
                if (seen.find(corners, q) >= 0) continue;
                corners.push_back({q[0], q[1], q[2]});
                seen.add(corners, static_cast<int>(corners.size()) - 1);
            }
        }
        if (corners.size() <= 7) continue;
        xs.clear();
        ys.clear();
        zs.clear();
        for (const Faces3P3& c : corners) {
            xs.push_back(c[0]);
            ys.push_back(c[1]);
            zs.push_back(c[2]);
        }
        double cc[3], r, spread;
        if (faces3_fit_kreis(xs.data(), ys.data(), zs.data(), static_cast<int>(corners.size()),
                             g.hit, bound, cc, &r, &spread) != 0) {
            continue;
        }
        if (!found || spread < best_spread) {
            found = true;
            best_spread = spread;
            std::copy(cc, cc + 3, centre);
            std::copy(g.normal, g.normal + 3, normal);
            *radius = r;
        }
    }
    return found && best_spread <= 1e10;
}

bool feature_edge(const Faces3Koerper& k, const Faces3Dreieck& t, int s) {
    const int j = t.nachbar[s];
    if (j < 0 || static_cast<size_t>(j) >= k.dreiecke.size()) return true;
    return vec3_parallel(t.normale, k.dreiecke[j].normale, 0.1) == 0;
}

}  // namespace

bool faces3_ray_triangle(const double p[3], const double d[3], const double a[3], const double b[3],
                         const double c[3], const double n[3], double* t) {
    for (int x = 0; x < 3; ++x) {
        if (a[x] < p[x] && b[x] < p[x] && c[x] < p[x] && d[x] >= 0) return false;
        if (a[x] > p[x] && b[x] > p[x] && c[x] > p[x] && d[x] <= 0) return false;
    }
    const double eab[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double ebc[3] = {c[0] - b[0], c[1] - b[1], c[2] - b[2]};
    const double eca[3] = {a[0] - c[0], a[1] - c[1], a[2] - c[2]};
    const double s0 = triple(p, a, d, eab), s1 = triple(p, b, d, ebc), s2 = triple(p, c, d, eca);
    const bool inside = (s0 <= 0 && s1 <= 0 && s2 <= 0) || (s0 >= 0 && s1 >= 0 && s2 >= 0);
    if (!inside) return false;
    return plane_hit(p, d, a, n, t);
}

namespace {

// Makes triangle tri, hit at t, the pick's result, snapped to a corner or a feature edge
// when snapping is on.
void take_hit(const Faces3Koerper& k, uint32_t tri, double tt, const double p[3], const double d[3],
              double snap_r, double hit[3], double normale[3], double* kreisradius) {
    const Faces3Dreieck& t = k.dreiecke[tri];
    const double* c0 = k.punkte[t.p[0]].data();
    const double* c1 = k.punkte[t.p[1]].data();
    const double* c2 = k.punkte[t.p[2]].data();
    for (int a = 0; a < 3; ++a) {
        hit[a] = p[a] + tt * d[a];
        normale[a] = t.normale[a];
    }
    if (kreisradius) *kreisradius = FACES3_UNSET;
    if (snap_r <= 0) return;
    const double* cs[3] = {c0, c1, c2};
    const double dc[3] = {dist(hit, c0), dist(hit, c1), dist(hit, c2)};
    int corner = -1;
    for (int q = 0; q < 3 && corner < 0; ++q) {
        if (dc[q] <= snap_r && dc[q] <= dc[(q + 1) % 3] && dc[q] <= dc[(q + 2) % 3]) corner = q;
    }
    if (corner >= 0) {
        std::copy(cs[corner], cs[corner] + 3, hit);
        return;
    }
    double foot_best[3], dbest = snap_r;
    bool snapped = false;
    for (int s = 0; s < 3; ++s) {
        if (!feature_edge(k, t, s)) continue;
        const double* ea = cs[s];
        const double* eb = cs[(s + 1) % 3];
        const double e[3] = {eb[0] - ea[0], eb[1] - ea[1], eb[2] - ea[2]};
        const double ee = vec3_dot(e, e);
        if (!(ee > 0)) continue;
        const double w[3] = {hit[0] - ea[0], hit[1] - ea[1], hit[2] - ea[2]};
        const double u = vec3_dot(w, e) / ee;
        const double f[3] = {ea[0] + u * e[0], ea[1] + u * e[1], ea[2] + u * e[2]};
        const double df = dist(f, hit);
        if (df < dbest) {
            dbest = df;
            std::copy(f, f + 3, foot_best);
            snapped = true;
        }
    }
    if (snapped) std::copy(foot_best, foot_best + 3, hit);
}

// The pick; with indexed, through the body's indexes where they can answer.
int pick(const Faces3Koerper* k, const double p[3], const double d[3], double hit[3],
         double normale[3], double snap_r, double* kreisradius, bool indexed) {
    for (int a = 0; a < 3; ++a) hit[a] = normale[a] = FACES3_UNSET;
    if (kreisradius) *kreisradius = FACES3_UNSET;
    if (!k) return -1;
    std::shared_ptr<const Faces3RayBvh> bvh;
    if (indexed && !k->dreiecke.empty()) {
        bvh = k->ray_cache.bvh(*k);
        if (!bvh->usable(p, d)) bvh.reset();
    }
    double best = FACES3_UNSET;
    std::vector<Faces3RayHit> ray_hits;
    bool collected = false;
    if (snap_r > 1e-12) {
        double c[3], nrm[3], r;
        std::shared_ptr<const Faces3CircleCandidates> subset;
        if (bvh) subset = k->ray_cache.circle(*k);
        Faces3CandidateSubset sub{};
        if (subset) sub = {subset->tris.data(), subset->geo.data(), subset->tris.size()};
        if (circle_search(*k, p, d, 2 * snap_r, c, nrm, &r, subset ? &sub : nullptr, ray_hits,
                          &collected)) {
            std::copy(c, c + 3, hit);
            std::copy(nrm, nrm + 3, normale);
            if (kreisradius) *kreisradius = r;
            best = dist(c, p) - snap_r;
        }
    }
    if (bvh) {
        // The smallest t wins, the first in table order among equal ones: the same
        // triangle the scan in table order ends with.
        bool any = false;
        uint32_t win = 0;
        double wt = 0;
        bvh->for_line(p, d, [&](uint32_t i) {
            const Faces3Dreieck& t = k->dreiecke[i];
            double tt;
            if (!faces3_ray_triangle(p, d, k->punkte[t.p[0]].data(), k->punkte[t.p[1]].data(),
                                     k->punkte[t.p[2]].data(), t.normale, &tt)) {
                return;
            }
            if (!(tt == tt)) return;
            if (!any || tt < wt || (tt == wt && i < win)) {
                any = true;
                win = i;
                wt = tt;
            }
        });
        if (any && wt < best) {
            best = wt;
            take_hit(*k, win, wt, p, d, snap_r, hit, normale, kreisradius);
        }
        return best <= 1e30 ? 0 : 1;
    }
    if (!collected) faces3_ray_hits(*k, p, d, ray_hits);
    // The triangles the ray passes through, in table order.
    for (const Faces3RayHit& rh : ray_hits) {
        if (!(rh.t < best)) continue;
        best = rh.t;
        take_hit(*k, rh.tri, rh.t, p, d, snap_r, hit, normale, kreisradius);
    }
    return best <= 1e30 ? 0 : 1;
}

}  // namespace

int faces3_pick(const Faces3Koerper* k, const double p[3], const double d[3], double hit[3],
                double normale[3], double snap_r, double* kreisradius) {
    return pick(k, p, d, hit, normale, snap_r, kreisradius, true);
}

int faces3_pick_linear(const Faces3Koerper* k, const double p[3], const double d[3], double hit[3],
                       double normale[3], double snap_r, double* kreisradius) {
    return pick(k, p, d, hit, normale, snap_r, kreisradius, false);
}

int faces3_fit_kreis(const double* x, const double* y, const double* z, int n,
                     const double guess[3], double bound, double centre[3], double* radius,
                     double* streuung) {
    if (!x || !y || !z || !guess || n < 8) return 1;
    std::vector<double> dg(n);
    for (int i = 0; i < n; ++i) {
        const double q[3] = {x[i], y[i], z[i]};
        dg[i] = dist(q, guess);
    }
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return dg[a] < dg[b]; });
    auto pt = [&](int i, double out[3]) {
        const int o = order[i];
        out[0] = x[o];
        out[1] = y[o];
        out[2] = z[o];
    };
    static const int kTriples[3][3] = {{0, 3, 5}, {1, 4, 6}, {2, 4, 7}};
    double cs[3][3];
    for (int t = 0; t < 3; ++t) {
        double a[3], b[3], c[3];
        pt(kTriples[t][0], a);
        pt(kTriples[t][1], b);
        pt(kTriples[t][2], c);
        if (!circle_centre(a, b, c, cs[t])) return 1;
    }
    const double agree = bound * 0.01;
    for (int a = 0; a < 3; ++a) {
        for (int t = 1; t < 3; ++t) {
            if (!(std::fabs(cs[t][a] - cs[0][a]) <= agree)) return 1;
        }
    }
    double c[3];
    for (int a = 0; a < 3; ++a) c[a] = (cs[0][a] + cs[1][a] + cs[2][a]) / 3.0;
    double lo = 0, hi = 0;
    for (int i = 0; i < 8; ++i) {
        double q[3];
        pt(i, q);
        const double r = dist(q, c);
        if (i == 0 || r < lo) lo = r;
        if (i == 0 || r > hi) hi = r;
    }
    if (centre) std::copy(c, c + 3, centre);
    if (radius) *radius = (lo + hi) / 2;
    if (streuung) *streuung = hi - lo;
    return (dist(c, guess) <= bound && hi - lo <= bound) ? 0 : 1;
}
