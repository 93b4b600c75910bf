// Point grid hash and directed-edge hash used by body construction.
#include "faces3/faces3_search_index.h"

#include <algorithm>
#include <cmath>

namespace {
// Beyond this many cells from the origin the quotient loses the precision the window
// needs, so coordinates are clamped into one outermost cell per side.
constexpr double kCellLimit = 35184372088832.0;  // 2^45

uint64_t cell_hash(const int64_t k[3]) {
    uint64_t h = faces3_mix64(static_cast<uint64_t>(k[0]) * 0x9E3779B97F4A7C15ULL);
    h = faces3_mix64(h ^ (static_cast<uint64_t>(k[1]) + 0x632BE59BD9B4E019ULL));
    h = faces3_mix64(h ^ (static_cast<uint64_t>(k[2]) + 0x8CB92BA72F3D8DD7ULL));
    return h;
}

bool finite3(const double p[3]) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Half-width of the search window in cells around quotient q: the tolerance (1/16 cell)
// plus a few units in the last place of q for the rounding of both quotients and of q -+ w.
double window(double q) {
    return 0.0625 + std::min(std::fabs(q), 2 * kCellLimit) * 0x1p-48 + 0x1p-40;
}

std::size_t pow2_at_least(std::size_t n, std::size_t min) {
    std::size_t s = min;
    while (s < n) s *= 2;
    return s;
}
}  // namespace

int64_t faces3_cell_coord(double q) {
    if (std::isnan(q)) return 0;
    if (q >= kCellLimit) return static_cast<int64_t>(kCellLimit);
    if (q <= -kCellLimit) return -static_cast<int64_t>(kCellLimit);
    return static_cast<int64_t>(std::floor(q));
}

Faces3PointHash::Faces3PointHash(double tolerance) : tol_(tolerance), cell_(16 * tolerance) {}

void Faces3PointHash::clear() {
    slots_.clear();
    next_.clear();
    shift_ = 32;
    used_ = 0;
    valid_ = true;
}

void Faces3PointHash::key_of(const double p[3], int64_t k[3]) const {
    for (int a = 0; a < 3; ++a) k[a] = faces3_cell_coord(p[a] / cell_);
}

void Faces3PointHash::grow(std::size_t size) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(size, Slot{0, -1});
    int bits = 0;
    while ((std::size_t{1} << bits) < size) ++bits;
    shift_ = 32 - bits;
    const std::size_t mask = size - 1;
    for (const Slot& o : old) {
        if (o.tail < 0) continue;
        std::size_t s = home(o.fp);
        while (slots_[s].tail >= 0) s = (s + 1) & mask;
        slots_[s] = o;
    }
}

void Faces3PointHash::reserve(std::size_t n) {
    const std::size_t want = pow2_at_least(2 * n, 1024);
    if (want > slots_.size()) grow(want);
    next_.reserve(n);
}

void Faces3PointHash::rebuild(const std::vector<Faces3P3>& pts) {
    clear();
    reserve(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) add(pts, static_cast<int>(i));
}

void Faces3PointHash::add(const std::vector<Faces3P3>& pts, int idx) {
    if (next_.size() <= static_cast<size_t>(idx)) next_.resize(idx + 1, -1);
    next_[idx] = -1;
    const double* p = pts[idx].data();
    if (!finite3(p)) return;  // never equal to anything
    if ((used_ + 1) * 2 > slots_.size()) grow(slots_.empty() ? 1024 : slots_.size() * 2);
    int64_t k[3];
    key_of(p, k);
    const uint32_t fp = static_cast<uint32_t>(cell_hash(k) >> 32);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = home(fp);; s = (s + 1) & mask) {
        Slot& c = slots_[s];
        if (c.tail < 0) {
            c = Slot{fp, idx};
            next_[idx] = idx;
            ++used_;
            return;
        }
        if (c.fp != fp) continue;
        int64_t t[3];
        key_of(pts[c.tail].data(), t);
        if (t[0] != k[0] || t[1] != k[1] || t[2] != k[2]) continue;
        next_[idx] = next_[c.tail];
        next_[c.tail] = idx;
        c.tail = idx;
        return;
    }
}

int Faces3PointHash::find(const std::vector<Faces3P3>& pts, const double p[3]) const {
    if (!finite3(p) || slots_.empty()) return -1;
    int64_t lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        const double q = p[a] / cell_;
        const double w = window(q);
        lo[a] = faces3_cell_coord(q - w);
        hi[a] = faces3_cell_coord(q + w);
    }
    const std::size_t mask = slots_.size() - 1;
    int best = -1;
    int64_t k[3];
    for (k[0] = lo[0]; k[0] <= hi[0]; ++k[0]) {
        for (k[1] = lo[1]; k[1] <= hi[1]; ++k[1]) {
            for (k[2] = lo[2]; k[2] <= hi[2]; ++k[2]) {
                const uint32_t fp = static_cast<uint32_t>(cell_hash(k) >> 32);
                // Every chain with this hash is tested point by point: a chain of another
                // cell can only offer points that are within the tolerance anyway.
                for (std::size_t s = home(fp); slots_[s].tail >= 0; s = (s + 1) & mask) {
                    if (slots_[s].fp != fp) continue;
                    const int tail = slots_[s].tail;
                    // Chains are ascending, so the first match is this chain's lowest.
                    for (int i = next_[tail];; i = next_[i]) {
                        if (best >= 0 && i >= best) break;
                        const double* q = pts[i].data();
                        if (std::fabs(q[0] - p[0]) < tol_ && std::fabs(q[1] - p[1]) < tol_ &&
                            std::fabs(q[2] - p[2]) < tol_) {
                            best = i;
                            break;
                        }
                        if (i == tail) break;
                    }
                }
            }
        }
    }
    return best;
}

void Faces3EdgeHash::clear() {
    windows_.clear();
    mask_ = 0;
    used_ = 0;
    indexed_ = 0;
    valid_ = true;
}

std::size_t Faces3EdgeHash::locate(const std::vector<Faces3Kante>& edges, int from, int to) const {
    auto holds = [&](const Slot& c) {
        return c.idx < 0 || (c.to == to && edges[c.idx].von == from);
    };
    // A window with a free slot had one whenever a pair of its point was added, so the
    // pair is in the window or nowhere.
    const std::size_t base = (static_cast<std::size_t>(from) * kWindow) & mask_;
    for (std::size_t i = 0; i < kWindow; ++i) {
        if (holds(at(base + i))) return base + i;
    }
    const uint64_t h = faces3_mix64((static_cast<uint64_t>(static_cast<uint32_t>(from)) << 32) |
                                    static_cast<uint32_t>(to));
    std::size_t s = h & mask_;
    while (!holds(at(s))) s = (s + 1) & mask_;
    return s;
}

void Faces3EdgeHash::grow(const std::vector<Faces3Kante>& edges, std::size_t slots) {
    std::vector<Window> old;
    old.swap(windows_);
    Window empty;
    for (Slot& c : empty.s) c = Slot{0, -1};
    windows_.assign(slots / kWindow, empty);
    mask_ = slots - 1;
    for (const Window& w : old) {
        for (const Slot& c : w.s) {
            if (c.idx >= 0) at(locate(edges, edges[c.idx].von, c.to)) = c;
        }
    }
}

void Faces3EdgeHash::reserve(const std::vector<Faces3Kante>& edges, std::size_t n) {
    // At most 60 % full: windows of busy points overflow into the probe area.
    const std::size_t want = pow2_at_least(n / 6 * 10 + 10, 1024);
    if (want > windows_.size() * kWindow) grow(edges, want);
}

int Faces3EdgeHash::find(const std::vector<Faces3Kante>& edges, int from, int to) const {
    if (windows_.empty()) return -1;
    return at(locate(edges, from, to)).idx;
}

void Faces3EdgeHash::add(const std::vector<Faces3Kante>& edges, int idx) {
    indexed_ = std::max(indexed_, static_cast<std::size_t>(idx) + 1);
    reserve(edges, used_ + 1);
    const int from = edges[idx].von, to = edges[idx].nach;
    Slot& c = at(locate(edges, from, to));
    if (c.idx >= 0) return;  // keep the lowest index
    c = Slot{to, idx};
    ++used_;
}
