// --record: the pictures of one recorded pass (the window's own), painted as --output paints
// them, into a video.
#include "main/batch_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "film/recorded_pass.h"
#include "film_model/anmneu_film.h"
#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "film_model/colour_table.h"
#include "film_model/line_film_painter.h"
#include "film_model/line_film_reader.h"
#include "film_model/usercoor_painter.h"
#include "film_out/avi_export.h"
#include "mw31/format.h"
#include "mw31/temp_names.h"

namespace kurvlab {

namespace {

// The films and their passes are checked before anything is written. `stamp` gives the text
// of picture i that --stamp writes into its top left corner.
int record_pictures(const std::string& film_name, const BatchRequest& batch, size_t count,
                    const std::function<std::unique_ptr<mw31::Picture>(size_t)>& paint,
                    const std::function<std::string(size_t)>& stamp) {
    if (count == 0) {
        mw31::message_printf("%s: keine Bilder zum Aufnehmen / no pictures to record",
                             film_name.c_str());
        return 1;
    }
    film_out::AviTarget target;
    target.path = batch.record;
    record_codec_from_name(batch.record_codec, &target.codec);
    film_out::AviExport rec;
    if (film_out::avi_begin(&rec, target) != 0) return 1;
    for (size_t i = 0; i < count; ++i) {
        const std::unique_ptr<mw31::Picture> picture = paint(i);
        if (!picture) {
            rec.error = video::result_error(video::kNoMemory, "a picture could not be made");
            break;
        }
        if (batch.record_stamp) picture->canvas().text_out(5, 15, stamp(i));
        if (film_out::avi_add_picture(&rec, *picture) != 0) break;
    }
    if (film_out::avi_finish(&rec) != 0) return 1;
    std::printf("%s: %d pictures\n", batch.record.c_str(), rec.pictures);
    return 0;
}

}  // namespace

bool record_codec_from_name(const std::string& name, video::AviCodec* codec) {
    if (name == "raw")
        *codec = video::AviCodec::kRaw8;
    else if (name == "rle8")
        *codec = video::AviCodec::kRle8;
    else if (name == "raw24")
        *codec = video::AviCodec::kRaw24;
    else if (name == "msvc")
        *codec = video::AviCodec::kMsvc;
    else
        return false;
    return true;
}

int record_line_film(const std::string& film_name, const BatchRequest& batch) {
    film::FrameStore store;
    const film::FilmView view = film::fitted_view(batch.width, batch.height);
    if (film::read_line_film_file(film_name, &store, film::erase_rect_mapper(view)) != 0) return 1;
    std::vector<int> frames = film::line_film_pass_frames(store, batch.record_step);
    if (film::line_film_closing_frame(store, frames) >= 0) frames.pop_back();
    const film::ColourTable colours;
    return record_pictures(
        film_name, batch, frames.size(),
        [&](size_t i) {
            return film::render_film_frame(store, frames[i], batch.width, batch.height, colours,
                                           &view);
        },
        [&](size_t i) { return film::frame_stamp(frames[i]); });
}

int record_anmneu_film(const std::string& film_name, const BatchRequest& batch) {
    film::AnmneuFilm film;
    const int frames = film::read_anmneu_film(film_name, &film);
    std::remove(mw31::temp_info_name().c_str());  // written for a player that is not coming
    if (frames < 0) return 1;
    const int phi = batch.phi_factor == 10 || batch.phi_factor == 100 ? batch.phi_factor : 1;
    auto pictures = film::anmneu_pass_pictures(frames, batch.record_step, phi);
    // A last frame that repeats frame 0 goes with its in-between pictures.
    const int closing = film::anmneu_closing_frame(film, pictures);
    while (closing >= 0 && !pictures.empty() && pictures.back().first == closing)
        pictures.pop_back();
    const film::ColourTable colours;
    return record_pictures(
        film_name, batch, pictures.size(),
        [&](size_t i) {
            return film::render_anmneu_frame(film, pictures[i].first, pictures[i].second, phi,
                                             batch.width, batch.height, colours);
        },
        [&](size_t i) {
            return film::anmneu_frame_stamp(pictures[i].first, pictures[i].second, phi, frames);
        });
}

int record_usercoor_film(const film::UsercoorFilm& film, const std::string& film_name,
                         const BatchRequest& batch) {
    std::vector<int> frames = film::usercoor_pass_frames(film, batch.record_step);
    if (film::usercoor_closing_frame(film, frames) >= 0) frames.pop_back();
    film::ColourTable colours;
    colours.reset_usercoor();
    return record_pictures(
        film_name, batch, frames.size(),
        [&](size_t i) {
            return film::render_usercoor_frame(film, frames[i], batch.width, batch.height, colours);
        },
        [&](size_t i) { return film::frame_stamp(frames[i]); });
}

}  // namespace kurvlab
