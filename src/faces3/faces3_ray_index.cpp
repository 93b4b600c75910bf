// Building the pick indexes of a body: the bounding volume hierarchy, the triangles that
// can matter to the circle-centre search, and their cache in the body.
#include "faces3/faces3_ray_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "faces3/faces3_body.h"
#include "faces3/faces3_large_pages.h"
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
// (few enough buckets that the scattered writes stay in cache). Sorts v with the room tmp
// beside it; true when the result ended up in tmp.
template <class T, class K>
bool radix_sort(T* v, T* tmp, size_t n, int lo_bit, int hi_bit, K key_of) {
    bool swapped = false;
    for (int shift = lo_bit; shift < hi_bit; shift += 11) {
        size_t count[2049] = {};
        for (size_t x = 0; x < n; ++x) ++count[((key_of(v[x]) >> shift) & 0x7ff) + 1];
        for (size_t b = 1; b < 2049; ++b) count[b] += count[b - 1];
        for (size_t x = 0; x < n; ++x) tmp[count[(key_of(v[x]) >> shift) & 0x7ff]++] = v[x];
        std::swap(v, tmp);
        swapped = !swapped;
    }
    return swapped;
}
template <class T, class K>
void radix_sort(std::vector<T>& v, int lo_bit, int hi_bit, K key_of) {
    std::vector<T> tmp(v.size());
    if (radix_sort(v.data(), tmp.data(), v.size(), lo_bit, hi_bit, key_of)) v.swap(tmp);
}

// Zeroed scratch room for a build, with the large-page hint: fresh memory in 4 KB pages
// costs a page fault per page, more than the writes themselves.
template <class T>
class Scratch {
  public:
    explicit Scratch(size_t n)
        : n_(n ? n : 1), p_(static_cast<T*>(faces3_large_alloc(n_ * sizeof(T)))) {
        // Large blocks come zeroed from the system, small ones from new.
        if (n_ * sizeof(T) < FACES3_DIRECT_BLOCK)
            std::memset(static_cast<void*>(p_), 0, n_ * sizeof(T));
        faces3_advise_large_pages(p_, n_ * sizeof(T));
    }
    ~Scratch() { faces3_large_free(p_, n_ * sizeof(T)); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    T& operator[](size_t i) { return p_[i]; }
    T* get() { return p_; }
    void swap(Scratch& o) {
        std::swap(n_, o.n_);
        std::swap(p_, o.p_);
    }

  private:
    size_t n_;
    T* p_;
};

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
    // among equal codes. Their boxes, rounded outwards, are kept from this one pass over
    // the tables: rounding is monotone, so a node's box is the same whether its corners or
    // its triangles' rounded boxes are combined.
    Scratch<uint64_t> keys(n_tri_);
    Scratch<float> box(6 * n_tri_);
    size_t m = 0;
    for (size_t i = 0; i < n_tri_; ++i) {
        const Faces3Dreieck& t = k.dreiecke[i];
        const double* c0 = k.punkte[t.p[0]].data();
        const double* c1 = k.punkte[t.p[1]].data();
        const double* c2 = k.punkte[t.p[2]].data();
        double lo[3], hi[3];
        bool finite = true;
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(std::min(c0[a], c1[a]), c2[a]);
            hi[a] = std::max(std::max(c0[a], c1[a]), c2[a]);
            finite = finite && std::isfinite(lo[a]) && std::isfinite(hi[a]);
        }
        if (!finite) {
            odd_.push_back(static_cast<uint32_t>(i));
            continue;
        }
        uint32_t code = 0;
        float* b = &box[6 * i];
        for (int a = 0; a < 3; ++a) {
            coord_max_ = std::max(coord_max_, std::max(std::fabs(lo[a]), std::fabs(hi[a])));
            const double ext = bhi[a] - blo[a];
            const double q = ext > 0 ? (0.5 * (lo[a] + hi[a]) - blo[a]) / ext * 1023.0 : 0.0;
            code |= spread3(static_cast<uint32_t>(std::clamp(q, 0.0, 1023.0))) << a;
            b[a] = round_down(lo[a]);
            b[3 + a] = round_up(hi[a]);
        }
        keys[m++] = uint64_t{code} << 32 | i;
    }
    if (coord_max_ > kCoordLimit || m == 0) return;  // usable() says no
    {
        Scratch<uint64_t> tmp(m);
        if (radix_sort(keys.get(), tmp.get(), m, 32, 62, [](uint64_t x) { return x; }))
            keys.swap(tmp);
    }
    // Codes apart from the indices: the splits below search half the memory.
    Scratch<uint32_t> codes(m);
    faces3_reserve_large(items_, m);
    items_.resize(m);
    Scratch<float> sbox(6 * m);
    constexpr size_t kAhead = 16;  // boxes are fetched this far ahead of their copy
    for (size_t x = 0; x < m; ++x) {
        if (x + kAhead < m) __builtin_prefetch(&box[6 * static_cast<uint32_t>(keys[x + kAhead])]);
        const uint32_t i = static_cast<uint32_t>(keys[x]);
        codes[x] = static_cast<uint32_t>(keys[x] >> 32);
        items_[x] = i;
        std::copy(&box[6 * size_t{i}], &box[6 * size_t{i}] + 6, &sbox[6 * x]);
    }
    // Top down: a range splits where the highest bit in which its codes differ turns on.
    // Room for one leaf per triangle, so the table never moves; untouched room costs no
    // memory.
    faces3_reserve_large(nodes_, 2 * m);
    nodes_.push_back(Node{});
    struct Task {
        uint32_t node, begin, end;
    };
    std::vector<Task> tasks;
    tasks.push_back({0, 0, static_cast<uint32_t>(m)});
    while (!tasks.empty()) {
        const Task tk = tasks.back();
        tasks.pop_back();
        const uint32_t count = tk.end - tk.begin;
        if (count <= kLeafSize) {
            Node& nd = nodes_[tk.node];
            nd.first = tk.begin;
            nd.count = count;
            const float* b = &sbox[6 * size_t{tk.begin}];
            std::copy(b, b + 3, nd.lo);
            std::copy(b + 3, b + 6, nd.hi);
            for (uint32_t x = 1; x < count; ++x) {
                b += 6;
                for (int a = 0; a < 3; ++a) {
                    nd.lo[a] = std::min(nd.lo[a], b[a]);
                    nd.hi[a] = std::max(nd.hi[a], b[3 + a]);
                }
            }
            continue;
        }
        const uint32_t first = codes[tk.begin];
        const uint32_t last = codes[tk.end - 1];
        uint32_t mid = tk.begin + count / 2;
        if (first != last) {
            const int bit = 31 - __builtin_clz(first ^ last);
            uint32_t lo = tk.begin, hi = tk.end - 1;  // first code with the bit set
            while (lo < hi) {
                const uint32_t x = lo + (hi - lo) / 2;
                if ((codes[x] >> bit) & 1) {
                    hi = x;
                } else {
                    lo = x + 1;
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
    // Inner boxes bottom up (children always come after their parent).
    for (size_t x = nodes_.size(); x-- > 0;) {
        Node& nd = nodes_[x];
        if (nd.count > 0) continue;
        const Node& l = nodes_[nd.first];
        const Node& r = nodes_[nd.first + 1];
        for (int a = 0; a < 3; ++a) {
            nd.lo[a] = std::min(l.lo[a], r.lo[a]);
            nd.hi[a] = std::max(l.hi[a], r.hi[a]);
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
    const size_t n = k.dreiecke.size();
    Scratch<char> keep(n);  // zeroed
    struct Keyed {
        uint64_t key;
        uint32_t tri;
    };
    // Keys of as few bits as the cells' spread needs, so that the sort takes few passes.
    // Coordinates count from 1 with room for one more above: a neighbour's key never
    // borrows from or carries into the next axis.
    Scratch<Keyed> keyed(n);
    size_t m = 0;
    int width[3] = {1, 1, 1};
    {
        Scratch<int32_t> cell(3 * n);
        int64_t cmin[3] = {INT64_MAX, INT64_MAX, INT64_MAX};
        int64_t cmax[3] = {INT64_MIN, INT64_MIN, INT64_MIN};
        for (size_t i = 0; i < n; ++i) {
            const double* nv = k.dreiecke[i].normale;
            // A normal that is not finite never faces the ray.
            if (!std::isfinite(nv[0]) || !std::isfinite(nv[1]) || !std::isfinite(nv[2])) continue;
            if (std::fabs(nv[0]) > kRange || std::fabs(nv[1]) > kRange ||
                std::fabs(nv[2]) > kRange) {
                keep[i] = 1;
                continue;
            }
            for (int a = 0; a < 3; ++a) {
                const int64_t c = static_cast<int64_t>(std::floor(nv[a] / kCell));
                cell[3 * m + a] = static_cast<int32_t>(c);
                cmin[a] = std::min(cmin[a], c);
                cmax[a] = std::max(cmax[a], c);
            }
            keyed[m++].tri = static_cast<uint32_t>(i);
        }
        for (int a = 0; a < 3 && m > 0; ++a) {
            width[a] = 64 - __builtin_clzll(static_cast<uint64_t>(cmax[a] - cmin[a]) + 2);
        }
        for (size_t x = 0; x < m; ++x) {
            uint64_t key = 0;
            for (int a = 0; a < 3; ++a) {
                key = key << width[a] | static_cast<uint64_t>(cell[3 * x + a] - cmin[a] + 1);
            }
            keyed[x].key = key;
        }
    }
    const int bits = width[0] + width[1] + width[2];
    {
        Scratch<Keyed> tmp(m);
        if (radix_sort(keyed.get(), tmp.get(), m, 0, bits, [](const Keyed& x) { return x.key; })) {
            keyed.swap(tmp);
        }
    }
    // Cells: runs of one key.
    Scratch<uint64_t> cell_key(m);
    Scratch<uint32_t> cell_begin(m + 1);
    size_t nc = 0;
    for (size_t i = 0; i < m; ++i) {
        if (i == 0 || keyed[i].key != keyed[i - 1].key) {
            cell_key[nc] = keyed[i].key;
            cell_begin[nc++] = static_cast<uint32_t>(i);
        }
    }
    cell_begin[nc] = static_cast<uint32_t>(m);
    // Whether a cell's neighbourhood (itself included) holds eight triangles or more. The
    // keys of the neighbours with one (x, y) offset form a sorted range that only moves
    // forward from cell to cell: one cursor per offset, left behind when the count is
    // reached early and brought up next time.
    const uint64_t unit_x = uint64_t{1} << (width[1] + width[2]), unit_y = uint64_t{1} << width[2];
    uint64_t off[9];
    off[0] = 0;  // the own column first: it settles most cells
    for (int dx = -1, o = 1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx != 0 || dy != 0) off[o++] = dx * unit_x + dy * unit_y;  // modulo 2^64
        }
    }
    Scratch<char> live(nc);
    std::vector<uint32_t> todo;
    size_t cursor[9] = {};
    for (size_t c = 0; c < nc; ++c) {
        uint32_t sum = 0;
        for (int o = 0; o < 9 && sum < 8; ++o) {
            const uint64_t lo = cell_key[c] + off[o] - 1, hi = cell_key[c] + off[o] + 1;
            size_t& j = cursor[o];
            while (j < nc && cell_key[j] < lo) ++j;
            for (size_t x = j; x < nc && cell_key[x] <= hi && sum < 8; ++x) {
                sum += cell_begin[x + 1] - cell_begin[x];
            }
        }
        if (sum >= 8) {
            live[c] = 1;
            todo.push_back(static_cast<uint32_t>(c));
        }
    }
    // Connected parts of the neighbour relation that hold such a cell: reached from them.
    const uint64_t* keys_begin = cell_key.get();
    const uint64_t* keys_end = keys_begin + nc;
    while (!todo.empty()) {
        const uint32_t c = todo.back();
        todo.pop_back();
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                const uint64_t base = cell_key[c] + dx * unit_x + dy * unit_y;
                for (const uint64_t* q = std::lower_bound(keys_begin, keys_end, base - 1);
                     q != keys_end && *q <= base + 1; ++q) {
                    const size_t x = static_cast<size_t>(q - keys_begin);
                    if (live[x]) continue;
                    live[x] = 1;
                    todo.push_back(static_cast<uint32_t>(x));
                }
            }
        }
    }
    for (size_t c = 0; c < nc; ++c) {
        if (!live[c]) continue;
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
