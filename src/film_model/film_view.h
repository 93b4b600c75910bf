// The view of the film window: the drawing area cut to 1280:1024, fit or zoom with pixel
// offsets, and the mapping of film coordinates to screen pixels.
#pragma once

#include <cstdint>

#include "mw31/canvas.h"

namespace film {

constexpr int kAreaAspectWidth = 1280;
constexpr int kAreaAspectHeight = 1024;
constexpr double kMaxZoomStep = 20.0;      // one dragged rectangle zooms at most this much
constexpr double kMaxZoom = 50000.0;       // deeper zooms are refused
constexpr int kMinZoomRectangle = 5;       // pixels; smaller drags are ignored
constexpr int64_t kScreenLimit = 1 << 28;  // mapped coordinates are held within +-this

struct FilmView {
    mw31::Rect area{};  // drawing area in client coordinates
    bool fit = true;
    double zoom = 1.0;
    int x0 = 0, y0 = 0;  // pixel offsets while fit is off
};

// The client rectangle cut to the aspect 1280:1024 (integer division, as the window does it).
mw31::Rect fit_drawing_area(const mw31::Rect& client);

// Takes a new client rectangle; returns true when the drawing area changed. With fit off the
// offsets move by half the change so that the picture keeps its centre.
bool update_drawing_area(FilmView* view, const mw31::Rect& client);

// Init: fit on, zoom 1, offsets 0.
void reset_view(FilmView* view);

// Zoom to a rectangle dragged in client coordinates (any corner order), widened to the film's
// aspect W:H. Returns false when nothing changed (too small, or too deep).
bool zoom_to_rectangle(FilmView* view, mw31::Rect dragged, int virtual_width, int virtual_height);

// Halves the zoom about the centre of the drawing area.
void zoom_out(FilmView* view);

// The same view for a picture `factor` times larger (recording at a higher resolution).
FilmView scaled_view(const FilmView& view, double factor);

// Film-to-screen mapping for one virtual width, prepared once per frame. Results are truncated
// toward zero and held within kScreenLimit.
class FilmToScreen {
  public:
    FilmToScreen(const FilmView& view, int virtual_width)
        : w_(view.area.width()),
          big_w_(virtual_width < 1 ? 1 : virtual_width),
          fit_(view.fit),
          zoom_(view.zoom),
          x0_(view.x0),
          y0_(view.y0) {}

    int x(int32_t v) const { return fit_ ? fitted(v) : zoomed(v, x0_); }
    int y(int32_t v) const { return fit_ ? fitted(v) : zoomed(v, y0_); }
    int length(int32_t r) const { return fit_ ? fitted(r) : zoomed(r, 0); }

  private:
    static int hold(int64_t v) {
        return int(v > kScreenLimit ? kScreenLimit : v < -kScreenLimit ? -kScreenLimit : v);
    }
    int fitted(int32_t v) const { return hold(int64_t(w_) * v / big_w_); }
    int zoomed(int32_t v, int offset) const {
        const double d = double(w_) * v * zoom_ / big_w_ + offset;
        if (!(d < double(kScreenLimit))) return int(kScreenLimit);  // also catches NaN
        if (d < -double(kScreenLimit)) return -int(kScreenLimit);
        return int(d);
    }

    int w_;
    int big_w_;
    bool fit_;
    double zoom_;
    int x0_, y0_;
};

// The head's erase rectangle mapped the way the reader needs it, for the view in force.
mw31::Rect map_film_rect(const FilmView& view, const mw31::Rect& film_rect, int virtual_width);

}  // namespace film
