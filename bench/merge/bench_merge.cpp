// Merging 20 ANMNEU films of 360 frames and 10 parts each, 3 copies of each at speed ratios 1
// to 3, into 3600 steps: seconds and output MB/s, beside writing the same bytes preformatted
// through the same temporary-and-rename path. Target: under 2 s.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "film_out/film_merge.h"
#include "merge/link_films.h"
#include "mw31/atomic_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFilms = 20, kFrames = 360, kParts = 10, kCopies = 3, kSteps = 3600;

fs::path folder() {
    static const fs::path dir = [] {
        const fs::path d =
            fs::temp_directory_path() / ("kv_bench_merge_" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

const std::vector<film_out::MergeEntry>& entries() {
    static const std::vector<film_out::MergeEntry> list = [] {
        std::vector<film_out::MergeEntry> e;
        for (int f = 0; f < kFilms; ++f) {
            const std::string name = (folder() / ("film" + std::to_string(f) + ".anm")).string();
            std::ofstream(name, std::ios::binary) << link_film_text(f, kParts, kFrames, 0);
            for (int c = 0; c < kCopies; ++c) {
                film_out::MergeEntry entry;
                entry.film = name;
                entry.dx = 250.0 * (f % 5);
                entry.dy = 200.0 * (f / 5);
                entry.dw = 0.1 * c;
                entry.i = 1 + c;
                entry.phase = 120.0 * c;
                e.push_back(entry);
            }
        }
        return e;
    }();
    return list;
}

std::string output() {
    return (folder() / "gesamt.flm").string();
}

const std::string& merged_bytes() {
    static const std::string bytes = [] {
        film_out::vereinigung_flm_files(entries(), output(), kSteps);
        std::ifstream in(output(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }();
    return bytes;
}

void BM_MergeTwentyFilms(benchmark::State& state) {
    const size_t bytes = merged_bytes().size();
    for (auto _ : state)
        if (film_out::vereinigung_flm_files(entries(), output(), kSteps) != 0)
            state.SkipWithError("merge failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    state.counters["entries"] = double(entries().size());
    state.counters["output_MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_MergeTwentyFilms)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The same bytes written in pieces of a placement line, as the merge writes them.
void BM_MergePreformattedBytes(benchmark::State& state) {
    const std::string& bytes = merged_bytes();
    for (auto _ : state) {
        mw31::AtomicFile out;
        out.begin(output());
        for (size_t at = 0; at < bytes.size(); at += 60)
            out.write(std::string_view(bytes).substr(at, 60));
        if (!out.commit()) state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_MergePreformattedBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(folder());
    return 0;
}
