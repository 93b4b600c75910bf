// The raster side of ANMNEU pictures: the frame walk in world units mapped onto the raster and
// then onto pixels, with the colour pens and the angle arcs of the window.
#include "film_model/anmneu_painter.h"

#include <cmath>
#include <vector>

#include "film_model/contour_placement.h"
#include "film_model/paint_basics.h"
#include "mw31/pen_cache.h"
#include "mw31/status_panel.h"

namespace film {

namespace {

const mw31::Rect kRasterRect{0, 0, kAnmneuRasterWidth, kAnmneuRasterHeight};

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

// The walk in world units onto a symbol canvas.
class SymbolRaster final : public FrameSink {
  public:
    explicit SymbolRaster(const SymbolCanvas& c) : c_(c) {}

    void colour(int colour) override { select_colour_pen(c_, colour); }
    void move_to(double x, double y) override {
        const ScreenPoint s = to_pixels(c_, x, y);
        c_.dc->move_to(s.x, s.y);
    }
    void line_to(double x, double y, bool) override {
        const ScreenPoint s = to_pixels(c_, x, y);
        c_.dc->line_to(s.x, s.y);
    }
    void arc(const FrameArc& a, bool) override {
        const ScreenPoint from =
            to_pixels(c_, a.cx + a.r * std::cos(a.start_rad), a.cy + a.r * std::sin(a.start_rad));
        const ScreenPoint at = to_pixels(c_, a.cx, a.cy);
        const double width = c_.world.xr - c_.world.xl;
        const int raster_r = held_int(a.r * kAnmneuRasterWidth / width + 0.5);
        c_.dc->move_to(from.x, from.y);
        c_.dc->angle_arc(at.x, at.y, c_.to_screen.length(raster_r), a.start_deg, a.sweep_deg);
    }
    void placed_arc(const PlacedArc& a) override {
        const ContourElement& e = *a.element;
        arc_polyline(e.x, e.y, e.r, e.start * 180 / M_PI, e.end * 180 / M_PI, a.placement,
                     c_.pixel_width, c_.world.xr - c_.world.xl, &chords_);
        for (size_t k = 0; k < chords_.size(); ++k) {
            const ScreenPoint s = to_pixels(c_, chords_[k].x, chords_[k].y);
            if (k == 0) {
                c_.dc->move_to(s.x, s.y);
            } else {
                c_.dc->line_to(s.x, s.y);
            }
        }
    }
    void filled_rect(double x1, double y1, double x2, double y2) override {
        const ScreenPoint a = to_pixels(c_, x1, y1), b = to_pixels(c_, x2, y2);
        c_.dc->rectangle(mw31::Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                                    std::max(a.y, b.y)});
    }
    // Raised by a thirtieth of the raster above its point, and kept inside the picture.
    void label(double x, double y, const std::string& text) override {
        RasterPoint r = world_to_raster(c_.world, x, y);
        r.y -= kAnmneuRasterHeight / 30;
        if (r.y < 1) r.y = 1;
        c_.dc->text_out(c_.to_screen.x(r.x), c_.to_screen.y(r.y), text);
    }

  private:
    const SymbolCanvas& c_;
    std::vector<WorldPoint> chords_;
};

}  // namespace

RasterPoint world_to_raster(const WorldWindow& w, double x, double y, int raster_width,
                            int raster_height) {
    return RasterPoint{held_int((x - w.xl) / (w.xr - w.xl) * raster_width),
                       held_int(raster_height - (y - w.yb) / (w.yt - w.yb) * raster_height)};
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
    SymbolRaster raster(c);
    walk_symbol(elements, count, p, colour, raster);
}

void draw_anmneu_frame(const AnmneuFilm& film, const SymbolCanvas& c, int i, int q, int a,
                       const std::function<void()>& between_symbols) {
    SymbolRaster raster(c);
    walk_anmneu_picture(film, AnmneuPicture{i, q, a}, raster, between_symbols);
}

void show_frame_label_as_title(mw31::Window& window, const AnmneuFilm& film, int frame) {
    if (frame < 0 || size_t(frame) >= film.frames.size()) return;
    const std::string& label = film.frames[size_t(frame)].label;
    if (!label.empty()) window.set_title(label);
}

void AnmneuFramePainter::paint_background(mw31::Canvas& canvas, const FilmView& view,
                                          const PaintStyle& style) const {
    canvas.fill_rect(map_film_rect(view, kRasterRect, kAnmneuRasterWidth),
                     background_brush(style.inverted));
}

void AnmneuFramePainter::paint(mw31::Canvas& canvas, const FilmView& view,
                               const PaintStyle& style) const {
    canvas.select_pen(foreground_pen(style.inverted));
    const SymbolCanvas c = make_symbol_canvas(canvas, film_.window, view, style.pen_width,
                                              style.inverted, *style.colours);
    SymbolRaster raster(c);
    walk_anmneu_picture(film_, picture_, raster, between_symbols_);
}

void AnmneuFramePainter::walk(FrameSink& sink) const {
    walk_anmneu_picture(film_, picture_, sink);
}

std::unique_ptr<mw31::Picture> render_anmneu_frame(const AnmneuFilm& film, int frame, int substep,
                                                   int phi_factor, int width, int height,
                                                   const ColourTable& colours,
                                                   const PictureDecor* decor) {
    // The caption at the foot over everything else, as the window shows it.
    PictureDecor with_caption = decor ? *decor : PictureDecor{};
    with_caption.over = [&film, frame, over = with_caption.over](mw31::Canvas& canvas,
                                                                 const FilmView& view) {
        if (over) over(canvas, view);
        if (frame >= 0 && size_t(frame) < film.frames.size())
            mw31::draw_status_panel(canvas, view.area.width(), view.area.height(),
                                    film.frames[size_t(frame)].caption);
    };
    return render_frame_picture(AnmneuFramePainter(film, AnmneuPicture{frame, substep, phi_factor}),
                                width, height, fitted_view(width, height),
                                PaintStyle{1, false, &colours}, &with_caption);
}

}  // namespace film
