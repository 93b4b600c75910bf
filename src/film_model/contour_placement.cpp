// Placement transform and arc chords.
#include "film_model/contour_placement.h"

#include <algorithm>
#include <cmath>

namespace film {

Placer::Placer(const SymbolPlacement& p)
    : x_(p.x), y_(p.y), sx_(p.sx), sy_(p.sy), c_(std::cos(p.phi)), s_(std::sin(p.phi)) {}

WorldPoint place_point(const SymbolPlacement& p, double px, double py) {
    return Placer(p)(px, py);
}

bool placement_is_scaled(const SymbolPlacement& p) {
    return std::fabs(p.sx - 1) >= 1e-6 || std::fabs(p.sy - 1) >= 1e-6;
}

int arc_chord_count(double f, double rho) {
    double k = 16 * f;
    if (rho > 2) {
        const double q = 1 - 0.03 / rho;
        k = f * M_PI / std::sqrt(1 - q * q);
    }
    const double n = std::min(std::trunc(k), std::trunc(360 * f));
    if (!(n >= 1)) return 4;
    return n > 360 ? 360 : int(n);
}

void arc_polyline(double cx, double cy, double r, double a1_deg, double a2_deg,
                  const SymbolPlacement& p, double pixel_width, double world_width,
                  std::vector<WorldPoint>* points) {
    points->clear();
    double a1 = a1_deg * M_PI / 180, a2 = a2_deg * M_PI / 180;
    if (a2 < a1) std::swap(a1, a2);
    if (a2 - a1 > 2 * M_PI) a2 = a1 + 2 * M_PI;
    const double f = (a2 - a1) / (2 * M_PI);
    if (!(f >= 1e-8)) return;  // also refuses NaN
    const double rho =
        world_width == 0 ? std::fabs(r) : std::fabs(r) * std::fabs(pixel_width / world_width);
    const int n = arc_chord_count(f, rho);
    const double step = (a2 - a1) / n;
    // The centre is placed like the contour's other points (scaled too), so that a scaled
    // arc stays joined to the lines it belongs to.
    const Placer place(p);
    for (int j = 0; j <= n + 1; ++j) {
        const double a = a1 + j * step;
        if (a > a2 + 1e-8) break;
        points->push_back(place(cx + r * std::cos(a), cy + r * std::sin(a)));
    }
}

}  // namespace film
