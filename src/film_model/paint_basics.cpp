// Stock pens, cleared pictures and margins of the film pictures.
#include "film_model/paint_basics.h"

namespace film {

namespace {
constexpr mw31::Rgb kBlack{0, 0, 0};
constexpr mw31::Rgb kWhite{255, 255, 255};
}  // namespace

mw31::Pen foreground_pen(bool inverted) {
    return mw31::Pen{mw31::PenStyle::Solid, 1, inverted ? kWhite : kBlack};
}
mw31::Pen background_pen(bool inverted) {
    return mw31::Pen{mw31::PenStyle::Solid, 1, inverted ? kBlack : kWhite};
}
mw31::Brush background_brush(bool inverted) {
    return mw31::Brush{inverted ? kBlack : kWhite, false};
}
mw31::Rgb to_screen_rgb(const Rgb& c) {
    return mw31::Rgb{c.r, c.g, c.b};
}

void clear_margins(mw31::Canvas& canvas, const mw31::Rect& client, const mw31::Rect& area,
                   bool inverted) {
    const mw31::Brush brush = background_brush(inverted);
    const mw31::Rect strips[] = {
        {client.left, client.top, area.left, client.bottom},    // left
        {area.right, client.top, client.right, client.bottom},  // right
        {area.left, client.top, area.right, area.top},          // top
        {area.left, area.bottom, area.right, client.bottom},    // bottom
    };
    for (const mw31::Rect& s : strips)
        if (s.width() > 0 && s.height() > 0) canvas.fill_rect(s, brush);
}

void clear_picture(mw31::Picture& picture, bool inverted) {
    picture.canvas().fill_rect(mw31::Rect{0, 0, picture.width(), picture.height()},
                               background_brush(inverted));
}

std::unique_ptr<mw31::Picture> make_area_picture(const FilmView& view, bool inverted) {
    auto picture = mw31::create_picture(view.area.width() > 0 ? view.area.width() : 1,
                                        view.area.height() > 0 ? view.area.height() : 1);
    if (picture) clear_picture(*picture, inverted);
    return picture;
}

FilmView fitted_view(int width, int height) {
    FilmView view;
    view.area = fit_drawing_area(mw31::Rect{0, 0, width, height});
    return view;
}

void begin_inverting(mw31::Canvas& canvas, const mw31::Pen& pen) {
    mw31::Pen flip = pen;
    flip.colour = mw31::Rgb{255, 255, 255};
    canvas.select_pen(flip);
    canvas.set_raster_op(mw31::RasterOp::Xor);
}

void end_inverting(mw31::Canvas& canvas, const mw31::Pen& pen) {
    canvas.set_raster_op(mw31::RasterOp::Copy);
    canvas.select_pen(pen);
}

}  // namespace film
