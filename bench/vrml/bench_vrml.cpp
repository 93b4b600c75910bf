// Import of a generated 200,000-triangle IndexedFaceSet file, by our importer and by Coin3D
// (reading and cutting into triangles), with the ratio of the two times.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "faces3/faces3.h"
#include "faces3/faces3_output.h"
#include "faces3/vrml_import.h"

#ifdef KV_BENCH_WITH_COIN
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>
#endif

namespace {

constexpr int kGrid = 317;  // 316 x 316 cells of two triangles: 199,712 triangles

// A wavy sheet of metal: kGrid x kGrid points, triangles written with their -1 ends.
std::string make_model() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_vrml_200k.wrl";
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return path;
    std::fprintf(f, "#VRML V1.0 ascii\nSeparator {\n Coordinate3 { point [\n");
    for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i)
            std::fprintf(f, "  %.4f %.4f %.4f,\n", i * 2.0, j * 2.0,
                         10.0 * std::sin(i * 0.05) * std::cos(j * 0.07));
    std::fprintf(f, " ] }\n IndexedFaceSet { coordIndex [\n");
    for (int j = 0; j + 1 < kGrid; ++j)
        for (int i = 0; i + 1 < kGrid; ++i) {
            const int a = j * kGrid + i, b = a + 1, c = a + kGrid, d = c + 1;
            std::fprintf(f, "  %d, %d, %d, -1, %d, %d, %d, -1,\n", a, b, d, a, d, c);
        }
    std::fprintf(f, " ] }\n}\n");
    std::fclose(f);
    return path;
}

const std::string& model() {
    static const std::string path = make_model();
    return path;
}

void quiet(const char*) {}

int ours() {
    Faces3Koerper* k = faces3_rcv_from_vrml(model().c_str());
    const int n = faces3_anzahl_dreiecke(k);
    faces3_free_koerper(k);
    return n;
}

#ifdef KV_BENCH_WITH_COIN
void count(void* data, SoCallbackAction*, const SoPrimitiveVertex*, const SoPrimitiveVertex*,
           const SoPrimitiveVertex*) {
    ++*static_cast<long*>(data);
}

long coin() {
    SoInput in;
    if (!in.openFile(model().c_str())) return -1;
    SoSeparator* root = SoDB::readAll(&in);
    if (!root) return -1;
    root->ref();
    long n = 0;
    SoCallbackAction cb;
    cb.addTriangleCallback(SoShape::getClassTypeId(), count, &n);
    cb.apply(root);
    root->unref();
    return n;
}
#endif

struct Times {
    double wall, cpu;
};

// Wall-clock and processor time: on a shared machine the second is the fairer comparison.
Times seconds(auto&& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    fn();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
            static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC};
}

void BM_VrmlImport200k(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ours());
}
BENCHMARK(BM_VrmlImport200k)->Unit(benchmark::kMillisecond)->Iterations(3);

#ifdef KV_BENCH_WITH_COIN
void BM_CoinReadAndTriangulate200k(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(coin());
}
BENCHMARK(BM_CoinReadAndTriangulate200k)->Unit(benchmark::kMillisecond)->Iterations(3);
#endif

}  // namespace

int main(int argc, char** argv) {
    faces3_set_terminal_output(quiet);
#ifdef KV_BENCH_WITH_COIN
    SoDB::init();
#endif
    model();
    int n = 0;
    const Times t_ours = seconds([&] { n = ours(); });
    std::printf("VRML import of %d triangles: %.3f s wall, %.3f s cpu (target: under 1 s)\n", n,
                t_ours.wall, t_ours.cpu);
#ifdef KV_BENCH_WITH_COIN
    long m = 0;
    const Times t_coin = seconds([&] { m = coin(); });
    std::printf("Coin3D reading and triangulating %ld triangles: %.3f s wall, %.3f s cpu\n", m,
                t_coin.wall, t_coin.cpu);
    std::printf("ratio ours / Coin3D: %.2f wall, %.2f cpu (target: at most 1)\n",
                t_ours.wall / t_coin.wall, t_ours.cpu / t_coin.cpu);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(model().c_str());
    return 0;
}
