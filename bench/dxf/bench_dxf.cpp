// DXF export of a frame of 100,000 entities (lines and arcs) in MB/s, beside writing the same
// bytes already formatted; the export should reach at least a tenth of the latter. Rates are
// of wall time: both write a file and sync it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "film_model/frame_store.h"
#include "film_model/line_film_painter.h"
#include "film_out/dxf_export.h"
#include "film_out/dxf_writer.h"

namespace {

constexpr int kEntities = 100000;

// 90 % lines in one chain, 10 % arcs, all over a 1280 x 1024 film.
const film::FrameStore& big_frame() {
    static const film::FrameStore store = [] {
        film::FrameStore s;
        std::vector<film::FilmRecord> records{{film::kMoveTo, 0, 0}};
        unsigned seed = 12345;
        auto next = [&seed](int range) {
            seed = seed * 1103515245u + 12345u;
            return int((seed >> 8) % unsigned(range));
        };
        for (int i = 0; i < kEntities; ++i) {
            if (i % 10 == 9) {
                records.push_back({film::kArc, next(1280), next(1024)});
                records.push_back({1 + next(200), next(36000000), next(36000000)});
                records.push_back({film::kMoveTo, next(1280), next(1024)});
            } else {
                records.push_back({film::kLineTo, next(1280), next(1024)});
            }
        }
        s.add_frame(records);
        return s;
    }();
    return store;
}

std::string target() {
    return (std::filesystem::temp_directory_path() / "kv_bench_frame.dxf").string();
}

int export_frame() {
    const film::LineFilmFramePainter painter(big_frame(), 0);
    film_out::DxfExportOptions options;
    options.file = target();
    return film_out::dxf_export_line_film_frame(painter, 1024, options);
}

const std::string& exported_bytes() {
    static const std::string bytes = [] {
        export_frame();
        std::ifstream in(target(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }();
    return bytes;
}

// The same bytes through the same file path (temporary, rename), in pieces of one entity.
void write_preformatted() {
    const std::string& bytes = exported_bytes();
    film_out::DxfFile file;
    file.open(target());
    for (size_t at = 0; at < bytes.size(); at += 180)
        file.put(std::string_view(bytes).substr(at, 180));
    file.finish();
}

double seconds_of(void (*work)(), int repeats) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
           repeats;
}

void BM_DxfExportFrame(benchmark::State& state) {
    const size_t bytes = exported_bytes().size();
    for (auto _ : state) {
        if (export_frame() != 0) state.SkipWithError("export failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    state.counters["entities"] = kEntities;
    // Share of the preformatted rate: the time of a plain write over the export's time.
    const double plain = seconds_of(write_preformatted, 5);
    const double formatted = seconds_of([] { export_frame(); }, 3);
    state.counters["share_of_preformatted"] = plain / formatted;
}
BENCHMARK(BM_DxfExportFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DxfPreformattedBytes(benchmark::State& state) {
    const size_t bytes = exported_bytes().size();
    for (auto _ : state) write_preformatted();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_DxfPreformattedBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(target().c_str());
    return 0;
}
