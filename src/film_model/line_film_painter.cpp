// The raster side of line films: the frame walk in film units mapped to pixels with the
// window's pens, arcs and raster operations.
#include "film_model/line_film_painter.h"

#include <algorithm>
#include <cmath>

#include "mw31/pen_cache.h"

namespace film {

namespace {

mw31::Rect normalised(int x1, int y1, int x2, int y2) {
    return mw31::Rect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// Film units are the records' integers, so the walk's values convert back exactly.
class LineFilmRaster final : public FrameSink {
  public:
    LineFilmRaster(mw31::Canvas& canvas, const FilmToScreen& map, const ColourTable& colours,
                   int pen_width, bool inverted)
        : canvas_(canvas),
          map_(map),
          colours_(colours),
          pen_width_(pen_width),
          inverted_(inverted),
          pen_(foreground_pen(inverted)) {
        canvas.set_raster_op(mw31::RasterOp::Copy);
        canvas.select_pen(pen_);
        canvas.select_brush(background_brush(inverted));
    }

    void colour(int colour) override {
        pen_ = colour_pen(colour, pen_width_, inverted_, colours_);
        canvas_.select_pen(pen_);
    }
    void move_to(double x, double y) override { canvas_.move_to(px(x), py(y)); }
    void line_to(double x, double y, bool inverting) override {
        if (inverting) start_inverting();
        canvas_.line_to(px(x), py(y));
        if (inverting) stop_inverting();
    }
    // The pen is moved to the arc's start first, so that the angle arc's leading line has no
    // length.
    void arc(const FrameArc& a, bool inverting) override {
        if (inverting) start_inverting();
        const int x = px(a.cx), y = py(a.cy);
        const int r = map_.length(int32_t(a.r));
        // |r| stays within the screen limit, so these sums cannot overflow.
        canvas_.move_to(x + int(r * std::cos(a.start_rad) + 0.5),
                        y - int(r * std::sin(a.start_rad) + 0.5));
        canvas_.angle_arc(x, y, r, a.start_deg, a.sweep_deg);
        if (inverting) stop_inverting();
    }
    void placed_arc(const PlacedArc&) override {}  // line films place no symbols
    void filled_rect(double x1, double y1, double x2, double y2) override {
        canvas_.rectangle(normalised(px(x1), py(y1), px(x2), py(y2)));
    }
    void label(double, double, const std::string&) override {}  // line films have none

  private:
    int px(double v) const { return map_.x(int32_t(v)); }
    int py(double v) const { return map_.y(int32_t(v)); }
    void start_inverting() { begin_inverting(canvas_, pen_); }
    void stop_inverting() { end_inverting(canvas_, pen_); }

    mw31::Canvas& canvas_;
    const FilmToScreen map_;  // a copy: callers hand in temporaries
    const ColourTable& colours_;
    int pen_width_;
    bool inverted_;
    mw31::Pen pen_;
};

}  // namespace

mw31::Pen colour_pen(int colour, int pen_width, bool inverted, const ColourTable& colours) {
    const int c = ColourTable::index_of(colour);
    // Black (1) and white (0) follow the display at every width: the inverted display has
    // swapped them in the table, which would draw thick black elements black on black.
    if (c == 1 || c == 0) {
        const mw31::Pen pen = c == 1 ? foreground_pen(inverted) : background_pen(inverted);
        if (pen_width == 1) return pen;
        return mw31::pen_from_cache(mw31::PenStyle::Solid, pen_width, pen.colour);
    }
    return mw31::pen_from_cache(mw31::PenStyle::Solid, pen_width,
                                to_screen_rgb(colours.entries[c]));
}

void draw_film_records(mw31::Canvas& canvas, const FilmRecord* records, size_t count,
                       const FilmToScreen& map, double angle_divisor, const ColourTable& colours,
                       int pen_width, bool inverted) {
    LineFilmRaster raster(canvas, map, colours, pen_width, inverted);
    walk_film_records(records, count, angle_divisor, raster);
}

void draw_film_frame(mw31::Canvas& canvas, const FrameStore& store, int frame, const FilmView& view,
                     const ColourTable& colours, int pen_width, bool inverted) {
    if (frame < 0 || frame >= store.frame_count()) return;
    LineFilmRaster raster(canvas, FilmToScreen(view, store.virtual_width), colours, pen_width,
                          inverted);
    walk_line_film_frame(store, frame, raster);
}

void fill_erase_rect(mw31::Canvas& canvas, const FrameStore& store, bool inverted) {
    const mw31::Rect& r = store.erase_rect;
    const mw31::Rect n = normalised(r.left, r.top, r.right, r.bottom);
    if (n.width() > 0 && n.height() > 0) canvas.fill_rect(n, background_brush(inverted));
}

EraseRectMapper erase_rect_mapper(const FilmView& view) {
    return [view](const mw31::Rect& film_rect, int virtual_width) {
        return map_film_rect(view, film_rect, virtual_width);
    };
}

void LineFilmFramePainter::paint_background(mw31::Canvas& canvas, const FilmView&,
                                            const PaintStyle& style) const {
    fill_erase_rect(canvas, store_, style.inverted);
}

void LineFilmFramePainter::paint(mw31::Canvas& canvas, const FilmView& view,
                                 const PaintStyle& style) const {
    draw_film_frame(canvas, store_, frame_, view, *style.colours, style.pen_width, style.inverted);
}

void LineFilmFramePainter::walk(FrameSink& sink) const {
    walk_line_film_frame(store_, frame_, sink);
}

std::unique_ptr<mw31::Picture> render_film_frame(const FrameStore& store, int frame, int width,
                                                 int height, const ColourTable& colours,
                                                 const FilmView* view, int pen_width,
                                                 bool inverted) {
    return render_frame_picture(LineFilmFramePainter(store, frame), width, height,
                                view ? *view : fitted_view(width, height),
                                PaintStyle{pen_width, inverted, &colours});
}

}  // namespace film
