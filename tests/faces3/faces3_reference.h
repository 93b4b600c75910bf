// Straightforward implementations of the mesh algorithms (linear searches, pairwise
// scans) that the tests and benchmarks compare the library's fast versions against.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_internal.h"
#include "numeric/vec3.h"

namespace ref {

constexpr double kEps = FACES3_KOOR_EPS;

struct Tri {
    std::array<int, 3> p{};
    std::array<int, 3> k{};
    std::array<int, 3> nb{-1, -1, -1};
};

struct Mesh {
    std::vector<std::array<double, 3>> pts;
    std::vector<std::array<int, 2>> edges;
    std::vector<Tri> tris;
    bool nosearch = false;

    int insert_point(const double* p) {
        if (!nosearch) {
            for (size_t i = 0; i < pts.size(); ++i) {
                if (std::fabs(pts[i][0] - p[0]) < kEps && std::fabs(pts[i][1] - p[1]) < kEps &&
                    std::fabs(pts[i][2] - p[2]) < kEps) {
                    return static_cast<int>(i);
                }
            }
        }
        pts.push_back({p[0], p[1], p[2]});
        return static_cast<int>(pts.size()) - 1;
    }
    int insert_edge(int a, int b) {
        if (a == b) return -1;
        if (!nosearch) {
            for (size_t i = 0; i < edges.size(); ++i) {
                if (edges[i][0] == a && edges[i][1] == b) return static_cast<int>(i);
            }
        }
        edges.push_back({a, b});
        return static_cast<int>(edges.size()) - 1;
    }
    // Returns the triangle index or a negative code like the library.
    int insert_triangle(const double* c) {
        Tri t;
        for (int i = 0; i < 3; ++i) t.p[i] = insert_point(c + 3 * i);
        for (int i = 0; i < 3; ++i) {
            t.k[i] = insert_edge(t.p[i], t.p[(i + 1) % 3]);
            if (t.k[i] < 0) return -7 - i;
        }
        tris.push_back(t);
        return static_cast<int>(tris.size()) - 1;
    }
    int set_triangle(int idx, int a, int b, int c) {
        Tri t;
        t.p = {a, b, c};
        for (int i = 0; i < 3; ++i) {
            t.k[i] = insert_edge(t.p[i], t.p[(i + 1) % 3]);
            if (t.k[i] < 0) return -1;
        }
        if (idx < 0) {
            tris.push_back(t);
            return static_cast<int>(tris.size()) - 1;
        }
        tris[idx] = t;
        return idx;
    }
    const double* pt(int i) const { return pts[i].data(); }
};

inline bool full(const Tri& t) {
    return t.nb[0] != -1 && t.nb[1] != -1 && t.nb[2] != -1;
}

// Index method: pairwise scan over later triangles, by point index.
inline void index_neighbours(Mesh& m, long long* missing, long long* dups) {
    for (Tri& t : m.tris) t.nb = {-1, -1, -1};
    *missing = *dups = 0;
    const size_t n = m.tris.size();
    for (size_t i = 0; i < n; ++i) {
        Tri& ti = m.tris[i];
        if (full(ti)) continue;
        for (size_t j = i + 1; j < n; ++j) {
            Tri& tj = m.tris[j];
            if (full(tj)) continue;
            for (int ei = 0; ei < 3; ++ei) {
                for (int ej = 0; ej < 3; ++ej) {
                    if (tj.p[ej] == ti.p[(ei + 1) % 3] && tj.p[(ej + 1) % 3] == ti.p[ei]) {
                        if (ti.nb[ei] != -1) ++*dups;
                        ti.nb[ei] = static_cast<int>(j);
                        tj.nb[ej] = static_cast<int>(i);
                    }
                }
            }
            if (full(ti)) break;
        }
        for (int e = 0; e < 3; ++e) *missing += ti.nb[e] == -1;
    }
}

using Box = std::array<double, 6>;  // xmin xmax ymin ymax zmin zmax

inline Box tri_box(const Mesh& m, const Tri& t) {
    Box b;
    for (int a = 0; a < 3; ++a) {
        b[2 * a] = b[2 * a + 1] = m.pts[t.p[0]][a];
        for (int s = 1; s < 3; ++s) {
            b[2 * a] = std::min(b[2 * a], m.pts[t.p[s]][a]);
            b[2 * a + 1] = std::max(b[2 * a + 1], m.pts[t.p[s]][a]);
        }
    }
    return b;
}

inline bool disjoint(const Box& w, const Box& b) {
    for (int a = 0; a < 3; ++a) {
        if (b[2 * a + 1] < w[2 * a] || b[2 * a] > w[2 * a + 1]) return true;
    }
    return false;
}

inline Box unite(const Box& a, const Box& b) {
    Box r;
    for (int x = 0; x < 3; ++x) {
        r[2 * x] = std::min(a[2 * x], b[2 * x]);
        r[2 * x + 1] = std::max(a[2 * x + 1], b[2 * x + 1]);
    }
    return r;
}

inline bool near(const double* a, const double* b) {
    return std::fabs(a[0] - b[0]) <= kEps && std::fabs(a[1] - b[1]) <= kEps &&
           std::fabs(a[2] - b[2]) <= kEps;
}

// Geometric method with the boxes of triangles and of groups of 20 and 400.
inline void geometric_neighbours(Mesh& m) {
    const size_t n = m.tris.size();
    for (Tri& t : m.tris) t.nb = {-1, -1, -1};
    std::vector<Box> box(n), g20((n + 19) / 20), g400((n + 399) / 400);
    for (size_t i = 0; i < n; ++i) {
        box[i] = tri_box(m, m.tris[i]);
        g20[i / 20] = i % 20 ? unite(g20[i / 20], box[i]) : box[i];
        g400[i / 400] = i % 400 ? unite(g400[i / 400], box[i]) : box[i];
    }
    for (size_t i = 0; i < n; ++i) {
        Tri& ti = m.tris[i];
        if (full(ti)) continue;
        Box w = box[i];
        for (int a = 0; a < 3; ++a) {
            w[2 * a] -= 1e-5;
            w[2 * a + 1] += 1e-5;
        }
        for (size_t j = i + 1; j < n;) {
            if (j % 400 == 0 && disjoint(w, g400[j / 400])) {
                j += 400;
                continue;
            }
            if (j % 20 == 0 && disjoint(w, g20[j / 20])) {
                j += 20;
                continue;
            }
            if (disjoint(w, box[j])) {
                ++j;
                continue;
            }
            Tri& tj = m.tris[j];
            if (!full(tj)) {
                for (int ei = 0; ei < 3; ++ei) {
                    for (int ej = 0; ej < 3; ++ej) {
                        if (near(m.pt(tj.p[ej]), m.pt(ti.p[(ei + 1) % 3])) &&
                            near(m.pt(tj.p[(ej + 1) % 3]), m.pt(ti.p[ei]))) {
                            ti.nb[ei] = static_cast<int>(j);
                            tj.nb[ej] = static_cast<int>(i);
                        }
                    }
                }
                if (full(ti)) break;
            }
            ++j;
        }
    }
}

// Split at edge points: every triangle against every point.
inline int split_at_edge_points(Mesh& m) {
    for (size_t i = 0; i < m.tris.size(); ++i) {
        bool again = true;
        while (again) {
            again = false;
            const Tri t = m.tris[i];
            for (size_t j = 0; j < m.pts.size() && !again; ++j) {
                const int jj = static_cast<int>(j);
                if (jj == t.p[0] || jj == t.p[1] || jj == t.p[2]) continue;
                for (int s = 0; s < 3; ++s) {
                    if (faces3_punkt_auf_kante(m.pt(jj), m.pt(t.p[s]), m.pt(t.p[(s + 1) % 3]))) {
                        const int a = t.p[s], b = t.p[(s + 1) % 3], c = t.p[(s + 2) % 3];
                        if (m.set_triangle(static_cast<int>(i), a, jj, c) < 0) return 1;
                        if (m.set_triangle(-1, jj, b, c) < 0) return 1;
                        again = true;
                        break;
                    }
                }
            }
        }
    }
    return 0;
}

// Pick over a body by plain scans: groups for the circle-centre search are kept in a list
// and a triangle joins the first one that agrees; corners are de-duplicated by a linear
// search. Returns like faces3_pick.
inline int pick(const Faces3Koerper* k, const double p[3], const double d[3], double snap,
                double hit[3], double nrm[3], double* radius) {
    auto dot = [](const double* a, const double* b) {
        return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    };
    auto dist = [&](const double* a, const double* b) {
        const double w[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
        return std::sqrt(dot(w, w));
    };
    auto pt = [&](int i) {
        std::array<double, 3> q;
        faces3_get_punkt(k, i, q.data());
        return q;
    };
    for (int a = 0; a < 3; ++a) hit[a] = nrm[a] = 1e38;
    *radius = 1e38;
    double best = 1e38;
    const int n = faces3_anzahl_dreiecke(k);
    if (snap > 1e-12) {
        const double bound = 2 * snap, tol = bound * 0.01;
        struct G {
            double h[3], n[3];
            std::vector<int> tris;
        };
        std::vector<G> groups;
        for (int i = 0; i < n; ++i) {
            const Faces3Dreieck* t = faces3_get_dreieck(k, i);
            if (dot(t->normale, d) > 0) continue;
            const double nd = dot(t->normale, d);
            if (!(std::fabs(nd) >= 1e-12)) continue;
            const auto a = pt(t->p[0]);
            const double w[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
            const double tt = -dot(t->normale, w) / nd;
            const double h[3] = {p[0] + tt * d[0], p[1] + tt * d[1], p[2] + tt * d[2]};
            if (!std::isfinite(h[0]) || !std::isfinite(h[1]) || !std::isfinite(h[2])) continue;
            bool joined = false;
            for (G& g : groups) {
                bool same = true;
                for (int c = 0; c < 3; ++c) {
                    same = same && std::fabs(h[c] - g.h[c]) <= tol &&
                           std::fabs(t->normale[c] - g.n[c]) <= 1e-4;
                }
                if (same) {
                    g.tris.push_back(i);
                    joined = true;
                    break;
                }
            }
            if (!joined) {
                G g{{h[0], h[1], h[2]}, {t->normale[0], t->normale[1], t->normale[2]}, {i}};
                groups.push_back(g);
            }
        }
        bool found = false;
        double best_spread = 0;
        for (const G& g : groups) {
            if (g.tris.size() <= 7) continue;
            std::vector<double> xs, ys, zs;
            for (int ti : g.tris) {
                for (int c = 0; c < 3; ++c) {
                    const auto q = pt(faces3_get_dreieck(k, ti)->p[c]);
                    const double w[3] = {q[0] - g.h[0], q[1] - g.h[1], q[2] - g.h[2]};
                    if (!(std::fabs(dot(w, g.n)) < tol)) continue;
                    bool dup = false;
                    for (size_t m = 0; m < xs.size() && !dup; ++m) {
                        dup = std::fabs(xs[m] - q[0]) < 1e-4 && std::fabs(ys[m] - q[1]) < 1e-4 &&
                              std::fabs(zs[m] - q[2]) < 1e-4;
                    }
                    if (dup) continue;
                    xs.push_back(q[0]);
                    ys.push_back(q[1]);
                    zs.push_back(q[2]);
                }
            }
            if (xs.size() <= 7) continue;
            double cc[3], r, spread;
            if (faces3_fit_kreis(xs.data(), ys.data(), zs.data(), static_cast<int>(xs.size()), g.h,
                                 bound, cc, &r, &spread) != 0) {
                continue;
            }
            if (!found || spread < best_spread) {
                found = true;
                best_spread = spread;
                for (int c = 0; c < 3; ++c) {
                    hit[c] = cc[c];
                    nrm[c] = g.n[c];
                }
                *radius = r;
            }
        }
        if (found && best_spread <= 1e10) {
            best = dist(hit, p) - snap;
        } else {
            for (int a = 0; a < 3; ++a) hit[a] = nrm[a] = 1e38;
            *radius = 1e38;
        }
    }
    for (int i = 0; i < n; ++i) {
        const Faces3Dreieck* t = faces3_get_dreieck(k, i);
        const auto a = pt(t->p[0]), b = pt(t->p[1]), c = pt(t->p[2]);
        double tt;
        if (!faces3_ray_triangle(p, d, a.data(), b.data(), c.data(), t->normale, &tt)) continue;
        if (!(tt < best)) continue;
        best = tt;
        for (int x = 0; x < 3; ++x) {
            hit[x] = p[x] + tt * d[x];
            nrm[x] = t->normale[x];
        }
        *radius = 1e38;
        if (snap <= 0) continue;
        const std::array<double, 3> cs[3] = {a, b, c};
        const double dc[3] = {dist(hit, a.data()), dist(hit, b.data()), dist(hit, c.data())};
        int corner = -1;
        for (int q = 0; q < 3 && corner < 0; ++q) {
            if (dc[q] <= snap && dc[q] <= dc[(q + 1) % 3] && dc[q] <= dc[(q + 2) % 3]) corner = q;
        }
        if (corner >= 0) {
            for (int x = 0; x < 3; ++x) hit[x] = cs[corner][x];
            continue;
        }
        double foot[3] = {0, 0, 0}, dbest = snap;
        bool snapped = false;
        for (int s = 0; s < 3; ++s) {
            const int j = t->nachbar[s];
            const bool feature = j < 0 || j >= n ||
                                 !vec3_parallel(t->normale, faces3_get_dreieck(k, j)->normale, 0.1);
            if (!feature) continue;
            const auto& ea = cs[s];
            const auto& eb = cs[(s + 1) % 3];
            const double e[3] = {eb[0] - ea[0], eb[1] - ea[1], eb[2] - ea[2]};
            const double ee = dot(e, e);
            if (!(ee > 0)) continue;
            const double w[3] = {hit[0] - ea[0], hit[1] - ea[1], hit[2] - ea[2]};
            const double u = dot(w, e) / ee;
            const double f[3] = {ea[0] + u * e[0], ea[1] + u * e[1], ea[2] + u * e[2]};
            const double df = dist(f, hit);
            if (df < dbest) {
                dbest = df;
                for (int x = 0; x < 3; ++x) foot[x] = f[x];
                snapped = true;
            }
        }
        if (snapped) {
            for (int x = 0; x < 3; ++x) hit[x] = foot[x];
        }
    }
    return best <= 1e30 ? 0 : 1;
}

// Random mesh for comparisons: a jittered grid surface folded over itself, with
// near-duplicate points inside and just outside the tolerance, duplicated and flipped
// triangles, non-manifold fans and T-junction points. Returns nine doubles per triangle.
inline std::vector<double> random_soup(unsigned seed, int grid, double spacing = 1e-3) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<std::array<double, 3>> g(static_cast<size_t>(grid + 1) * (grid + 1));
    for (int y = 0; y <= grid; ++y) {
        for (int x = 0; x <= grid; ++x) {
            g[y * (grid + 1) + x] = {x * spacing, y * spacing,
                                     std::sin(x * 0.7) * std::cos(y * 0.3) * spacing};
        }
    }
    std::vector<double> out;
    auto jitter = [&](std::array<double, 3> p) {
        const double r = u(rng);
        if (r < 0.08) {  // within the tolerance
            for (double& c : p) c += (u(rng) - 0.5) * 1.8 * kEps;
        } else if (r < 0.12) {  // just outside it
            p[static_cast<int>(u(rng) * 3)] += (u(rng) < 0.5 ? -1 : 1) * 1.05 * kEps;
        } else if (r < 0.14) {  // at the border of the inclusive test
            p[0] += kEps;
        }
        return p;
    };
    auto emit = [&](const std::array<double, 3>& a, const std::array<double, 3>& b,
                    const std::array<double, 3>& c) {
        for (const auto* p : {&a, &b, &c}) out.insert(out.end(), p->begin(), p->end());
    };
    for (int y = 0; y < grid; ++y) {
        for (int x = 0; x < grid; ++x) {
            const auto p00 = jitter(g[y * (grid + 1) + x]);
            const auto p10 = jitter(g[y * (grid + 1) + x + 1]);
            const auto p01 = jitter(g[(y + 1) * (grid + 1) + x]);
            const auto p11 = jitter(g[(y + 1) * (grid + 1) + x + 1]);
            const double r = u(rng);
            if (r < 0.03) continue;  // hole
            if (r < 0.06) {          // T-junction: split one edge by its midpoint
                const std::array<double, 3> mid = {(p00[0] + p11[0]) / 2, (p00[1] + p11[1]) / 2,
                                                   (p00[2] + p11[2]) / 2};
                emit(p00, p10, p11);
                emit(p00, p11, mid);
                emit(mid, p11, p01);
                emit(p00, mid, p01);
                continue;
            }
            emit(p00, p10, p11);
            emit(p00, p11, p01);
            if (r < 0.09) emit(p00, p10, p11);               // duplicate
            if (r < 0.11 && r >= 0.09) emit(p00, p11, p10);  // flipped copy: non-manifold
            if (r >= 0.11 && r < 0.13) {                     // fin on the diagonal
                std::array<double, 3> top = p00;
                top[2] += spacing;
                emit(p11, p00, top);
            }
        }
    }
    // Shuffle triangle order a little so neighbours are not always adjacent in the table.
    const size_t nt = out.size() / 9;
    for (size_t i = 0; i + 1 < nt; i += 2) {
        if (u(rng) < 0.3) {
            const size_t j = static_cast<size_t>(u(rng) * nt) % nt;
            for (int c = 0; c < 9; ++c) std::swap(out[i * 9 + c], out[j * 9 + c]);
        }
    }
    return out;
}

}  // namespace ref
