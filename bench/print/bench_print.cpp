// Printing a line-film frame of 10,000 records into an A4 PDF at 600 dpi, as Hardcopy and
// --pdf do; the print should take well under half a second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "film_model/frame_store.h"
#include "film_model/line_film_painter.h"
#include "film_model/paint_basics.h"
#include "film_out/print_frame.h"
#include "mw31/backend.h"
#include "mw31/printer.h"
#include "mw31/qt/qt_backend.h"

namespace {

constexpr int kRecords = 10000;

// Lines in pairs of move and draw, a colour change every ten records, an arc every twenty.
film::FrameStore frame_of_records() {
    film::FrameStore s;
    std::vector<film::FilmRecord> records;
    unsigned seed = 4711;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % unsigned(range));
    };
    while (int(records.size()) < kRecords) {
        const int i = int(records.size());
        if (i % 20 == 0) {
            records.push_back({film::kArc, next(1280), next(1024)});
            records.push_back({1 + next(100), next(36000000), next(36000000)});
        } else if (i % 10 == 2) {
            records.push_back({film::kColour, next(16), 0});
        } else {
            records.push_back({film::kMoveTo, next(1280), next(1024)});
            records.push_back({film::kLineTo, next(1280), next(1024)});
        }
    }
    s.add_frame(records);
    return s;
}

void BM_PrintFrameToPdf(benchmark::State& state) {
    const film::FrameStore store = frame_of_records();
    const film::LineFilmFramePainter painter(store, 0);
    const film::ColourTable colours;
    const film::PaintStyle style{1, false, &colours};
    mw31::PdfTarget target;
    target.file = (std::filesystem::temp_directory_path() / "kv_bench_print.pdf").string();
    const film_out::PrinterChoice choice = [&] { return mw31::pdf_printer(target); };
    for (auto _ : state) {
        if (film_out::plot_filmstellung(painter, film::fitted_view(800, 600), style, 1280,
                                        choice) != 0)
            state.SkipWithError("print failed");
    }
    state.counters["records"] = kRecords;
    state.counters["pdf_bytes"] = double(std::filesystem::file_size(target.file));
    std::remove(target.file.c_str());
}
BENCHMARK(BM_PrintFrameToPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

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
