// The frame walk: line-film records and ANMNEU pictures handed to a sink in film units.
#include "film_model/frame_walk.h"

#include <cmath>

#include "film_model/contour_placement.h"

namespace film {

namespace {
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
constexpr double kIntLimit = 1 << 30;

// Centre, radius and raw angles of an arc pair.
void walk_arc(const FilmRecord& centre, const FilmRecord& rest, double divisor, bool inverting,
              FrameSink& sink) {
    const double start = rest.a / divisor;
    const double sweep = (double(rest.b) - double(rest.a)) / divisor;
    if (!std::isfinite(start) || !std::isfinite(sweep)) return;
    sink.arc(FrameArc{double(centre.a), double(centre.b), double(rest.kind), start, sweep,
                      start * kDegToRad},
             inverting);
}
}  // namespace

int held_int(double v) {
    if (!(v > -kIntLimit)) return v != v ? 0 : -int(kIntLimit);  // NaN gives 0
    if (v > kIntLimit) return int(kIntLimit);
    return int(v);
}

void walk_film_records(const FilmRecord* records, size_t count, double angle_divisor,
                       FrameSink& sink) {
    if (angle_divisor == 0 || !std::isfinite(angle_divisor)) angle_divisor = kDefaultAngleDivisor;
    for (size_t i = 0; i < count; ++i) {
        const FilmRecord& rec = records[i];
        switch (rec.kind) {
            case kColour:
                sink.colour(rec.a);
                break;
            case kMoveTo:
                sink.move_to(rec.a, rec.b);
                break;
            case kLineTo:
            case kXorLineTo:
                sink.line_to(rec.a, rec.b, rec.kind == kXorLineTo);
                break;
            case kFilledRect:
                if (++i >= count) break;
                sink.filled_rect(rec.a, rec.b, records[i].a, records[i].b);
                break;
            case kArc:
            case kXorArc:
                if (++i >= count) break;
                walk_arc(rec, records[i], angle_divisor, rec.kind == kXorArc, sink);
                break;
            case kPoint:
                ++i;
                break;  // stored for others, drawn by nobody
            default:
                break;
        }
    }
}

void walk_line_film_frame(const FrameStore& store, int frame, FrameSink& sink) {
    if (frame < 0 || frame >= store.frame_count()) return;
    const FrameRecords records = store.frame(frame);
    walk_film_records(records.data(), records.size(), store.angle_divisor, sink);
}

void walk_symbol(const ContourElement* elements, int count, const SymbolPlacement& p, int colour,
                 FrameSink& sink) {
    sink.colour(colour);
    const Placer place(p);
    const bool scaled = placement_is_scaled(p);
    for (int k = 0; k < count; ++k) {
        const ContourElement& e = elements[k];
        switch (contour_kind(e)) {
            case kContourMove: {
                const WorldPoint w = place(e.x, e.y);
                sink.move_to(w.x, w.y);
                break;
            }
            case kContourDraw: {
                const WorldPoint w = place(e.x, e.y);
                sink.line_to(w.x, w.y, false);
                break;
            }
            case kContourArc: {
                if (scaled) {
                    sink.placed_arc(PlacedArc{&e, p});
                    break;
                }
                // A negative radius is the same circle turned by half a turn.
                double r = e.r, start = p.phi + e.start;
                if (r < 0) {
                    r = -r;
                    start += M_PI;
                }
                const WorldPoint c = place(e.x, e.y);
                sink.arc(FrameArc{c.x, c.y, r, start * 180 / M_PI, (e.end - e.start) * 180 / M_PI,
                                  start},
                         false);
                break;
            }
            case kContourColour:
                sink.colour(held_int(e.x));
                break;
            default:
                break;
        }
    }
}

SymbolPlacement interpolated_placement(const AnmneuFilm& film, int i, int s, double t) {
    const SymbolPlacement a = anmneu_placement(film, i, s);
    if (t == 0) return a;
    const SymbolPlacement b = anmneu_placement(film, anmneu_next_frame(film, i), s);
    return SymbolPlacement{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y),
                           a.phi + t * (b.phi - a.phi), a.sx + t * (b.sx - a.sx),
                           a.sy + t * (b.sy - a.sy)};
}

void walk_anmneu_picture(const AnmneuFilm& film, const AnmneuPicture& picture, FrameSink& sink,
                         const std::function<void()>& between_symbols) {
    const int phi = picture.phi_factor < 1 ? 1 : picture.phi_factor;
    const double t = double(anmneu_clamp_substep(picture.substep, phi)) / phi;
    const int i = picture.frame;
    if (i >= 0 && size_t(i) < film.frames.size()) {
        const AnmneuFrame& frame = film.frames[size_t(i)];
        if (!frame.label.empty()) sink.label(frame.c1, frame.c2, frame.label);
    }
    for (int s = 0; s < film.symbol_count(); ++s) {
        const FilmSymbol& symbol = film.symbols[size_t(s)];
        walk_symbol(symbol.elements.data(), int(symbol.elements.size()),
                    interpolated_placement(film, i, s, t), symbol.colour, sink);
        if (between_symbols) between_symbols();
    }
}

}  // namespace film
