// Walking user-coordinates records: pairs are taken together, second halves never on their own.
#include "film_model/usercoor_walk.h"

#include <cmath>

namespace film {

namespace {
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

// The record's kind as a small whole number, or 0 for anything else (even NaN).
int kind_of(const UsercoorRecord& r) {
    return r.kind >= -1 && r.kind <= 15 && r.kind == std::floor(r.kind) ? int(r.kind) : 0;
}

void walk_arc(const UsercoorRecord& centre, const UsercoorRecord& rest, bool inverting,
              FrameSink& sink) {
    const double start = rest.a;
    const double sweep = rest.b - rest.a;
    if (!std::isfinite(start) || !std::isfinite(sweep)) return;
    sink.arc(FrameArc{centre.a, centre.b, rest.kind, start, sweep, start * kDegToRad}, inverting);
}
}  // namespace

void walk_usercoor_records(const UsercoorFilm& film, UsercoorFrame records, FrameSink& sink) {
    const size_t count = records.size();
    for (size_t i = 0; i < count; ++i) {
        const UsercoorRecord& rec = records[i];
        switch (kind_of(rec)) {
            case kUcColour:
                sink.colour(held_int(rec.a));
                break;
            case kUcMoveTo:
                sink.move_to(rec.a, rec.b);
                break;
            case kUcLineTo:
            case kUcXorLineTo:
                sink.line_to(rec.a, rec.b, kind_of(rec) == kUcXorLineTo);
                break;
            case kUcFilledRect:
                if (++i >= count) break;
                sink.filled_rect(rec.a, rec.b, records[i].a, records[i].b);
                break;
            case kUcText:
                if (++i >= count) break;
                sink.label(rec.b, records[i].a, film.text(rec.a));
                break;
            case kUcArc:
            case kUcXorArc5:
            case kUcArc5:
                if (++i >= count) break;
                walk_arc(rec, records[i], kind_of(rec) == kUcXorArc5, sink);
                break;
            default:
                break;
        }
    }
}

void walk_usercoor_frame(const UsercoorFilm& film, int frame, FrameSink& sink) {
    if (frame < 0 || frame >= film.frame_count()) return;
    walk_usercoor_records(film, film.frame(frame), sink);
}

std::string usercoor_frame_title(const UsercoorFilm& film, int frame) {
    if (frame < 0 || frame >= film.frame_count()) return {};
    const UsercoorFrame records = film.frame(frame);
    std::string title;
    for (size_t i = 0; i < records.size(); ++i) {
        switch (kind_of(records[i])) {
            case kUcText:
                if (i + 1 < records.size()) title = film.text(records[i].a);
                ++i;
                break;
            case kUcFilledRect:
            case kUcArc:
            case kUcXorArc5:
            case kUcArc5:
                ++i;  // the second half of a pair is no record of its own
                break;
            default:
                break;
        }
    }
    return title;
}

}  // namespace film
