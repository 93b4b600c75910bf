// Speed of turning 800 x 600 pictures into video: RLE8 coding alone, palette mapping, and
// whole AVI pictures written to a file (uncompressed 8-bit and RLE8). Prints MB/s of input
// pixels and milliseconds per picture.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "video/avi_writer.h"
#include "video/palette.h"
#include "video/rle8.h"

namespace {

constexpr int kW = 800, kH = 600;

// A mechanism frame: white ground, links drawn as lines, a few filled parts, a status text.
std::vector<uint8_t> drawing_picture(int n) {
    std::vector<uint8_t> px(size_t(kW) * kH, 1);
    std::mt19937 rng{unsigned(n)};
    for (int k = 0; k < 40; ++k) {
        int x0 = int(rng() % kW), y0 = int(rng() % kH), len = int(rng() % 300), c = int(rng() % 16);
        for (int i = 0; i < len; ++i) {
            int x = x0 + i, y = y0 + (i * k) / 40;
            if (x < kW && y < kH) px[size_t(y) * kW + x] = uint8_t(c);
        }
    }
    for (int y = 200; y < 260; ++y)
        for (int x = 300 + n % 50; x < 420 + n % 50; ++x) px[size_t(y) * kW + x] = 2;
    for (int x = 10; x < 300; ++x)
        if (rng() % 3 == 0) px[size_t(kH - 10) * kW + x] = 0;
    return px;
}

std::vector<uint8_t> noise_picture() {
    std::vector<uint8_t> px(size_t(kW) * kH);
    std::mt19937 rng(1862);
    for (auto& v : px) v = uint8_t(rng());
    return px;
}

void set_pixels(benchmark::State& state) {
    state.counters["pixels"] = double(kW) * kH;  // input bytes of one 8-bit picture
}

void BM_Rle8(benchmark::State& state, const std::vector<uint8_t>& px) {
    std::vector<uint8_t> out(video::rle8_max_size(kW, kH));
    size_t n = 0;
    for (auto _ : state) {
        n = video::rle8_encode(px.data() + size_t(kH - 1) * kW, -kW, kW, kH, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    set_pixels(state);
    state.counters["coded_bytes"] = double(n);
}

void BM_Rle8Drawing(benchmark::State& state) {
    BM_Rle8(state, drawing_picture(0));
}
void BM_Rle8Noise(benchmark::State& state) {
    BM_Rle8(state, noise_picture());
}
BENCHMARK(BM_Rle8Drawing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rle8Noise)->Unit(benchmark::kMillisecond);

void BM_PaletteMapRgb32(benchmark::State& state) {
    std::vector<uint8_t> idx = drawing_picture(0);
    std::vector<uint32_t> rgb(idx.size());
    const video::Palette& pal = video::fixed_palette();
    for (size_t i = 0; i < idx.size(); ++i) rgb[i] = 0xff000000u | pal[idx[i]];
    std::vector<uint8_t> out(idx.size());
    video::PaletteMapper mapper;
    for (auto _ : state) {
        mapper.map(video::rgb32_picture(rgb.data(), kW, kH, kW * 4), out.data(), kW);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["pixels"] = double(kW) * kH * 4;
}
BENCHMARK(BM_PaletteMapRgb32)->Unit(benchmark::kMillisecond);

// Whole pictures through the writer into a file in $TMPDIR (page cache, not the disk).
void BM_AviWrite(benchmark::State& state, video::AviCodec codec) {
    const char* t = std::getenv("TMPDIR");
    std::string path =
        std::string(t && *t ? t : "/tmp") + "/kv_bench_" + std::to_string(getpid()) + ".avi";
    std::vector<std::vector<uint8_t>> pictures;
    for (int i = 0; i < 8; ++i) pictures.push_back(drawing_picture(i));
    video::Palette film{};
    film.fill(0xffffff);
    for (int i = 0; i < 16; ++i) film[i] = video::fixed_palette()[i];
    video::AviOptions o;
    o.codec = codec;
    o.width = kW;
    o.height = kH;
    std::unique_ptr<video::VideoWriter> w;
    video::Result r = video::avi_create(path, o, &w);
    if (!r.ok()) {
        state.SkipWithError(r.message.c_str());
        return;
    }
    size_t i = 0;
    for (auto _ : state) {
        r = w->add_picture(
            video::indexed8_picture(pictures[i++ % 8].data(), kW, kH, kW, film.data()));
        if (!r.ok()) {
            state.SkipWithError(r.message.c_str());
            break;
        }
    }
    // Timing has ended with the loop; completing the file is not part of a picture.
    if (r.ok()) r = w->finish();
    std::remove(path.c_str());
    set_pixels(state);
}

void BM_AviRaw8Write(benchmark::State& state) {
    BM_AviWrite(state, video::AviCodec::kRaw8);
}
void BM_AviRle8Write(benchmark::State& state) {
    BM_AviWrite(state, video::AviCodec::kRle8);
}
BENCHMARK(BM_AviRaw8Write)->Unit(benchmark::kMillisecond)->Iterations(600);
BENCHMARK(BM_AviRle8Write)->Unit(benchmark::kMillisecond)->Iterations(600);

// Adds a line of the figures asked for under each result: input MB/s, ms per picture.
class FigureReporter : public benchmark::ConsoleReporter {
  public:
    FigureReporter() : ConsoleReporter(isatty(1) ? OO_Defaults : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("pixels");
            if (run.error_occurred || run.iterations == 0 || it == run.counters.end()) continue;
            double seconds = run.real_accumulated_time / double(run.iterations);
            std::printf("    %-22s %8.0f MB/s of input pixels, %7.3f ms per 800 x 600 picture\n",
                        run.benchmark_name().c_str(), double(it->second) / seconds / 1e6,
                        seconds * 1e3);
        }
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
