// Screen-to-world conversion and the zoom operations on the world window.
#include "film/world_zoom.h"

#include <algorithm>
#include <cmath>

#include "film/anmneu_playback.h"

namespace film {

namespace {

bool usable_extent(double lo, double hi) {
    const double e = hi - lo;
    return std::isfinite(lo) && std::isfinite(hi) && std::isfinite(e) && e > 0 &&
           e > 1e-12 * std::fmax(std::fabs(lo), std::fabs(hi)) && e < 1e300;
}

// Film units under a client pixel, the inverse of FilmToScreen (before its truncation).
void screen_to_film(const FilmView& view, int virtual_width, int x, int y, double* fx, double* fy) {
    const double w = view.area.width() > 0 ? view.area.width() : 1;
    const double big_w = virtual_width > 0 ? virtual_width : 1;
    const double px = x - view.area.left, py = y - view.area.top;
    if (view.fit) {
        *fx = px * big_w / w;
        *fy = py * big_w / w;
        return;
    }
    const double zoom = view.zoom > 0 ? view.zoom : 1.0;
    *fx = (px - view.x0) * big_w / (w * zoom);
    *fy = (py - view.y0) * big_w / (w * zoom);
}

}  // namespace

void screen_to_world(const FilmView& view, WorldMode mode, const WorldWindow& world,
                     int virtual_width, int x, int y, double* wx, double* wy) {
    switch (mode) {
        case WorldMode::Anmneu:
            anmneu_screen_to_world(view, world, x, y, wx, wy);
            return;
        case WorldMode::Usercoor:
            *wx = area_to_world_x(world, view.area, x);
            *wy = area_to_world_y(world, view.area, y);
            return;
        case WorldMode::None:
            screen_to_film(view, virtual_width, x, y, wx, wy);
            return;
    }
}

bool world_zoom_to_rectangle(WorldWindow* world, const FilmView& view, WorldMode mode,
                             const mw31::Rect& dragged) {
    const int left = std::min(dragged.left, dragged.right);
    const int right = std::max(dragged.left, dragged.right);
    const int top = std::min(dragged.top, dragged.bottom);
    const int bottom = std::max(dragged.top, dragged.bottom);
    if (right - left < kMinZoomRectangle || bottom - top < kMinZoomRectangle) return false;
    double x1, y1, x2, y2;
    screen_to_world(view, mode, *world, 0, left, bottom, &x1, &y1);
    screen_to_world(view, mode, *world, 0, right, top, &x2, &y2);
    const double aspect = (world->xr - world->xl) / (world->yt - world->yb);
    if (!(aspect > 0) || !std::isfinite(aspect)) return false;
    double hx = (x2 - x1) / 2, hy = (y2 - y1) / 2;
    if (hx > hy * aspect)
        hy = hx / aspect;
    else
        hx = hy * aspect;
    const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
    const WorldWindow next{cx - hx, cx + hx, cy - hy, cy + hy};
    if (!usable_extent(next.xl, next.xr) || !usable_extent(next.yb, next.yt)) return false;
    *world = next;
    return true;
}

bool world_wheel_zoom(WorldWindow* world, const FilmView& view, WorldMode mode, int x, int y,
                      int wheel) {
    const mw31::Rect& a = view.area;
    if (wheel == 0 || x < a.left || x >= a.right || y < a.top || y >= a.bottom) return false;
    double wx, wy;
    screen_to_world(view, mode, *world, 0, x, y, &wx, &wy);
    const double px = (wx - world->xl) / (world->xr - world->xl);
    const double py = (wy - world->yb) / (world->yt - world->yb);
    // Forward shows more: the window widens.
    const double f = wheel > 0 ? 1.0 / kWheelZoomFactor : kWheelZoomFactor;
    return world_zoom_about(world, f, px, py) == 0;
}

WorldZoom world_window_zoom(FilmWindow& fw, WorldWindow* window, const WorldWindow& initial) {
    fw.world_window = window;
    const WorldWindow* start = &initial;
    FilmWindow* f = &fw;
    return WorldZoom{[f, window, start] {
                         world_init(window, *start);
                         reset_view(&f->view);
                     },
                     [f, window](const mw31::Rect& dragged) {
                         return world_zoom_to_rectangle(window, f->view, f->world_mode, dragged);
                     },
                     [window] { world_zoom_out(window); },
                     [f, window](const mw31::Message& m) {
                         if (f->world_mode == WorldMode::None) return;
                         if (world_wheel_zoom(window, f->view, f->world_mode, m.x, m.y, m.wheel) &&
                             f->state.drag == kDragIdle)
                             f->state.drag = kDragRedraw;
                     }};
}

}  // namespace film
