// Loading an ANM3D animation of many frames x 200 objects, in MB/s, beside reading and summing
// the same bytes in the same run. KV_BENCH_GL3D_FRAMES sets the frame count (10000 makes the
// 300 MB file of the target; the default keeps a run short).
// Rendering: frames per second of mesh bodies plus 100 cylinders at 1024 x 768 through the
// offscreen surface (Mesa's software renderer), with the display lists the renderer builds, with
// and without the culling of closed bodies.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gl3d/renderer.h"
#include "gl3d/scene_loader.h"
#include "mesh_files.h"
#include "mw31/egl/offscreen_gl.h"

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

constexpr int kWidth = 1024, kHeight = 768;
constexpr int kFrames = 36;

struct Offscreen {
    std::unique_ptr<mw31::OffscreenGl> gl;
    std::string error;
};

Offscreen& offscreen() {
    static Offscreen o = [] {
        Offscreen r;
        r.gl = mw31::OffscreenGl::create(kWidth, kHeight, &r.error);
        return r;
    }();
    return o;
}

// The scene of `triangles` mesh triangles (four tori) and 100 cylinders, loaded once.
gl3d::Scene* render_scene_of(int triangles) {
    static std::map<int, std::unique_ptr<gl3d::Scene>> scenes;
    auto& slot = scenes[triangles];
    if (!slot) {
        const std::string path = bench3d::write_render_scene(triangles, 4, kFrames);
        auto scene = std::make_unique<gl3d::Scene>();
        gl3d::LoadOptions options;
        options.report = [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); };
        options.info_name = path + ".info";
        if (gl3d::load_scene(path, scene.get(), options) == 0) slot = std::move(scene);
        std::remove(path.c_str());
    }
    return slot.get();
}

// Frames as the playback draws them: the next frame's placements, the scene, and a glFinish so
// each frame is really rasterised (a window's buffer swap would wait the same way). The second
// argument 0 draws every back face as lines, as the renderer did before it culled closed bodies.
void BM_RenderFrame(benchmark::State& state) {
    const int triangles = int(state.range(0));
    const bool cull_closed = state.range(1) != 0;
    Offscreen& o = offscreen();
    if (!o.gl || !o.gl->make_current()) {
        state.SkipWithError(("no offscreen OpenGL: " + o.error).c_str());
        return;
    }
    gl3d::Scene* scene = render_scene_of(triangles);
    if (!scene) {
        state.SkipWithError("scene load failed");
        return;
    }
    gl3d::RenderSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.cull_closed = cull_closed;
    gl3d::setup_context(settings.lights);
    // The first frame compiles the display lists; it is timed on its own.
    const auto t0 = std::chrono::steady_clock::now();
    gl3d::apply_frame(scene, 0);
    scene->current_frame = 0;
    gl3d::render_scene(scene, settings);
    glFinish();
    const double first_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    int frame = 0;
    for (auto _ : state) {
        frame = (frame + 1) % kFrames;
        gl3d::apply_frame(scene, frame);
        scene->current_frame = frame;
        gl3d::render_scene(scene, settings);
        glFinish();
    }
    gl3d::release_display_lists(scene);
    const gl3d::SceneCounts c = gl3d::scene_counts(*scene);
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = double(c.triangles);
    state.counters["cylinders"] = double(c.cylinders);
    state.counters["first_frame_ms"] = first_ms;
    if (cull_closed)
        state.SetLabel(triangles >= 200000 ? "target >= 12 fps" : "target >= 25 fps");
    else
        state.SetLabel("every back face as lines");
}
BENCHMARK(BM_RenderFrame)
    ->ArgNames({"triangles", "cull_closed"})
    ->Args({200000, 1})
    ->Args({200000, 0})
    ->Args({100000, 1})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    Offscreen& o = offscreen();
    if (o.gl)
        std::printf("GL_RENDERER | GL_VERSION: %s (%d x %d offscreen)\n", o.gl->renderer().c_str(),
                    kWidth, kHeight);
    else
        std::printf("no offscreen OpenGL: %s\n", o.error.c_str());
    std::fflush(stdout);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
