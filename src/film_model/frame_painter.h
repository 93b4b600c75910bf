// What the film window's presenter and the outputs know of a frame: something that paints it
// on a canvas for a view, and walks it into any sink in the film's own units.
#pragma once

#include <functional>
#include <memory>

#include "film_model/colour_table.h"
#include "film_model/film_view.h"
#include "film_model/frame_walk.h"
#include "mw31/canvas.h"
#include "mw31/picture.h"

namespace film {

// How the window draws: pen width, display inverted, and the colour table.
struct PaintStyle {
    int pen_width = 1;
    bool inverted = false;
    const ColourTable* colours = nullptr;
};

// What a picture made without a window draws under and over the frame (grid, measurement);
// empty entries draw nothing.
struct PictureDecor {
    std::function<void(mw31::Canvas& canvas, const FilmView& view)> under;
    std::function<void(mw31::Canvas& canvas, const FilmView& view)> over;
};

class FramePainter {
  public:
    virtual ~FramePainter() = default;
    // What lies under the grid: the parts of the picture the frame clears.
    virtual void paint_background(mw31::Canvas& canvas, const FilmView& view,
                                  const PaintStyle& style) const = 0;
    // The frame itself.
    virtual void paint(mw31::Canvas& canvas, const FilmView& view,
                       const PaintStyle& style) const = 0;
    virtual void walk(FrameSink& sink) const = 0;
};

// One frame drawn without a window as the window draws it: the background, the decor's under
// layer, the frame and the decor's over layer, with the margins around the view's area
// cleared. Null when no picture can be made.
std::unique_ptr<mw31::Picture> render_frame_picture(const FramePainter& painter, int width,
                                                    int height, const FilmView& view,
                                                    const PaintStyle& style,
                                                    const PictureDecor* decor = nullptr);

}  // namespace film
