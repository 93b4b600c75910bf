// The pass is walked with the film window's own playback state functions, so a recording
// from the command line holds the same pictures as one made in the window.
#include "main/batch_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "film/anmneu_playback.h"
#include "film/playback_state.h"
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
    else
        return false;
    return true;
}

namespace {

// From frame 1 by the step, frames of five records or fewer left out.
std::vector<int> shown_pass_frames(int frame_count, const std::function<size_t(int)>& records_in,
                                   int step) {
    std::vector<int> frames;
    film::PlaybackState s = film::new_playback_state(frame_count, 1, 0, 1, 0);
    s.step = step < 1 ? 1 : step;
    for (s.index = 1; film::in_playable_range(s); film::advance(&s))
        if (records_in(s.index) > size_t(film::kSkippedFrameRecords)) frames.push_back(s.index);
    return frames;
}

// A pass whose last picture shows its first again (a film that closes its cycle with a
// repeated frame) leaves that picture out, so that the video loops without a repeat.
void drop_closing_frame(std::vector<int>* frames, const std::function<bool(int, int)>& same) {
    if (frames->size() > 1 && same(frames->back(), frames->front())) frames->pop_back();
}

// Films write their placements with six decimals: equal within that, and a turn by whole
// revolutions is the same position.
bool same_placements(const film::AnmneuFilm& film, int a, int b) {
    const auto near = [](double u, double v) {
        return std::fabs(u - v) <= 2e-6 * (1 + std::fabs(u) + std::fabs(v));
    };
    for (int s = 0; s < film.symbol_count(); ++s) {
        const film::SymbolPlacement p = film::anmneu_placement(film, a, s);
        const film::SymbolPlacement q = film::anmneu_placement(film, b, s);
        const double turn = 2 * M_PI, d = p.phi - q.phi;
        if (!near(p.x, q.x) || !near(p.y, q.y) || !near(d, turn * std::round(d / turn)) ||
            !near(p.sx, q.sx) || !near(p.sy, q.sy))
            return false;
    }
    return true;
}

std::string frame_stamp(int frame) {
    return mw31::format_text("Bild %d", frame);
}

}  // namespace

std::vector<int> line_film_pass_frames(const film::FrameStore& store, int step) {
    return shown_pass_frames(
        store.frame_count(), [&store](int i) { return store.frame(i).size(); }, step);
}

std::vector<int> usercoor_pass_frames(const film::UsercoorFilm& film, int step) {
    return shown_pass_frames(
        film.frame_count(), [&film](int i) { return film.frame(i).size(); }, step);
}

std::vector<std::pair<int, int>> anmneu_pass_pictures(int frame_count, int step, int phi_factor) {
    std::vector<std::pair<int, int>> pictures;
    film::PlaybackState s = film::new_playback_state(frame_count, 0, 0, 1, 0);
    s.step = step < 1 ? 1 : step;
    s.phi_factor = phi_factor < 1 ? 1 : phi_factor;
    int substep = 0;
    for (s.index = 0; film::in_playable_range(s); film::anmneu_advance(&s, &substep))
        pictures.emplace_back(s.index, substep);
    return pictures;
}

int record_line_film(const std::string& film_name, const BatchRequest& batch) {
    film::FrameStore store;
    const film::FilmView view = film::fitted_view(batch.width, batch.height);
    if (film::read_line_film_file(film_name, &store, film::erase_rect_mapper(view)) != 0) return 1;
    std::vector<int> frames = line_film_pass_frames(store, batch.record_step);
    drop_closing_frame(&frames, [&store](int a, int b) {
        const film::FrameRecords x = store.frame(a), y = store.frame(b);
        return std::equal(x.begin(), x.end(), y.begin(), y.end());
    });
    const film::ColourTable colours;
    return record_pictures(
        film_name, batch, frames.size(),
        [&](size_t i) {
            return film::render_film_frame(store, frames[i], batch.width, batch.height, colours,
                                           &view);
        },
        [&](size_t i) { return frame_stamp(frames[i]); });
}

int record_anmneu_film(const std::string& film_name, const BatchRequest& batch) {
    film::AnmneuFilm film;
    const int frames = film::read_anmneu_film(film_name, &film);
    std::remove(mw31::temp_info_name().c_str());  // written for a player that is not coming
    if (frames < 0) return 1;
    const int phi = batch.phi_factor == 10 || batch.phi_factor == 100 ? batch.phi_factor : 1;
    auto pictures = anmneu_pass_pictures(frames, batch.record_step, phi);
    // A last frame that repeats frame 0 goes with its in-between pictures.
    const int last = pictures.empty() ? 0 : pictures.back().first;
    if (last != 0 && same_placements(film, last, 0))
        while (!pictures.empty() && pictures.back().first == last) pictures.pop_back();
    const film::ColourTable colours;
    return record_pictures(
        film_name, batch, pictures.size(),
        [&](size_t i) {
            return film::render_anmneu_frame(film, pictures[i].first, pictures[i].second, phi,
                                             batch.width, batch.height, colours);
        },
        [&](size_t i) {
            const double angle =
                360.0 * (pictures[i].first + double(pictures[i].second) / phi) / frames;
            return frame_stamp(pictures[i].first) + mw31::format_text("  phi = %.1lf Grad", angle);
        });
}

int record_usercoor_film(const film::UsercoorFilm& film, const std::string& film_name,
                         const BatchRequest& batch) {
    std::vector<int> frames = usercoor_pass_frames(film, batch.record_step);
    drop_closing_frame(&frames, [&film](int a, int b) {
        const film::UsercoorFrame x = film.frame(a), y = film.frame(b);
        return std::equal(x.begin(), x.end(), y.begin(), y.end());
    });
    film::ColourTable colours;
    colours.reset_usercoor();
    return record_pictures(
        film_name, batch, frames.size(),
        [&](size_t i) {
            return film::render_usercoor_frame(film, frames[i], batch.width, batch.height, colours);
        },
        [&](size_t i) { return frame_stamp(frames[i]); });
}

}  // namespace kurvlab
