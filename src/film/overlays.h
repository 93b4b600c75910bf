// What the film window draws over and under a picture besides the frame: the grid, the
// crosshair with the world coordinates, the measurement, and the dashed crosshair that line
// films get directly in the window. Canvas and mapping in, nothing else, so that pictures
// made without a window draw the same.
#pragma once

#include <vector>

#include "film/film_window.h"
#include "film/measuring.h"
#include "film_model/film_view.h"
#include "film_model/frame_painter.h"
#include "film_model/world_window.h"
#include "mw31/canvas.h"

namespace film {

const mw31::Rgb kGridGrey{128, 128, 128};

// World points onto the picture of a view, in the mapping of the mode: the raster mapping of
// ANMNEU films, the direct mapping of user-coordinates films, or the film's own units
// (`virtual_width` wide, y downwards) without a world mode.
class WorldPicture {
  public:
    WorldPicture(WorldMode mode, const WorldWindow& world, const FilmView& view,
                 int virtual_width = kDefaultVirtualWidth);
    mw31::Point at(double wx, double wy) const;
    // The world point under a pixel of the picture.
    void world_of(int x, int y, double* wx, double* wy) const;
    const FilmView& view() const { return view_; }
    const WorldWindow& world() const { return world_; }

  private:
    WorldMode mode_;
    WorldWindow world_;
    FilmView view_;
    int virtual_width_;
};

// Pens and text colours of the overlays: the grid's grey of the pen width, the crosshair's
// text in colour 1 (the foreground) and the measurement in colour 2.
struct OverlayStyle {
    int pen_width = 1;
    mw31::Rgb text{0, 0, 0};
    mw31::Rgb measure{255, 0, 0};
};
OverlayStyle overlay_style(const PaintStyle& style);

// The grid: lines at multiples of a round spacing across the picture's drawing area.
void draw_grid(mw31::Canvas& canvas, const WorldPicture& map, int pen_width);

// The mouse in picture pixels with the world point under it.
struct MouseAt {
    int x = -1, y = -1;
    double wx = 0, wy = 0;
};

// A vertical and a horizontal grey line through the mouse across the drawing area, and the
// coordinates beside it unless they are too large to write.
void draw_crosshair(mw31::Canvas& canvas, const FilmView& view, const MouseAt& mouse,
                    const OverlayStyle& style);

// The picked points, the line between them with length and angle; while armed, an X at the
// mouse and the rubber line to it (mouse null: none, as in pictures made without a window).
void draw_measurement(mw31::Canvas& canvas, const WorldPicture& map, const MeasureState& m,
                      const MouseAt* mouse, const OverlayStyle& style);

// The dashed crosshair of line films, drawn straight into the window. The pixels under it are
// kept, so that the next call puts them back: calls alternate between drawing and erasing.
void toggle_line_crosshair(mw31::Canvas& canvas, const mw31::Rect& area, int x, int y,
                           LineCrosshair* crosshair);

}  // namespace film
