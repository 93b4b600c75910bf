// Drawing area, fit and zoom of the film window.
#include "film_model/film_view.h"

#include <algorithm>
#include <cmath>

namespace film {

namespace {
int hold_int(double v) {
    if (!(v < double(kScreenLimit))) return int(kScreenLimit);
    if (v < -double(kScreenLimit)) return -int(kScreenLimit);
    return int(v);
}
}  // namespace

mw31::Rect fit_drawing_area(const mw31::Rect& client) {
    mw31::Rect area = client;
    const int64_t w = client.width(), h = client.height();
    if (h * kAreaAspectWidth < w * kAreaAspectHeight)
        area.right = int(client.left + h * kAreaAspectWidth / kAreaAspectHeight);
    else
        area.bottom = int(client.top + w * kAreaAspectHeight / kAreaAspectWidth);
    return area;
}

bool update_drawing_area(FilmView* view, const mw31::Rect& client) {
    const mw31::Rect area = fit_drawing_area(client);
    if (area == view->area) return false;
    if (!view->fit) {
        const int dw = area.width() - view->area.width();
        const int dh = area.height() - view->area.height();
        view->x0 = hold_int(view->x0 - std::trunc(dw * view->zoom * 0.5));
        view->y0 = hold_int(view->y0 - std::trunc(dh * view->zoom * 0.5));
    }
    view->area = area;
    return true;
}

void reset_view(FilmView* view) {
    view->fit = true;
    view->zoom = 1.0;
    view->x0 = view->y0 = 0;
}

bool zoom_to_rectangle(FilmView* view, mw31::Rect r, int virtual_width, int virtual_height) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    if (r.width() < kMinZoomRectangle || r.height() < kMinZoomRectangle) return false;
    if (virtual_width < 1 || virtual_height < 1 || view->area.width() <= 0 ||
        view->area.height() <= 0)
        return false;
    // Widen the narrower side so that the rectangle has the film's aspect.
    double rw = r.width(), rh = r.height();
    if (rw * virtual_height < rh * virtual_width)
        rw = rh * virtual_width / virtual_height;
    else
        rh = rw * virtual_height / virtual_width;
    double f = std::min(view->area.width() / rw, view->area.height() / rh);
    f = std::min(f, kMaxZoomStep);
    if (view->zoom * f > kMaxZoom) return false;
    view->x0 = hold_int((double(view->x0) - r.left) * f);
    view->y0 = hold_int((double(view->y0) - r.top) * f);
    view->zoom *= f;
    view->fit = false;
    return true;
}

void zoom_out(FilmView* view) {
    // The film point shown at the centre of the area stays there: with screen = s * zoom + x0,
    // halving the zoom moves the offset half way towards the centre.
    view->x0 = hold_int((view->x0 + view->area.width() / 2.0) / 2.0);
    view->y0 = hold_int((view->y0 + view->area.height() / 2.0) / 2.0);
    view->zoom *= 0.5;
    view->fit = false;
}

FilmView scaled_view(const FilmView& view, double factor) {
    FilmView v = view;
    v.area.left = hold_int(view.area.left * factor);
    v.area.top = hold_int(view.area.top * factor);
    v.area.right = hold_int(view.area.right * factor);
    v.area.bottom = hold_int(view.area.bottom * factor);
    v.x0 = hold_int(view.x0 * factor);
    v.y0 = hold_int(view.y0 * factor);
    return v;
}

mw31::Rect map_film_rect(const FilmView& view, const mw31::Rect& film_rect, int virtual_width) {
    const FilmToScreen map(view, virtual_width);
    return mw31::Rect{map.x(film_rect.left), map.y(film_rect.top), map.x(film_rect.right),
                      map.y(film_rect.bottom)};
}

}  // namespace film
