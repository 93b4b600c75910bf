// What every film picture is painted with: the stock pens and brush of the window (black on
// white, white on black when inverted), cleared pictures and margins, and the fitted view.
#pragma once

#include <memory>

#include "film_model/colour_table.h"
#include "film_model/film_view.h"
#include "mw31/canvas.h"
#include "mw31/picture.h"

namespace film {

mw31::Pen foreground_pen(bool inverted);
mw31::Pen background_pen(bool inverted);
mw31::Brush background_brush(bool inverted);
mw31::Rgb to_screen_rgb(const Rgb& c);
// Inverting records flip what is under them whatever the pen's colour, so that drawing them
// twice restores the picture; the pen's width and style still apply. end_inverting gives the
// canvas its pen back.
void begin_inverting(mw31::Canvas& canvas, const mw31::Pen& pen);
void end_inverting(mw31::Canvas& canvas, const mw31::Pen& pen);

// The strips of the client area outside the drawing area, in the background colour.
void clear_margins(mw31::Canvas& canvas, const mw31::Rect& client, const mw31::Rect& area,
                   bool inverted);

// Fills the whole picture with the background.
void clear_picture(mw31::Picture& picture, bool inverted);
// A cleared picture the size of the view's drawing area (at least 1 x 1); null without memory.
std::unique_ptr<mw31::Picture> make_area_picture(const FilmView& view, bool inverted);

// The fitted view of a window with this client size.
FilmView fitted_view(int width, int height);

}  // namespace film
