// Speed of ANMNEU playback drawing (a 40-symbol film at phi factor 100 into an 800 x 600
// picture; the player needs 1000 pictures per second), of its conversion into the in-memory
// user-coordinates stream (frames per second; 5000 are wanted) and of the numbers the
// conversion is made of: nanoseconds per "%lg" and "%lf" through the formatting engine and
// through the C library's snprintf.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "film_out/usercoor_conversion.h"
#include "mw31/backend.h"
#include "mw31/floating_text.h"
#include "mw31/format.h"
#include "mw31/picture.h"
#include "mw31/qt/qt_backend.h"

namespace {

constexpr int kSymbols = 40;
constexpr int kFrames = 360;
constexpr int kPhiFactor = 100;

// Links with two pivot circles turning about a ring of cranks; every fourth one is scaled,
// so that both arc paths (angle arcs and chords) are timed.
std::string make_film() {
    std::string s = "ANMNEU\n" + std::to_string(kSymbols) + "\n" + std::to_string(kFrames) +
                    "\n-100\n100\n-80\n80\n--- Symbol-Dateien ---\n";
    for (int k = 1; k <= kSymbols; ++k) {
        s += "begin " + std::to_string(k) + "\nGlied\n-\n" + (k % 3 ? "schwarz" : "rot") + "\n";
        s += "m 0 0\nd 30 0\nd 30 4\nd 0 4\nd 0 0\nc 0 2 3 0 360\nc 30 2 3 0 360\nend\n";
    }
    char line[160];
    for (int i = 0; i < kFrames; ++i) {
        std::snprintf(line, sizeof line, "#%d\nx Bild %d\nc -90 70:Benchmark phi = %d Grad\n", i, i,
                      i);
        s += line;
        for (int k = 0; k < kSymbols; ++k) {
            const double a = (i + 9.0 * k) * M_PI / 180;
            const double scale = k % 4 == 0 ? 1.25 : 1.0;
            std::snprintf(line, sizeof line, "%.6f %.6f %.6f %.3f %.3f\n", 60 * std::cos(a),
                          50 * std::sin(a), a * 2, scale, scale);
            s += line;
        }
    }
    return s;
}

const film::AnmneuFilm& bench_film() {
    static film::AnmneuFilm film = [] {
        const char* t = std::getenv("TMPDIR");
        const std::string path = std::string(t && *t ? t : "/tmp") + "/bench_anmneu.anm";
        std::ofstream(path) << make_film();
        film::AnmneuFilm f;
        film::read_anmneu_film(path, &f);
        std::remove(path.c_str());
        return f;
    }();
    return film;
}

void BM_AnmneuPicturesPhi100(benchmark::State& state) {
    const film::AnmneuFilm& film = bench_film();
    auto picture = mw31::create_picture(800, 600);
    if (!picture) {
        state.SkipWithError("no picture (Qt backend missing?)");
        return;
    }
    film::FilmView view;
    view.area = film::fit_drawing_area({0, 0, 800, 600});
    const film::ColourTable colours;
    const film::SymbolCanvas canvas =
        film::make_symbol_canvas(picture->canvas(), film.window, view, 1, false, colours);
    const mw31::Brush white{};
    int i = 0, q = 0;
    for (auto _ : state) {
        picture->canvas().fill_rect({0, 0, 800, 600}, white);
        film::draw_anmneu_frame(film, canvas, i, q, kPhiFactor);
        if (++q == kPhiFactor) {
            q = 0;
            i = (i + 1) % film.frame_count;
        }
    }
    state.counters["pictures/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AnmneuPicturesPhi100)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_AnmneuToMemoryStream(benchmark::State& state) {
    const film::AnmneuFilm& film = bench_film();
    film_out::UsercoorOptions options;
    // This film makes 13.7 MB of records: beyond the default 10 MB stream, which would time
    // the retry as well. The throughput is measured with a stream that fits.
    options.memory_size = 16000000;
    for (auto _ : state) {
        film_out::film_to_usercoor(film, nullptr, options);
        benchmark::DoNotOptimize(film_out::usercoor_memory_stream().bytes.data());
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()) * film.frame_count,
                                                    benchmark::Counter::kIsRate);
    state.counters["bytes"] = double(film_out::usercoor_memory_stream().written);
}
BENCHMARK(BM_AnmneuToMemoryStream)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Coordinates as a conversion writes them: every digit of the double in use.
const std::vector<double>& coordinates() {
    static const std::vector<double> values = [] {
        std::vector<double> v(4096);
        for (size_t k = 0; k < v.size(); ++k)
            v[k] = 150 * std::sin(0.37 * double(k)) * std::cos(0.011 * double(k)) + 0.5;
        return v;
    }();
    return values;
}

void BM_EngineLg(benchmark::State& state) {
    const std::vector<double>& v = coordinates();
    size_t k = 0;
    for (auto _ : state) {
        std::string s = mw31::format_text("%lg", v[k++ & 4095]);
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_EngineLg);

void BM_EngineLf(benchmark::State& state) {
    const std::vector<double>& v = coordinates();
    size_t k = 0;
    for (auto _ : state) {
        std::string s = mw31::format_text("%lf", v[k++ & 4095]);
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_EngineLf);

void BM_FormatNumberLg(benchmark::State& state) {
    const std::vector<double>& v = coordinates();
    size_t k = 0;
    char out[mw31::kNumberTextMax];
    for (auto _ : state) {
        benchmark::DoNotOptimize(mw31::format_number(out, 'g', -1, v[k++ & 4095]));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FormatNumberLg);

void BM_SnprintfLg(benchmark::State& state) {
    const std::vector<double>& v = coordinates();
    size_t k = 0;
    char out[64];
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%lg", v[k++ & 4095]));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SnprintfLg);

void BM_SnprintfLf(benchmark::State& state) {
    const std::vector<double>& v = coordinates();
    size_t k = 0;
    char out[64];
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%lf", v[k++ & 4095]));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SnprintfLf);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    mw31::set_backend(mw31::make_qt_backend(argc, argv));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    mw31::set_backend(nullptr);
    return 0;
}
