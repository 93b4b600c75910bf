// Grid, crosshair and measurement drawing.
#include "film/overlays.h"

#include <cmath>

#include "film/world_zoom.h"
#include "film_model/anmneu_painter.h"
#include "film_model/paint_basics.h"

namespace film {

namespace {

constexpr double kMarkSize = 0.004;  // of the window's width
constexpr int kMaxGridLines = 4000;  // per direction; the spacing rule gives far fewer

int32_t held_units(double v) {
    if (!(v == v)) return 0;
    constexpr double kLimit = 2147483647.0;
    return int32_t(v > kLimit ? kLimit : v < -kLimit ? -kLimit : v);
}

void line(mw31::Canvas& c, mw31::Point a, mw31::Point b) {
    c.move_to(a.x, a.y);
    c.line_to(b.x, b.y);
}

void text_at(mw31::Canvas& c, int x, int y, const std::string& text, mw31::Rgb colour) {
    c.set_text_transparent(true);
    c.set_text_colour(colour);
    c.text_out(x, y, text);
    c.set_text_transparent(false);
}

// A cross whose arms are 2s wide and 3s high.
void mark(mw31::Canvas& c, const WorldPicture& map, double x, double y, double s) {
    line(c, map.at(x - s, y), map.at(x + s, y));
    line(c, map.at(x, y - 1.5 * s), map.at(x, y + 1.5 * s));
}

}  // namespace

WorldPicture::WorldPicture(WorldMode mode, const WorldWindow& world, const FilmView& view,
                           int virtual_width)
    : mode_(mode), world_(world), view_(view), virtual_width_(virtual_width) {}

mw31::Point WorldPicture::at(double wx, double wy) const {
    switch (mode_) {
        case WorldMode::Anmneu: {
            const RasterPoint r = world_to_raster(world_, wx, wy);
            const FilmToScreen s(view_, kAnmneuRasterWidth);
            return mw31::Point{s.x(r.x), s.y(r.y)};
        }
        case WorldMode::Usercoor: {
            const WorldToArea s(world_, view_.area);
            return mw31::Point{s.x(wx), s.y(wy)};
        }
        case WorldMode::None:
            break;
    }
    const FilmToScreen s(view_, virtual_width_);
    return mw31::Point{s.x(held_units(wx)), s.y(held_units(wy))};
}

void WorldPicture::world_of(int x, int y, double* wx, double* wy) const {
    screen_to_world(view_, mode_, world_, virtual_width_, x, y, wx, wy);
}

OverlayStyle overlay_style(const PaintStyle& style) {
    OverlayStyle o;
    o.pen_width = style.pen_width;
    o.text = foreground_pen(style.inverted).colour;
    if (style.colours) o.measure = to_screen_rgb(style.colours->lookup(2));
    return o;
}

void draw_grid(mw31::Canvas& canvas, const WorldPicture& map, int pen_width) {
    const mw31::Rect& a = map.view().area;
    if (a.width() <= 0 || a.height() <= 0) return;
    double x1, y1, x2, y2;
    map.world_of(a.left, a.bottom, &x1, &y1);
    map.world_of(a.right, a.top, &x2, &y2);
    const double xmin = std::fmin(x1, x2), xmax = std::fmax(x1, x2);
    const double ymin = std::fmin(y1, y2), ymax = std::fmax(y1, y2);
    const double s = grid_spacing_for(xmax - xmin, ymax - ymin);
    if (!(s > 0)) return;
    canvas.select_pen(mw31::Pen{mw31::PenStyle::Solid, pen_width < 1 ? 1 : pen_width, kGridGrey});
    // Anchored at multiples of the spacing, so the lines stay put while the film plays.
    const double kx = std::ceil(xmin / s), ky = std::ceil(ymin / s);
    for (int k = 0; k < kMaxGridLines && (kx + k) * s <= xmax; ++k) {
        const int x = map.at((kx + k) * s, ymin).x;
        line(canvas, {x, a.top}, {x, a.bottom});
    }
    for (int k = 0; k < kMaxGridLines && (ky + k) * s <= ymax; ++k) {
        const int y = map.at(xmin, (ky + k) * s).y;
        line(canvas, {a.left, y}, {a.right, y});
    }
}

void draw_crosshair(mw31::Canvas& canvas, const FilmView& view, const MouseAt& mouse,
                    const OverlayStyle& style) {
    const mw31::Rect& a = view.area;
    if (mouse.x < a.left || mouse.x >= a.right || mouse.y < a.top || mouse.y >= a.bottom) return;
    canvas.select_pen(
        mw31::Pen{mw31::PenStyle::Solid, style.pen_width < 1 ? 1 : style.pen_width, kGridGrey});
    line(canvas, {mouse.x, a.top}, {mouse.x, a.bottom});
    line(canvas, {a.left, mouse.y}, {a.right, mouse.y});
    const std::string text = coordinate_text(mouse.wx, mouse.wy);
    if (!text.empty()) text_at(canvas, mouse.x + 5, mouse.y - 15, text, style.text);
}

void draw_measurement(mw31::Canvas& canvas, const WorldPicture& map, const MeasureState& m,
                      const MouseAt* mouse, const OverlayStyle& style) {
    const WorldWindow& w = map.world();
    const double s = kMarkSize * (w.xr - w.xl);
    canvas.select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, style.measure});
    const bool ref = reference_set(m), dir = ref && direction_set(m);
    if (ref) mark(canvas, map, m.ref_x, m.ref_y, s);
    if (dir) {
        const mw31::Point lo = map.at(m.dir_x - s, m.dir_y - s);
        const mw31::Point hi = map.at(m.dir_x + s, m.dir_y + s);
        canvas.move_to(lo.x, lo.y);
        canvas.line_to(hi.x, lo.y);
        canvas.line_to(hi.x, hi.y);
        canvas.line_to(lo.x, hi.y);
        canvas.line_to(lo.x, lo.y);
        mark(canvas, map, m.dir_x, m.dir_y, s);
        line(canvas, map.at(m.ref_x, m.ref_y), map.at(m.dir_x, m.dir_y));
        const mw31::Point mid = map.at((m.ref_x + m.dir_x) / 2, (m.ref_y + m.dir_y) / 2);
        text_at(canvas, mid.x, mid.y, length_angle_text(m.dir_x - m.ref_x, m.dir_y - m.ref_y),
                style.measure);
    }
    if (!m.armed || !mouse) return;
    canvas.select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, style.measure});
    line(canvas, map.at(mouse->wx - s, mouse->wy - s), map.at(mouse->wx + s, mouse->wy + s));
    line(canvas, map.at(mouse->wx - s, mouse->wy + s), map.at(mouse->wx + s, mouse->wy - s));
    const mw31::Rect& a = map.view().area;
    const bool inside =
        mouse->x >= a.left && mouse->x < a.right && mouse->y >= a.top && mouse->y < a.bottom;
    if (!ref || !inside) return;
    const mw31::Point from = map.at(m.ref_x, m.ref_y);
    line(canvas, from, {mouse->x, mouse->y});
    const double dx = mouse->wx - m.ref_x, dy = mouse->wy - m.ref_y;
    const int mx = (from.x + mouse->x) / 2, my = (from.y + mouse->y) / 2;
    text_at(canvas, mx, my, length_angle_text(dx, dy), style.measure);
    if (dir)
        text_at(canvas, mx, my + canvas.text_height(),
                angle_difference_text(m.dir_x - m.ref_x, m.dir_y - m.ref_y, dx, dy), style.measure);
}

void toggle_line_crosshair(mw31::Canvas& canvas, const mw31::Rect& area, int x, int y,
                           LineCrosshair* c) {
    if (c->drawn) {
        for (size_t i = 0; i < c->points.size(); ++i)
            canvas.set_pixel(c->points[i].x, c->points[i].y, c->under[i]);
        c->points.clear();
        c->under.clear();
        c->drawn = false;
        return;
    }
    c->points.clear();
    c->under.clear();
    auto dash = [&](int px, int py, int along) {
        if ((along / kCrosshairDash) % 2 != 0 || c->points.size() >= kMaxCrosshairPixels) return;
        c->points.push_back({px, py});
    };
    if (y >= area.top && y < area.bottom)
        for (int px = area.left; px < area.right; ++px) dash(px, y, px - area.left);
    if (x >= area.left && x < area.right)
        for (int py = area.top; py < area.bottom; ++py)
            if (py != y) dash(x, py, py - area.top);
    // All saved before any is drawn: where the lines cross, the pixel under both is the
    // window's own.
    c->under.reserve(c->points.size());
    for (const mw31::Point& p : c->points) c->under.push_back(canvas.get_pixel(p.x, p.y));
    for (const mw31::Point& p : c->points) canvas.set_pixel(p.x, p.y, kGridGrey);
    c->drawn = true;
}

}  // namespace film
