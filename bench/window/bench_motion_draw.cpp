// Pictures per second of the four-bar example as the film window paints it at 800 x 600 with
// five traces over it and the onion skin of every 10th frame behind it (target: at least 1000
// per second), beside the same frames without either.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "film/frame_presenter.h"
#include "film/measuring_window.h"
#include "film/motion_sources.h"
#include "film/motion_window.h"
#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "film_model/paint_basics.h"
#include "mw31/backend.h"
#include "mw31/qt/qt_backend.h"

namespace {

constexpr int kTraces = 5;

struct Scene {
    film::AnmneuFilm film;
    film::AnmneuFramePainter painter{film, film::AnmneuPicture{}};
    film::FilmWindow fw;
    bool ok = false;
};

// A window's state without the window: the fitted 800 x 600 view of the film's world.
Scene& scene() {
    static Scene s;
    static bool made = false;
    if (made) return s;
    made = true;
    const std::string name = std::string(KV_SOURCE_DIR) + "/examples/fourbar_anmneu.anm";
    if (film::read_anmneu_film(name, &s.film, [](const std::string&) {}) <= 0) return s;
    film::FilmWindow& fw = s.fw;
    fw.colours = &film::film_colour_table();
    fw.view = film::fitted_view(800, 600);
    fw.world_mode = film::WorldMode::Anmneu;
    fw.world_window = &s.film.window;
    fw.screen.painter = &s.painter;
    fw.state.first_index = 0;
    fw.state.frame_count = int(s.film.frames.size());
    fw.motion.source = film::anmneu_motion_source(s.film);
    s.ok = true;
    return s;
}

// Five traces on the parts under points spread over the picture of frame 0.
void add_traces(Scene& s) {
    film::FilmWindow& fw = s.fw;
    const film::WorldPicture map = film::window_world_picture(fw, fw.view);
    auto picture = mw31::create_picture(800, 600);
    s.painter.set_picture(film::AnmneuPicture{0, 0, 1});
    s.painter.paint(picture->canvas(), fw.view, film::paint_style(fw));
    for (int y = 60; y < 540 && int(fw.motion.traces.size()) < kTraces; y += 9)
        for (int x = 20; x < 780 && int(fw.motion.traces.size()) < kTraces; x += 37) {
            if (picture->canvas().get_pixel(x, y) == mw31::Rgb{255, 255, 255}) continue;
            double wx, wy;
            map.world_of(x, y, &wx, &wy);
            const film::MotionAnchor a = fw.motion.source.pick(0, wx, wy);
            if (a.kind != film::MotionAnchor::kNone)
                fw.motion.traces.push_back(fw.motion.source.trace(a));
        }
}

void paint_frames(benchmark::State& state, bool motion) {
    Scene& s = scene();
    if (!s.ok) {
        state.SkipWithError("the four-bar example cannot be read");
        return;
    }
    film::FilmWindow& fw = s.fw;
    fw.motion.traces.clear();
    fw.motion.onion = film::OnionSkin{};
    if (motion) {
        add_traces(s);
        fw.motion.onion.step = 10;
    }
    auto picture = film::make_area_picture(fw.view, false);
    int frame = 0;
    for (auto _ : state) {
        fw.state.index = frame;
        s.painter.set_picture(film::AnmneuPicture{frame, 0, 1});
        film::paint_composed(fw, picture->canvas(), fw.view);
        film::clear_picture(*picture, false);
        frame = (frame + 1) % fw.state.frame_count;
    }
    state.counters["pictures_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["traces"] = double(fw.motion.traces.size());
    state.counters["onion_pixels"] = double(fw.motion.onion.offsets.size());
}

void BM_FourBarWithFiveTracesAndOnionSkin10(benchmark::State& state) {
    paint_frames(state, true);
}
BENCHMARK(BM_FourBarWithFiveTracesAndOnionSkin10)->Unit(benchmark::kMicrosecond);

void BM_FourBarPlain(benchmark::State& state) {
    paint_frames(state, false);
}
BENCHMARK(BM_FourBarPlain)->Unit(benchmark::kMicrosecond);

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
