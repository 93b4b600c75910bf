// Placing a symbol's contour in the world: the placement transform and the chord
// approximation of arcs, shared by screen drawing and the user-coordinates conversion.
#pragma once

#include <vector>

#include "film_model/anmneu_film.h"

namespace film {

struct WorldPoint {
    double x = 0, y = 0;
};

// Symbol point (px, py) at the placement: scaled by sx, sy, rotated by phi, shifted by x, y.
WorldPoint place_point(const SymbolPlacement& p, double px, double py);

// The same for many points of one placement, with the turn's cosine and sine taken once.
class Placer {
  public:
    explicit Placer(const SymbolPlacement& p);
    WorldPoint operator()(double px, double py) const {
        return WorldPoint{x_ + sx_ * px * c_ - sy_ * py * s_, y_ + sx_ * px * s_ + sy_ * py * c_};
    }

  private:
    double x_, y_, sx_, sy_, c_, s_;
};

// True when sx or sy differs from 1 by 1e-6 or more; such arcs become chords.
bool placement_is_scaled(const SymbolPlacement& p);

// Chords for an arc sweeping the fraction f of a full turn whose radius is rho pixels.
int arc_chord_count(double sweep_fraction, double rho);

// The chord points of the arc of radius r around the symbol-local centre (cx, cy) from a1 to
// a2 degrees (put in order, at most one full turn), placed like every other symbol point. The
// pixel and world widths of the window set the chord count. Nothing for an empty sweep.
void arc_polyline(double cx, double cy, double r, double a1_deg, double a2_deg,
                  const SymbolPlacement& p, double pixel_width, double world_width,
                  std::vector<WorldPoint>* points);

}  // namespace film
