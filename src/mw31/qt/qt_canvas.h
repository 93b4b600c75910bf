// The GDI-like canvas over a QImage: one QPainter stays open for the image's life, and pen,
// brush and raster operation reach it only when they change.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <memory>

#include "mw31/canvas.h"

namespace mw31 {

class ImageCanvas final : public Canvas {
  public:
    ImageCanvas(int width, int height);
    ~ImageCanvas() override;

    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }

    void select_pen(const Pen& pen) override;
    void select_brush(const Brush& brush) override;
    void set_raster_op(RasterOp op) override;
    void set_text_colour(Rgb colour) override;
    void set_text_background(Rgb colour) override;
    void set_text_transparent(bool transparent) override { text_transparent_ = transparent; }

    void move_to(int x, int y) override;
    void line_to(int x, int y) override;
    void angle_arc(int cx, int cy, int radius, double start_deg, double sweep_deg) override;
    void rectangle(const Rect& r) override;
    void fill_rect(const Rect& r, const Brush& brush) override;
    void text_out(int x, int y, const std::string& text) override;
    void set_pixel(int x, int y, Rgb colour) override;
    Rgb get_pixel(int x, int y) const override;
    void set_font(int height, int width) override;

    Point current_position() const override { return pos_; }
    int text_height() const override;
    int text_width(const std::string& text) const override;

    const QImage& image() const { return image_; }
    const QFont& font() const { return font_; }
    // Copies another image in with plain copy semantics, whatever the raster operation.
    void blit(const QImage& source, int x, int y);
    // New size; what fits of the old content stays, the rest is filled with `fill`.
    void resize(int width, int height, Rgb fill);
    // Set by every drawing call; the window clears it when it schedules a repaint.
    bool dirty = false;

  private:
    void begin();
    // Thin solid pens are drawn straight into the pixels: exact, and far cheaper than a
    // QPainter call per segment.
    bool thin_solid() const { return pen_.style == PenStyle::Solid && pen_.width <= 1; }
    // Solid pens of two or three pixels (the film's wider pens) in copy mode: bands of thin
    // lines with a square dot at each start; QPainter's stroker is ten times slower.
    bool narrow_solid() const {
        return pen_.style == PenStyle::Solid && pen_.width <= 3 && op_ == RasterOp::Copy;
    }
    void thin_line(int x0, int y0, int x1, int y1);
    void narrow_line(int x0, int y0, int x1, int y1);
    void segment(int x0, int y0, int x1, int y1);
    void apply_pen();
    void with_copy_mode(const auto& draw);

    QImage image_;
    QPainter painter_;
    QFont font_;
    QRawFont raw_font_;  // font_'s glyphs, for whole strings in one run
    Pen pen_;
    Brush brush_;
    RasterOp op_ = RasterOp::Copy;
    Rgb text_colour_{0, 0, 0};
    Rgb text_background_{255, 255, 255};
    bool text_transparent_ = false;
    Point pos_;
    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    QRgb pen_rgb_ = 0;
    int char_width_ = 8, char_height_ = 16, ascent_ = 12;
};

QColor to_qcolor(Rgb c);
// The fixed-pitch font every canvas writes with.
QFont canvas_font();

}  // namespace mw31
