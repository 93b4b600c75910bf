// The world window of films drawn in world coordinates (ANMNEU and user-coordinates films):
// its fit to the screen aspect and the view operations that change it.
#pragma once

#include "mw31/canvas.h"

namespace film {

// Width to height of the film window's drawing area for world films.
constexpr double kWorldAspect = 1.3;

struct WorldWindow {
    double xl = 0, xr = 0, yb = 0, yt = 0;
    friend bool operator==(const WorldWindow&, const WorldWindow&) = default;
};

// Widens the smaller extent about the centre so that width : height is 1.3. A window
// without a usable extent (both zero, or not finite) becomes 1.3 x 1 about its centre (or
// about the origin when the centre is not finite), so that no mapping divides by zero.
WorldWindow fit_world_window(double xmin, double xmax, double ymin, double ymax);

// Zoom by the factor f about the point at the fractions px, py of the window (0, 0 the
// lower left corner). A factor that is not positive, or a result too small or too large to
// map, leaves the window as it is; returns 0 when the window changed, 1 otherwise.
int world_zoom_about(WorldWindow* w, double f, double px, double py);

// The direct mapping of user-coordinates films: the world window stretched onto the drawing
// area, y upwards. Results are truncated toward zero and held within +-2^28 (NaN gives 0).
class WorldToArea {
  public:
    WorldToArea(const WorldWindow& w, const mw31::Rect& area);
    int x(double wx) const;
    int y(double wy) const;
    int length(double r) const;

  private:
    WorldWindow w_;
    mw31::Rect area_;
};

// The inverse of WorldToArea: the world point under pixel (x, y) of the client area.
double area_to_world_x(const WorldWindow& w, const mw31::Rect& area, double x);
double area_to_world_y(const WorldWindow& w, const mw31::Rect& area, double y);

// Init: back to the window the film started with.
void world_init(WorldWindow* w, const WorldWindow& initial);

// Zoom out (`<`): about the centre with the factor 0.5, so the window doubles.
int world_zoom_out(WorldWindow* w);

}  // namespace film
