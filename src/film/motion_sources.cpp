// The motion sources of the three film kinds.
#include "film/motion_sources.h"

#include "film/playback_state.h"
#include "film_model/anmneu_painter.h"
#include "film_model/line_film_painter.h"
#include "film_model/usercoor_painter.h"

namespace film {

namespace {

// The frames a line or user-coordinates player shows: those with more than a few records.
template <typename Film>
MotionFrames shown_frames(const Film& film, int first) {
    std::vector<int> frames;
    for (int f = first < 0 ? 0 : first; f < film.frame_count(); ++f)
        if (film.frame(f).size() > size_t(kSkippedFrameRecords)) frames.push_back(f);
    return cycle_motion_frames(frames);
}

template <typename Film>
bool shown(const Film& film, int frame) {
    return frame >= 0 && frame < film.frame_count() &&
           film.frame(frame).size() > size_t(kSkippedFrameRecords);
}

}  // namespace

MotionSource anmneu_motion_source(const AnmneuFilm& film) {
    MotionSource s;
    s.pick = [&film](int frame, double wx, double wy) {
        return pick_anmneu_anchor(film, frame, wx, wy);
    };
    s.trace = [&film](const MotionAnchor& anchor) {
        return trace_anmneu(film, anchor, anmneu_motion_frames(film));
    };
    s.paint_frame = [&film](mw31::Canvas& canvas, const FilmView& view, const PaintStyle& style,
                            int frame) {
        if (frame < 0 || size_t(frame) >= film.frames.size() || !film.frames[size_t(frame)].present)
            return false;
        AnmneuFramePainter(film, AnmneuPicture{frame, 0, 1}).paint(canvas, view, style);
        return true;
    };
    return s;
}

MotionSource line_film_motion_source(const FrameStore& store, int first) {
    MotionSource s;
    s.pick = [&store](int frame, double wx, double wy) {
        return pick_line_film_anchor(store, frame, wx, wy);
    };
    s.trace = [&store, first](const MotionAnchor& anchor) {
        return trace_line_film(store, anchor, shown_frames(store, first));
    };
    s.paint_frame = [&store](mw31::Canvas& canvas, const FilmView& view, const PaintStyle& style,
                             int frame) {
        if (!shown(store, frame)) return false;
        LineFilmFramePainter(store, frame).paint(canvas, view, style);
        return true;
    };
    return s;
}

MotionSource usercoor_motion_source(const UsercoorFilm& film, int first) {
    MotionSource s;
    s.pick = [&film](int frame, double wx, double wy) {
        return pick_usercoor_anchor(film, frame, wx, wy);
    };
    s.trace = [&film, first](const MotionAnchor& anchor) {
        return trace_usercoor(film, anchor, shown_frames(film, first));
    };
    s.paint_frame = [&film](mw31::Canvas& canvas, const FilmView& view, const PaintStyle& style,
                            int frame) {
        if (!shown(film, frame)) return false;
        UsercoorFramePainter(film, frame).paint(canvas, view, style);
        return true;
    };
    return s;
}

}  // namespace film
