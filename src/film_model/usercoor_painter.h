// Painting user-coordinates frames on a canvas: the frame walk in world units mapped straight
// onto the drawing area (not onto the raster of ANMNEU films), with the line films' pens.
#pragma once

#include <memory>

#include "film_model/colour_table.h"
#include "film_model/film_view.h"
#include "film_model/frame_painter.h"
#include "film_model/usercoor_film.h"
#include "film_model/usercoor_walk.h"
#include "mw31/canvas.h"
#include "mw31/picture.h"

namespace film {

// Frame i of the film in its current world window onto the drawing area `area`.
void draw_usercoor_frame(mw31::Canvas& canvas, const UsercoorFilm& film, int frame,
                         const mw31::Rect& area, const PaintStyle& style);

// One frame of a user-coordinates film as the window shows it: the drawing area in the
// background colour, then the records.
class UsercoorFramePainter : public FramePainter {
  public:
    UsercoorFramePainter(const UsercoorFilm& film, int frame) : film_(film), frame_(frame) {}
    void set_frame(int frame) { frame_ = frame; }
    const UsercoorFilm& film() const { return film_; }
    int frame() const { return frame_; }

    void paint_background(mw31::Canvas& canvas, const FilmView& view,
                          const PaintStyle& style) const override;
    void paint(mw31::Canvas& canvas, const FilmView& view, const PaintStyle& style) const override;
    void walk(FrameSink& sink) const override;

  private:
    const UsercoorFilm& film_;
    int frame_;
};

// One frame of a window of this client size (fitted view, no status line): the background,
// decor->under, the frame, decor->over. Null when the picture cannot be made.
std::unique_ptr<mw31::Picture> render_usercoor_frame(const UsercoorFilm& film, int frame, int width,
                                                     int height, const ColourTable& colours,
                                                     const PictureDecor* decor = nullptr);

}  // namespace film
