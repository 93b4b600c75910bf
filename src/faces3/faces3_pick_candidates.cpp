// Cells of the circle-centre grouping, and the sorting out of triangles that agree with no
// other: a count of triangles per cell; a triangle alone in the cells of its window is
// alone in its group.
#include "faces3/faces3_pick_candidates.h"

#include <algorithm>

#include "faces3/faces3_internal.h"
#include "faces3/faces3_search_index.h"

Faces3GroupCells::Faces3GroupCells(const double d[3], double tol) {
    for (int a = 1; a < 3; ++a) {
        if (std::fabs(d[a]) > std::fabs(d[axis_])) axis_ = a;
    }
    inv_[0] = 1 / (16 * tol);
    inv_[1] = inv_[2] = 1 / (16 * FACES3_GROUP_NORMAL_TOL);
}

uint64_t Faces3GroupCells::hash(int64_t a, int64_t b, int64_t c) {
    return faces3_mix64(static_cast<uint64_t>(a) * 0x9E3779B97F4A7C15ULL +
                        static_cast<uint64_t>(b) * 0xC2B2AE3D27D4EB4FULL +
                        static_cast<uint64_t>(c) * 0x165667B19E3779F9ULL);
}

namespace {

// Counting table: 32-bit slots holding 30 bits of the cell's hash and a count saturated at
// 3 (0 = empty). Cells that share a slot and those bits are counted together, which can
// only keep a triangle in the list, never drop one.
class CellCounts {
  public:
    void reset(size_t expected) {
        size_t size = 1024;
        while (size < expected * 2) size *= 2;
        slots_.assign(size, 0);
        mask_ = size - 1;
    }
    void prefetch(uint64_t h) const { __builtin_prefetch(&slots_[h & mask_]); }
    void add(uint64_t h) {
        const uint32_t fp = tag(h);
        for (size_t s = h & mask_;; s = (s + 1) & mask_) {
            uint32_t& v = slots_[s];
            if (v == 0) {
                v = fp | 1;
                return;
            }
            if ((v & ~3u) == fp) {
                if ((v & 3u) < 3) ++v;
                return;
            }
        }
    }
    int count(uint64_t h) const {
        const uint32_t fp = tag(h);
        for (size_t s = h & mask_;; s = (s + 1) & mask_) {
            const uint32_t v = slots_[s];
            if (v == 0) return 0;
            if ((v & ~3u) == fp) return static_cast<int>(v & 3u);
        }
    }

  private:
    static uint32_t tag(uint64_t h) { return static_cast<uint32_t>(h >> 32) & ~3u; }
    std::vector<uint32_t> slots_;
    size_t mask_ = 0;
};

// A facing triangle in 16 bytes: its cell, and the triangle index with the sides on which
// its window reaches into the next cell (bit a: below on axis a, bit 3 + a: above) or the
// mark that it is kept without counting (a window wider than that, or a huge cell).
struct Item {
    int32_t own[3];
    uint32_t packed;
};
constexpr int kTriShift = 7;
constexpr uint32_t kKeep = 64;
constexpr size_t kMaxTriangles = size_t{1} << (32 - kTriShift);
constexpr int64_t kOwnLimit = int64_t{1} << 30;

}  // namespace

void faces3_circle_candidates(const Faces3Koerper& k, const double p[3], const double d[3],
                              const Faces3GroupCells& cells, std::vector<uint32_t>& out,
                              std::vector<Faces3RayHit>* ray_hits,
                              const Faces3CandidateSubset* subset) {
    out.clear();
    if (ray_hits) ray_hits->clear();
    const size_t n = k.dreiecke.size();
    if (n == 0) return;
    if (subset) ray_hits = nullptr;
    const size_t looked = subset ? subset->n : n;
    // Records the ray's hit of triangle i.
    auto ray_hit = [&](size_t i, const Faces3Dreieck& t) {
        double tt;
        if (faces3_ray_triangle(p, d, k.punkte[t.p[0]].data(), k.punkte[t.p[1]].data(),
                                k.punkte[t.p[2]].data(), t.normale, &tt)) {
            ray_hits->push_back({static_cast<uint32_t>(i), tt});
        }
    };
    if (n > kMaxTriangles) {  // beyond the packed item: everything facing is kept
        if (ray_hits) faces3_ray_hits(k, p, d, *ray_hits);
        double h[3];
        for (size_t x = 0; x < looked; ++x) {
            const bool facing =
                subset ? faces3_facing_hit(subset->geo + 6 * x, subset->geo + 6 * x + 3, p, d, h)
                       : faces3_facing_hit(k, k.dreiecke[x], p, d, h);
            if (facing) out.push_back(static_cast<uint32_t>(x));
        }
        return;
    }
    thread_local std::vector<Item> items;
    thread_local CellCounts counts;
    if (items.size() < looked) items.resize(looked);
    Item* const item = items.data();
    counts.reset(looked);
    // Slots are fetched a few triangles ahead, so that the table's cache misses overlap.
    constexpr size_t kAhead = 16;
    uint64_t ahead[kAhead];
    size_t m = 0;
    for (size_t x = 0; x < looked; ++x) {
        const double* nrm;
        const double* corner;
        if (subset) {
            nrm = subset->geo + 6 * x;
            corner = nrm + 3;
        } else {
            const Faces3Dreieck& t = k.dreiecke[x];
            if (ray_hits) ray_hit(x, t);
            nrm = t.normale;
            corner = k.punkte[t.p[0]].data();
        }
        const size_t i = x;  // position: the triangle itself, or its place in the subset
        double h[3];
        if (!faces3_facing_hit(nrm, corner, p, d, h)) continue;
        int64_t own[3], lo[3], hi[3];
        bool keep = !cells.cells(h, nrm, own, lo, hi);
        uint32_t bits = 0;
        for (int a = 0; a < 3; ++a) {
            keep = keep || own[a] <= -kOwnLimit || own[a] >= kOwnLimit;
            bits |= static_cast<uint32_t>(lo[a] < own[a]) << a;
            bits |= static_cast<uint32_t>(hi[a] > own[a]) << (3 + a);
        }
        Item& it = item[m];
        for (int a = 0; a < 3; ++a) it.own[a] = static_cast<int32_t>(keep ? 0 : own[a]);
        it.packed = static_cast<uint32_t>(i) << kTriShift | (keep ? kKeep : bits);
        const uint64_t hash = Faces3GroupCells::hash(own[0], own[1], own[2]);
        counts.prefetch(hash);
        if (m >= kAhead) counts.add(ahead[m % kAhead]);
        ahead[m % kAhead] = hash;
        ++m;
    }
    for (size_t x = m > kAhead ? m - kAhead : 0; x < m; ++x) counts.add(ahead[x % kAhead]);
    if (m < 2) return;
    // Hashes of the window's cells (own cell first) of the items a few ahead, in a ring.
    struct Window {
        int cells;
        uint64_t hash[8];
    };
    Window ring[kAhead];
    auto window_of = [&](const Item& it, Window& w) {
        w.cells = 0;
        if (it.packed & kKeep) return;
        int64_t lo[3], hi[3];
        for (int a = 0; a < 3; ++a) {
            lo[a] = int64_t{it.own[a]} - static_cast<int64_t>((it.packed >> a) & 1);
            hi[a] = int64_t{it.own[a]} + static_cast<int64_t>((it.packed >> (3 + a)) & 1);
        }
        w.hash[w.cells++] = Faces3GroupCells::hash(it.own[0], it.own[1], it.own[2]);
        for (int64_t a = lo[0]; a <= hi[0]; ++a) {
            for (int64_t b = lo[1]; b <= hi[1]; ++b) {
                for (int64_t c = lo[2]; c <= hi[2]; ++c) {
                    if (a == it.own[0] && b == it.own[1] && c == it.own[2]) continue;
                    w.hash[w.cells++] = Faces3GroupCells::hash(a, b, c);
                }
            }
        }
        for (int c = 0; c < w.cells; ++c) counts.prefetch(w.hash[c]);
    };
    for (size_t x = 0; x < std::min(kAhead, m); ++x) window_of(item[x], ring[x]);
    for (size_t x = 0; x < m; ++x) {
        const Item& it = item[x];
        const Window& w = ring[x % kAhead];
        int sum = it.packed & kKeep ? 2 : 0;
        for (int c = 0; c < w.cells && sum < 2; ++c) sum += counts.count(w.hash[c]);
        if (sum >= 2) out.push_back(it.packed >> kTriShift);
        if (x + kAhead < m) window_of(item[x + kAhead], ring[x % kAhead]);
    }
}

void faces3_ray_hits(const Faces3Koerper& k, const double p[3], const double d[3],
                     std::vector<Faces3RayHit>& out) {
    out.clear();
    for (size_t i = 0; i < k.dreiecke.size(); ++i) {
        const Faces3Dreieck& t = k.dreiecke[i];
        double tt;
        if (faces3_ray_triangle(p, d, k.punkte[t.p[0]].data(), k.punkte[t.p[1]].data(),
                                k.punkte[t.p[2]].data(), t.normale, &tt)) {
            out.push_back({static_cast<uint32_t>(i), tt});
        }
    }
}
