// Loading an ANM3D animation of many frames x 200 objects, in MB/s, beside reading and summing
// the same bytes in the same run. KV_BENCH_GL3D_FRAMES sets the frame count (10000 makes the
// 300 MB file of the target; the default keeps a run short).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl3d/scene_loader.h"

namespace {

const std::string& animation() {
    static const std::string path = [] {
        const char* env = std::getenv("KV_BENCH_GL3D_FRAMES");
        const int frames = env ? std::atoi(env) : 1000;
        const int objects = 200;
        std::string name = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
        name += "/kv_bench_gl3d.anm";
        FILE* f = std::fopen(name.c_str(), "wb");
        std::fprintf(f, "ANM3D\n%d\n%d\n--- Symbol-Dateien ---\n", objects, frames);
        for (int o = 0; o < objects; ++o)
            std::fprintf(f, "begin x o%d\n0.5 0.5 0.5\nzylinder 16 0 0 0 5 20 0 0 1 0\nend\n", o);
        for (int i = 0; i < frames; ++i) {
            std::fprintf(f, "# %d\nc frame %d\n", i, i);
            for (int o = 0; o < objects; ++o)
                std::fprintf(f,
                             "%.6f %.6f %.6f 0.8660254038 0.5000000000 0.0000000000 "
                             "-0.5000000000 0.8660254038 0.0000000000 0.0000000000 "
                             "0.0000000000 1.0000000000\n",
                             o * 12.5 + i * 0.01, i * 0.125, o * 0.5);
        }
        std::fclose(f);
        return name;
    }();
    return path;
}

size_t file_size(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return size_t(n);
}

void BM_ReadAndSumBytes(benchmark::State& state) {
    const std::string& path = animation();
    std::vector<unsigned char> block(1 << 20);
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        unsigned long sum = 0;
        size_t got;
        while ((got = std::fread(block.data(), 1, block.size(), f)) > 0)
            for (size_t i = 0; i < got; ++i) sum += block[i];
        std::fclose(f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file_size(path)));
}
BENCHMARK(BM_ReadAndSumBytes)->Unit(benchmark::kMillisecond);

void BM_LoadAnimation(benchmark::State& state) {
    const std::string& path = animation();
    gl3d::LoadOptions options;
    options.report = [](const std::string&) {};
    options.info_name = path + ".info";
    for (auto _ : state) {
        gl3d::Scene scene;
        if (gl3d::load_scene(path, &scene, options) != 0) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(scene.frames.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file_size(path)));
    state.counters["MB"] = double(file_size(path)) / 1e6;
}
BENCHMARK(BM_LoadAnimation)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
