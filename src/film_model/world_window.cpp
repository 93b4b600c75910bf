// Fit and view operations of the world window.
#include "film_model/world_window.h"

#include <cmath>

namespace film {

WorldWindow fit_world_window(double xmin, double xmax, double ymin, double ymax) {
    double cx = (xmin + xmax) / 2, cy = (ymin + ymax) / 2;
    double hx = (xmax - xmin) / 2, hy = (ymax - ymin) / 2;
    if (hx > hy * kWorldAspect) {
        hy = hx / kWorldAspect;
    } else {
        hx = hy * kWorldAspect;
    }
    const bool usable = std::isfinite(hx) && std::isfinite(hy) && hx != 0 && hy != 0 &&
                        std::isfinite(cx + hx) && std::isfinite(cy + hy) &&
                        (cx + hx) - (cx - hx) != 0 && (cy + hy) - (cy - hy) != 0;
    if (!usable) {
        if (!std::isfinite(cx) || !std::isfinite(cy)) cx = cy = 0;
        hx = kWorldAspect / 2;
        hy = 0.5;
        if ((cx + hx) - (cx - hx) == 0 || (cy + hy) - (cy - hy) == 0) cx = cy = 0;
    }
    return WorldWindow{cx - hx, cx + hx, cy - hy, cy + hy};
}

namespace {
// Extents below this share of the centre's magnitude cannot be told apart any more.
bool extent_usable(double lo, double hi) {
    const double extent = hi - lo;
    const double scale = std::fmax(std::fabs(lo), std::fabs(hi));
    return std::isfinite(extent) && std::fabs(extent) > 1e-12 * scale &&
           std::fabs(extent) > 1e-300 && std::fabs(extent) < 1e300;
}
}  // namespace

int world_zoom_about(WorldWindow* w, double f, double px, double py) {
    if (!(f > 0) || !std::isfinite(f) || !std::isfinite(px) || !std::isfinite(py)) return 1;
    const double mx = w->xl + px * (w->xr - w->xl);
    const double hx = (w->xr - w->xl) * 0.5 / f;
    const double my = w->yb + py * (w->yt - w->yb);
    const double hy = (w->yt - w->yb) * 0.5 / f;
    const WorldWindow next{mx - hx, mx + hx, my - hy, my + hy};
    if (!extent_usable(next.xl, next.xr) || !extent_usable(next.yb, next.yt)) return 1;
    *w = next;
    return 0;
}

namespace {
constexpr double kAreaLimit = double(1 << 28);
int held_pixel(double v) {
    if (!(v == v)) return 0;
    if (v > kAreaLimit) return int(kAreaLimit);
    if (v < -kAreaLimit) return -int(kAreaLimit);
    return int(v);
}
}  // namespace

WorldToArea::WorldToArea(const WorldWindow& w, const mw31::Rect& area) : w_(w), area_(area) {}

int WorldToArea::x(double wx) const {
    return held_pixel((wx - w_.xl) / (w_.xr - w_.xl) * area_.width() + area_.left);
}

int WorldToArea::y(double wy) const {
    return held_pixel(area_.bottom - (wy - w_.yb) / (w_.yt - w_.yb) * area_.height());
}

int WorldToArea::length(double r) const {
    return held_pixel(r / (w_.xr - w_.xl) * area_.width());
}

double area_to_world_x(const WorldWindow& w, const mw31::Rect& area, double x) {
    return w.xl + (x - area.left) * (w.xr - w.xl) / area.width();
}

double area_to_world_y(const WorldWindow& w, const mw31::Rect& area, double y) {
    return w.yb + (area.bottom - y) * (w.yt - w.yb) / area.height();
}

void world_init(WorldWindow* w, const WorldWindow& initial) {
    *w = initial;
}

int world_zoom_out(WorldWindow* w) {
    return world_zoom_about(w, 0.5, 0.5, 0.5);
}

}  // namespace film
