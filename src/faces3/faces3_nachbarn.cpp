// Neighbour relation of a body: the index method (exact point indices, with fault
// counts) and the geometric method (coordinates within the tolerance, time-sliced).
// Both visit candidate pairs through groups of coincident edges, in the order of a full
// pairwise scan, so neighbours are set and overwritten as that scan would do it. They
// pass over complete triangles and, among many coincident copies of an edge, over edges
// that would only be overwritten (then which copy is named may differ, never whether
// there is one), so that many copies of a mesh at one place cost no more than as many
// apart.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

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

// Candidates per edge that only overwrite neighbours already set, after which the edge
// looks only at edges without a neighbour (see faces3_nachbarn_schritt).
constexpr int kIdleLimit = 32;

bool finite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

bool near_eq(const double* a, const double* b) {
    return std::fabs(a[0] - b[0]) <= FACES3_KOOR_EPS && std::fabs(a[1] - b[1]) <= FACES3_KOOR_EPS &&
           std::fabs(a[2] - b[2]) <= FACES3_KOOR_EPS;
}

// A walk through one edge group from the first triangle after the scanned one.
struct Cursor {
    uint32_t pos, end;
    int ei;              // edge of the scanned triangle the group matches
    bool unset = false;  // only edges that have no neighbour yet
};

// First entry at or after x (before end) that is not passed over: a complete triangle, or
// with `unset` an edge that has a neighbour. Such entries stay so and are linked over
// for good: link (one per entry, initially itself) is skip or skip_set of the run.
uint32_t next_open(const uint32_t* entries, uint32_t* link, const Faces3Vec<Faces3Dreieck>& tris,
                   uint32_t x, uint32_t end, bool unset) {
    uint32_t r = x;
    while (r < end) {
        ++faces3_geo_candidates;
        const uint32_t l = link[r];
        const uint32_t e = entries[r];
        if (l != r) {
            r = l;
        } else if (unset ? tris[e / 3].nachbar[e % 3] != -1 : full(tris[e / 3])) {
            link[r] = r + 1;
            ++r;
        } else {
            break;
        }
    }
    while (x < r) {
        const uint32_t l = link[x];
        link[x] = r;
        x = l;
    }
    return r;
}

// Next candidate triangle over all cursors (moved past it), or UINT32_MAX.
uint32_t next_candidate(std::vector<Cursor>& cursors, const uint32_t* entries, uint32_t* skip,
                        uint32_t* skip_set, const Faces3Vec<Faces3Dreieck>& tris) {
    uint32_t j = UINT32_MAX;
    for (Cursor& c : cursors) {
        c.pos = next_open(entries, c.unset ? skip_set : skip, tris, c.pos, c.end, c.unset);
        if (c.pos < c.end) j = std::min(j, entries[c.pos] / 3);
    }
    if (j == UINT32_MAX) return j;
    for (Cursor& c : cursors) {
        while (c.pos < c.end && entries[c.pos] / 3 == j) ++c.pos;
    }
    return j;
}

}  // namespace

// ---- index method ----------------------------------------------------------------------

int faces3_cpt_nachbarn_index(Faces3Koerper* k) {
    if (!k) return 0;
    faces3_body_drop_geo_work(k);
    reset_neighbours(k);
    Faces3Vec<Faces3Dreieck>& tris = k->dreiecke;
    const size_t np = k->punkte.size();
    const uint32_t ne = static_cast<uint32_t>(tris.size() * 3);
    auto from = [&](uint32_t e) { return tris[e / 3].p[e % 3]; };
    auto to = [&](uint32_t e) { return tris[e / 3].p[(e % 3 + 1) % 3]; };
    auto large = [](Faces3Vec<uint32_t>& v, size_t n) {
        faces3_reserve_large(v, n);
        v.resize(n);
    };
    // Edges sorted by start point, end point and entry (two stable counting sorts): the
    // edges a->b of all triangles are one ascending run.
    Faces3Vec<uint32_t> by_from, entries, skip;
    large(by_from, np + 1);
    large(entries, ne);
    {
        Faces3Vec<uint32_t> by_to, fill, tmp;
        large(by_to, np + 1);
        large(tmp, ne);
        for (uint32_t e = 0; e < ne; ++e) {
            ++by_from[from(e) + 1];
            ++by_to[to(e) + 1];
        }
        for (size_t q = 0; q < np; ++q) {
            by_from[q + 1] += by_from[q];
            by_to[q + 1] += by_to[q];
        }
        fill = by_to;
        for (uint32_t e = 0; e < ne; ++e) tmp[fill[to(e)]++] = e;
        fill = by_from;
        for (uint32_t e : tmp) entries[fill[from(e)]++] = e;
    }
    large(skip, ne);
    for (uint32_t x = 0; x < ne; ++x) skip[x] = x;
    // Made when a scan first stops short (see below): the entries of complete triangles
    // counted per position (Fenwick tree), and the links over edges that have neighbours.
    Faces3Vec<uint32_t> done, pos_of, skip_set;
    auto add = [&](size_t t, uint32_t d) {
        for (int s = 0; s < 3; ++s) {
            for (size_t x = pos_of[t * 3 + s] + 1; x <= ne; x += x & (~x + 1)) done[x] += d;
        }
    };
    auto done_below = [&](size_t x) {
        uint32_t sum = 0;
        for (; x > 0; x -= x & (~x + 1)) sum += done[x];
        return sum;
    };

    long long missing_count = 0, duplicates = 0;
    std::vector<Cursor> cursors;
    std::vector<uint32_t> completed;
    for (size_t i = 0; i < tris.size(); ++i) {
        Faces3Dreieck& ti = tris[i];
        if (full(ti)) continue;
        // Per edge a->b of i: the run of edges b->a after triangle i.
        uint32_t first[3], last[3];
        bool unset[3];
        cursors.clear();
        for (int ei = 0; ei < 3; ++ei) {
            const int a = ti.p[ei], b = ti.p[(ei + 1) % 3];
            const auto lo = entries.begin() + by_from[b], hi = entries.begin() + by_from[b + 1];
            const auto run = std::equal_range(lo, hi, a, [&](auto x, auto y) {
                if constexpr (std::is_same_v<decltype(x), int>) {
                    return x < to(y);
                } else {
                    return to(x) < y;
                }
            });
            const auto it =
                std::upper_bound(run.first, run.second, static_cast<uint32_t>(i * 3 + 2));
            first[ei] = static_cast<uint32_t>(it - entries.begin());
            last[ei] = static_cast<uint32_t>(run.second - entries.begin());
            unset[ei] = ti.nachbar[ei] == -1;
            if (first[ei] < last[ei]) cursors.push_back({first[ei], last[ei], ei});
        }
        // The scan as in the geometric method.
        uint32_t stop = UINT32_MAX;
        int idle[3] = {0, 0, 0};
        bool capped = false;
        long long dups = 0;
        completed.clear();
        while (!cursors.empty()) {
            const uint32_t j =
                next_candidate(cursors, entries.data(), skip.data(), skip_set.data(), tris);
            if (j == UINT32_MAX) break;
            ++faces3_geo_candidates;
            Faces3Dreieck& tj = tris[j];
            bool hit[3] = {false, false, false}, fresh[3] = {false, false, false};
            for (int ei = 0; ei < 3; ++ei) {
                const int a = ti.p[ei], b = ti.p[(ei + 1) % 3];
                for (int ej = 0; ej < 3; ++ej) {
                    if (tj.p[ej] == b && tj.p[(ej + 1) % 3] == a) {
                        hit[ei] = true;
                        fresh[ei] = fresh[ei] || ti.nachbar[ei] == -1 || tj.nachbar[ej] == -1;
                        if (ti.nachbar[ei] != -1) ++dups;
                        ti.nachbar[ei] = static_cast<int>(j);
                        tj.nachbar[ej] = static_cast<int>(i);
                    }
                }
            }
            if (full(tj)) completed.push_back(j);
            if (full(ti)) {
                stop = j;
                break;
            }
            for (int ei = 0; ei < 3; ++ei) {
                if (!hit[ei] || fresh[ei] || ++idle[ei] != kIdleLimit) continue;
                if (!capped && pos_of.empty()) {
                    // First time: index what is complete as the scan of i began.
                    large(pos_of, ne);
                    for (uint32_t x = 0; x < ne; ++x) pos_of[entries[x]] = x;
                    large(done, ne + 1);
                    for (size_t t = 0; t < tris.size(); ++t) {
                        if (full(tris[t])) add(t, 1);
                    }
                    for (uint32_t t : completed) add(t, static_cast<uint32_t>(-1));
                    large(skip_set, ne);
                    for (uint32_t x = 0; x < ne; ++x) skip_set[x] = x;
                }
                capped = true;
                for (Cursor& c : cursors) c.unset = c.unset || c.ei == ei;
            }
        }
        if (capped) {
            // The pairwise scan meets every triangle of a run that was incomplete when the
            // scan of i began, up to the one that completes i; each match but a first one
            // on an edge of i without a neighbour is a duplicate.
            dups = 0;
            for (int ei = 0; ei < 3; ++ei) {
                uint32_t end = last[ei];
                if (stop != UINT32_MAX) {
                    end = static_cast<uint32_t>(std::upper_bound(entries.begin() + first[ei],
                                                                 entries.begin() + last[ei],
                                                                 stop * 3 + 2) -
                                                entries.begin());
                }
                if (end <= first[ei]) continue;
                const long long met = static_cast<long long>(end - first[ei]) -
                                      (done_below(end) - done_below(first[ei]));
                dups += met - (unset[ei] && met > 0 ? 1 : 0);
            }
        }
        duplicates += dups;
        if (!pos_of.empty()) {
            for (uint32_t j : completed) add(j, 1);
            if (full(ti)) add(i, 1);
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

// Hash of a point's coordinates for finding equal points; -0 and +0 hash alike.
uint64_t coord_hash(const double* p) {
    uint64_t h = 0;
    for (int a = 0; a < 3; ++a) {
        const double v = p[a] + 0.0;
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        h = faces3_mix64(h ^ (bits + 0x9E3779B97F4A7C15ULL * static_cast<uint64_t>(a + 1)));
    }
    return h;
}

}  // namespace

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
    auto from_class = [&](uint32_t e) { return point_class[tris[e / 3].p[e % 3]]; };
    auto to_class = [&](uint32_t e) { return point_class[tris[e / 3].p[(e % 3 + 1) % 3]]; };
    for (bool first = true;; first = false) {
        if (!first && phase_ != kDone && late()) return false;
        const size_t classes = class_points.size();
        switch (phase_) {
            case kStart: {
                triangles = tris.size();
                points = body.punkte.size();
                size_t size = 64;
                while (size < points * 2) size *= 2;
                faces3_reserve_large(class_table_, size);
                class_table_.assign(size, 0);
                faces3_reserve_large(point_class, points);
                point_class.assign(points, kNoClass);
                class_points.clear();
                faces3_reserve_large(class_points, points);
                phase_ = kClasses;
                break;
            }
            case kClasses:
                if (!steps(points, [&](size_t a, size_t b) {
                        const size_t mask = class_table_.size() - 1;
                        for (size_t q = a; q < b; ++q) {
                            const double* p = body.punkte[q].data();
                            if (!finite3(p)) continue;  // equal to nothing, not even itself
                            for (size_t s = coord_hash(p) & mask;; s = (s + 1) & mask) {
                                const uint32_t v = class_table_[s];
                                if (v == 0) {
                                    class_table_[s] = static_cast<uint32_t>(q + 1);
                                    point_class[q] = static_cast<uint32_t>(class_points.size());
                                    class_points.push_back(body.punkte[q]);
                                    break;
                                }
                                const double* r = body.punkte[v - 1].data();
                                if (r[0] == p[0] && r[1] == p[1] && r[2] == p[2]) {
                                    point_class[q] = point_class[v - 1];
                                    break;
                                }
                            }
                        }
                    }))
                    return false;
                Faces3Vec<uint32_t>().swap(class_table_);
                grid_.start(class_points.size(), kCell);
                phase_ = kCountGrid;
                break;
            case kCountGrid:
                if (!steps(classes, [&](size_t a, size_t b) { grid_.count(class_points, a, b); }))
                    return false;
                grid_.index();
                phase_ = kPlaceGrid;
                break;
            case kPlaceGrid:
                if (!steps(classes, [&](size_t a, size_t b) { grid_.place(a, b); })) return false;
                grid_.finish();
                faces3_reserve_large(near_begin, classes + 1);
                near_begin.assign(classes + 1, 0);
                near.clear();
                faces3_reserve_large(near, classes);  // mostly the class itself
                phase_ = kNear;
                break;
            case kNear:
                // Classes within the tolerance of each class, found once through the grid
                // instead of once per edge query.
                if (!steps(classes, [&](size_t a, size_t b) {
                        for (size_t q = a; q < b; ++q) {
                            near_begin[q] = static_cast<uint32_t>(near.size());
                            const double* p = class_points[q].data();
                            int64_t lo[3], hi[3];
                            grid_.range(p, p, kWindow, lo, hi);
                            const size_t first = near.size();
                            grid_.for_range(lo, hi, [&](uint32_t r) {
                                if (near_eq(class_points[r].data(), p)) near.push_back(r);
                            });
                            std::sort(near.begin() + first, near.end());
                        }
                    }))
                    return false;
                near_begin[classes] = static_cast<uint32_t>(near.size());
                grid_ = Faces3PointGrid();
                faces3_reserve_large(bucket_, classes + 1);
                bucket_.assign(classes + 1, 0);
                faces3_reserve_large(by_end_, classes + 1);
                by_end_.assign(classes + 1, 0);
                phase_ = kCountEdges;
                break;
            // The edges are sorted by start class, end class and entry with two stable
            // counting sorts: by end class first, then by start class.
            case kCountEdges:
                if (!steps(triangles, [&](size_t a, size_t b) {
                        for (uint32_t e = static_cast<uint32_t>(a * 3); e < b * 3; ++e) {
                            const uint32_t f = from_class(e), t = to_class(e);
                            if (f == kNoClass || t == kNoClass) continue;
                            ++bucket_[f + 1];
                            ++by_end_[t + 1];
                        }
                    }))
                    return false;
                for (size_t c = 0; c < classes; ++c) {
                    bucket_[c + 1] += bucket_[c];
                    by_end_[c + 1] += by_end_[c];
                }
                ends_.clear();
                faces3_reserve_large(ends_, by_end_[classes]);
                ends_.resize(by_end_[classes]);
                faces3_reserve_large(fill_, classes);
                fill_.assign(by_end_.begin(), by_end_.end() - 1);
                Faces3Vec<uint32_t>().swap(by_end_);
                phase_ = kPlaceByEnd;
                break;
            case kPlaceByEnd:
                if (!steps(triangles, [&](size_t a, size_t b) {
                        for (uint32_t e = static_cast<uint32_t>(a * 3); e < b * 3; ++e) {
                            const uint32_t f = from_class(e), t = to_class(e);
                            if (f != kNoClass && t != kNoClass) ends_[fill_[t]++] = e;
                        }
                    }))
                    return false;
                out.entries.clear();
                faces3_reserve_large(out.entries, ends_.size());
                out.entries.resize(ends_.size());
                fill_.assign(bucket_.begin(), bucket_.end() - 1);
                phase_ = kPlaceEdges;
                break;
            case kPlaceEdges:
                if (!steps(ends_.size(), [&](size_t a, size_t b) {
                        for (size_t x = a; x < b; ++x) {
                            const uint32_t e = ends_[x];
                            out.entries[fill_[from_class(e)]++] = e;
                        }
                    }))
                    return false;
                Faces3Vec<uint32_t>().swap(fill_);
                Faces3Vec<uint32_t>().swap(ends_);
                out.begin.clear();
                out_end.clear();
                faces3_reserve_large(out.begin, out.entries.size() + 1);
                faces3_reserve_large(out_end, out.entries.size());
                faces3_reserve_large(class_groups, classes + 1);
                class_groups.assign(classes + 1, 0);
                faces3_reserve_large(skip, out.entries.size());
                skip.resize(out.entries.size());
                faces3_reserve_large(skip_set, out.entries.size());
                skip_set.resize(out.entries.size());
                phase_ = kGroups;
                break;
            case kGroups:
                // One group per pair of start and end class.
                if (!steps(classes, [&](size_t a, size_t b) {
                        for (size_t c = a; c < b; ++c) {
                            class_groups[c] = static_cast<uint32_t>(out_end.size());
                            for (uint32_t x = bucket_[c]; x < bucket_[c + 1]; ++x) {
                                const uint32_t to = to_class(out.entries[x]);
                                if (x == bucket_[c] || to != out_end.back()) {
                                    out.begin.push_back(x);
                                    out_end.push_back(to);
                                }
                                skip[x] = skip_set[x] = x;
                            }
                        }
                    }))
                    return false;
                class_groups[classes] = static_cast<uint32_t>(out_end.size());
                out.begin.push_back(static_cast<uint32_t>(out.entries.size()));
                Faces3Vec<uint32_t>().swap(bucket_);
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
    Faces3GeoWork& work = *k->geo_work;
    Faces3Vec<Faces3Dreieck>& tris = k->dreiecke;
    auto pt = [&](int p) { return k->punkte[p].data(); };
    std::vector<Cursor> cursors;
    for (size_t i = work.scan; i < n; ++i) {
        Faces3Dreieck& ti = tris[i];
        if (full(ti)) continue;
        Box wide = tri_box(*k, ti);
        for (int a = 0; a < 3; ++a) {
            wide.lo[a] -= 1e-5;
            wide.hi[a] += 1e-5;
        }
        // Later triangles with an edge b'->a' where b' is near b and a' near a, for each
        // edge a->b of i: one walk per group of such edges.
        cursors.clear();
        for (int ei = 0; ei < 3; ++ei) {
            const uint32_t ca = work.point_class[ti.p[ei]];
            const uint32_t cb = work.point_class[ti.p[(ei + 1) % 3]];
            if (ca == Faces3GeoWork::kNoClass || cb == Faces3GeoWork::kNoClass) continue;
            for (uint32_t x = work.near_begin[cb]; x < work.near_begin[cb + 1]; ++x) {
                const uint32_t q = work.near[x];
                const auto gfirst = work.out_end.begin() + work.class_groups[q];
                const auto glast = work.out_end.begin() + work.class_groups[q + 1];
                for (uint32_t y = work.near_begin[ca]; y < work.near_begin[ca + 1]; ++y) {
                    const auto g = std::lower_bound(gfirst, glast, work.near[y]);
                    if (g == glast || *g != work.near[y]) continue;
                    const size_t gi = static_cast<size_t>(g - work.out_end.begin());
                    const auto first = work.out.entries.begin() + work.out.begin[gi];
                    const auto last = work.out.entries.begin() + work.out.begin[gi + 1];
                    const auto it = std::upper_bound(first, last, static_cast<uint32_t>(i * 3 + 2));
                    if (it == last) continue;
                    cursors.push_back({static_cast<uint32_t>(it - work.out.entries.begin()),
                                       work.out.begin[gi + 1], ei});
                }
            }
        }
        // Candidates in ascending order, as the pairwise scan meets them. After kIdleLimit
        // candidates that only overwrite neighbours already set on both sides, an edge of
        // i goes on only to edges that have none yet: among many coincident copies the
        // scan would otherwise be quadratic. Which edges get a neighbour stays the same;
        // only which of the copies is named may change.
        int idle[3] = {0, 0, 0};
        while (!cursors.empty()) {
            const uint32_t j = next_candidate(cursors, work.out.entries.data(), work.skip.data(),
                                              work.skip_set.data(), tris);
            if (j == UINT32_MAX) break;
            ++faces3_geo_candidates;
            Faces3Dreieck& tj = tris[j];
            if (disjoint(wide, tri_box(*k, tj))) continue;
            bool hit[3] = {false, false, false}, fresh[3] = {false, false, false};
            for (int ei = 0; ei < 3; ++ei) {
                const double* pa = pt(ti.p[ei]);
                const double* pb = pt(ti.p[(ei + 1) % 3]);
                for (int ej = 0; ej < 3; ++ej) {
                    if (near_eq(pt(tj.p[ej]), pb) && near_eq(pt(tj.p[(ej + 1) % 3]), pa)) {
                        hit[ei] = true;
                        fresh[ei] = fresh[ei] || ti.nachbar[ei] == -1 || tj.nachbar[ej] == -1;
                        ti.nachbar[ei] = static_cast<int>(j);
                        tj.nachbar[ej] = static_cast<int>(i);
                    }
                }
            }
            if (full(ti)) break;
            for (int ei = 0; ei < 3; ++ei) {
                if (hit[ei] && !fresh[ei] && ++idle[ei] == kIdleLimit) {
                    for (Cursor& c : cursors) c.unset = c.unset || c.ei == ei;
                }
            }
        }
        if (budget_ms > 0 && progress) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - t0)
                                .count();
            if (ms > budget_ms) {
                *progress = static_cast<double>(i + 1) / static_cast<double>(n) * 100.0;
                work.scan = i + 1;
                work.handed_out = static_cast<int>(i + 1);
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
