// Neighbour relation of a body: the index method (exact point indices, with fault
// counts) and the geometric method (coordinates within the tolerance, time-sliced).
// Both visit candidate pairs through hashes but in the order of a full pairwise scan,
// so neighbours are set and overwritten exactly as that scan would do it.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <new>

#include "faces3/faces3_body.h"
#include "faces3/faces3_geo_work.h"
#include "faces3/faces3_output.h"
#include "faces3/faces3_point_grid.h"

namespace {

bool full(const Faces3Dreieck& t) {
    return t.nachbar[0] != -1 && t.nachbar[1] != -1 && t.nachbar[2] != -1;
}

int missing(const Faces3Dreieck& t) {
    return (t.nachbar[0] == -1) + (t.nachbar[1] == -1) + (t.nachbar[2] == -1);
}

void reset_neighbours(Faces3Koerper* k) {
    for (Faces3Dreieck& t : k->dreiecke) t.nachbar[0] = t.nachbar[1] = t.nachbar[2] = -1;
}

// Grid cell of 8 tolerances; a query widened by 0.15 cells covers the tolerance plus
// rounding of the quotient (see Faces3PointHash).
constexpr double kCell = 8 * FACES3_KOOR_EPS;
constexpr double kWindow = 0.15;

bool finite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

bool near_eq(const double* a, const double* b) {
    return std::fabs(a[0] - b[0]) <= FACES3_KOOR_EPS && std::fabs(a[1] - b[1]) <= FACES3_KOOR_EPS &&
           std::fabs(a[2] - b[2]) <= FACES3_KOOR_EPS;
}

}  // namespace

// ---- index method ----------------------------------------------------------------------

int faces3_cpt_nachbarn_index(Faces3Koerper* k) {
    if (!k) return 0;
    faces3_body_drop_geo_work(k);
    reset_neighbours(k);
    const size_t n = k->dreiecke.size();
    std::vector<Faces3Dreieck>& tris = k->dreiecke;
    // Edges leaving each point, sorted by end point, then by triangle: the triangles
    // holding b->a are one contiguous, ascending run in b's list.
    Faces3OutEdges out;
    out.build(k->punkte.size(), tris);
    auto end_of = [&](uint32_t e) { return tris[e / 3].p[(e % 3 + 1) % 3]; };
    for (size_t q = 0; q + 1 < out.begin.size(); ++q) {
        std::sort(out.entries.begin() + out.begin[q], out.entries.begin() + out.begin[q + 1],
                  [&](uint32_t x, uint32_t y) {
                      const int ex = end_of(x), ey = end_of(y);
                      return ex != ey ? ex < ey : x < y;
                  });
    }

    long long missing_count = 0, duplicates = 0;
    std::vector<uint32_t> cand;
    for (size_t i = 0; i < n; ++i) {
        Faces3Dreieck& ti = tris[i];
        if (full(ti)) continue;
        cand.clear();
        for (int ei = 0; ei < 3; ++ei) {
            const int a = ti.p[ei], b = ti.p[(ei + 1) % 3];
            auto first = out.entries.begin() + out.begin[b];
            auto last = out.entries.begin() + out.begin[b + 1];
            // First entry ending at a with a triangle after i.
            auto it = std::lower_bound(first, last, 0, [&](uint32_t x, int) {
                const int ex = end_of(x);
                return ex != a ? ex < a : x / 3 <= i;
            });
            for (; it != last && end_of(*it) == a; ++it) cand.push_back(*it / 3);
        }
        std::sort(cand.begin(), cand.end());
        cand.erase(std::unique(cand.begin(), cand.end()), cand.end());
        for (uint32_t j : cand) {
            Faces3Dreieck& tj = tris[j];
            if (full(tj)) continue;
            for (int ei = 0; ei < 3; ++ei) {
                const int a = ti.p[ei], b = ti.p[(ei + 1) % 3];
                for (int ej = 0; ej < 3; ++ej) {
                    if (tj.p[ej] == b && tj.p[(ej + 1) % 3] == a) {
                        if (ti.nachbar[ei] != -1) ++duplicates;
                        ti.nachbar[ei] = static_cast<int>(j);
                        tj.nachbar[ej] = static_cast<int>(i);
                    }
                }
            }
            if (full(ti)) break;
        }
        missing_count += missing(ti);
    }
    faces3_terminal_printf("%lld Kanten ohne Nachbardreieck\n", missing_count);
    faces3_terminal_printf("%lld Kanten mit mindestens 2 Nachbardreiecken\n", duplicates);
    const long long total = missing_count + duplicates;
    return total > 2147483647LL ? 2147483647 : static_cast<int>(total);
}

// ---- geometric method ------------------------------------------------------------------

namespace {
// Sort key of an edge in its start point's list: x of its end point (non-finite last;
// such points match nothing).
double end_x(const Faces3Koerper& k, uint32_t e) {
    const Faces3Dreieck& t = k.dreiecke[e / 3];
    const double x = k.punkte[t.p[(e % 3 + 1) % 3]][0];
    return std::isfinite(x) ? x : HUGE_VAL;
}
}  // namespace

void Faces3GeoWork::build(const Faces3Koerper& body) {
    triangles = body.dreiecke.size();
    points = body.punkte.size();
    grid.build(body.punkte, kCell);
    out.build(points, body.dreiecke);
    // Within each point's list, order by the end point's x so that a query reads only
    // the slice near its own x.
    std::vector<std::pair<double, uint32_t>> tmp;
    for (size_t q = 0; q < points; ++q) {
        const uint32_t b = out.begin[q], e = out.begin[q + 1];
        if (e - b < 2) continue;
        tmp.clear();
        for (uint32_t x = b; x < e; ++x)
            tmp.push_back({end_x(body, out.entries[x]), out.entries[x]});
        std::sort(tmp.begin(), tmp.end());
        for (uint32_t x = b; x < e; ++x) out.entries[x] = tmp[x - b].second;
    }
}

namespace {

struct Box {
    double lo[3], hi[3];
};

Box tri_box(const Faces3Koerper& k, const Faces3Dreieck& t) {
    Box b;
    for (int a = 0; a < 3; ++a) {
        b.lo[a] = b.hi[a] = k.punkte[t.p[0]][a];
        for (int s = 1; s < 3; ++s) {
            const double v = k.punkte[t.p[s]][a];
            if (v < b.lo[a]) b.lo[a] = v;
            if (v > b.hi[a]) b.hi[a] = v;
        }
    }
    return b;
}

bool disjoint(const Box& wide, const Box& b) {
    for (int a = 0; a < 3; ++a) {
        if (b.hi[a] < wide.lo[a] || b.lo[a] > wide.hi[a]) return true;
    }
    return false;
}

struct Match {
    uint32_t j;
    uint8_t ei, ej;
    bool operator<(const Match& o) const {
        if (j != o.j) return j < o.j;
        if (ei != o.ei) return ei < o.ei;
        return ej < o.ej;
    }
};

// Calls fn(edge) for every triangle edge whose start point lies within the tolerance of
// pb and whose end point lies within it of pa in x (the caller checks all coordinates).
template <class Fn>
void near_edges(const Faces3Koerper& k, const Faces3GeoWork& w, const double* pa, const double* pb,
                Fn&& fn) {
    if (!finite3(pa) || !finite3(pb)) return;
    int64_t lo[3], hi[3];
    w.grid.range(pb, pb, kWindow, lo, hi);
    const double xlo = pa[0] - 2 * FACES3_KOOR_EPS, xhi = pa[0] + 2 * FACES3_KOOR_EPS;
    w.grid.for_range(lo, hi, [&](uint32_t q) {
        if (!near_eq(k.punkte[q].data(), pb)) return;
        auto first = w.out.entries.begin() + w.out.begin[q];
        auto last = w.out.entries.begin() + w.out.begin[q + 1];
        auto it = std::lower_bound(first, last, xlo,
                                   [&](uint32_t e, double x) { return end_x(k, e) < x; });
        for (; it != last && end_x(k, *it) <= xhi; ++it) fn(*it);
    });
}

}  // namespace

int faces3_nachbarn_schritt(Faces3Koerper* k, int start, int budget_ms, double* progress) {
    if (!k) return 0;
    const auto t0 = std::chrono::steady_clock::now();
    const size_t n = k->dreiecke.size();
    try {
        if (start <= 0) {
            start = 0;
            reset_neighbours(k);
            if (!k->geo_work) k->geo_work = std::make_unique<Faces3GeoWork>();
            k->geo_work->build(*k);
        } else if (!k->geo_work || k->geo_work->triangles != n ||
                   k->geo_work->points != k->punkte.size()) {
            k->geo_work = std::make_unique<Faces3GeoWork>();
            k->geo_work->build(*k);
        }
    } catch (const std::bad_alloc&) {
        faces3_body_drop_geo_work(k);
        return 0;
    }
    const Faces3GeoWork& work = *k->geo_work;
    std::vector<Match> matches;
    for (size_t i = static_cast<size_t>(start); i < n; ++i) {
        Faces3Dreieck& ti = k->dreiecke[i];
        if (full(ti)) continue;
        Box wide = tri_box(*k, ti);
        for (int a = 0; a < 3; ++a) {
            wide.lo[a] -= 1e-5;
            wide.hi[a] += 1e-5;
        }
        matches.clear();
        for (int ei = 0; ei < 3; ++ei) {
            const double* pa = k->punkte[ti.p[ei]].data();
            const double* pb = k->punkte[ti.p[(ei + 1) % 3]].data();
            near_edges(*k, work, pa, pb, [&](uint32_t e) {
                const uint32_t j = e / 3;
                if (j <= i) return;
                const int ej = static_cast<int>(e % 3);
                if (near_eq(k->punkte[k->dreiecke[j].p[(ej + 1) % 3]].data(), pa)) {
                    matches.push_back({j, static_cast<uint8_t>(ei), static_cast<uint8_t>(ej)});
                }
            });
        }
        std::sort(matches.begin(), matches.end());
        for (size_t m = 0; m < matches.size();) {
            const uint32_t j = matches[m].j;
            size_t end = m;
            while (end < matches.size() && matches[end].j == j) ++end;
            Faces3Dreieck& tj = k->dreiecke[j];
            if (!full(tj) && !disjoint(wide, tri_box(*k, tj))) {
                for (size_t x = m; x < end; ++x) {
                    ti.nachbar[matches[x].ei] = static_cast<int>(j);
                    tj.nachbar[matches[x].ej] = static_cast<int>(i);
                }
                if (full(ti)) break;
            }
            m = end;
        }
        if (budget_ms > 0 && progress) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - t0)
                                .count();
            if (ms > budget_ms) {
                *progress = static_cast<double>(i + 1) / static_cast<double>(n) * 100.0;
                return static_cast<int>(i + 1);
            }
        }
    }
    if (progress) *progress = 100.0;
    faces3_body_drop_geo_work(k);
    return 0;
}

int faces3_cpt_nachbarn(Faces3Koerper* k) {
    if (!k) return 0;
    const char* flag = std::getenv("FACES3_CPT_NACHBARN_IXFLAG");
    if (flag && std::atoi(flag) != 0) return faces3_cpt_nachbarn_index(k);
    faces3_nachbarn_schritt(k, 0, 0, nullptr);
    return 0;
}

int faces3_hat_nachbarn(const Faces3Koerper* k) {
    if (!k) return 0;
    for (const Faces3Dreieck& t : k->dreiecke) {
        if (t.nachbar[0] != -1 || t.nachbar[1] != -1 || t.nachbar[2] != -1) return 1;
    }
    return 0;
}
