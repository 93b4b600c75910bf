// Painting ANMNEU pictures on a canvas (window picture or printer page): world to raster
// mapping, colour pens, placed contours with their arcs, and the frame's label. The frame
// walk says what is drawn; this says how it lands on pixels.
#pragma once

#include <functional>

#include "film_model/anmneu_film.h"
#include "film_model/colour_table.h"
#include "film_model/contour_element.h"
#include "film_model/film_view.h"
#include "film_model/frame_painter.h"
#include "film_model/frame_walk.h"
#include "film_model/world_window.h"
#include "mw31/canvas.h"
#include "mw31/picture.h"
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

// What drawing on a canvas needs: the world window in force, the mapping of raster units to
// pixels, the pen width and the colours.
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

// Frame i interpolated towards the next frame by q / a: the label, then every symbol, with
// `between_symbols` run after each.
void draw_anmneu_frame(const AnmneuFilm& film, const SymbolCanvas& c, int i, int q, int a,
                       const std::function<void()>& between_symbols = {});

// The window's title follows the frame's label; a frame without one leaves it as it is.
void show_frame_label_as_title(mw31::Window& window, const AnmneuFilm& film, int frame);

// One picture of an ANMNEU film as the window shows it: its raster in the background colour,
// then the label and the symbols in the foreground pen.
class AnmneuFramePainter : public FramePainter {
  public:
    AnmneuFramePainter(const AnmneuFilm& film, const AnmneuPicture& picture,
                       std::function<void()> between_symbols = {})
        : film_(film), picture_(picture), between_symbols_(std::move(between_symbols)) {}

    void paint_background(mw31::Canvas& canvas, const FilmView& view,
                          const PaintStyle& style) const override;
    void paint(mw31::Canvas& canvas, const FilmView& view, const PaintStyle& style) const override;
    void walk(FrameSink& sink) const override;

    void set_picture(const AnmneuPicture& picture) { picture_ = picture; }
    const AnmneuFilm& film() const { return film_; }
    const AnmneuPicture& picture() const { return picture_; }

  private:
    const AnmneuFilm& film_;
    AnmneuPicture picture_;
    std::function<void()> between_symbols_;
};

// One picture of a window of this client size, fitted view, no status line, with what the
// decor draws under and over the frame; null when the picture cannot be made.
std::unique_ptr<mw31::Picture> render_anmneu_frame(const AnmneuFilm& film, int frame, int substep,
                                                   int phi_factor, int width, int height,
                                                   const ColourTable& colours,
                                                   const PictureDecor* decor = nullptr);

}  // namespace film
