// Sub-step advance and wrap of ANMNEU playback, and the world-window view operations.
#include "film/anmneu_playback.h"

#include <cmath>

#include "film_model/anmneu_film.h"

namespace film {

std::vector<int> anmneu_film_menu() {
    return {kCmdAvi,
            kCmdEnd,
            kCmdSingleStep,
            kCmdDirection,
            kCmdSlower,
            kCmdFaster,
            kCmdInit,
            kCmdInvert,
            kCmdHardcopy,
            kCmdInfotext,
            kCmdDxf,
            kCmdSave,
            kCmdGrid,
            kCmdPhi1,
            kCmdPhi10,
            kCmdPhi100,
            kCmdMeasureReference};
}

void anmneu_advance(PlaybackState* s, int* substep) {
    const int phi = s->phi_factor < 1 ? 1 : s->phi_factor;
    if (phi != 1) s->step = 1;
    // A factor lowered since the last picture must not leave the sub-step beyond it, or the
    // backward count would draw pictures past the next frame.
    int q = anmneu_clamp_substep(*substep, phi);
    if (s->backward) {
        q -= 1;
        if (q < 0) {
            advance(s);
            q = phi - 1;
        }
    } else {
        q += 1;
        if (q >= phi) {
            advance(s);
            q = 0;
        }
    }
    *substep = q;
}

void anmneu_wrap_index(PlaybackState* s) {
    const int n = s->frame_count;
    if (n <= 0) {
        s->index = 0;
        return;
    }
    // Going backward past frame 0 continues at F-1, as going forward past F-1 continues at 0.
    int v = s->index % n;
    if (v < 0) v += n;
    s->index = v;
}

bool anmneu_measures_cycles(const PlaybackState& s) {
    return !single_step_on(s) && s.phi_factor == 1;
}

bool anmneu_takes_pause(const PlaybackState& s) {
    return !single_step_on(s);
}

void anmneu_screen_to_world(const FilmView& view, const WorldWindow& world, int x, int y,
                            double* wx, double* wy) {
    const double big_w = kAnmneuRasterWidth, big_h = kAnmneuRasterHeight;
    const double w = view.area.width() > 0 ? view.area.width() : 1;
    const double zoom = view.zoom > 0 ? view.zoom : 1.0;
    const double px = x - view.area.left, py = y - view.area.top;
    double ex, fy;
    if (view.fit) {
        ex = px * big_w / w;
        fy = py * big_w;
    } else {
        ex = big_w * (px - view.x0) / zoom / w;
        fy = big_w * (py - view.y0) / zoom;
    }
    *wx = world.xl + (world.xr - world.xl) * std::trunc(ex) / big_w;
    *wy = world.yb - (std::trunc(fy / w) - big_h) / big_h * (world.yt - world.yb);
}

namespace {

bool usable_extent(double lo, double hi) {
    const double e = hi - lo;
    return std::isfinite(lo) && std::isfinite(hi) && std::isfinite(e) && e > 0 &&
           e > 1e-12 * std::fmax(std::fabs(lo), std::fabs(hi)) && e < 1e300;
}

}  // namespace

bool anmneu_zoom_to_rectangle(WorldWindow* world, const FilmView& view, const mw31::Rect& dragged) {
    const int left = dragged.left < dragged.right ? dragged.left : dragged.right;
    const int right = dragged.left < dragged.right ? dragged.right : dragged.left;
    const int top = dragged.top < dragged.bottom ? dragged.top : dragged.bottom;
    const int bottom = dragged.top < dragged.bottom ? dragged.bottom : dragged.top;
    if (right - left < kMinZoomRectangle || bottom - top < kMinZoomRectangle) return false;
    double x1, y1, x2, y2;
    anmneu_screen_to_world(view, *world, left, bottom, &x1, &y1);
    anmneu_screen_to_world(view, *world, right, top, &x2, &y2);
    const double aspect = (world->xr - world->xl) / (world->yt - world->yb);
    double hx = (x2 - x1) / 2, hy = (y2 - y1) / 2;
    if (!(aspect > 0) || !std::isfinite(aspect)) return false;
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

bool anmneu_wheel_zoom(WorldWindow* world, const FilmView& view, int x, int y, int wheel) {
    const mw31::Rect& a = view.area;
    if (wheel == 0 || x < a.left || x >= a.right || y < a.top || y >= a.bottom) return false;
    double wx, wy;
    anmneu_screen_to_world(view, *world, x, y, &wx, &wy);
    const double px = (wx - world->xl) / (world->xr - world->xl);
    const double py = (wy - world->yb) / (world->yt - world->yb);
    // Forward shows more: the window widens.
    const double f = wheel > 0 ? 1.0 / kWheelZoomFactor : kWheelZoomFactor;
    return world_zoom_about(world, f, px, py) == 0;
}

}  // namespace film
