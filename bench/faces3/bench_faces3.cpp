// Benchmarks of body construction, both neighbour methods, edge-point splitting and
// picking, each beside the plain algorithm at a size where that one still finishes.
// At the end a summary prints the cost per triangle of both and their ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_body.h"
#include "faces3/faces3_output.h"
#include "faces3/faces3_ray_index.h"
#include "faces3/faces3_reference.h"

namespace {

struct Deleter {
    void operator()(Faces3Koerper* k) const { faces3_free_koerper(k); }
};
using Body = std::unique_ptr<Faces3Koerper, Deleter>;

// Seconds per triangle of each measurement, for the summary.
std::map<std::string, double>& per_tri() {
    static std::map<std::string, double> m;
    return m;
}

// Stores the cost per triangle under "name@size" for the summary.
void record(benchmark::State& st, const std::string& name, double seconds, long long tris) {
    st.counters["triangles"] = static_cast<double>(tris);
    st.counters["s_total"] = seconds;
    per_tri()[name + "@" + std::to_string(st.range(0))] = seconds / static_cast<double>(tris);
}

// A wavy grid surface of about n triangles (metres, 1 mm spacing), optionally with
// T-junctions: in `tjunctions` quads the bottom edge gets its midpoint as an extra point.
std::vector<double> grid_soup(long long n, int tjunctions = 0) {
    const int g = static_cast<int>(std::sqrt(static_cast<double>(n) / 2));
    const double h = 1e-3;
    auto z = [&](int x, int y) { return 0.02 * std::sin(x * 0.05) * std::cos(y * 0.07); };
    std::vector<double> out;
    out.reserve(static_cast<size_t>(g) * g * 18 + 9 * 2 * tjunctions);
    const int every = tjunctions > 0 ? std::max(1, g * (g - 1) / tjunctions) : 0;
    int made = 0;
    for (int y = 0; y < g; ++y) {
        for (int x = 0; x < g; ++x) {
            const double p00[3] = {x * h, y * h, z(x, y)};
            const double p10[3] = {(x + 1) * h, y * h, z(x + 1, y)};
            const double p01[3] = {x * h, (y + 1) * h, z(x, y + 1)};
            const double p11[3] = {(x + 1) * h, (y + 1) * h, z(x + 1, y + 1)};
            auto emit = [&](const double* a, const double* b, const double* c) {
                out.insert(out.end(), a, a + 3);
                out.insert(out.end(), b, b + 3);
                out.insert(out.end(), c, c + 3);
            };
            const int q = y * g + x;
            if (y > 0 && every && q % every == 0 && made < tjunctions) {
                const double m[3] = {(p00[0] + p10[0]) / 2, (p00[1] + p10[1]) / 2,
                                     (p00[2] + p10[2]) / 2};
                emit(p00, m, p11);
                emit(m, p10, p11);
                emit(p00, p11, p01);
                ++made;
                continue;
            }
            emit(p00, p10, p11);
            emit(p00, p11, p01);
        }
    }
    return out;
}

// The same triangles in a scrambled order: neighbours are no longer close in the table,
// which is what makes the pairwise scans quadratic.
std::vector<double> shuffled(std::vector<double> soup) {
    const size_t n = soup.size() / 9;
    uint64_t r = 88172645463325252ULL;
    for (size_t i = n; i > 1; --i) {
        r ^= r << 13;
        r ^= r >> 7;
        r ^= r << 17;
        const size_t j = r % i;
        for (int c = 0; c < 9; ++c) std::swap(soup[(i - 1) * 9 + c], soup[j * 9 + c]);
    }
    return soup;
}

void quiet(const char*) {}

Body build_body(const std::vector<double>& soup) {
    Body k(faces3_new_koerper("bench", 0, 0, 0, 0));
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) {
        const double* c = &soup[t];
        faces3_insert_dreieck(k.get(), c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]);
    }
    return k;
}

ref::Mesh build_ref(const std::vector<double>& soup) {
    ref::Mesh m;
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) m.insert_triangle(&soup[t]);
    return m;
}

// CPU time of this thread: the build figures without the other programs on the machine.
double thread_cpu_s() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

constexpr long long kBig = 1000000;
constexpr int kSliceBudgetMs = 200;  // what the viewer passes

// Figures printed after the benchmarks.
struct Figures {
    double longest_slice_s = -1;
    int slices = 0;
    long long slice_triangles = 0;
    double pick_snap_ms = -1, pick_plain_ms = -1;
    double pick_snap_linear_ms = -1, pick_plain_linear_ms = -1;
    long long pick_triangles = 0;
    double bvh_build_ms = -1, circle_build_ms = -1, bvh_cpu_ms = -1, circle_cpu_ms = -1;
    size_t bvh_bytes = 0, circle_tris = 0;
};
Figures& figures() {
    static Figures f;
    return f;
}

// Bodies of the neighbour and pick benchmarks, built once per size.
Faces3Koerper* body_of_size(long long n) {
    static std::map<long long, Body> bodies;
    Body& k = bodies[n];
    if (!k) k = build_body(grid_soup(n));
    return k.get();
}
Faces3Koerper* big_body() {
    return body_of_size(kBig);
}

void BM_Build(benchmark::State& st) {
    const auto soup = grid_soup(st.range(0));
    for (auto _ : st) {
        const auto t0 = std::chrono::steady_clock::now();
        Body k = build_body(soup);
        record(st, "build", seconds_since(t0), faces3_anzahl_dreiecke(k.get()));
        st.counters["points"] = faces3_anzahl_punkte(k.get());
    }
}

void BM_BuildReference(benchmark::State& st) {
    const auto soup = grid_soup(st.range(0));
    for (auto _ : st) {
        const auto t0 = std::chrono::steady_clock::now();
        ref::Mesh m = build_ref(soup);
        record(st, "build_ref", seconds_since(t0), static_cast<long long>(m.tris.size()));
    }
}

void BM_NeighboursIndex(benchmark::State& st) {
    Faces3Koerper* k = body_of_size(st.range(0));
    for (auto _ : st) {
        const auto t0 = std::chrono::steady_clock::now();
        const int faults = faces3_cpt_nachbarn_index(k);
        record(st, "index", seconds_since(t0), faces3_anzahl_dreiecke(k));
        st.counters["faults"] = faults;
    }
}

void BM_NeighboursIndexReference(benchmark::State& st) {
    ref::Mesh m = build_ref(grid_soup(st.range(0)));
    for (auto _ : st) {
        long long missing, dups;
        const auto t0 = std::chrono::steady_clock::now();
        ref::index_neighbours(m, &missing, &dups);
        record(st, "index_ref", seconds_since(t0), static_cast<long long>(m.tris.size()));
    }
}

void BM_NeighboursGeometric(benchmark::State& st) {
    Faces3Koerper* k = body_of_size(st.range(0));
    for (auto _ : st) {
        const auto t0 = std::chrono::steady_clock::now();
        faces3_nachbarn_schritt(k, 0, 0, nullptr);
        record(st, "geometric", seconds_since(t0), faces3_anzahl_dreiecke(k));
    }
}

void BM_NeighboursGeometricSliced(benchmark::State& st) {
    Faces3Koerper* k = body_of_size(st.range(0));
    for (auto _ : st) {
        const auto t0 = std::chrono::steady_clock::now();
        int start = 0, slices = 0;
        double progress = 0, longest = 0;
        do {
            const auto s0 = std::chrono::steady_clock::now();
            start = faces3_nachbarn_schritt(k, start, kSliceBudgetMs, &progress);
            longest = std::max(longest, seconds_since(s0));
            ++slices;
        } while (start != 0);
        record(st, "geometric_sliced", seconds_since(t0), faces3_anzahl_dreiecke(k));
        st.counters["slices"] = slices;
        st.counters["longest_slice_s"] = longest;
        figures().longest_slice_s = std::max(figures().longest_slice_s, longest);
        figures().slices = slices;
        figures().slice_triangles = faces3_anzahl_dreiecke(k);
    }
}

void BM_NeighboursShuffled(benchmark::State& st) {
    Body k = build_body(shuffled(grid_soup(st.range(0))));
    for (auto _ : st) {
        auto t0 = std::chrono::steady_clock::now();
        faces3_cpt_nachbarn_index(k.get());
        record(st, "index_shuffled", seconds_since(t0), faces3_anzahl_dreiecke(k.get()));
        t0 = std::chrono::steady_clock::now();
        faces3_nachbarn_schritt(k.get(), 0, 0, nullptr);
        record(st, "geometric_shuffled", seconds_since(t0), faces3_anzahl_dreiecke(k.get()));
    }
}

void BM_NeighboursShuffledReference(benchmark::State& st) {
    ref::Mesh m = build_ref(shuffled(grid_soup(st.range(0))));
    for (auto _ : st) {
        long long missing, dups;
        auto t0 = std::chrono::steady_clock::now();
        ref::index_neighbours(m, &missing, &dups);
        record(st, "index_shuffled_ref", seconds_since(t0), static_cast<long long>(m.tris.size()));
        t0 = std::chrono::steady_clock::now();
        ref::geometric_neighbours(m);
        record(st, "geometric_shuffled_ref", seconds_since(t0),
               static_cast<long long>(m.tris.size()));
    }
}

void BM_NeighboursGeometricReference(benchmark::State& st) {
    ref::Mesh m = build_ref(grid_soup(st.range(0)));
    for (auto _ : st) {
        const auto t0 = std::chrono::steady_clock::now();
        ref::geometric_neighbours(m);
        record(st, "geometric_ref", seconds_since(t0), static_cast<long long>(m.tris.size()));
    }
}

void BM_Split(benchmark::State& st) {
    const auto soup = grid_soup(st.range(0), static_cast<int>(st.range(1)));
    for (auto _ : st) {
        st.PauseTiming();
        Body k = build_body(soup);
        const int before = faces3_anzahl_dreiecke(k.get());
        st.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        faces3_kantenpunkte_zerlegen(k.get());
        record(st, "split", seconds_since(t0), before);
        st.counters["splits"] = faces3_anzahl_dreiecke(k.get()) - before;
    }
}

void BM_SplitReference(benchmark::State& st) {
    const auto soup = grid_soup(st.range(0), static_cast<int>(st.range(1)));
    for (auto _ : st) {
        st.PauseTiming();
        ref::Mesh m = build_ref(soup);
        const size_t before = m.tris.size();
        st.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        ref::split_at_edge_points(m);
        record(st, "split_ref", seconds_since(t0), static_cast<long long>(before));
        st.counters["splits"] = static_cast<double>(m.tris.size() - before);
    }
}

// Picks through the body's indexes (built before the clock starts), or by the plain scan
// over all triangles: range(0) snapping, range(1) plain scan.
void BM_Pick(benchmark::State& st) {
    Faces3Koerper* k = big_body();
    const double snap = st.range(0) ? 0.002 : 0.0;
    const bool linear = st.range(1) != 0;
    auto pick = linear ? faces3_pick_linear : faces3_pick;
    double hit[3], n[3], r;
    {
        const double p[3] = {0.1, 0.2, 1.0}, d[3] = {0, 0.01, -1};
        pick(k, p, d, hit, n, snap, &r);
    }
    int i = 0, hits = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : st) {
        const double p[3] = {0.1 + 0.0003 * (i % 1000), 0.2 + 0.0002 * (i % 700), 1.0};
        const double d[3] = {0, 0.01, -1};
        hits += pick(k, p, d, hit, n, snap, &r) == 0;
        ++i;
    }
    const double ms = seconds_since(t0) * 1e3 / std::max(i, 1);
    Figures& f = figures();
    if (linear) {
        (snap > 0 ? f.pick_snap_linear_ms : f.pick_plain_linear_ms) = ms;
    } else {
        (snap > 0 ? f.pick_snap_ms : f.pick_plain_ms) = ms;
    }
    f.pick_triangles = faces3_anzahl_dreiecke(k);
    st.counters["hits"] = hits;
    st.counters["triangles"] = faces3_anzahl_dreiecke(k);
}

// Building the pick indexes of the big body: the hierarchy and the circle-centre candidates.
void BM_PickIndexBuild(benchmark::State& st) {
    Faces3Koerper* k = big_body();
    for (auto _ : st) {
        auto t0 = std::chrono::steady_clock::now();
        double c0 = thread_cpu_s();
        Faces3RayBvh bvh(*k);
        figures().bvh_build_ms = seconds_since(t0) * 1e3;
        figures().bvh_cpu_ms = (thread_cpu_s() - c0) * 1e3;
        figures().bvh_bytes = bvh.bytes();
        t0 = std::chrono::steady_clock::now();
        c0 = thread_cpu_s();
        Faces3CircleCandidates circle(*k);
        figures().circle_build_ms = seconds_since(t0) * 1e3;
        figures().circle_cpu_ms = (thread_cpu_s() - c0) * 1e3;
        figures().circle_tris = circle.tris.size();
        figures().pick_triangles = faces3_anzahl_dreiecke(k);
        st.counters["bvh_ms"] = figures().bvh_build_ms;
        st.counters["circle_ms"] = figures().circle_build_ms;
        st.counters["bvh_MB"] = static_cast<double>(bvh.bytes()) / (1 << 20);
    }
}

}  // namespace

// Reference sizes: the plain algorithms are quadratic in points (build, split) or in
// triangles left without all neighbours (index method, geometric group boxes).
constexpr long long kRefBuild = 20000;
constexpr long long kRefNeighbours = 100000;
constexpr long long kRefSplit = 5000;
constexpr long long kRefShuffled = 20000;

BENCHMARK(BM_Build)->Arg(kBig)->Arg(kRefBuild)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildReference)->Arg(kRefBuild)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeighboursIndex)
    ->Arg(kBig)
    ->Arg(kRefNeighbours)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeighboursIndexReference)
    ->Arg(kRefNeighbours)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeighboursGeometric)
    ->Arg(kBig)
    ->Arg(kRefNeighbours)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeighboursGeometricSliced)->Arg(kBig)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeighboursGeometricReference)
    ->Arg(kRefNeighbours)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeighboursShuffled)->Arg(kRefShuffled)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeighboursShuffledReference)
    ->Arg(kRefShuffled)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Split)
    ->Args({100000, 1000})
    ->Args({kRefSplit, 50})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitReference)->Args({kRefSplit, 50})->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickIndexBuild)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pick)->Args({0, 0})->Args({1, 0})->Unit(benchmark::kMicrosecond);
// The plain scan takes tens of milliseconds per ray: a few rays suffice.
BENCHMARK(BM_Pick)->Args({0, 1})->Args({1, 1})->Iterations(20)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    faces3_set_terminal_output(quiet);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\ncost per triangle at the same size: fast vs plain algorithm\n");
    const struct {
        const char* fast;
        const char* plain;
        long long size;
    } pairs[] = {{"build", "build_ref", kRefBuild},
                 {"index", "index_ref", kRefNeighbours},
                 {"geometric", "geometric_ref", kRefNeighbours},
                 {"index_shuffled", "index_shuffled_ref", kRefShuffled},
                 {"geometric_shuffled", "geometric_shuffled_ref", kRefShuffled},
                 {"split", "split_ref", kRefSplit}};
    for (const auto& p : pairs) {
        const std::string at = "@" + std::to_string(p.size);
        const auto f = per_tri().find(p.fast + at), r = per_tri().find(p.plain + at);
        if (f == per_tri().end() || r == per_tri().end()) continue;
        std::printf("  %-18s %8lld triangles  fast %9.3f us  plain %10.3f us  ratio %8.1f\n",
                    p.fast, p.size, f->second * 1e6, r->second * 1e6, r->second / f->second);
    }
    const Figures& f = figures();
    if (f.longest_slice_s >= 0) {
        std::printf(
            "\ngeometric neighbours in slices, %lld triangles: budget %d ms, longest "
            "slice %.1f ms (%.2f x budget), %d slices\n",
            f.slice_triangles, kSliceBudgetMs, f.longest_slice_s * 1e3,
            f.longest_slice_s * 1e3 / kSliceBudgetMs, f.slices);
    }
    if (f.pick_snap_ms >= 0) {
        std::printf(
            "pick, %lld triangles: %.3f ms per ray with snapping (corners, feature edges, "
            "circle centres), %.3f ms without\n",
            f.pick_triangles, f.pick_snap_ms, f.pick_plain_ms);
    }
    if (f.pick_snap_linear_ms >= 0) {
        std::printf(
            "pick by the plain scan, same body: %.1f ms per ray with snapping, %.1f ms "
            "without\n",
            f.pick_snap_linear_ms, f.pick_plain_linear_ms);
    }
    if (f.bvh_build_ms >= 0) {
        std::printf(
            "pick indexes: hierarchy built in %.1f ms (%.1f ms CPU), %.1f MB; circle-centre "
            "candidates built in %.1f ms (%.1f ms CPU), %zu of %lld triangles kept\n",
            f.bvh_build_ms, f.bvh_cpu_ms, static_cast<double>(f.bvh_bytes) / (1 << 20),
            f.circle_build_ms, f.circle_cpu_ms, f.circle_tris, f.pick_triangles);
    }
    return 0;
}
