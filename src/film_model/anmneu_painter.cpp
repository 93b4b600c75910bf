// Drawing of placed symbols and whole ANMNEU frames.
#include "film_model/anmneu_painter.h"

#include <cmath>
#include <vector>

#include "film_model/contour_placement.h"
#include "mw31/message_queue.h"
#include "mw31/pen_cache.h"

namespace film {

namespace {

constexpr double kRasterLimit = 1 << 30;

int hold_raster(double v) {
    if (!(v > -kRasterLimit)) return v != v ? 0 : -int(kRasterLimit);  // NaN gives 0
    if (v > kRasterLimit) return int(kRasterLimit);
    return int(v);  // truncation toward zero
}

mw31::Rgb rgb_of(const Rgb& c) {
    return mw31::Rgb{c.r, c.g, c.b};
}

struct ScreenPoint {
    int x, y;
};

ScreenPoint to_pixels(const SymbolCanvas& c, double x, double y) {
    const RasterPoint r = world_to_raster(c.world, x, y);
    return ScreenPoint{c.to_screen.x(r.x), c.to_screen.y(r.y)};
}

void draw_arc(const SymbolCanvas& c, const ContourElement& e, const SymbolPlacement& p,
              const Placer& place, std::vector<WorldPoint>* chords) {
    if (placement_is_scaled(p)) {
        arc_polyline(e.x, e.y, e.r, e.start * 180 / M_PI, e.end * 180 / M_PI, p, c.pixel_width,
                     c.world.xr - c.world.xl, chords);
        for (size_t k = 0; k < chords->size(); ++k) {
            const ScreenPoint s = to_pixels(c, (*chords)[k].x, (*chords)[k].y);
            if (k == 0) {
                c.dc->move_to(s.x, s.y);
            } else {
                c.dc->line_to(s.x, s.y);
            }
        }
        return;
    }
    // A negative radius is the same circle turned by half a turn.
    double r = e.r, start = p.phi + e.start;
    if (r < 0) {
        r = -r;
        start += M_PI;
    }
    const WorldPoint centre = place(e.x, e.y);
    const ScreenPoint from =
        to_pixels(c, centre.x + r * std::cos(start), centre.y + r * std::sin(start));
    const ScreenPoint at = to_pixels(c, centre.x, centre.y);
    const double width = c.world.xr - c.world.xl;
    const int raster_r = hold_raster(r * kAnmneuRasterWidth / width + 0.5);
    c.dc->move_to(from.x, from.y);
    c.dc->angle_arc(at.x, at.y, c.to_screen.length(raster_r), start * 180 / M_PI,
                    (e.end - e.start) * 180 / M_PI);
}

}  // namespace

RasterPoint world_to_raster(const WorldWindow& w, double x, double y, int raster_width,
                            int raster_height) {
    return RasterPoint{hold_raster((x - w.xl) / (w.xr - w.xl) * raster_width),
                       hold_raster(raster_height - (y - w.yb) / (w.yt - w.yb) * raster_height)};
}

SymbolCanvas make_symbol_canvas(mw31::Canvas& dc, const WorldWindow& world, const FilmView& view,
                                int pen_width, bool invert, const ColourTable& colours) {
    return SymbolCanvas{
        &dc,    world,   FilmToScreen(view, kAnmneuRasterWidth), view.area.width(), pen_width,
        invert, &colours};
}

void select_colour_pen(const SymbolCanvas& c, int index) {
    const mw31::Rgb black{0, 0, 0}, white{255, 255, 255};
    // Black and white follow the display, whatever the pen width: the colour table holds
    // them the other way round, which would draw thick black lines white on white.
    if (index == 1 || index == 0) {
        const bool dark = (index == 1) != c.invert;
        const mw31::Rgb colour = dark ? black : white;
        if (c.pen_width == 1) {
            c.dc->select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, colour});
        } else {
            c.dc->select_pen(mw31::pen_from_cache(mw31::PenStyle::Solid, c.pen_width, colour));
        }
        return;
    }
    c.dc->select_pen(
        mw31::pen_from_cache(mw31::PenStyle::Solid, c.pen_width, rgb_of(c.colours->lookup(index))));
}

void draw_symbol(const SymbolCanvas& c, const ContourElement* elements, int count,
                 const SymbolPlacement& p, int colour) {
    select_colour_pen(c, colour);
    const Placer place(p);
    std::vector<WorldPoint> chords;
    for (int k = 0; k < count; ++k) {
        const ContourElement& e = elements[k];
        switch (contour_kind(e)) {
            case kContourMove:
            case kContourDraw: {
                const WorldPoint w = place(e.x, e.y);
                const ScreenPoint s = to_pixels(c, w.x, w.y);
                if (contour_kind(e) == kContourMove) {
                    c.dc->move_to(s.x, s.y);
                } else {
                    c.dc->line_to(s.x, s.y);
                }
                break;
            }
            case kContourArc:
                draw_arc(c, e, p, place, &chords);
                break;
            case kContourColour:
                select_colour_pen(c, hold_raster(e.x));
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

void draw_anmneu_frame(const AnmneuFilm& film, mw31::Window* window, const SymbolCanvas& c, int i,
                       int q, int a) {
    const double t = a > 0 ? double(q) / a : 0.0;
    if (i >= 0 && size_t(i) < film.frames.size()) {
        const AnmneuFrame& frame = film.frames[size_t(i)];
        if (!frame.label.empty()) {
            RasterPoint r = world_to_raster(c.world, frame.c1, frame.c2);
            r.y -= kAnmneuRasterHeight / 30;
            if (r.y < 1) r.y = 1;
            c.dc->text_out(c.to_screen.x(r.x), c.to_screen.y(r.y), frame.label);
            if (window) window->set_title(frame.label);
        }
    }
    for (int s = 0; s < film.symbol_count(); ++s) {
        const FilmSymbol& symbol = film.symbols[size_t(s)];
        draw_symbol(c, symbol.elements.data(), int(symbol.elements.size()),
                    interpolated_placement(film, i, s, t), symbol.colour);
        mw31::service_messages();
    }
}

}  // namespace film
