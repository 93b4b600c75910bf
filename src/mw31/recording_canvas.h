// A canvas that records every call with its exact integer arguments instead of painting,
// for checking what drawing code does, and for hit-testing and measuring.
#pragma once

#include <string>
#include <vector>

#include "mw31/canvas.h"

namespace mw31 {

struct DrawOp {
    enum Kind { MoveTo, LineTo, AngleArc, Rectangle, FillRect, TextOut, SetPixel } kind;
    int x = 0, y = 0;             // target point, arc centre, text origin, or pixel
    int radius = 0;               // arcs
    double start = 0, sweep = 0;  // arcs, in degrees
    Rect rect{};                  // rectangles
    std::string text;             // text
    Pen pen{};                    // pen in force
    Brush brush{};                // brush in force (FillRect: the given brush)
    RasterOp op = RasterOp::Copy;
    Point from{};                   // position before LineTo / AngleArc
    bool text_transparent = false;  // text
    Rgb text_colour{};              // text
};

class RecordingCanvas : public Canvas {
  public:
    RecordingCanvas(int width = 800, int height = 600) : w_(width), h_(height) {}

    std::vector<DrawOp> ops;

    int width() const override { return w_; }
    int height() const override { return h_; }
    void select_pen(const Pen& pen) override { pen_ = pen; }
    void select_brush(const Brush& brush) override { brush_ = brush; }
    void set_raster_op(RasterOp op) override { op_ = op; }
    void set_text_colour(Rgb c) override { text_ = c; }
    void set_text_background(Rgb c) override { text_bg_ = c; }
    void set_text_transparent(bool t) override { text_transparent_ = t; }
    void move_to(int x, int y) override;
    void line_to(int x, int y) override;
    void angle_arc(int cx, int cy, int radius, double start_deg, double sweep_deg) override;
    void rectangle(const Rect& r) override;
    void fill_rect(const Rect& r, const Brush& brush) override;
    void text_out(int x, int y, const std::string& text) override;
    void set_pixel(int x, int y, Rgb colour) override;
    Rgb get_pixel(int, int) const override { return Rgb{}; }
    Point current_position() const override { return pos_; }
    void set_font(int height, int width) override {
        font_h_ = height > 0 ? height : 15;
        font_w_ = width > 0 ? width : 7;
    }
    int text_height() const override { return font_h_; }
    int text_width(const std::string& text) const override { return font_w_ * int(text.size()); }

    Rgb text_colour() const { return text_; }
    bool text_transparent() const { return text_transparent_; }
    Rgb text_background() const { return text_bg_; }

  private:
    DrawOp make(DrawOp::Kind kind) const;
    int w_, h_;
    Pen pen_{};
    Brush brush_{};
    RasterOp op_ = RasterOp::Copy;
    Rgb text_{0, 0, 0}, text_bg_{255, 255, 255};
    bool text_transparent_ = false;
    Point pos_{};
    int font_h_ = 15, font_w_ = 7;
};

}  // namespace mw31
