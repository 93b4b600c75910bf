// --info reads the user-coordinates film without a window and prints what the reader found;
// --output draws one frame as the film window would, with the grid and a measurement when
// asked.
#include "main/usercoor_branch.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "film/usercoor_player.h"
#include "film_model/anmneu_reader.h"
#include "film_model/colour_table.h"
#include "film_model/usercoor_painter.h"
#include "film_model/usercoor_reader.h"
#include "film_out/usercoor_conversion.h"
#include "main/batch_output.h"
#include "main/batch_overlays.h"
#include "main/batch_print.h"
#include "main/batch_record.h"
#include "main/film_outputs_setup.h"
#include "mw31/dialogs.h"
#include "mw31/file_services.h"
#include "mw31/format.h"
#include "mw31/temp_names.h"

namespace kurvlab {

namespace {

void print_window(const char* what, const film::WorldWindow& w) {
    std::printf("%s",
                mw31::format_text("%s: xl %lg xr %lg yb %lg yt %lg\n", what, w.xl, w.xr, w.yb, w.yt)
                    .c_str());
}

// Reads from the source when there is one; the hooks collect the messages for --info.
int read_film(const std::string& film_name, film::ByteSource* source, film::UsercoorFilm* film,
              const film::ReaderHooks& hooks) {
    return source ? film::read_usercoor_film(*source, film, hooks)
                  : film::read_usercoor_film_file(film_name, film, hooks);
}

int print_info(const std::string& film_name, const std::string& shown_name,
               film::ByteSource* source) {
    const size_t first_message = mw31::shown_dialogs().size();
    film::UsercoorFilm film;
    const int result = read_film(film_name, source, &film, film::ReaderHooks{});
    std::printf("file: %s\nkind: user-coordinates film%s\n", shown_name.c_str(),
                source ? " (converted in memory)" : "");
    if (result != 0) {
        print_messages_since(first_message);
        return 1;
    }
    size_t total = 0, least = 0, most = 0;
    for (int i = 0; i < film.frame_count(); ++i) {
        const size_t n = film.frame(i).size();
        total += n;
        least = i == 0 ? n : std::min(least, n);
        most = std::max(most, n);
    }
    std::printf("frames: %d\n", film.frame_count());
    if (film.frame_count() > 0)
        std::printf("records per frame: min %zu, max %zu, total %zu\n", least, most, total);
    std::printf("texts: %zu\n", film.texts.size());
    print_window("world window", film.initial);
    std::printf("virtual size: %d x %d\n", film.virtual_width, film.virtual_height);
    std::printf("%s", mw31::format_text("angle divisor: %lg\n", film.angle_divisor).c_str());
    print_messages_since(first_message);
    return 0;
}

// Frame numbers are those of the store, as for line films (the window starts at frame 1).
int draw_frame_picture(const film::UsercoorFilm& film, const std::string& shown_name,
                       const BatchRequest& batch) {
    if (batch.frame < 0 || batch.frame >= film.frame_count()) {
        mw31::message_printf("%s: kein Bild %d / no frame %d (the film has frames 0 to %d)",
                             shown_name.c_str(), batch.frame, batch.frame, film.frame_count() - 1);
        return 1;
    }
    film::ColourTable colours;
    colours.reset_usercoor();
    const film::PictureDecor decor = batch_overlays(batch, film::WorldMode::Usercoor, film.window);
    const auto picture =
        film::render_usercoor_frame(film, batch.frame, batch.width, batch.height, colours, &decor);
    return save_batch_picture(picture.get(), batch.output_png);
}

}  // namespace

int play_usercoor_branch(const std::string& film_name, const std::string& source_name,
                         const FilmOptions& options, const BatchRequest& batch,
                         film::ByteSource* source) {
    if (batch.info) return print_info(film_name, source_name, source);
    if (batch.active()) {
        film::UsercoorFilm film;
        if (read_film(film_name, source, &film, film::ReaderHooks{}) != 0) return 1;
        if (!batch.output_png.empty()) return draw_frame_picture(film, source_name, batch);
        if (wants_print_or_dxf(batch)) return usercoor_print_or_dxf(film, source_name, batch);
        return record_usercoor_film(film, source_name, batch);
    }
    film::UsercoorPlayOptions play;
    set_player_options(&play, film_name, source_name, options);
    play.source = source;
    return film::usercoor_film(play);
}

int play_converted_anmneu(const std::string& film_name, const std::string& source_name,
                          const FilmOptions& options, const BatchRequest& batch) {
    film::AnmneuFilm anmneu;
    const int frames = film::read_anmneu_film(film_name, &anmneu);
    // The reader wrote the info text for the ANMNEU player, which does not play this film.
    std::remove(mw31::temp_info_name().c_str());
    if (frames < 0) return 1;
    if (frames == 0) {
        mw31::message_printf("mw31_film: keine Getriebestellungen im Film / no frames in film:\n%s",
                             source_name.c_str());
        return 1;
    }
    film_out::UsercoorOptions convert;
    convert.memory_size = options.memory_size;
    if (options.convert_to_file) {
        std::string converted;
        if (mw31::film_temp_name(&converted) != 0) {
            mw31::message_printf(
                "mw31_film: %s: kann keine temporaere Datei anlegen / cannot create a temporary "
                "file for the converted film",
                source_name.c_str());
            return 1;
        }
        int result = film_out::film_to_usercoor(anmneu, converted.c_str(), convert);
        anmneu = film::AnmneuFilm{};
        if (result == 0) result = play_usercoor_branch(converted, source_name, options, batch);
        std::remove(converted.c_str());
        return result;
    }
    if (film_out::film_to_usercoor(anmneu, nullptr, convert) != 0) return 1;
    anmneu = film::AnmneuFilm{};
    // The player reads the converted bytes; the program's stream is left empty.
    film_out::FilmMemoryStream& stream = film_out::usercoor_memory_stream();
    film::MemoryByteSource bytes(std::move(stream.bytes), source_name);
    film_out::memory_stream_clear(&stream, 0);
    return play_usercoor_branch(film_name, source_name, options, batch, &bytes);
}

}  // namespace kurvlab
