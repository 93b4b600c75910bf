// Printing a frame: the page set up once for every film kind, and the frame walks of line
// films and ANMNEU films as sinks that draw on it.
#include "film_out/print_frame.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "film_model/anmneu_painter.h"
#include "film_model/contour_placement.h"
#include "film_model/frame_walk.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"

namespace film_out {

namespace {

constexpr const char* kDocumentName = "Filmbild";
constexpr int kPositionFactor = 10;  // the print's positions are this much finer
constexpr mw31::Rgb kBlack{0, 0, 0};
constexpr mw31::Rgb kWhite{255, 255, 255};

std::optional<PrinterFont>& kept_font() {
    static std::optional<PrinterFont> font;
    return font;
}

int page_int(double v) {
    const double r = std::floor(v + 0.5);
    if (!(r > -1e9)) return -1000000000;  // also NaN
    return r > 1e9 ? 1000000000 : int(r);
}

film::FilmView finer_view(const film::FilmView& v) {
    film::FilmView f = v;
    f.area = mw31::Rect{v.area.left * kPositionFactor, v.area.top * kPositionFactor,
                        v.area.right * kPositionFactor, v.area.bottom * kPositionFactor};
    f.x0 = v.x0 * kPositionFactor;
    f.y0 = v.y0 * kPositionFactor;
    return f;
}

// Paper is white: colour 1 (the screen's foreground) prints black and 0 white. An inverted
// display has swapped the table's black and white, which paper does not follow.
mw31::Rgb paper_colour(int colour, const film::PaintStyle& style) {
    static const film::ColourTable preset;
    const film::ColourTable& table = style.colours ? *style.colours : preset;
    int index = film::ColourTable::index_of(colour);
    if (index == 0 || index == 1) {
        index = 1 - index;
        if (style.inverted) index = 1 - index;
    }
    const film::Rgb& c = table.lookup(index);
    return mw31::Rgb{c.r, c.g, c.b};
}

mw31::Pen solid_pen(int width, mw31::Rgb colour) {
    return mw31::Pen{mw31::PenStyle::Solid, width, colour};
}

// Inverting records flip what is under them, as on the screen: on white paper they print
// dark whatever the pen's colour.
void inverting_line(mw31::Canvas& dc, const mw31::Pen& pen, mw31::Point to) {
    mw31::Pen flip = pen;
    flip.colour = kWhite;
    dc.select_pen(flip);
    dc.set_raster_op(mw31::RasterOp::Xor);
    dc.line_to(to.x, to.y);
    dc.set_raster_op(mw31::RasterOp::Copy);
    dc.select_pen(pen);
}

// Records drawn with the pens of line films: 2 pixels wide in the paper colour, inverting lines
// flipping the paper. Subclasses say where a point of their plane lands on the page.
class RecordPrint : public film::FrameSink {
  public:
    RecordPrint(const PrintPage& page, const film::PaintStyle& style)
        : page_(page), dc_(*page.dc), style_(style), pen_(solid_pen(1, kBlack)) {
        dc_.select_pen(pen_);
    }

    void colour(int colour) override {
        pen_ = solid_pen(2, paper_colour(colour, style_));
        dc_.select_pen(pen_);
    }
    void move_to(double x, double y) override {
        const mw31::Point p = at(x, y);
        dc_.move_to(p.x, p.y);
    }
    void line_to(double x, double y, bool inverting) override {
        const mw31::Point p = at(x, y);
        if (inverting)
            inverting_line(dc_, pen_, p);
        else
            dc_.line_to(p.x, p.y);
    }
    void placed_arc(const film::PlacedArc&) override {}
    void filled_rect(double, double, double, double) override {}  // not printed

  protected:
    virtual mw31::Point at(double x, double y) const = 0;

    const PrintPage& page_;
    mw31::Canvas& dc_;
    film::PaintStyle style_;
    mw31::Pen pen_;
};

class LineFilmPrint final : public RecordPrint {
  public:
    LineFilmPrint(const PrintPage& page, int virtual_width, const film::PaintStyle& style)
        : RecordPrint(page, style), map_(page.view, virtual_width) {}

    void arc(const film::FrameArc& a, bool inverting) override {
        const int r = map_.length(int32_t(a.r));
        if (r < 0) return;  // the screen draws none either
        if (inverting) {
            mw31::Pen flip = pen_;
            flip.colour = kWhite;
            dc_.select_pen(flip);
            dc_.set_raster_op(mw31::RasterOp::Xor);
        }
        // The window's y grows downwards; print_arc's plane has it upwards.
        const PagePoint to_page = [this](double x, double y) { return page_.at(x, -y); };
        print_arc(dc_, to_page, map_.x(int32_t(a.cx)), -double(map_.y(int32_t(a.cy))), r, r,
                  a.start_deg, a.sweep_deg);
        if (inverting) {
            dc_.set_raster_op(mw31::RasterOp::Copy);
            dc_.select_pen(pen_);
        }
    }
    void label(double, double, const std::string&) override {}

  private:
    mw31::Point at(double x, double y) const override {
        return page_.at(map_.x(int32_t(x)), map_.y(int32_t(y)));
    }

    film::FilmToScreen map_;
};

class AnmneuPrint final : public film::FrameSink {
  public:
    AnmneuPrint(const PrintPage& page, const film::AnmneuFilm& film, const film::PaintStyle& style)
        : page_(page),
          dc_(*page.dc),
          world_(film.window),
          map_(page.view, film::kAnmneuRasterWidth),
          style_(style),
          width_(style.pen_width + 2),
          to_page_([this](double x, double y) { return at(x, y); }) {
        dc_.select_pen(solid_pen(width_, kBlack));
    }

    void colour(int colour) override {
        dc_.select_pen(solid_pen(width_, paper_colour(colour, style_)));
    }
    void move_to(double x, double y) override {
        const mw31::Point p = at(x, y);
        dc_.move_to(p.x, p.y);
    }
    void line_to(double x, double y, bool) override {
        const mw31::Point p = at(x, y);
        dc_.line_to(p.x, p.y);
    }
    void arc(const film::FrameArc& a, bool) override {
        print_arc(dc_, to_page_, a.cx, a.cy, a.r, a.r, a.start_deg, a.sweep_deg);
    }
    void placed_arc(const film::PlacedArc& a) override {
        const film::ContourElement& e = *a.element;
        const film::SymbolPlacement& p = a.placement;
        const film::WorldPoint c = film::place_point(p, e.x, e.y);
        print_arc(dc_, to_page_, c.x, c.y, e.r, e.r, e.start * 180 / M_PI,
                  (e.end - e.start) * 180 / M_PI, p.phi * 180 / M_PI, p.sx, p.sy);
    }
    void filled_rect(double, double, double, double) override {}
    // Always near the lower left corner of the world window, wherever the film puts it.
    void label(double, double, const std::string& text) override {
        const mw31::Point p = at(world_.xl + 0.05 * (world_.xr - world_.xl),
                                 world_.yb + 0.05 * (world_.yt - world_.yb));
        dc_.text_out(p.x, p.y, text);
    }

  private:
    mw31::Point at(double x, double y) const {
        const film::RasterPoint r = film::world_to_raster(world_, x, y);
        return page_.at(map_.x(r.x), map_.y(r.y));
    }

    const PrintPage& page_;
    mw31::Canvas& dc_;
    film::WorldWindow world_;
    film::FilmToScreen map_;
    film::PaintStyle style_;
    int width_;
    PagePoint to_page_;
};

// User-coordinates records in world units, stretched onto the window's drawing area as the
// screen shows them; filled rectangles are not printed, as for line films.
class UsercoorPrint final : public RecordPrint {
  public:
    UsercoorPrint(const PrintPage& page, const film::WorldWindow& world,
                  const film::PaintStyle& style)
        : RecordPrint(page, style),
          world_(world),
          to_page_([this](double x, double y) { return at(x, y); }) {}

    // Inverting arcs are not printed.
    void arc(const film::FrameArc& a, bool inverting) override {
        if (inverting || !(a.r > 0)) return;
        // Radii stay circles in world units; the stretch onto the area makes them what the
        // screen shows.
        print_arc(dc_, to_page_, a.cx, a.cy, a.r, a.r, a.start_deg, a.sweep_deg);
    }
    void label(double x, double y, const std::string& text) override {
        const mw31::Point p = at(x, y);
        dc_.text_out(p.x, p.y, text);
    }

  private:
    mw31::Point at(double x, double y) const override {
        const mw31::Rect& a = page_.view.area;
        return page_.at(a.left + (x - world_.xl) / (world_.xr - world_.xl) * a.width(),
                        a.bottom - (y - world_.yb) / (world_.yt - world_.yb) * a.height());
    }

    film::WorldWindow world_;
    PagePoint to_page_;
};

}  // namespace

std::unique_ptr<mw31::Printer> choose_printer() {
    mw31::service_messages();
    mw31::PrintDialogRequest request;
    request.copies = 1;
    request.page_numbers = false;
    request.collate = true;
    return mw31::print_dialog(request);
}

void fit_page_rectangle(int* x1, int* y1, int* x2, int* y2) {
    const int64_t a = int64_t(*y2 - *y1) * 1280;
    const int64_t b = int64_t(*x2 - *x1) * 1024;
    if (a < b)
        *x2 = *x1 + int(a / 1024);
    else
        *y2 = *y1 + int(b / 1280);
}

void print_arc(mw31::Canvas& dc, const PagePoint& to_page, double cx, double cy, double rx,
               double ry, double start_deg, double sweep_deg, double phi_deg, double sx,
               double sy) {
    if (!std::isfinite(start_deg) || !std::isfinite(sweep_deg)) return;
    // More than ten turns draws nothing new.
    const double sweep = std::clamp(sweep_deg, -3600.0, 3600.0);
    const int k = int(std::fabs(sweep) / 2) + 1;
    const double phi = phi_deg * M_PI / 180, c = std::cos(phi), s = std::sin(phi);
    for (int j = 0; j <= k; ++j) {
        const double a = (start_deg + j * sweep / k) * M_PI / 180;
        const double u = sx * rx * std::cos(a), v = sy * ry * std::sin(a);
        const mw31::Point p = to_page(cx + u * c - v * s, cy + u * s + v * c);
        if (j == 0)
            dc.move_to(p.x, p.y);
        else
            dc.line_to(p.x, p.y);
    }
}

mw31::Point PrintPage::at(double x, double y) const {
    const double px = x * scale_x, py = y * scale_y;
    if (landscape) return mw31::Point{page_int(px), page_int(py)};
    return mw31::Point{page_int(py), page_int(long_side - px)};
}

const PrinterFont* printer_font() {
    return kept_font() ? &*kept_font() : nullptr;
}

void forget_printer_font() {
    kept_font().reset();
}

int print_page(const char* who, const film::FilmView& view, const PrinterChoice& choice,
               const std::function<void(const PrintPage&)>& draw) {
    std::unique_ptr<mw31::Printer> printer = choice ? choice() : nullptr;
    if (!printer) {
        mw31::message_box("Error", mw31::format_text("%s: kann DC nicht beschaffen", who),
                          mw31::BoxButtons::Ok, mw31::BoxIcon::Stop);
        return 1;
    }
    if (!printer->begin_document(kDocumentName)) {
        printer->abort_document();
        return 1;
    }
    PrintPage page;
    page.landscape = printer->width_mm() >= printer->height_mm();
    page.long_side = page.landscape ? printer->width_pixels() : printer->height_pixels();
    const int short_side = page.landscape ? printer->height_pixels() : printer->width_pixels();
    if (!kept_font()) {
        const int d = page.long_side;
        kept_font() =
            PrinterFont{int(0.5 + 0.015 * d), int(0.5 + 0.007 * d), page.landscape ? 0 : 900};
    }
    printer->select_font(kept_font()->height, kept_font()->width, kept_font()->escapement);

    // The window's own view stays as it is; the print works on a finer copy.
    page.view = finer_view(view);
    int x1 = 0, y1 = 0, x2 = page.long_side, y2 = short_side;
    fit_page_rectangle(&x1, &y1, &x2, &y2);
    if (page.view.area.width() <= 0 || page.view.area.height() <= 0) {
        // No drawing area to follow: the frame fills the print area.
        page.view = film::FilmView{};
        page.view.area = mw31::Rect{0, 0, x2 - x1, y2 - y1};
    }
    page.scale_x = double(x2 - x1) / page.view.area.width();
    page.scale_y = double(y2 - y1) / page.view.area.height();

    int result = 0;
    if (printer->begin_page()) {
        mw31::Canvas& dc = printer->page();
        dc.set_text_background(kWhite);
        dc.set_text_colour(kBlack);
        page.dc = &dc;
        draw(page);
        if (printer->end_page()) {
            if (!printer->end_document()) {
                mw31::message_printf("%s: Dokument nicht fertig / document not finished:\n%s (%s)",
                                     who, printer->target().c_str(), printer->error().c_str());
                result = 1;
            }
        } else {
            printer->abort_document();
            result = 1;
        }
    } else {
        printer->abort_document();
        result = 1;
    }
    printer.reset();
    mw31::service_messages();
    return result;
}

int plot_filmstellung(const film::FramePainter& painter, const film::FilmView& view,
                      const film::PaintStyle& style, int virtual_width,
                      const PrinterChoice& choice) {
    return print_page("plot_filmstellung", view, choice, [&](const PrintPage& page) {
        LineFilmPrint sink(page, virtual_width, style);
        painter.walk(sink);
    });
}

int anmneu_plot_filmstellung(const film::AnmneuFilm& film, int frame, const film::FilmView& view,
                             const film::PaintStyle& style, const PrinterChoice& choice) {
    return print_page("anmneu_plot_filmstellung", view, choice, [&](const PrintPage& page) {
        AnmneuPrint sink(page, film, style);
        film::walk_anmneu_picture(film, film::AnmneuPicture{frame, 0, 1}, sink);
    });
}

int usercoor_plot_filmstellung(const film::FramePainter& painter, const film::WorldWindow& world,
                               const film::FilmView& view, const film::PaintStyle& style,
                               const PrinterChoice& choice) {
    return print_page("usercoor_plot_filmstellung", view, choice, [&](const PrintPage& page) {
        UsercoorPrint sink(page, world, style);
        painter.walk(sink);
    });
}

}  // namespace film_out
