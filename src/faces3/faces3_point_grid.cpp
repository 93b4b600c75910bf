// Point grid and per-point edge lists used by the neighbour methods and edge splitting.
#include "faces3/faces3_point_grid.h"

#include <algorithm>
#include <cmath>

#include "faces3/faces3.h"
#include "faces3/faces3_large_pages.h"

namespace {
uint64_t cell_hash(const int64_t k[3]) {
    uint64_t h = faces3_mix64(static_cast<uint64_t>(k[0]) * 0x9E3779B97F4A7C15ULL);
    h = faces3_mix64(h ^ (static_cast<uint64_t>(k[1]) + 0x632BE59BD9B4E019ULL));
    return faces3_mix64(h ^ (static_cast<uint64_t>(k[2]) + 0x8CB92BA72F3D8DD7ULL));
}
}  // namespace

size_t Faces3PointGrid::probe(const int64_t key[3]) const {
    const size_t mask = cells_.size() - 1;
    size_t s = cell_hash(key) & mask;
    while (cells_[s].count != 0 &&
           (cells_[s].k[0] != key[0] || cells_[s].k[1] != key[1] || cells_[s].k[2] != key[2])) {
        s = (s + 1) & mask;
    }
    return s;
}

void Faces3PointGrid::build(const Faces3Points& pts, double h) {
    start(pts.size(), h);
    count(pts, 0, pts.size());
    index();
    place(0, pts.size());
    finish();
}

void Faces3PointGrid::start(size_t npoints, double h) {
    h_ = h;
    size_t size = 64;
    while (size < npoints * 2) size *= 2;
    faces3_reserve_large(cells_, size);
    cells_.assign(size, Cell{{0, 0, 0}, 0, 0});
    entries_.clear();
    faces3_reserve_large(slot_, npoints);
    slot_.assign(npoints, -1);
}

void Faces3PointGrid::count(const Faces3Points& pts, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        const double* p = pts[i].data();
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
        int64_t key[3];
        for (int a = 0; a < 3; ++a) key[a] = faces3_cell_of(p[a] / h_ + FACES3_CELL_SHIFT);
        const size_t s = probe(key);
        if (cells_[s].count == 0) std::copy(key, key + 3, cells_[s].k);
        ++cells_[s].count;
        slot_[i] = static_cast<int32_t>(s);
    }
}

void Faces3PointGrid::index() {
    uint32_t sum = 0;
    for (Cell& c : cells_) {
        c.begin = sum;
        sum += c.count;
    }
    faces3_reserve_large(entries_, sum);
    entries_.assign(sum, 0);
    faces3_reserve_large(fill_, cells_.size());
    fill_.resize(cells_.size());
    for (size_t s = 0; s < cells_.size(); ++s) fill_[s] = cells_[s].begin;
}

void Faces3PointGrid::place(size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        if (slot_[i] >= 0) entries_[fill_[slot_[i]]++] = static_cast<uint32_t>(i);
    }
}

void Faces3PointGrid::finish() {
    Faces3Vec<int32_t>().swap(slot_);
    Faces3Vec<uint32_t>().swap(fill_);
}

double Faces3PointGrid::range(const double lo[3], const double hi[3], double margin, int64_t a[3],
                              int64_t b[3]) const {
    double cells = 1;
    for (int c = 0; c < 3; ++c) {
        const double ql = lo[c] / h_ + FACES3_CELL_SHIFT, qh = hi[c] / h_ + FACES3_CELL_SHIFT;
        a[c] = faces3_cell_of(ql - margin - faces3_cell_slack(ql));
        b[c] = faces3_cell_of(qh + margin + faces3_cell_slack(qh));
        cells *= static_cast<double>(b[c] - a[c] + 1);
    }
    return cells;
}

void Faces3OutEdges::build(size_t npoints, const Faces3Vec<Faces3Dreieck>& tris) {
    start(npoints);
    count(tris, 0, tris.size());
    index(tris.size());
    place(tris, 0, tris.size());
    finish();
}

void Faces3OutEdges::start(size_t npoints) {
    faces3_reserve_large(begin, npoints + 1);
    begin.assign(npoints + 1, 0);
    entries.clear();
}

void Faces3OutEdges::count(const Faces3Vec<Faces3Dreieck>& tris, size_t from, size_t to) {
    for (size_t t = from; t < to; ++t) {
        for (int s = 0; s < 3; ++s) ++begin[tris[t].p[s] + 1];
    }
}

void Faces3OutEdges::index(size_t ntris) {
    for (size_t i = 0; i + 1 < begin.size(); ++i) begin[i + 1] += begin[i];
    faces3_reserve_large(entries, ntris * 3);
    entries.assign(ntris * 3, 0);
    faces3_reserve_large(fill_, begin.size());
    fill_.assign(begin.begin(), begin.end() - 1);
}

void Faces3OutEdges::place(const Faces3Vec<Faces3Dreieck>& tris, size_t from, size_t to) {
    for (size_t t = from; t < to; ++t) {
        for (int s = 0; s < 3; ++s) {
            entries[fill_[tris[t].p[s]]++] = static_cast<uint32_t>(t * 3 + s);
        }
    }
}

void Faces3OutEdges::finish() {
    Faces3Vec<uint32_t>().swap(fill_);
}
