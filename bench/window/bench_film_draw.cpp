// Line-film frames of 1000 records drawn per second into an 800 x 600 picture, as the film
// window draws them (target: at least 2000 per second).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

#include "film_model/colour_table.h"
#include "film_model/line_film_painter.h"
#include "mw31/backend.h"
#include "mw31/qt/qt_backend.h"

namespace {

constexpr int kRecordsPerFrame = 1000;

// A mechanism-like frame: groups of a colour, a move, six connected lines and an arc, with
// segments of a few dozen pixels.
film::FrameStore make_store(int frames) {
    std::mt19937 rng(1862);
    std::uniform_int_distribution<int> x(100, 1180), y(100, 920), d(-80, 80), colour(0, 15);
    film::FrameStore store;
    for (int f = 0; f < frames; ++f) {
        std::vector<film::FilmRecord> recs;
        while (int(recs.size()) + 10 <= kRecordsPerFrame) {
            recs.push_back({film::kColour, colour(rng), 0});
            int px = x(rng), py = y(rng);
            recs.push_back({film::kMoveTo, px, py});
            for (int k = 0; k < 6; ++k) {
                px += d(rng);
                py += d(rng);
                recs.push_back({film::kLineTo, px, py});
            }
            recs.push_back({film::kArc, x(rng), y(rng)});
            recs.push_back({20 + (px & 31), 0, 270 * 100000});
        }
        store.add_frame(recs);
    }
    return store;
}

const film::FrameStore& store() {
    static const film::FrameStore s = make_store(16);
    return s;
}

// The records only.
void BM_DrawFrame(benchmark::State& state) {
    auto picture = mw31::create_picture(800, 600);
    const film::FilmView view = film::fitted_view(800, 600);
    const film::ColourTable colours;
    int frame = 0;
    for (auto _ : state) {
        film::draw_film_frame(picture->canvas(), store(), frame, view, colours, 1, false);
        frame = (frame + 1) % store().frame_count();
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMicrosecond);

// What the window does with the picture per frame: erase rectangle, records, clear.
void BM_DrawAndClearFrame(benchmark::State& state) {
    auto picture = mw31::create_picture(800, 600);
    const film::FilmView view = film::fitted_view(800, 600);
    const film::ColourTable colours;
    film::FrameStore s = store();
    s.erase_rect = mw31::Rect{0, 0, 200, 100};
    int frame = 0;
    for (auto _ : state) {
        film::fill_erase_rect(picture->canvas(), s, false);
        film::draw_film_frame(picture->canvas(), s, frame, view, colours, 1, false);
        picture->canvas().fill_rect(mw31::Rect{0, 0, 800, 600}, film::background_brush(false));
        frame = (frame + 1) % s.frame_count();
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawAndClearFrame)->Unit(benchmark::kMicrosecond);

// Pen width 3 (the inverted display's wider pens).
void BM_DrawFrameWidePens(benchmark::State& state) {
    auto picture = mw31::create_picture(800, 600);
    const film::FilmView view = film::fitted_view(800, 600);
    const film::ColourTable colours;
    int frame = 0;
    for (auto _ : state) {
        film::draw_film_frame(picture->canvas(), store(), frame, view, colours, 3, true);
        frame = (frame + 1) % store().frame_count();
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawFrameWidePens)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    mw31::set_backend(mw31::make_qt_backend(argc, argv));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    mw31::set_backend(nullptr);
    return 0;
}
