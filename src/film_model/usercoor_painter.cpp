// The raster side of user-coordinates films: world units mapped directly onto the drawing
// area, pens and inverting records as line films draw them.
#include "film_model/usercoor_painter.h"

#include <algorithm>
#include <cmath>

#include "film_model/line_film_painter.h"
#include "film_model/paint_basics.h"
#include "film_model/world_window.h"

namespace film {

namespace {

class UsercoorRaster final : public FrameSink {
  public:
    UsercoorRaster(mw31::Canvas& canvas, const WorldWindow& world, const mw31::Rect& area,
                   const PaintStyle& style)
        : canvas_(canvas),
          map_(world, area),
          area_(area),
          colours_(style.colours ? *style.colours : film_colour_table()),
          pen_width_(style.pen_width),
          inverted_(style.inverted),
          pen_(foreground_pen(style.inverted)) {
        canvas.set_raster_op(mw31::RasterOp::Copy);
        canvas.select_pen(pen_);
        canvas.select_brush(background_brush(inverted_));
    }

    void colour(int colour) override {
        pen_ = colour_pen(colour, pen_width_, inverted_, colours_);
        canvas_.select_pen(pen_);
    }
    void move_to(double x, double y) override { canvas_.move_to(map_.x(x), map_.y(y)); }
    void line_to(double x, double y, bool inverting) override {
        if (inverting) start_inverting();
        canvas_.line_to(map_.x(x), map_.y(y));
        if (inverting) stop_inverting();
    }
    // From the arc's start point, so that the angle arc's leading line has no length.
    void arc(const FrameArc& a, bool inverting) override {
        if (inverting) start_inverting();
        canvas_.move_to(map_.x(a.cx + a.r * std::cos(a.start_rad)),
                        map_.y(a.cy + a.r * std::sin(a.start_rad)));
        canvas_.angle_arc(map_.x(a.cx), map_.y(a.cy), map_.length(a.r), a.start_deg, a.sweep_deg);
        if (inverting) stop_inverting();
    }
    void placed_arc(const PlacedArc&) override {}  // these films hold no symbols
    void filled_rect(double x1, double y1, double x2, double y2) override {
        const int ax = map_.x(x1), ay = map_.y(y1), bx = map_.x(x2), by = map_.y(y2);
        canvas_.rectangle(
            mw31::Rect{std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)});
    }
    // At the mapped point (the writer has lowered it below the frame's reference point
    // already), moved in as far as needed to stay inside the picture.
    void label(double x, double y, const std::string& text) override {
        if (text.empty()) return;
        int tx = map_.x(x), ty = map_.y(y);
        tx = std::max(area_.left, std::min(tx, area_.right - canvas_.text_width(text)));
        ty = std::max(area_.top, std::min(ty, area_.bottom - canvas_.text_height()));
        canvas_.set_text_colour(foreground_pen(inverted_).colour);
        canvas_.set_text_background(background_pen(inverted_).colour);
        canvas_.text_out(tx, ty, text);
    }

  private:
    void start_inverting() { begin_inverting(canvas_, pen_); }
    void stop_inverting() { end_inverting(canvas_, pen_); }

    mw31::Canvas& canvas_;
    const WorldToArea map_;
    const mw31::Rect area_;
    const ColourTable& colours_;
    int pen_width_;
    bool inverted_;
    mw31::Pen pen_;
};

}  // namespace

void draw_usercoor_frame(mw31::Canvas& canvas, const UsercoorFilm& film, int frame,
                         const mw31::Rect& area, const PaintStyle& style) {
    if (frame < 0 || frame >= film.frame_count()) return;
    UsercoorRaster raster(canvas, film.window, area, style);
    walk_usercoor_frame(film, frame, raster);
}

void UsercoorFramePainter::paint_background(mw31::Canvas& canvas, const FilmView& view,
                                            const PaintStyle& style) const {
    canvas.fill_rect(view.area, background_brush(style.inverted));
}

void UsercoorFramePainter::paint(mw31::Canvas& canvas, const FilmView& view,
                                 const PaintStyle& style) const {
    draw_usercoor_frame(canvas, film_, frame_, view.area, style);
}

void UsercoorFramePainter::walk(FrameSink& sink) const {
    walk_usercoor_frame(film_, frame_, sink);
}

std::unique_ptr<mw31::Picture> render_usercoor_frame(const UsercoorFilm& film, int frame, int width,
                                                     int height, const ColourTable& colours,
                                                     const PictureDecor* decor) {
    return render_frame_picture(UsercoorFramePainter(film, frame), width, height,
                                fitted_view(width, height), PaintStyle{1, false, &colours}, decor);
}

}  // namespace film
