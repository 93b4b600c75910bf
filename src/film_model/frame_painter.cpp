#include "film_model/frame_painter.h"

#include "film_model/paint_basics.h"

namespace film {

std::unique_ptr<mw31::Picture> render_frame_picture(const FramePainter& painter, int width,
                                                    int height, const FilmView& view,
                                                    const PaintStyle& style,
                                                    const PictureDecor* decor) {
    std::unique_ptr<mw31::Picture> picture = mw31::create_picture(width, height);
    if (!picture) return nullptr;
    mw31::Canvas& canvas = picture->canvas();
    const mw31::Rect client{0, 0, width, height};
    canvas.fill_rect(client, background_brush(style.inverted));
    painter.paint_background(canvas, view, style);
    if (decor && decor->under) decor->under(canvas, view);
    painter.paint(canvas, view, style);
    if (decor && decor->over) decor->over(canvas, view);
    // The window's picture ends at the drawing area and the margins are cleared around it.
    clear_margins(canvas, client, view.area, style.inverted);
    return picture;
}

}  // namespace film
