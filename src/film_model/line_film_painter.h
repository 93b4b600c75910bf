// Painting a line-film frame's records onto a canvas: pens from the colour table, lines,
// inverting lines and arcs, filled rectangles, and the head's erase rectangle. The frame walk
// says what is drawn; this maps film units to pixels.
#pragma once

#include <memory>

#include "film_model/colour_table.h"
#include "film_model/film_view.h"
#include "film_model/frame_painter.h"
#include "film_model/frame_store.h"
#include "film_model/line_film_reader.h"
#include "film_model/paint_basics.h"
#include "mw31/canvas.h"
#include "mw31/picture.h"

namespace film {

// The pen a colour record selects: colours 1 and 0 at width 1 are the foreground and
// background pens, anything else a cached solid pen of the width in the table's colour.
mw31::Pen colour_pen(int colour, int pen_width, bool inverted, const ColourTable& colours);

// Draws records in order with the foreground pen selected first; kind 12 and the second halves
// of pairs draw nothing. A pair cut off at the end of the records is ignored.
void draw_film_records(mw31::Canvas& canvas, const FilmRecord* records, size_t count,
                       const FilmToScreen& map, double angle_divisor, const ColourTable& colours,
                       int pen_width, bool inverted);

// The records of one frame of the store (nothing for an index outside the store).
void draw_film_frame(mw31::Canvas& canvas, const FrameStore& store, int frame, const FilmView& view,
                     const ColourTable& colours, int pen_width, bool inverted);

// The head's erase rectangle (already in screen coordinates) in the background colour.
void fill_erase_rect(mw31::Canvas& canvas, const FrameStore& store, bool inverted);

// The reader's erase-rectangle mapping for a view.
EraseRectMapper erase_rect_mapper(const FilmView& view);

// One frame of a line film as the window shows it: the erase rectangle, then the records.
class LineFilmFramePainter : public FramePainter {
  public:
    LineFilmFramePainter(const FrameStore& store, int frame) : store_(store), frame_(frame) {}
    void set_frame(int frame) { frame_ = frame; }

    void paint_background(mw31::Canvas& canvas, const FilmView& view,
                          const PaintStyle& style) const override;
    void paint(mw31::Canvas& canvas, const FilmView& view, const PaintStyle& style) const override;
    void walk(FrameSink& sink) const override;

  private:
    const FrameStore& store_;
    int frame_;
};

// One frame as a window of this client size shows it (fit view unless one is given), without
// the status line; null when the picture cannot be made. The store's erase rectangle must have
// been mapped for the same size (erase_rect_mapper of the fitted view).
std::unique_ptr<mw31::Picture> render_film_frame(const FrameStore& store, int frame, int width,
                                                 int height, const ColourTable& colours,
                                                 const FilmView* view = nullptr, int pen_width = 1,
                                                 bool inverted = false);

}  // namespace film
