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
#include "faces3/faces3_large_pages.h"
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

// Grid cell of 16 tolerances; a query widened by 0.085 cells covers the tolerance plus
// rounding of the quotient (see Faces3PointHash).
constexpr double kCell = 16 * FACES3_KOOR_EPS;
constexpr double kWindow = 0.085;

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
    Faces3Vec<Faces3Dreieck>& tris = k->dreiecke;
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

bool Faces3GeoWork::build(const Faces3Koerper& body, bool sliced,
                          std::chrono::steady_clock::time_point deadline) {
    // Items per step: a few milliseconds of work at most between looks at the clock.
    constexpr size_t kStep = 16384;
    const Faces3Vec<Faces3Dreieck>& tris = body.dreiecke;
    auto late = [&] { return sliced && std::chrono::steady_clock::now() > deadline; };
    // Runs fn over [pos_, n) in steps; false when time ran out before the end.
    auto steps = [&](size_t n, auto&& fn) {
        while (pos_ < n) {
            const size_t to = std::min(n, pos_ + kStep);
            fn(pos_, to);
            pos_ = to;
            if (pos_ < n && late()) return false;
        }
        pos_ = 0;
        return true;
    };
    for (bool first = true;; first = false) {
        if (!first && phase_ != kDone && late()) return false;
        switch (phase_) {
            case kStart:
                triangles = tris.size();
                points = body.punkte.size();
                out.start(points);
                phase_ = kCountEdges;
                break;
            case kCountEdges:
                if (!steps(triangles, [&](size_t a, size_t b) { out.count(tris, a, b); }))
                    return false;
                out.index(triangles);
                phase_ = kPlaceEdges;
                break;
            case kPlaceEdges:
                if (!steps(triangles, [&](size_t a, size_t b) { out.place(tris, a, b); }))
                    return false;
                out.finish();
                faces3_reserve_large(out_end, out.entries.size());
                out_end.resize(out.entries.size());
                phase_ = kEnds;
                break;
            case kEnds:
                if (!steps(out.entries.size(), [&](size_t a, size_t b) {
                        for (size_t x = a; x < b; ++x) {
                            const uint32_t e = out.entries[x];
                            out_end[x] = static_cast<uint32_t>(tris[e / 3].p[(e % 3 + 1) % 3]);
                        }
                    }))
                    return false;
                grid_.start(points, kCell);
                phase_ = kCountGrid;
                break;
            case kCountGrid:
                if (!steps(points, [&](size_t a, size_t b) { grid_.count(body.punkte, a, b); }))
                    return false;
                grid_.index();
                phase_ = kPlaceGrid;
                break;
            case kPlaceGrid:
                if (!steps(points, [&](size_t a, size_t b) { grid_.place(a, b); })) return false;
                grid_.finish();
                faces3_reserve_large(near_begin, points + 1);
                near_begin.assign(points + 1, 0);
                near.clear();
                faces3_reserve_large(near, points);  // mostly the point itself
                phase_ = kNear;
                break;
            case kNear:
                // Points within the tolerance of each point, found once through the grid
                // instead of once per edge query.
                if (!steps(points, [&](size_t a, size_t b) {
                        for (size_t q = a; q < b; ++q) {
                            near_begin[q] = static_cast<uint32_t>(near.size());
                            const double* p = body.punkte[q].data();
                            if (!finite3(p)) continue;
                            int64_t lo[3], hi[3];
                            grid_.range(p, p, kWindow, lo, hi);
                            const size_t first = near.size();
                            grid_.for_range(lo, hi, [&](uint32_t r) {
                                if (near_eq(body.punkte[r].data(), p)) near.push_back(r);
                            });
                            std::sort(near.begin() + first, near.end());
                        }
                    }))
                    return false;
                near_begin[points] = static_cast<uint32_t>(near.size());
                grid_ = Faces3PointGrid();
                phase_ = kDone;
                break;
            case kDone:
                return true;
        }
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

// Calls fn(edge) for every edge of a triangle after i that runs from a point within the
// tolerance of point b to a point within the tolerance of point a.
template <class Fn>
void near_edges(const Faces3Koerper& k, const Faces3GeoWork& w, size_t i, int a, int b, Fn&& fn) {
    const double* pa = k.punkte[a].data();
    for (uint32_t x = w.near_begin[b]; x < w.near_begin[b + 1]; ++x) {
        const uint32_t q = w.near[x];
        auto first = w.out.entries.begin() + w.out.begin[q];
        auto last = w.out.entries.begin() + w.out.begin[q + 1];
        // Entries ascend by triangle: skip those up to i.
        auto it = std::upper_bound(first, last, static_cast<uint32_t>(i * 3 + 2));
        for (; it != last; ++it) {
            if (near_eq(k.punkte[w.out_end[it - w.out.entries.begin()]].data(), pa)) fn(*it);
        }
    }
}

}  // namespace

int faces3_nachbarn_schritt(Faces3Koerper* k, int start, int budget_ms, double* progress) {
    if (!k) return 0;
    const auto t0 = std::chrono::steady_clock::now();
    const bool sliced = budget_ms > 0 && progress;
    const auto deadline = t0 + std::chrono::milliseconds(sliced ? budget_ms : 0);
    const size_t n = k->dreiecke.size();
    try {
        if (start <= 0) {
            reset_neighbours(k);
            k->geo_work = std::make_unique<Faces3GeoWork>();
        } else if (!k->geo_work || k->geo_work->triangles != n ||
                   k->geo_work->points != k->punkte.size()) {
            k->geo_work = std::make_unique<Faces3GeoWork>();
            k->geo_work->scan = static_cast<size_t>(start);
        } else if (k->geo_work->handed_out != start) {
            k->geo_work->scan = static_cast<size_t>(start);  // the caller chose where to go on
        }
        if (!k->geo_work->build(*k, sliced, deadline)) {
            // Out of time while building: the scan has not moved. The caller needs a
            // value above 0 to go on; it is remembered, so that it leads back here.
            Faces3GeoWork& g = *k->geo_work;
            g.handed_out = static_cast<int>(std::max<size_t>(g.scan, 1));
            *progress = n ? static_cast<double>(g.scan) / static_cast<double>(n) * 100.0 : 0.0;
            return g.handed_out;
        }
    } catch (const std::bad_alloc&) {
        faces3_body_drop_geo_work(k);
        return 0;
    }
    const Faces3GeoWork& work = *k->geo_work;
    std::vector<Match> matches;
    for (size_t i = work.scan; i < n; ++i) {
        Faces3Dreieck& ti = k->dreiecke[i];
        if (full(ti)) continue;
        Box wide = tri_box(*k, ti);
        for (int a = 0; a < 3; ++a) {
            wide.lo[a] -= 1e-5;
            wide.hi[a] += 1e-5;
        }
        matches.clear();
        for (int ei = 0; ei < 3; ++ei) {
            near_edges(*k, work, i, ti.p[ei], ti.p[(ei + 1) % 3], [&](uint32_t e) {
                matches.push_back({e / 3, static_cast<uint8_t>(ei), static_cast<uint8_t>(e % 3)});
            });
        }
        // Mostly one match per edge: a plain insertion sort beats the general one.
        if (matches.size() <= 16) {
            for (size_t x = 1; x < matches.size(); ++x) {
                const Match v = matches[x];
                size_t y = x;
                for (; y > 0 && v < matches[y - 1]; --y) matches[y] = matches[y - 1];
                matches[y] = v;
            }
        } else {
            std::sort(matches.begin(), matches.end());
        }
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
                k->geo_work->scan = i + 1;
                k->geo_work->handed_out = static_cast<int>(i + 1);
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
