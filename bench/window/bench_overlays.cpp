// Pictures per second of 1000-record frames with the grid under them and the crosshair, its
// coordinates and an armed measurement over them, at 800 x 600, as the film window paints a
// world film with all of them on (target: at least 2000 per second).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

#include "film/measuring.h"
#include "film/overlays.h"
#include "film_model/colour_table.h"
#include "film_model/line_film_painter.h"
#include "film_model/paint_basics.h"
#include "mw31/backend.h"
#include "mw31/qt/qt_backend.h"

namespace {

constexpr int kRecordsPerFrame = 1000;

// Groups of a colour, a move, six connected lines and an arc, segments of a few dozen pixels.
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

void paint_with_overlays(benchmark::State& state, film::WorldMode mode) {
    static const film::FrameStore store = make_store(16);
    auto picture = mw31::create_picture(800, 600);
    mw31::Canvas& canvas = picture->canvas();
    const film::FilmView view = film::fitted_view(800, 600);
    const film::ColourTable colours;
    const film::WorldWindow world = film::fit_world_window(-70, 180, -70, 130);
    const film::WorldPicture map(mode, world, view);
    const film::OverlayStyle style = film::overlay_style(film::PaintStyle{1, false, &colours});
    film::MeasureState m;
    m.stage = film::kMeasureDirection;
    m.armed = true;
    m.ref_x = 0;
    m.ref_y = 0;
    m.dir_x = 100;
    m.dir_y = 50;
    const mw31::Rect client{0, 0, 800, 600};
    int frame = 0, mouse = 0;
    for (auto _ : state) {
        film::MouseAt at;
        at.x = 100 + mouse % 500;
        at.y = 100 + mouse % 400;
        map.world_of(at.x, at.y, &at.wx, &at.wy);
        film::draw_grid(canvas, map, 1);
        film::draw_film_frame(canvas, store, frame, view, colours, 1, false);
        film::draw_crosshair(canvas, view, at, style);
        film::draw_measurement(canvas, map, m, &at, style);
        canvas.fill_rect(client, film::background_brush(false));
        frame = (frame + 1) % store.frame_count();
        mouse += 7;
    }
    state.counters["pictures_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_FrameWithGridCrosshairAndMeasurementAnmneu(benchmark::State& state) {
    paint_with_overlays(state, film::WorldMode::Anmneu);
}
BENCHMARK(BM_FrameWithGridCrosshairAndMeasurementAnmneu)->Unit(benchmark::kMicrosecond);

void BM_FrameWithGridCrosshairAndMeasurementUsercoor(benchmark::State& state) {
    paint_with_overlays(state, film::WorldMode::Usercoor);
}
BENCHMARK(BM_FrameWithGridCrosshairAndMeasurementUsercoor)->Unit(benchmark::kMicrosecond);

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
