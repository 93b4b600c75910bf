// Drawing ANMNEU symbols and frames on a canvas (window picture or printer page): world to
// raster mapping, colour pens, placed contours with their arcs, and the frame's label.
#pragma once

#include "film_model/anmneu_film.h"
#include "film_model/colour_table.h"
#include "film_model/contour_element.h"
#include "film_model/film_view.h"
#include "film_model/world_window.h"
#include "mw31/canvas.h"
#include "mw31/window.h"

namespace film {

struct RasterPoint {
    int x = 0, y = 0;
};

// World point to raster units of an Wr x Hr raster (y downwards). Values that would not fit
// an int (a window zoomed far beyond the film) are held at +-2^30.
RasterPoint world_to_raster(const WorldWindow& w, double x, double y,
                            int raster_width = kAnmneuRasterWidth,
                            int raster_height = kAnmneuRasterHeight);

// What drawing on a canvas needs from the film window: the world window in force, the
// mapping of raster units to pixels, the pen width and the colours.
struct SymbolCanvas {
    mw31::Canvas* dc;
    WorldWindow world;
    FilmToScreen to_screen;
    int pixel_width;  // width of the drawing area, for the chord count of arcs
    int pen_width = 1;
    bool invert = false;
    const ColourTable* colours;
};

SymbolCanvas make_symbol_canvas(mw31::Canvas& dc, const WorldWindow& world, const FilmView& view,
                                int pen_width, bool invert, const ColourTable& colours);

// Index 1 is the foreground (black, white when inverted) and 0 the background; other indices
// take a cached solid pen of the pen width in their colour-table colour.
void select_colour_pen(const SymbolCanvas& c, int index);

// One symbol at its placement, in its colour.
void draw_symbol(const SymbolCanvas& c, const ContourElement* elements, int count,
                 const SymbolPlacement& p, int colour);

// Frame i interpolated towards the next frame by q / a: the label (also the window's title
// when a window is given), then every symbol, servicing messages after each.
void draw_anmneu_frame(const AnmneuFilm& film, mw31::Window* window, const SymbolCanvas& c, int i,
                       int q, int a);

// Placement of symbol s in frame i, interpolated by t towards the frame that follows.
SymbolPlacement interpolated_placement(const AnmneuFilm& film, int i, int s, double t);

}  // namespace film
