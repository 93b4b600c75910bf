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

constexpr double kWindow = 0.15;  // see Faces3PointHash

uint64_t cell_hash(const int64_t k[3]) {
    uint64_t h = faces3_mix64(static_cast<uint64_t>(k[0]) * 0x9E3779B97F4A7C15ULL);
    h = faces3_mix64(h ^ (static_cast<uint64_t>(k[1]) + 0x632BE59BD9B4E019ULL));
    return faces3_mix64(h ^ (static_cast<uint64_t>(k[2]) + 0x8CB92BA72F3D8DD7ULL));
}

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
    // Group the directed edges of all triangles by point pair; each group lists its
    // (triangle, slot) entries in ascending triangle order.
    Faces3EdgeHash groups;
    groups.reserve(n * 3);
    std::vector<int> group_of(n * 3);
    std::vector<uint32_t> start;
    for (size_t e = 0; e < n * 3; ++e) {
        const Faces3Dreieck& t = k->dreiecke[e / 3];
        const int s = static_cast<int>(e % 3);
        const int a = t.p[s], b = t.p[(s + 1) % 3];
        int g = groups.find(a, b);
        if (g < 0) {
            g = static_cast<int>(start.size());
            groups.add(a, b, g);
            start.push_back(0);
        }
        group_of[e] = g;
        ++start[g];
    }
    uint32_t sum = 0;
    for (uint32_t& s : start) {
        const uint32_t c = s;
        s = sum;
        sum += c;
    }
    start.push_back(sum);
    std::vector<uint32_t> entries(n * 3);
    {
        std::vector<uint32_t> fill(start.begin(), start.end() - 1);
        for (size_t e = 0; e < n * 3; ++e) entries[fill[group_of[e]]++] = static_cast<uint32_t>(e);
    }
    group_of.clear();
    group_of.shrink_to_fit();

    long long missing_count = 0, duplicates = 0;
    std::vector<uint32_t> cand;
    for (size_t i = 0; i < n; ++i) {
        Faces3Dreieck& ti = k->dreiecke[i];
        if (full(ti)) continue;
        cand.clear();
        for (int ei = 0; ei < 3; ++ei) {
            const int g = groups.find(ti.p[(ei + 1) % 3], ti.p[ei]);  // reversed edge
            if (g < 0) continue;
            auto first = entries.begin() + start[g], last = entries.begin() + start[g + 1];
            auto it = std::upper_bound(first, last, static_cast<uint32_t>(i * 3 + 2));
            for (; it != last; ++it) cand.push_back(*it / 3);
        }
        std::sort(cand.begin(), cand.end());
        cand.erase(std::unique(cand.begin(), cand.end()), cand.end());
        for (uint32_t j : cand) {
            Faces3Dreieck& tj = k->dreiecke[j];
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

int Faces3GeoWork::find_cell(const int64_t key[3]) const {
    if (cells.empty()) return -1;
    const size_t mask = cells.size() - 1;
    size_t s = cell_hash(key) & mask;
    while (cells[s].count != 0) {
        if (cells[s].k[0] == key[0] && cells[s].k[1] == key[1] && cells[s].k[2] == key[2]) {
            return static_cast<int>(s);
        }
        s = (s + 1) & mask;
    }
    return -1;
}

void Faces3GeoWork::build(const Faces3Koerper& body) {
    triangles = body.dreiecke.size();
    cell = 8 * FACES3_KOOR_EPS;
    const size_t m = triangles * 3;
    size_t size = 1024;
    while (size < m * 2) size *= 2;
    cells.assign(size, Cell{{0, 0, 0}, 0, 0});
    std::vector<int32_t> slot_of(m, -1);
    const size_t mask = size - 1;
    for (size_t e = 0; e < m; ++e) {
        const Faces3Dreieck& t = body.dreiecke[e / 3];
        const double* p = body.punkte[t.p[e % 3]].data();
        if (!finite3(p)) continue;  // matches nothing
        const int64_t key[3] = {faces3_cell_coord(p[0] / cell), faces3_cell_coord(p[1] / cell),
                                faces3_cell_coord(p[2] / cell)};
        size_t s = cell_hash(key) & mask;
        while (cells[s].count != 0 &&
               (cells[s].k[0] != key[0] || cells[s].k[1] != key[1] || cells[s].k[2] != key[2])) {
            s = (s + 1) & mask;
        }
        if (cells[s].count == 0) {
            cells[s].k[0] = key[0];
            cells[s].k[1] = key[1];
            cells[s].k[2] = key[2];
        }
        ++cells[s].count;
        slot_of[e] = static_cast<int32_t>(s);
    }
    uint32_t sum = 0;
    for (Cell& c : cells) {
        c.begin = sum;
        sum += c.count;
    }
    entries.assign(sum, 0);
    std::vector<uint32_t> fill(size);
    for (size_t s = 0; s < size; ++s) fill[s] = cells[s].begin;
    for (size_t e = 0; e < m; ++e) {
        if (slot_of[e] >= 0) entries[fill[slot_of[e]]++] = static_cast<uint32_t>(e);
    }
}

template <class Fn>
void Faces3GeoWork::for_each_near(const double p[3], Fn&& fn) const {
    if (!finite3(p)) return;
    int64_t lo[3], hi[3], key[3];
    for (int a = 0; a < 3; ++a) {
        const double q = p[a] / cell;
        lo[a] = faces3_cell_coord(q - kWindow);
        hi[a] = faces3_cell_coord(q + kWindow);
    }
    for (key[0] = lo[0]; key[0] <= hi[0]; ++key[0]) {
        for (key[1] = lo[1]; key[1] <= hi[1]; ++key[1]) {
            for (key[2] = lo[2]; key[2] <= hi[2]; ++key[2]) {
                const int s = find_cell(key);
                if (s < 0) continue;
                const Cell& c = cells[s];
                for (uint32_t x = c.begin; x < c.begin + c.count; ++x) fn(entries[x]);
            }
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
        } else if (!k->geo_work || k->geo_work->triangles != n) {
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
            work.for_each_near(pb, [&](uint32_t e) {
                const uint32_t j = e / 3;
                if (j <= i) return;
                const int ej = static_cast<int>(e % 3);
                const Faces3Dreieck& tj = k->dreiecke[j];
                if (near_eq(k->punkte[tj.p[ej]].data(), pb) &&
                    near_eq(k->punkte[tj.p[(ej + 1) % 3]].data(), pa)) {
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
