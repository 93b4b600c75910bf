// --info reads the film without a window and prints what the reader found, including the
// messages it showed; --output draws one frame as the film window would.
#include "main/line_film_branch.h"

#include <algorithm>
#include <cstdio>

#include "film/line_film_player.h"
#include "film_model/colour_table.h"
#include "film_model/frame_store.h"
#include "film_model/line_film_painter.h"
#include "film_model/line_film_reader.h"
#include "main/batch_output.h"
#include "main/batch_print.h"
#include "main/batch_record.h"
#include "main/film_outputs_setup.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"

namespace kurvlab {

namespace {

int print_info(const std::string& film_name) {
    const size_t first_message = mw31::shown_dialogs().size();
    film::FrameStore store;
    const int result = film::read_line_film_file(film_name, &store, nullptr);
    std::printf("file: %s\nkind: line film\n", film_name.c_str());
    if (result != 0) {
        print_messages_since(first_message);
        return 1;
    }
    size_t total = 0, least = 0, most = 0;
    for (int i = 0; i < store.frame_count(); ++i) {
        const size_t n = store.frame(i).size();
        total += n;
        least = i == 0 ? n : std::min(least, n);
        most = std::max(most, n);
    }
    std::printf("frames: %d\n", store.frame_count());
    if (store.frame_count() > 0)
        std::printf("records per frame: min %zu, max %zu, total %zu\n", least, most, total);
    std::printf("virtual size: %d x %d\n", store.virtual_width, store.virtual_height);
    std::printf("%s", mw31::format_text("angle divisor: %lg\n", store.angle_divisor).c_str());
    const mw31::Rect& e = store.erase_rect;
    std::printf("erase rectangle (film units): %d %d %d %d\n", e.left, e.top, e.right, e.bottom);
    print_messages_since(first_message);
    return 0;
}

// Frame numbers are those of the frame store (the window never shows frame 0 of a line film,
// but a picture of it can still be asked for).
int draw_frame_picture(const std::string& film_name, const BatchRequest& batch) {
    film::FrameStore store;
    const film::FilmView view = film::fitted_view(batch.width, batch.height);
    if (film::read_line_film_file(film_name, &store, film::erase_rect_mapper(view)) != 0) return 1;
    if (batch.frame < 0 || batch.frame >= store.frame_count()) {
        mw31::message_printf("%s: kein Bild %d / no frame %d (the film has frames 0 to %d)",
                             film_name.c_str(), batch.frame, batch.frame, store.frame_count() - 1);
        return 1;
    }
    film::ColourTable colours;
    const auto picture =
        film::render_film_frame(store, batch.frame, batch.width, batch.height, colours, &view);
    return save_batch_picture(picture.get(), batch.output_png);
}

}  // namespace

int play_line_film_branch(const std::string& film_name, const std::string& source_name,
                          const FilmOptions& options, const BatchRequest& batch) {
    if (batch.info) return print_info(film_name);
    if (!batch.output_png.empty()) return draw_frame_picture(film_name, batch);
    if (wants_print_or_dxf(batch)) return line_film_print_or_dxf(film_name, batch);
    if (!batch.record.empty()) return record_line_film(film_name, batch);
    film::LineFilmOptions play;
    set_player_options(&play, film_name, source_name, options);
    return film::play_line_film(play);
}

}  // namespace kurvlab
