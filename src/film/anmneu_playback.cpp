// Sub-step advance and wrap of ANMNEU playback, and the world-window view operations.
#include "film/anmneu_playback.h"

#include <cmath>

#include "film/world_zoom.h"
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

bool anmneu_zoom_to_rectangle(WorldWindow* world, const FilmView& view, const mw31::Rect& dragged) {
    return world_zoom_to_rectangle(world, view, WorldMode::Anmneu, dragged);
}

bool anmneu_wheel_zoom(WorldWindow* world, const FilmView& view, int x, int y, int wheel) {
    return world_wheel_zoom(world, view, WorldMode::Anmneu, x, y, wheel);
}

}  // namespace film
