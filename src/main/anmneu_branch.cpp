// --info reads the ANMNEU film without a window and prints what the reader found, the
// messages it showed included; --output draws one picture (frame N, in-between picture K of
// the phi factor F) as the film window would.
#include "main/anmneu_branch.h"

#include <cstdio>

#include "film/anmneu_player.h"
#include "film_model/anmneu_reader.h"
#include "film_model/colour_table.h"
#include "main/batch_output.h"
#include "main/batch_overlays.h"
#include "main/batch_print.h"
#include "main/batch_record.h"
#include "main/film_outputs_setup.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"
#include "mw31/temp_names.h"

namespace kurvlab {

namespace {

void print_window(const char* what, const film::WorldWindow& w) {
    // The formatting engine keeps the decimal point whatever the locale says.
    std::printf("%s",
                mw31::format_text("%s: xl %lg xr %lg yb %lg yt %lg\n", what, w.xl, w.xr, w.yb, w.yt)
                    .c_str());
}

int print_info(const std::string& film_name) {
    const size_t first_message = mw31::shown_dialogs().size();
    film::AnmneuFilm film;
    const int frames = film::read_anmneu_film(film_name, &film);
    // The reader names the user's film, also when film_name is an unwrapped copy.
    std::printf("file: %s\nkind: ANMNEU film\n", film.name.c_str());
    if (frames < 0) {
        print_messages_since(first_message);
        return 1;
    }
    const film::ColourTable colours;
    std::printf("symbols: %d\n", film.symbol_count());
    for (int s = 0; s < film.symbol_count(); ++s) {
        const film::FilmSymbol& symbol = film.symbols[size_t(s)];
        const size_t n = symbol.elements.size();
        std::printf("symbol %d: %zu element%s, colour %d", s + 1, n, n == 1 ? "" : "s",
                    symbol.colour);
        // 1 and 0 are the window's foreground and background, whatever the table holds.
        const int index = film::ColourTable::index_of(symbol.colour);
        const film::Rgb& rgb = colours.lookup(symbol.colour);
        if (index == 1 || index == 0)
            std::printf(" (%s)\n", index == 1 ? "foreground" : "background");
        else
            std::printf(" (%d %d %d)\n", rgb.r, rgb.g, rgb.b);
    }
    std::printf("frames: %d\n", frames);
    print_window("world window (file)", film.file_window);
    print_window("world window (fitted)", film.initial);
    std::printf("info text: %s\n", film.has_info_text ? "yes" : "no");
    print_messages_since(first_message);
    // The reader wrote the info text for a player that is not going to show it.
    std::remove(mw31::temp_info_name().c_str());
    return 0;
}

int draw_picture(const std::string& film_name, const BatchRequest& batch) {
    film::AnmneuFilm film;
    const int frames = film::read_anmneu_film(film_name, &film);
    std::remove(mw31::temp_info_name().c_str());
    if (frames < 0) return 1;
    if (batch.frame < 0 || batch.frame >= frames) {
        mw31::message_printf("%s: kein Bild %d / no frame %d (the film has frames 0 to %d)",
                             film_name.c_str(), batch.frame, batch.frame, frames - 1);
        return 1;
    }
    const int phi = batch.phi_factor == 10 || batch.phi_factor == 100 ? batch.phi_factor : 1;
    if (batch.substep < 0 || batch.substep >= phi) {
        mw31::message_printf("--substep %d liegt nicht in 0 bis %d / is not in 0 to %d",
                             batch.substep, phi - 1, phi - 1);
        return 1;
    }
    const film::ColourTable colours;
    const film::PictureDecor decor = batch_overlays(batch, film::WorldMode::Anmneu, film.window);
    const auto picture = film::render_anmneu_frame(film, batch.frame, batch.substep, phi,
                                                   batch.width, batch.height, colours, &decor);
    return save_batch_picture(picture.get(), batch.output_png);
}

}  // namespace

int play_anmneu_branch(const std::string& film_name, const std::string& source_name,
                       const FilmOptions& options, const BatchRequest& batch) {
    if (batch.info) return print_info(film_name);
    if (!batch.output_png.empty()) return draw_picture(film_name, batch);
    if (wants_print_or_dxf(batch)) return anmneu_print_or_dxf(film_name, batch);
    if (!batch.record.empty()) return record_anmneu_film(film_name, batch);
    film::AnmneuOptions play;
    set_player_options(&play, film_name, source_name, options);
    return film::anmneu_film(play);
}

}  // namespace kurvlab
