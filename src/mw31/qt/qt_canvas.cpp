// GDI drawing semantics on a QImage: aliased lines without their last pixel, angle arcs joined
// to the current position, rectangles filled and outlined, opaque text, copy and XOR.
#include "mw31/qt/qt_canvas.h"

#include <QFontMetrics>
#include <cmath>

#include "mw31/qt/qt_text.h"

namespace mw31 {

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

ImageCanvas::ImageCanvas(int width, int height) : font_(canvas_font()) {
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
    if (image_.isNull() || !painter_.begin(&image_)) return;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    painter_.setBrush(Qt::NoBrush);
    painter_.setFont(font_);
    painter_.setCompositionMode(op_ == RasterOp::Xor ? QPainter::RasterOp_SourceXorDestination
                                                     : QPainter::CompositionMode_Source);
    apply_pen();
}

void ImageCanvas::apply_pen() {
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
    if (painter_.isActive() && pen_.style != PenStyle::Null) {
        painter_.drawLine(pos_.x, pos_.y, x, y);
        dirty = true;
    }
    pos_ = {x, y};
}

void ImageCanvas::angle_arc(int cx, int cy, int radius, double start_deg, double sweep_deg) {
    if (radius < 0 || !std::isfinite(start_deg) || !std::isfinite(sweep_deg)) return;
    const double start = start_deg * M_PI / 180.0;
    const double end = (start_deg + sweep_deg) * M_PI / 180.0;
    line_to(int(std::lround(cx + radius * std::cos(start))),
            int(std::lround(cy - radius * std::sin(start))));
    if (radius > 0 && painter_.isActive() && pen_.style != PenStyle::Null) {
        // Qt counts angles counter-clockwise from three o'clock, as GDI does on screen.
        const double sweep = std::clamp(sweep_deg, -3600.0, 3600.0);
        painter_.drawArc(QRectF(cx - radius, cy - radius, 2.0 * radius, 2.0 * radius),
                         int(std::lround(std::fmod(start_deg, 360.0) * 16)),
                         int(std::lround(sweep * 16)));
        dirty = true;
    }
    pos_ = {int(std::lround(cx + radius * std::cos(end))),
            int(std::lround(cy - radius * std::sin(end)))};
}

void ImageCanvas::rectangle(const Rect& r) {
    if (!painter_.isActive()) return;
    const int left = std::min(r.left, r.right), right = std::max(r.left, r.right);
    const int top = std::min(r.top, r.bottom), bottom = std::max(r.top, r.bottom);
    if (right - left < 1 || bottom - top < 1) return;
    if (!brush_.hollow)
        painter_.fillRect(QRect(left, top, right - left, bottom - top), to_qcolor(brush_.colour));
    if (pen_.style != PenStyle::Null) {
        // An aliased outline covers width + 1 pixels, so this ends at right - 1 and bottom - 1.
        painter_.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
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
    const QFontMetrics metrics(font_);
    with_copy_mode([&] {
        painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()),
                          to_qcolor(text_background_));
        painter_.setPen(to_qcolor(text_colour_));
        painter_.drawText(QPoint(x, y + metrics.ascent()), s);
    });
    apply_pen();
    dirty = true;
}

void ImageCanvas::set_pixel(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = 0xff000000u | pack_rgb(colour);
    dirty = true;
}

Rgb ImageCanvas::get_pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return Rgb{};
    return unpack_rgb(reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]);
}

int ImageCanvas::text_height() const {
    return QFontMetrics(font_).height();
}

int ImageCanvas::text_width(const std::string& text) const {
    return QFontMetrics(font_).horizontalAdvance(to_qstring(text));
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
