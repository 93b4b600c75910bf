// Tracing one point through a merged film of 200 parts (20 films of 10 parts) and 3600 frames:
// the pick in one frame, the trace through every frame, and both with a tracked pair.
// Target: the trace under 50 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "film_model/anmneu_reader.h"
#include "film_model/contour_placement.h"
#include "film_model/motion_trace.h"
#include "film_model/motion_track.h"
#include "film_out/film_merge.h"
#include "merge/link_films.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFilms = 20, kFrames = 360, kParts = 10, kSteps = 3600;

fs::path folder() {
    static const fs::path dir = [] {
        const fs::path d =
            fs::temp_directory_path() / ("kv_bench_motion_" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

const film::AnmneuFilm& merged_film() {
    static const film::AnmneuFilm merged = [] {
        std::vector<film_out::MergeEntry> entries;
        for (int f = 0; f < kFilms; ++f) {
            const std::string name = (folder() / ("film" + std::to_string(f) + ".anm")).string();
            std::ofstream(name, std::ios::binary) << link_film_text(f, kParts, kFrames, f);
            film_out::MergeEntry entry;
            entry.film = name;
            entry.dx = 250.0 * (f % 5);
            entry.dy = 200.0 * (f / 5);
            entry.i = 1 + f % 3;
            entries.push_back(entry);
        }
        const std::string out = (folder() / "gesamt.flm").string();
        film::AnmneuFilm film;
        if (film_out::vereinigung_flm_files(entries, out, kSteps) == 0)
            film::read_anmneu_film(out, &film);
        return film;
    }();
    return merged;
}

// The tip of the second link of the last film: far down the symbol list.
constexpr int kPickFrame = 100;

film::WorldPoint pick_point(const film::AnmneuFilm& film) {
    const int symbol = film.symbol_count() - kParts + 1;
    return film::place_point(film::anmneu_placement(film, kPickFrame, symbol), 20, 5);
}

bool film_ok(benchmark::State& state, const film::AnmneuFilm& film) {
    if (film.symbol_count() == kFilms * kParts && film.frame_count == kSteps) return true;
    state.SkipWithError("the merged film was not made");
    return false;
}

void BM_PickPoint(benchmark::State& state) {
    const film::AnmneuFilm& film = merged_film();
    if (!film_ok(state, film)) return;
    const film::WorldPoint p = pick_point(film);
    for (auto _ : state)
        benchmark::DoNotOptimize(film::pick_anmneu_anchor(film, kPickFrame, p.x, p.y));
    state.counters["parts"] = film.symbol_count();
}
BENCHMARK(BM_PickPoint)->Unit(benchmark::kMillisecond);

void BM_TraceOnePoint(benchmark::State& state) {
    const film::AnmneuFilm& film = merged_film();
    if (!film_ok(state, film)) return;
    const film::WorldPoint p = pick_point(film);
    const film::MotionFrames frames = film::anmneu_motion_frames(film);
    const film::MotionAnchor anchor = film::pick_anmneu_anchor(film, kPickFrame, p.x, p.y);
    if (anchor.kind != film::MotionAnchor::kSymbol) state.SkipWithError("nothing picked");
    for (auto _ : state) benchmark::DoNotOptimize(film::trace_anmneu(film, anchor, frames));
    state.counters["frames"] = double(frames.frames.size());
}
BENCHMARK(BM_TraceOnePoint)->Unit(benchmark::kMillisecond);

// What --trace does after reading: frames and their angles, the pick, the trace.
void BM_PickAndTraceWithAngles(benchmark::State& state) {
    const film::AnmneuFilm& film = merged_film();
    if (!film_ok(state, film)) return;
    const film::WorldPoint p = pick_point(film);
    for (auto _ : state) {
        const film::MotionFrames frames = film::anmneu_motion_frames(film);
        benchmark::DoNotOptimize(
            film::trace_anmneu(film, film::pick_anmneu_anchor(film, kPickFrame, p.x, p.y), frames));
    }
}
BENCHMARK(BM_PickAndTraceWithAngles)->Unit(benchmark::kMillisecond);

void BM_TrackPair(benchmark::State& state) {
    const film::AnmneuFilm& film = merged_film();
    if (!film_ok(state, film)) return;
    const film::WorldPoint p = pick_point(film);
    const film::MotionFrames frames = film::anmneu_motion_frames(film);
    const film::MotionTrace a =
        film::trace_anmneu(film, film::pick_anmneu_anchor(film, kPickFrame, p.x, p.y), frames);
    const film::MotionTrace b =
        film::trace_anmneu(film, film::pick_anmneu_anchor(film, kPickFrame, 0, 0), frames);
    for (auto _ : state) benchmark::DoNotOptimize(film::track_distance(a, b));
}
BENCHMARK(BM_TrackPair)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(folder());
    return 0;
}
