// Building the pick indexes of a body: the bounding volume hierarchy, the triangles that
// can matter to the circle-centre search, and their cache in the body.
#include "faces3/faces3_ray_index.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "faces3/faces3_body.h"
#include "faces3/faces3_pick_candidates.h"

namespace {

// Coordinates beyond this make the hierarchy stand aside (float boxes, margins).
constexpr double kCoordLimit = 1e30;
constexpr uint32_t kLeafSize = 8;

float round_down(double v) {
    float f = static_cast<float>(v);
    if (static_cast<double>(f) > v) f = std::nextafter(f, -HUGE_VALF);
    return f;
}
float round_up(double v) {
    float f = static_cast<float>(v);
    if (static_cast<double>(f) < v) f = std::nextafter(f, HUGE_VALF);
    return f;
}

// Spreads the low 10 bits of v to every third bit.
uint32_t spread3(uint32_t v) {
    v &= 0x3ff;
    v = (v | v << 16) & 0x030000ff;
    v = (v | v << 8) & 0x0300f00f;
    v = (v | v << 4) & 0x030c30c3;
    v = (v | v << 2) & 0x09249249;
    return v;
}

// Stable radix sort of records by bits [lo_bit, hi_bit) of key_of(record), 11 bits a pass
// (few enough buckets that the scattered writes stay in cache).
template <class T, class K>
void radix_sort(std::vector<T>& v, int lo_bit, int hi_bit, K key_of) {
    std::vector<T> tmp(v.size());
    for (int shift = lo_bit; shift < hi_bit; shift += 11) {
        size_t count[2049] = {};
        for (const T& x : v) ++count[((key_of(x) >> shift) & 0x7ff) + 1];
        for (size_t b = 1; b < 2049; ++b) count[b] += count[b - 1];
        for (const T& x : v) tmp[count[(key_of(x) >> shift) & 0x7ff]++] = x;
        v.swap(tmp);
    }
}

}  // namespace

Faces3RayBvh::Faces3RayBvh(const Faces3Koerper& k) {
    n_tri_ = k.dreiecke.size();
    // The finite points bound every finite triangle's centre.
    double blo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, bhi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const Faces3P3& q : k.punkte) {
        if (!std::isfinite(q[0]) || !std::isfinite(q[1]) || !std::isfinite(q[2])) continue;
        for (int a = 0; a < 3; ++a) {
            blo[a] = std::min(blo[a], q[a]);
            bhi[a] = std::max(bhi[a], q[a]);
        }
    }
    // Triangles with finite corners by the Morton code of their box centre, table order
    // among equal codes.
    std::vector<uint64_t> keys;
    keys.reserve(n_tri_);
    for (size_t i = 0; i < n_tri_; ++i) {
        const Faces3Dreieck& t = k.dreiecke[i];
        double lo[3], hi[3];
        bool finite = true;
        for (int a = 0; a < 3; ++a) {
            lo[a] = hi[a] = k.punkte[t.p[0]][a];
            for (int c = 1; c < 3; ++c) {
                const double v = k.punkte[t.p[c]][a];
                lo[a] = std::min(lo[a], v);
                hi[a] = std::max(hi[a], v);
            }
            finite = finite && std::isfinite(lo[a]) && std::isfinite(hi[a]);
        }
        if (!finite) {
            odd_.push_back(static_cast<uint32_t>(i));
            continue;
        }
        uint32_t code = 0;
        for (int a = 0; a < 3; ++a) {
            coord_max_ = std::max(coord_max_, std::max(std::fabs(lo[a]), std::fabs(hi[a])));
            const double ext = bhi[a] - blo[a];
            const double q = ext > 0 ? (0.5 * (lo[a] + hi[a]) - blo[a]) / ext * 1023.0 : 0.0;
            code |= spread3(static_cast<uint32_t>(std::clamp(q, 0.0, 1023.0))) << a;
        }
        keys.push_back(uint64_t{code} << 32 | i);
    }
    if (coord_max_ > kCoordLimit || keys.empty()) return;  // usable() says no
    radix_sort(keys, 32, 62, [](uint64_t x) { return x; });
    items_.resize(keys.size());
    for (size_t x = 0; x < keys.size(); ++x) items_[x] = static_cast<uint32_t>(keys[x]);
    // Top down: a range splits where the highest bit in which its codes differ turns on.
    // Room for one leaf per triangle, so the table never moves; untouched room costs no
    // memory.
    nodes_.reserve(2 * keys.size());
    nodes_.push_back(Node{});
    struct Task {
        uint32_t node, begin, end;
    };
    std::vector<Task> tasks;
    tasks.push_back({0, 0, static_cast<uint32_t>(keys.size())});
    while (!tasks.empty()) {
        const Task tk = tasks.back();
        tasks.pop_back();
        const uint32_t count = tk.end - tk.begin;
        if (count <= kLeafSize) {
            nodes_[tk.node].first = tk.begin;
            nodes_[tk.node].count = count;
            continue;
        }
        const uint32_t first = static_cast<uint32_t>(keys[tk.begin] >> 32);
        const uint32_t last = static_cast<uint32_t>(keys[tk.end - 1] >> 32);
        uint32_t mid = tk.begin + count / 2;
        if (first != last) {
            const int bit = 31 - __builtin_clz(first ^ last);
            uint32_t lo = tk.begin, hi = tk.end - 1;  // first key with the bit set
            while (lo < hi) {
                const uint32_t m = lo + (hi - lo) / 2;
                if ((keys[m] >> (32 + bit)) & 1) {
                    hi = m;
                } else {
                    lo = m + 1;
                }
            }
            mid = lo;
        }
        const uint32_t child = static_cast<uint32_t>(nodes_.size());
        nodes_[tk.node].first = child;
        nodes_[tk.node].count = 0;
        nodes_.push_back(Node{});
        nodes_.push_back(Node{});
        tasks.push_back({child, tk.begin, mid});
        tasks.push_back({child + 1, mid, tk.end});
    }
    keys = {};
    // Boxes bottom up (children always come after their parent), rounded outwards.
    for (size_t x = nodes_.size(); x-- > 0;) {
        Node& nd = nodes_[x];
        if (nd.count > 0) {
            double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL},
                   hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
            for (uint32_t i = nd.first; i < nd.first + nd.count; ++i) {
                const Faces3Dreieck& t = k.dreiecke[items_[i]];
                for (int c = 0; c < 3; ++c) {
                    const Faces3P3& q = k.punkte[t.p[c]];
                    for (int a = 0; a < 3; ++a) {
                        lo[a] = std::min(lo[a], q[a]);
                        hi[a] = std::max(hi[a], q[a]);
                    }
                }
            }
            for (int a = 0; a < 3; ++a) {
                nd.lo[a] = round_down(lo[a]);
                nd.hi[a] = round_up(hi[a]);
            }
        } else {
            const Node& l = nodes_[nd.first];
            const Node& r = nodes_[nd.first + 1];
            for (int a = 0; a < 3; ++a) {
                nd.lo[a] = std::min(l.lo[a], r.lo[a]);
                nd.hi[a] = std::max(l.hi[a], r.hi[a]);
            }
        }
    }
}

bool Faces3RayBvh::usable(const double p[3], const double d[3]) const {
    if (coord_max_ > kCoordLimit) return false;
    for (int a = 0; a < 3; ++a) {
        if (!(std::fabs(p[a]) <= kCoordLimit)) return false;
        const double ad = std::fabs(d[a]);
        if (!(ad == 0 || (ad >= 1e-100 && ad <= 1e100))) return false;
    }
    return true;
}

size_t Faces3RayBvh::bytes() const {
    return sizeof(*this) + nodes_.size() * sizeof(Node) +
           (items_.size() + odd_.size()) * sizeof(uint32_t);
}

// ---- circle-centre candidates ------------------------------------------------------------

Faces3CircleCandidates::Faces3CircleCandidates(const Faces3Koerper& k) {
    // Cells a little wider than the tolerance: two agreeing normals lie in the same or
    // neighbouring cells on every axis.
    constexpr double kCell = FACES3_GROUP_NORMAL_TOL * 1.01;
    constexpr double kRange = 100;  // normals beyond stay in the list unexamined
    constexpr int kBits = 21;
    constexpr int64_t kBias = int64_t{1} << (kBits - 1);
    const size_t n = k.dreiecke.size();
    std::vector<char> keep(n, 0);
    struct Keyed {
        uint64_t key;
        uint32_t tri;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const double* nv = k.dreiecke[i].normale;
        // A normal that is not finite never faces the ray.
        if (!std::isfinite(nv[0]) || !std::isfinite(nv[1]) || !std::isfinite(nv[2])) continue;
        if (std::fabs(nv[0]) > kRange || std::fabs(nv[1]) > kRange || std::fabs(nv[2]) > kRange) {
            keep[i] = 1;
            continue;
        }
        uint64_t key = 0;
        for (int a = 0; a < 3; ++a) {
            const int64_t c = static_cast<int64_t>(std::floor(nv[a] / kCell)) + kBias;
            key = key << kBits | static_cast<uint64_t>(c);
        }
        keyed.push_back({key, static_cast<uint32_t>(i)});
    }
    radix_sort(keyed, 0, 3 * kBits, [](const Keyed& x) { return x.key; });
    // Cells: runs of one key.
    std::vector<uint64_t> cell_key;
    std::vector<uint32_t> cell_begin;
    cell_key.reserve(keyed.size());
    cell_begin.reserve(keyed.size() + 1);
    for (size_t i = 0; i < keyed.size(); ++i) {
        if (i == 0 || keyed[i].key != keyed[i - 1].key) {
            cell_key.push_back(keyed[i].key);
            cell_begin.push_back(static_cast<uint32_t>(i));
        }
    }
    const size_t nc = cell_key.size();
    cell_begin.push_back(static_cast<uint32_t>(keyed.size()));
    std::vector<uint32_t> parent(nc), near(nc, 0);
    std::iota(parent.begin(), parent.end(), 0u);
    auto root = [&](uint32_t c) {
        while (parent[c] != c) c = parent[c] = parent[parent[c]];
        return c;
    };
    // Neighbouring cells of each cell, one sweep per (x, y) offset: the keys of the
    // neighbours with that offset form a sorted range, so the sweep only moves forward.
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            const int64_t off = dx * (int64_t{1} << (2 * kBits)) + dy * (int64_t{1} << kBits);
            size_t j = 0;
            for (size_t c = 0; c < nc; ++c) {
                const uint64_t lo = cell_key[c] + static_cast<uint64_t>(off - 1);
                const uint64_t hi = cell_key[c] + static_cast<uint64_t>(off + 1);
                while (j < nc && cell_key[j] < lo) ++j;
                for (size_t x = j; x < nc && cell_key[x] <= hi; ++x) {
                    near[c] += cell_begin[x + 1] - cell_begin[x];
                    const uint32_t a = root(static_cast<uint32_t>(c)),
                                   b = root(static_cast<uint32_t>(x));
                    if (a != b) parent[std::max(a, b)] = std::min(a, b);
                }
            }
        }
    }
    std::vector<char> live(nc, 0);
    for (size_t c = 0; c < nc; ++c) {
        if (near[c] >= 8) live[root(static_cast<uint32_t>(c))] = 1;
    }
    for (size_t c = 0; c < nc; ++c) {
        if (!live[root(static_cast<uint32_t>(c))]) continue;
        for (uint32_t x = cell_begin[c]; x < cell_begin[c + 1]; ++x) keep[keyed[x].tri] = 1;
    }
    for (size_t i = 0; i < n; ++i) {
        if (!keep[i]) continue;
        tris.push_back(static_cast<uint32_t>(i));
        const Faces3Dreieck& t = k.dreiecke[i];
        geo.insert(geo.end(), t.normale, t.normale + 3);
        geo.insert(geo.end(), k.punkte[t.p[0]].begin(), k.punkte[t.p[0]].end());
    }
}

// ---- cache -----------------------------------------------------------------------------

Faces3RayCache::Stamp Faces3RayCache::stamp_of(const Faces3Koerper& k) {
    Stamp s;
    s.tris = k.dreiecke.size();
    s.points = k.punkte.size();
    s.tri_data = k.dreiecke.data();
    s.point_data = k.punkte.data();
    return s;
}

void Faces3RayCache::check(const Faces3Koerper& k) const {
    const Stamp s = stamp_of(k);
    if (s == stamp_) return;
    bvh_.reset();
    circle_.reset();
    stamp_ = s;
}

std::shared_ptr<const Faces3RayBvh> Faces3RayCache::bvh(const Faces3Koerper& k) const {
    std::lock_guard<std::mutex> lock(mutex_);
    check(k);
    if (!bvh_) {
        bvh_ = std::make_shared<const Faces3RayBvh>(k);
        built_.store(true, std::memory_order_relaxed);
    }
    return bvh_;
}

std::shared_ptr<const Faces3CircleCandidates> Faces3RayCache::circle(const Faces3Koerper& k) const {
    std::lock_guard<std::mutex> lock(mutex_);
    check(k);
    if (!circle_) {
        circle_ = std::make_shared<const Faces3CircleCandidates>(k);
        built_.store(true, std::memory_order_relaxed);
    }
    return circle_;
}

void Faces3RayCache::drop() {
    std::lock_guard<std::mutex> lock(mutex_);
    bvh_.reset();
    circle_.reset();
    built_.store(false, std::memory_order_relaxed);
}
