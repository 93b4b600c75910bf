// GDI drawing semantics on a QImage: aliased lines without their last pixel, angle arcs joined
// to the current position, rectangles filled and outlined, opaque text, copy and XOR.
#include "mw31/qt/qt_canvas.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "mw31/qt/qt_text.h"

namespace mw31 {

namespace {

// std::lround without the library call, which costs arcs more than their chords: halves away
// from zero. Exact for |v| < 2^52 (the part after the point is then exact); canvas
// coordinates stay far below that.
int round_coordinate(double v) {
    const long long whole = static_cast<long long>(v);
    const double rest = v - double(whole);
    return int(rest >= 0.5 ? whole + 1 : rest <= -0.5 ? whole - 1 : whole);
}

}  // namespace

QColor to_qcolor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QFont canvas_font() {
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    // Exact pixels: text must come out the same on every run and under XOR.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

ImageCanvas::ImageCanvas(int width, int height) {
    set_font(0, 0);
    if (width > 0 && height > 0) {
        image_ = QImage(width, height, QImage::Format_RGB32);
        if (!image_.isNull()) image_.fill(Qt::white);
    }
    begin();
}

ImageCanvas::~ImageCanvas() {
    if (painter_.isActive()) painter_.end();
}

void ImageCanvas::begin() {
    bits_ = nullptr;
    stride_ = 0;
    if (image_.isNull()) return;
    // Our image is never shared, so these stay valid until the image is replaced.
    bits_ = image_.bits();
    stride_ = image_.bytesPerLine();
    if (!painter_.begin(&image_)) return;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    painter_.setBrush(Qt::NoBrush);
    painter_.setFont(font_);
    painter_.setCompositionMode(op_ == RasterOp::Xor ? QPainter::RasterOp_SourceXorDestination
                                                     : QPainter::CompositionMode_Source);
    apply_pen();
}

void ImageCanvas::apply_pen() {
    pen_rgb_ = pack_rgb(pen_.colour);
    if (!painter_.isActive()) return;
    if (pen_.style == PenStyle::Null) {
        painter_.setPen(Qt::NoPen);
        return;
    }
    Qt::PenStyle style = Qt::SolidLine;
    switch (pen_.style) {
        case PenStyle::Dash:
            style = Qt::DashLine;
            break;
        case PenStyle::Dot:
            style = Qt::DotLine;
            break;
        case PenStyle::DashDot:
            style = Qt::DashDotLine;
            break;
        default:
            break;
    }
    // A one-pixel pen is Qt's cosmetic pen; the flat cap leaves out the last pixel as
    // LineTo does. Wider pens get GDI's round ends and joins.
    if (pen_.width <= 1)
        painter_.setPen(QPen(to_qcolor(pen_.colour), 0, style, Qt::FlatCap, Qt::MiterJoin));
    else
        painter_.setPen(
            QPen(to_qcolor(pen_.colour), pen_.width, style, Qt::RoundCap, Qt::RoundJoin));
}

void ImageCanvas::select_pen(const Pen& pen) {
    if (pen == pen_) return;
    pen_ = pen;
    apply_pen();
}

void ImageCanvas::select_brush(const Brush& brush) {
    brush_ = brush;
}

void ImageCanvas::set_raster_op(RasterOp op) {
    if (op == op_) return;
    op_ = op;
    if (painter_.isActive())
        painter_.setCompositionMode(op_ == RasterOp::Xor ? QPainter::RasterOp_SourceXorDestination
                                                         : QPainter::CompositionMode_Source);
}

void ImageCanvas::set_text_colour(Rgb colour) {
    text_colour_ = colour;
}

void ImageCanvas::set_text_background(Rgb colour) {
    text_background_ = colour;
}

void ImageCanvas::with_copy_mode(const auto& draw) {
    if (op_ == RasterOp::Xor) painter_.setCompositionMode(QPainter::CompositionMode_Source);
    draw();
    if (op_ == RasterOp::Xor) painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
}

void ImageCanvas::move_to(int x, int y) {
    pos_ = {x, y};
}

void ImageCanvas::line_to(int x, int y) {
    if (narrow_solid() || thin_solid()) {
        segment(pos_.x, pos_.y, x, y);
    } else if (painter_.isActive() && pen_.style != PenStyle::Null) {
        painter_.drawLine(pos_.x, pos_.y, x, y);
        dirty = true;
    }
    pos_ = {x, y};
}

namespace {
// Liang-Barsky: cuts the segment to the box; false when nothing of it is inside.
bool clip_segment(double& x0, double& y0, double& x1, double& y1, double xmin, double ymin,
                  double xmax, double ymax) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = ax;
    y0 = ay;
    return true;
}
// The same Bresenham walk as below, on a pixel pointer: step_x and step_y are the pointer
// steps of one pixel along x and y.
template <typename Plot>
void walk_line(QRgb* px, int64_t adx, int64_t ady, qsizetype step_x, qsizetype step_y, Plot plot) {
    if (adx >= ady) {
        int64_t err = 2 * ady - adx;
        for (int64_t i = 0; i < adx; ++i) {
            plot(px);
            if (err > 0) {
                px += step_y;
                err -= 2 * adx;
            }
            err += 2 * ady;
            px += step_x;
        }
    } else {
        int64_t err = 2 * adx - ady;
        for (int64_t i = 0; i < ady; ++i) {
            plot(px);
            if (err > 0) {
                px += step_x;
                err -= 2 * ady;
            }
            err += 2 * adx;
            px += step_y;
        }
    }
}

}  // namespace

void ImageCanvas::segment(int x0, int y0, int x1, int y1) {
    if (pen_.width <= 1)
        thin_line(x0, y0, x1, y1);
    else
        narrow_line(x0, y0, x1, y1);
}

void ImageCanvas::narrow_line(int x0, int y0, int x1, int y1) {
    if (!bits_ || (x0 == x1 && y0 == y1)) return;
    const int w = pen_.width;
    const int lo = -(w - 1) / 2, hi = w / 2;  // offsets across the line: -1..1 or 0..1
    const QRgb colour = 0xff000000u | pen_rgb_;
    // The dot rounds off starts and corners, where round caps would be.
    const QRect dot = QRect(x0 + lo, y0 + lo, w, w).intersected(image_.rect());
    for (int y = dot.top(); y <= dot.bottom(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(bits_ + y * stride_);
        for (int x = dot.left(); x <= dot.right(); ++x) line[x] = colour;
    }
    const bool x_major = std::llabs(int64_t(x1) - x0) >= std::llabs(int64_t(y1) - y0);
    for (int k = lo; k <= hi; ++k) {
        // Offsets saturate rather than overflow at the edges of the int range.
        auto shift = [k](int v) {
            return int(std::clamp<int64_t>(int64_t(v) + k, INT_MIN, INT_MAX));
        };
        if (x_major)
            thin_line(x0, shift(y0), x1, shift(y1));
        else
            thin_line(shift(x0), y0, shift(x1), y1);
    }
    dirty = true;
}

void ImageCanvas::thin_line(int x0, int y0, int x1, int y1) {
    if (!bits_) return;
    const int w = image_.width(), h = image_.height();
    auto inside = [&](int64_t x, int64_t y) { return x >= 0 && y >= 0 && x < w && y < h; };
    int64_t ax = x0, ay = y0, bx = x1, by = y1;
    if (ax == bx && ay == by) return;  // LineTo to the same point draws nothing
    const bool all_inside = inside(ax, ay) && inside(bx, by);
    int64_t span = std::max(std::llabs(bx - ax), std::llabs(by - ay));
    if (!all_inside && span > 4 * int64_t(w + h)) {
        // Far outside (a zoomed film): walk only the part near the picture.
        double fx0 = double(ax), fy0 = double(ay), fx1 = double(bx), fy1 = double(by);
        if (!clip_segment(fx0, fy0, fx1, fy1, -2.0, -2.0, w + 1.0, h + 1.0)) return;
        ax = std::llround(fx0), ay = std::llround(fy0);
        // A cut end lies outside the picture, so leaving it out loses nothing.
        bx = std::llround(fx1), by = std::llround(fy1);
        span = std::max(std::llabs(bx - ax), std::llabs(by - ay));
        if (span == 0) return;
    }
    const int64_t adx = std::llabs(bx - ax), ady = std::llabs(by - ay);
    const bool xor_mode = op_ == RasterOp::Xor;
    const QRgb colour = xor_mode ? (pen_rgb_ & 0x00ffffffu) : (0xff000000u | pen_rgb_);
    if (all_inside) {
        // The common case: walk a pixel pointer, no bounds to check.
        QRgb* px = reinterpret_cast<QRgb*>(bits_ + ay * stride_) + ax;
        const qsizetype row = stride_ / qsizetype(sizeof(QRgb));
        if (xor_mode)
            walk_line(px, adx, ady, bx > ax ? 1 : -1, by > ay ? row : -row,
                      [colour](QRgb* p) { *p ^= colour; });
        else
            walk_line(px, adx, ady, bx > ax ? 1 : -1, by > ay ? row : -row,
                      [colour](QRgb* p) { *p = colour; });
        dirty = true;
        return;
    }
    const int64_t sx = bx > ax ? 1 : -1, sy = by > ay ? 1 : -1;
    auto plot = [&](int64_t x, int64_t y) {
        if (!inside(x, y)) return;
        QRgb* px = reinterpret_cast<QRgb*>(bits_ + y * stride_) + x;
        *px = xor_mode ? (*px ^ colour) : colour;
    };
    // Bresenham along the major axis; the end point itself is left out.
    int64_t x = ax, y = ay;
    if (adx >= ady) {
        int64_t err = 2 * ady - adx;
        for (int64_t i = 0; i < adx; ++i) {
            plot(x, y);
            if (err > 0) {
                y += sy;
                err -= 2 * adx;
            }
            err += 2 * ady;
            x += sx;
        }
    } else {
        int64_t err = 2 * adx - ady;
        for (int64_t i = 0; i < ady; ++i) {
            plot(x, y);
            if (err > 0) {
                x += sx;
                err -= 2 * ady;
            }
            err += 2 * adx;
            y += sy;
        }
    }
    dirty = true;
}

void ImageCanvas::angle_arc(int cx, int cy, int radius, double start_deg, double sweep_deg) {
    if (radius < 0 || !std::isfinite(start_deg) || !std::isfinite(sweep_deg)) return;
    // More than ten turns draws nothing new.
    const double sweep_clamped = std::clamp(sweep_deg, -3600.0, 3600.0);
    const double start = start_deg * M_PI / 180.0;
    auto point_at = [&](double a) {
        return Point{round_coordinate(cx + radius * std::cos(a)),
                     round_coordinate(cy - radius * std::sin(a))};
    };
    const Point first = point_at(start);
    line_to(first.x, first.y);
    if (radius > 0 && pen_.style != PenStyle::Null) {
        if (thin_solid() || narrow_solid()) {
            // Chords of about two pixels, each without its last pixel, so every pixel is
            // drawn once and XOR drawing can be undone.
            const double sweep = sweep_clamped * M_PI / 180.0;
            const double cap = 8.0 * (width() + height()) + 64.0;
            const int steps = int(std::clamp(std::ceil(std::fabs(sweep) * radius / 2.0), 4.0, cap));
            Point prev = first;
            // Rotating the radius vector step by step spares two trigonometric calls a chord;
            // the last point is computed exactly.
            const double dc = std::cos(sweep / steps), ds = std::sin(sweep / steps);
            double vx = std::cos(start), vy = std::sin(start);
            for (int i = 1; i <= steps; ++i) {
                const double nx = vx * dc - vy * ds;
                vy = vx * ds + vy * dc;
                vx = nx;
                const Point next = i == steps ? point_at(start + sweep)
                                              : Point{round_coordinate(cx + radius * vx),
                                                      round_coordinate(cy - radius * vy)};
                if (next == prev) continue;
                segment(prev.x, prev.y, next.x, next.y);
                prev = next;
            }
        } else if (painter_.isActive()) {
            // Qt counts angles counter-clockwise from three o'clock, as GDI does on screen.
            painter_.drawArc(QRectF(cx - radius, cy - radius, 2.0 * radius, 2.0 * radius),
                             int(std::lround(std::fmod(start_deg, 360.0) * 16)),
                             int(std::lround(sweep_clamped * 16)));
            dirty = true;
        }
    }
    // The same rule as the recording canvas, unclamped sweep included.
    pos_ = point_at((start_deg + sweep_deg) * M_PI / 180.0);
}

void ImageCanvas::rectangle(const Rect& r) {
    if (!painter_.isActive()) return;
    const int left = std::min(r.left, r.right), right = std::max(r.left, r.right);
    const int top = std::min(r.top, r.bottom), bottom = std::max(r.top, r.bottom);
    const int w = right - left, h = bottom - top;
    if (w < 1 || h < 1) return;
    if (thin_solid()) {
        // The brush fills inside the outline, so XOR touches every pixel once.
        if (!brush_.hollow && w > 2 && h > 2)
            painter_.fillRect(QRect(left + 1, top + 1, w - 2, h - 2), to_qcolor(brush_.colour));
        if (w == 1 || h == 1) {
            painter_.fillRect(QRect(left, top, w, h), to_qcolor(pen_.colour));
        } else {
            thin_line(left, top, right - 1, top);
            thin_line(right - 1, top, right - 1, bottom - 1);
            thin_line(right - 1, bottom - 1, left, bottom - 1);
            thin_line(left, bottom - 1, left, top);
        }
    } else {
        if (!brush_.hollow) painter_.fillRect(QRect(left, top, w, h), to_qcolor(brush_.colour));
        // An aliased outline covers width + 1 pixels, so this ends at right - 1 and bottom - 1.
        if (pen_.style != PenStyle::Null) painter_.drawRect(QRect(left, top, w - 1, h - 1));
    }
    dirty = true;
}

void ImageCanvas::fill_rect(const Rect& r, const Brush& brush) {
    if (!painter_.isActive() || brush.hollow) return;
    const int left = std::min(r.left, r.right), right = std::max(r.left, r.right);
    const int top = std::min(r.top, r.bottom), bottom = std::max(r.top, r.bottom);
    if (right == left || bottom == top) return;
    // Like FillRect: a plain copy whatever the raster operation.
    with_copy_mode([&] {
        painter_.fillRect(QRect(left, top, right - left, bottom - top), to_qcolor(brush.colour));
    });
    dirty = true;
}

void ImageCanvas::text_out(int x, int y, const std::string& text) {
    if (!painter_.isActive() || text.empty()) return;
    const QString s = to_qstring(text);
    with_copy_mode([&] {
        if (!text_transparent_)
            painter_.fillRect(QRect(x, y, char_width_ * int(s.size()), char_height_),
                              to_qcolor(text_background_));
        painter_.setPen(to_qcolor(text_colour_));
        // Each character in its own cell, like a fixed-pitch GDI font. Where the font has a
        // glyph for every character, they go in one run: laying out each alone costs more
        // than the whole rest of a film picture's overlays.
        const QList<quint32> glyphs =
            raw_font_.isValid() ? raw_font_.glyphIndexesForString(s) : QList<quint32>();
        if (glyphs.size() == s.size() && !glyphs.contains(0u)) {
            QList<QPointF> positions(glyphs.size());
            for (qsizetype i = 0; i < positions.size(); ++i)
                positions[i] = QPointF(char_width_ * double(i), 0);
            QGlyphRun run;
            run.setRawFont(raw_font_);
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            painter_.drawGlyphRun(QPointF(x, y + ascent_), run);
        } else {
            for (qsizetype i = 0; i < s.size(); ++i)
                painter_.drawText(QPoint(x + char_width_ * int(i), y + ascent_), QString(s[i]));
        }
    });
    apply_pen();
    dirty = true;
}

void ImageCanvas::set_pixel(int x, int y, Rgb colour) {
    if (!bits_ || x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    reinterpret_cast<QRgb*>(bits_ + y * stride_)[x] = 0xff000000u | pack_rgb(colour);
    dirty = true;
}

Rgb ImageCanvas::get_pixel(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return Rgb{};
    return unpack_rgb(reinterpret_cast<const QRgb*>(bits_ + y * stride_)[x]);
}

void ImageCanvas::set_font(int height, int width) {
    font_ = canvas_font();
    if (height > 0) {
        // The glyphs are made to fit the cell, squeezed or stretched sideways as needed.
        font_.setPixelSize(std::clamp(height, 1, 4096));
        const double advance = QFontMetricsF(font_).horizontalAdvance(u'M');
        if (width > 0 && advance > 0)
            font_.setStretch(std::clamp(int(std::lround(100.0 * width / advance)), 1, 4000));
    }
    const QFontMetricsF metrics(font_);
    // One cell per character, as with a fixed-pitch GDI font: widths are whole pixels.
    char_width_ =
        width > 0 ? width : std::max(1, int(std::lround(metrics.horizontalAdvance(u'M'))));
    char_height_ = height > 0 ? height : std::max(1, int(std::ceil(metrics.height())));
    ascent_ = std::min(char_height_, int(std::lround(metrics.ascent())));
    raw_font_ = QRawFont::fromFont(font_);
    if (painter_.isActive()) painter_.setFont(font_);
}

int ImageCanvas::text_height() const {
    return char_height_;
}

int ImageCanvas::text_width(const std::string& text) const {
    return char_width_ * int(to_qstring(text).size());
}

void ImageCanvas::blit(const QImage& source, int x, int y) {
    if (!painter_.isActive()) return;
    with_copy_mode([&] { painter_.drawImage(x, y, source); });
    dirty = true;
}

void ImageCanvas::resize(int width, int height, Rgb fill) {
    if (width == image_.width() && height == image_.height()) return;
    if (painter_.isActive()) painter_.end();
    QImage next;
    if (width > 0 && height > 0) {
        next = QImage(width, height, QImage::Format_RGB32);
        if (!next.isNull()) {
            next.fill(to_qcolor(fill));
            if (!image_.isNull()) {
                QPainter p(&next);
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.drawImage(0, 0, image_);
            }
        }
    }
    image_ = std::move(next);
    begin();
    dirty = true;
}

}  // namespace mw31
