// Feeds arbitrary bytes to the ANMNEU reader as a film file, then draws a frame with
// in-between steps and converts the film, checking that what was stored stays in bounds.
// Seeds: the example ANMNEU films.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "film_out/usercoor_conversion.h"
#include "mw31/recording_canvas.h"
#include "support/fuzz_files.h"

// Run with -close_fd_mask=2: the reader's messages go to standard error.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Beside the example contours, so that the includes of the seeds are followed too.
    fuzz::provide_example_symbols();
    const std::string path = fuzz::write_input("input.anm", data, size);
    if (path.empty()) return 0;

    film::AnmneuFilm film;
    const int frames = film::read_anmneu_film(path, &film);
    if (frames < -1 || frames > film::kAnmneuMaxFrames) std::abort();
    if (frames < 0) return 0;
    if (film.frame_count != frames || film.frames.size() < size_t(frames) ||
        film.frames.size() > size_t(film::kAnmneuMaxFrames)) {
        std::abort();
    }
    for (const film::AnmneuFrame& fr : film.frames) {
        if (fr.caption.size() > size_t(film::kAnmneuMaxCaption) ||
            fr.label.size() > size_t(film::kAnmneuMaxLabel) ||
            fr.placements.size() > film.symbols.size()) {
            std::abort();
        }
    }
    if (!(film.window.xl < film.window.xr || film.window.xl > film.window.xr)) std::abort();

    mw31::RecordingCanvas dc(800, 600);
    film::FilmView view;
    view.area = {0, 0, 750, 600};
    const film::ColourTable colours;
    const film::SymbolCanvas canvas =
        film::make_symbol_canvas(dc, film.window, view, 1, false, colours);
    const int last = frames > 0 ? frames - 1 : 0;
    film::draw_anmneu_frame(film, canvas, last, 7, 10);
    // Converting writes every symbol of every frame: legitimately long for big films.
    if (double(film.symbol_count()) * frames <= 200000) {
        film_out::UsercoorOptions options;
        options.memory_size = 2048;
        film_out::film_to_usercoor(film, nullptr, options);
    }
    return 0;
}
