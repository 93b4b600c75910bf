// Point grid hash and directed-edge hash used by body construction.
#include "faces3/faces3_search_index.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kCellLimit = FACES3_CELL_LIMIT;

uint64_t cell_hash(const int64_t k[3]) {
    uint64_t h = static_cast<uint64_t>(k[0]) * 0x9E3779B97F4A7C15ULL ^
                 static_cast<uint64_t>(k[1]) * 0xC2B2AE3D27D4EB4FULL ^
                 static_cast<uint64_t>(k[2]) * 0x165667B19E3779F9ULL;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ULL;
    return h ^ (h >> 32);
}

bool finite3(const double p[3]) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Half-width of the search window in cells around quotient q: the tolerance (1/16 cell)
// plus the rounding slack.
double window(double q) {
    return 0.0625 + faces3_cell_slack(q);
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
    last_.ok = false;
    slots_.clear();
    next_.clear();
    shift_ = 32;
    used_ = 0;
    valid_ = true;
}

void Faces3PointHash::key_of(const double p[3], int64_t k[3]) const {
    for (int a = 0; a < 3; ++a) k[a] = faces3_cell_of(p[a] / cell_ + FACES3_CELL_SHIFT);
}

void Faces3PointHash::grow(std::size_t size, bool large_pages) {
    Faces3ZeroTable<Slot> old;
    old.swap(slots_);
    slots_.allocate(size, large_pages);
    int bits = 0;
    while ((std::size_t{1} << bits) < size) ++bits;
    shift_ = 32 - bits;
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (old[i].tail1 == 0) continue;
        std::size_t s = home(old[i].fp);
        while (slots_[s].tail1 != 0) s = (s + 1) & mask;
        slots_[s] = old[i];
    }
}

void Faces3PointHash::reserve(std::size_t n, bool large_pages) {
    const std::size_t want = pow2_at_least(2 * n, 1024);
    if (want > slots_.size()) grow(want, large_pages);
    if (large_pages) {
        faces3_reserve_large(next_, n);
    } else {
        next_.reserve(n);
    }
}

void Faces3PointHash::rebuild(const Faces3Points& pts) {
    clear();
    reserve(pts.size(), true);
    for (size_t i = 0; i < pts.size(); ++i) add(pts, static_cast<int>(i));
}

void Faces3PointHash::add(const Faces3Points& pts, int idx) {
    if (next_.size() <= static_cast<size_t>(idx)) next_.resize(idx + 1, -1);
    next_[idx] = -1;
    const double* p = pts[idx].data();
    if (!finite3(p)) return;  // never equal to anything
    if ((used_ + 1) * 2 > slots_.size()) grow(slots_.empty() ? 1024 : slots_.size() * 2, true);
    int64_t k[3];
    uint32_t fp;
    if (last_.ok && last_.p[0] == p[0] && last_.p[1] == p[1] && last_.p[2] == p[2]) {
        // The usual order: a search that failed, then the same point appended.
        std::copy(last_.k, last_.k + 3, k);
        fp = last_.fp;
    } else {
        key_of(p, k);
        fp = static_cast<uint32_t>(cell_hash(k) >> 32);
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = home(fp);; s = (s + 1) & mask) {
        Slot& c = slots_[s];
        if (c.tail1 == 0) {
            c = Slot{fp, idx + 1};
            next_[idx] = idx;
            ++used_;
            return;
        }
        if (c.fp != fp) continue;
        const int tail = c.tail1 - 1;
        int64_t t[3];
        key_of(pts[tail].data(), t);
        if (t[0] != k[0] || t[1] != k[1] || t[2] != k[2]) continue;
        next_[idx] = next_[tail];
        next_[tail] = idx;
        c.tail1 = idx + 1;
        return;
    }
}

int Faces3PointHash::find(const Faces3Points& pts, const double p[3]) const {
    if (!finite3(p) || slots_.empty()) return -1;
    int64_t lo[3], hi[3];
    last_.ok = true;
    for (int a = 0; a < 3; ++a) {
        const double q = p[a] / cell_ + FACES3_CELL_SHIFT;
        const double w = window(q);
        if (std::fabs(q) < kCellLimit - 2) {
            // Own cell and its fraction (exact); a neighbour cell only when the window
            // reaches over the border. At least as wide as the floors of q -+ w.
            const int64_t c = faces3_cell_of(q);
            const double frac = q - static_cast<double>(c);
            lo[a] = c - (frac < w);
            hi[a] = c + (frac + w >= 1);
            last_.k[a] = c;
        } else {
            lo[a] = faces3_cell_of(q - w);
            hi[a] = faces3_cell_of(q + w);
            last_.ok = false;
        }
    }
    if (last_.ok) {
        std::copy(p, p + 3, last_.p);
        last_.fp = static_cast<uint32_t>(cell_hash(last_.k) >> 32);
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
                for (std::size_t s = home(fp); slots_[s].tail1 != 0; s = (s + 1) & mask) {
                    if (slots_[s].fp != fp) continue;
                    const int tail = slots_[s].tail1 - 1;
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
    last_.ok = false;
    windows_.clear();
    mask_ = 0;
    used_ = 0;
    indexed_ = 0;
    valid_ = true;
}

std::size_t Faces3EdgeHash::locate(const Faces3Kanten& edges, int from, int to) const {
    auto holds = [&](const Slot& c) {
        return c.idx1 == 0 || (c.to == to && edges[c.idx1 - 1].von == from);
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

void Faces3EdgeHash::grow(const Faces3Kanten& edges, std::size_t slots, bool large_pages) {
    last_.ok = false;
    windows_.allocate(slots / kWindow, large_pages);
    mask_ = slots - 1;
    used_ = 0;
    // Indexed again in edge order: reads the edge table once, front to back, and keeps
    // the lowest index of each pair as before.
    for (std::size_t i = 0; i < indexed_; ++i) {
        Slot& c = at(locate(edges, edges[i].von, edges[i].nach));
        if (c.idx1 != 0) continue;
        c = Slot{edges[i].nach, static_cast<int32_t>(i + 1)};
        ++used_;
    }
}

void Faces3EdgeHash::reserve(const Faces3Kanten& edges, std::size_t n, bool large_pages) {
    // At most 3/4 full: windows of busy points overflow into the probe area.
    const std::size_t want = pow2_at_least(n / 3 * 4 + 8, 1024);
    if (want > windows_.size() * kWindow) grow(edges, want, large_pages);
}

int Faces3EdgeHash::find(const Faces3Kanten& edges, int from, int to) const {
    if (windows_.empty()) return -1;
    const std::size_t s = locate(edges, from, to);
    last_ = Last{from, to, s, true};
    return at(s).idx1 - 1;
}

void Faces3EdgeHash::add(const Faces3Kanten& edges, int idx) {
    if ((used_ + 1) * 4 > windows_.size() * kWindow * 3) {
        // Grows with the edges below idx; idx itself is placed below.
        reserve(edges, used_ + 1, true);
    }
    indexed_ = std::max(indexed_, static_cast<std::size_t>(idx) + 1);
    const int from = edges[idx].von, to = edges[idx].nach;
    // After a failed search for the same pair the free slot is known (nothing moved since).
    const bool known = last_.ok && last_.from == from && last_.to == to;
    Slot& c = at(known ? last_.slot : locate(edges, from, to));
    last_.ok = false;
    if (c.idx1 != 0) return;  // keep the lowest index
    c = Slot{to, idx + 1};
    ++used_;
}
