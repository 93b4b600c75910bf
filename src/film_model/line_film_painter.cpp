// Draws line-film records with the window's pens, mapping, arcs and raster operations.
#include "film_model/line_film_painter.h"

#include <algorithm>
#include <cmath>

#include "mw31/pen_cache.h"

namespace film {

namespace {
constexpr mw31::Rgb kBlack{0, 0, 0};
constexpr mw31::Rgb kWhite{255, 255, 255};
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

mw31::Rect normalised(int x1, int y1, int x2, int y2) {
    return mw31::Rect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// Centre, radius and raw angles of an arc pair; the pen is moved to the arc's start first so
// that the angle arc's leading line has no length.
void draw_arc(mw31::Canvas& canvas, const FilmToScreen& map, double divisor,
              const FilmRecord& centre, const FilmRecord& rest) {
    const int x = map.x(centre.a), y = map.y(centre.b);
    const int r = map.length(rest.kind);
    const double start = rest.a / divisor;
    const double sweep = (double(rest.b) - double(rest.a)) / divisor;
    if (!std::isfinite(start) || !std::isfinite(sweep)) return;
    const double alpha = start * kDegToRad;
    // |r| stays within the screen limit, so these sums cannot overflow.
    canvas.move_to(x + int(r * std::cos(alpha) + 0.5), y - int(r * std::sin(alpha) + 0.5));
    canvas.angle_arc(x, y, r, start, sweep);
}
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

mw31::Pen colour_pen(int colour, int pen_width, bool inverted, const ColourTable& colours) {
    const int c = ColourTable::index_of(colour);
    if (pen_width == 1 && c == 1) return foreground_pen(inverted);
    if (pen_width == 1 && c == 0) return background_pen(inverted);
    return mw31::pen_from_cache(mw31::PenStyle::Solid, pen_width,
                                to_screen_rgb(colours.entries[c]));
}

void draw_film_records(mw31::Canvas& canvas, const FilmRecord* records, size_t count,
                       const FilmToScreen& map, double angle_divisor, const ColourTable& colours,
                       int pen_width, bool inverted) {
    if (angle_divisor == 0 || !std::isfinite(angle_divisor)) angle_divisor = kDefaultAngleDivisor;
    mw31::Pen pen = foreground_pen(inverted);
    // Inverting records flip what is under them whatever the pen's colour, so that drawing
    // them twice restores the picture; the pen's width and style still apply.
    auto inverting = [&] {
        mw31::Pen flip = pen;
        flip.colour = kWhite;
        canvas.select_pen(flip);
        canvas.set_raster_op(mw31::RasterOp::Xor);
    };
    auto copying = [&] {
        canvas.set_raster_op(mw31::RasterOp::Copy);
        canvas.select_pen(pen);
    };
    canvas.set_raster_op(mw31::RasterOp::Copy);
    canvas.select_pen(pen);
    canvas.select_brush(background_brush(inverted));
    for (size_t i = 0; i < count; ++i) {
        const FilmRecord& rec = records[i];
        switch (rec.kind) {
            case kColour:
                pen = colour_pen(rec.a, pen_width, inverted, colours);
                canvas.select_pen(pen);
                break;
            case kMoveTo:
                canvas.move_to(map.x(rec.a), map.y(rec.b));
                break;
            case kLineTo:
                canvas.line_to(map.x(rec.a), map.y(rec.b));
                break;
            case kXorLineTo:
                inverting();
                canvas.line_to(map.x(rec.a), map.y(rec.b));
                copying();
                break;
            case kFilledRect:
                if (++i >= count) break;
                canvas.rectangle(normalised(map.x(rec.a), map.y(rec.b), map.x(records[i].a),
                                            map.y(records[i].b)));
                break;
            case kArc:
                if (++i >= count) break;
                draw_arc(canvas, map, angle_divisor, rec, records[i]);
                break;
            case kXorArc:
                if (++i >= count) break;
                inverting();
                draw_arc(canvas, map, angle_divisor, rec, records[i]);
                copying();
                break;
            case kPoint:
                ++i;
                break;  // stored for others, drawn by nobody
            default:
                break;
        }
    }
}

void draw_film_frame(mw31::Canvas& canvas, const FrameStore& store, int frame, const FilmView& view,
                     const ColourTable& colours, int pen_width, bool inverted) {
    if (frame < 0 || frame >= store.frame_count()) return;
    const FrameRecords records = store.frame(frame);
    draw_film_records(canvas, records.data(), records.size(),
                      FilmToScreen(view, store.virtual_width), store.angle_divisor, colours,
                      pen_width, inverted);
}

void fill_erase_rect(mw31::Canvas& canvas, const FrameStore& store, bool inverted) {
    const mw31::Rect& r = store.erase_rect;
    const mw31::Rect n = normalised(r.left, r.top, r.right, r.bottom);
    if (n.width() > 0 && n.height() > 0) canvas.fill_rect(n, background_brush(inverted));
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

EraseRectMapper erase_rect_mapper(const FilmView& view) {
    return [view](const mw31::Rect& film_rect, int virtual_width) {
        return map_film_rect(view, film_rect, virtual_width);
    };
}

FilmView fitted_view(int width, int height) {
    FilmView view;
    view.area = fit_drawing_area(mw31::Rect{0, 0, width, height});
    return view;
}

std::unique_ptr<mw31::Picture> render_film_frame(const FrameStore& store, int frame, int width,
                                                 int height, const ColourTable& colours,
                                                 const FilmView* view, int pen_width,
                                                 bool inverted) {
    std::unique_ptr<mw31::Picture> picture = mw31::create_picture(width, height);
    if (!picture) return nullptr;
    const FilmView v = view ? *view : fitted_view(width, height);
    mw31::Canvas& canvas = picture->canvas();
    const mw31::Rect client{0, 0, width, height};
    canvas.fill_rect(client, background_brush(inverted));
    fill_erase_rect(canvas, store, inverted);
    draw_film_frame(canvas, store, frame, v, colours, pen_width, inverted);
    // The window's picture ends at the drawing area and the margins are cleared around it.
    clear_margins(canvas, client, v.area, inverted);
    return picture;
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

}  // namespace film
