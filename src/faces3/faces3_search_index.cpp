// Point grid hash and directed-edge hash used by body construction.
#include "faces3/faces3_search_index.h"

#include <cmath>

namespace {
// Beyond this many cells from the origin the quotient loses the precision the window
// needs, so coordinates are clamped into one outermost cell per side.
constexpr double kCellLimit = 35184372088832.0;  // 2^45
// Half-width of the search window in cells (the tolerance is 1/16 cell, plus margin
// for rounding of the quotient, at most 2^-6 cells at the clamp limit).
constexpr double kWindow = 0.085;

uint64_t cell_hash(const int64_t k[3]) {
    uint64_t h = faces3_mix64(static_cast<uint64_t>(k[0]) * 0x9E3779B97F4A7C15ULL);
    h = faces3_mix64(h ^ (static_cast<uint64_t>(k[1]) + 0x632BE59BD9B4E019ULL));
    h = faces3_mix64(h ^ (static_cast<uint64_t>(k[2]) + 0x8CB92BA72F3D8DD7ULL));
    return h;
}

bool finite3(const double p[3]) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
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
    cells_.clear();
    next_.clear();
    used_ = 0;
    valid_ = true;
}

int Faces3PointHash::slot_of(const int64_t k[3]) const {
    const size_t mask = cells_.size() - 1;
    size_t s = cell_hash(k) & mask;
    while (cells_[s].head >= 0 &&
           (cells_[s].k[0] != k[0] || cells_[s].k[1] != k[1] || cells_[s].k[2] != k[2])) {
        s = (s + 1) & mask;
    }
    return static_cast<int>(s);
}

int Faces3PointHash::find_cell(const int64_t k[3]) const {
    if (cells_.empty()) return -1;
    const int s = slot_of(k);
    return cells_[s].head >= 0 ? s : -1;
}

void Faces3PointHash::grow() {
    std::vector<Cell> old;
    old.swap(cells_);
    cells_.assign(old.empty() ? 1024 : old.size() * 2, Cell{{0, 0, 0}, -1, -1});
    for (const Cell& c : old) {
        if (c.head >= 0) cells_[slot_of(c.k)] = c;
    }
}

void Faces3PointHash::rebuild(const std::vector<Faces3P3>& pts) {
    clear();
    next_.reserve(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) add(pts, static_cast<int>(i));
}

void Faces3PointHash::add(const std::vector<Faces3P3>& pts, int idx) {
    if (next_.size() <= static_cast<size_t>(idx)) next_.resize(idx + 1, -1);
    next_[idx] = -1;
    const double* p = pts[idx].data();
    if (!finite3(p)) return;  // never equal to anything
    if ((used_ + 1) * 2 > cells_.size()) grow();
    const int64_t k[3] = {faces3_cell_coord(p[0] / cell_), faces3_cell_coord(p[1] / cell_),
                          faces3_cell_coord(p[2] / cell_)};
    Cell& c = cells_[slot_of(k)];
    if (c.head < 0) {
        c.k[0] = k[0];
        c.k[1] = k[1];
        c.k[2] = k[2];
        c.head = c.tail = idx;
        ++used_;
    } else {
        next_[c.tail] = idx;
        c.tail = idx;
    }
}

int Faces3PointHash::find(const std::vector<Faces3P3>& pts, const double p[3]) const {
    if (!finite3(p) || cells_.empty()) return -1;
    int64_t lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        const double q = p[a] / cell_;
        lo[a] = faces3_cell_coord(q - kWindow);
        hi[a] = faces3_cell_coord(q + kWindow);
    }
    int best = -1;
    int64_t k[3];
    for (k[0] = lo[0]; k[0] <= hi[0]; ++k[0]) {
        for (k[1] = lo[1]; k[1] <= hi[1]; ++k[1]) {
            for (k[2] = lo[2]; k[2] <= hi[2]; ++k[2]) {
                const int s = find_cell(k);
                if (s < 0) continue;
                // Chains are ascending, so the first match is this cell's lowest.
                for (int i = cells_[s].head; i >= 0; i = next_[i]) {
                    if (best >= 0 && i >= best) break;
                    const double* q = pts[i].data();
                    if (std::fabs(q[0] - p[0]) < tol_ && std::fabs(q[1] - p[1]) < tol_ &&
                        std::fabs(q[2] - p[2]) < tol_) {
                        best = i;
                        break;
                    }
                }
            }
        }
    }
    return best;
}

void Faces3EdgeHash::clear() {
    slots_.clear();
    used_ = 0;
    valid_ = true;
}

uint64_t Faces3EdgeHash::hash(int from, int to) {
    return faces3_mix64((static_cast<uint64_t>(static_cast<uint32_t>(from)) << 32) |
                        static_cast<uint32_t>(to));
}

void Faces3EdgeHash::grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{0, -1});
    // Table sizes stay below 2^32, so the stored hash bits give the new position.
    const size_t mask = slots_.size() - 1;
    for (const Slot& o : old) {
        if (o.idx < 0) continue;
        size_t s = o.fp & mask;
        while (slots_[s].idx >= 0) s = (s + 1) & mask;
        slots_[s] = o;
    }
}

int Faces3EdgeHash::find(const std::vector<Faces3Kante>& edges, int from, int to) const {
    if (slots_.empty()) return -1;
    const uint32_t fp = static_cast<uint32_t>(hash(from, to));
    const size_t mask = slots_.size() - 1;
    for (size_t s = fp & mask; slots_[s].idx >= 0; s = (s + 1) & mask) {
        if (slots_[s].fp != fp) continue;
        const Faces3Kante& e = edges[slots_[s].idx];
        if (e.von == from && e.nach == to) return slots_[s].idx;
    }
    return -1;
}

void Faces3EdgeHash::add(const std::vector<Faces3Kante>& edges, int idx) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    const int from = edges[idx].von, to = edges[idx].nach;
    const uint32_t fp = static_cast<uint32_t>(hash(from, to));
    const size_t mask = slots_.size() - 1;
    size_t s = fp & mask;
    for (; slots_[s].idx >= 0; s = (s + 1) & mask) {
        if (slots_[s].fp != fp) continue;
        const Faces3Kante& e = edges[slots_[s].idx];
        if (e.von == from && e.nach == to) return;  // keep the lowest index
    }
    slots_[s] = Slot{fp, idx};
    ++used_;
}
