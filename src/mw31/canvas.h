// Drawing surface with the semantics of the classic GDI calls the players were written for:
// a current position, selected pen and brush, raster operation, no antialiasing.
#pragma once

#include <cstdint>
#include <string>

namespace mw31 {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline uint32_t pack_rgb(Rgb c) {
    return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}
inline Rgb unpack_rgb(uint32_t v) {
    return Rgb{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

enum class PenStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, Null = 5 };

struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1;
    Rgb colour{};
    friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
    Rgb colour{255, 255, 255};
    bool hollow = false;  // a hollow brush fills nothing
    friend bool operator==(const Brush&, const Brush&) = default;
};

// Copy paints the pen colour; Xor combines the pen colour with what is there.
enum class RasterOp { Copy, Xor };

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Right and bottom are exclusive, as for GDI rectangles.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

class Canvas {
  public:
    virtual ~Canvas() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;

    virtual void select_pen(const Pen& pen) = 0;
    virtual void select_brush(const Brush& brush) = 0;
    virtual void set_raster_op(RasterOp op) = 0;
    virtual void set_text_colour(Rgb colour) = 0;
    virtual void set_text_background(Rgb colour) = 0;
    // Transparent text leaves what lies under its cells as it is (no background fill).
    virtual void set_text_transparent(bool transparent) = 0;

    virtual void move_to(int x, int y) = 0;
    // Line from the current position to (x, y), last pixel excluded; the position moves there.
    virtual void line_to(int x, int y) = 0;
    // GDI AngleArc: a line from the current position to the arc's start, then the arc
    // counter-clockwise (screen y down) for a positive sweep; the position ends at the arc's end.
    virtual void angle_arc(int cx, int cy, int radius, double start_deg, double sweep_deg) = 0;
    // Filled with the current brush and outlined with the current pen.
    virtual void rectangle(const Rect& r) = 0;
    // Filled with the given brush, no outline.
    virtual void fill_rect(const Rect& r, const Brush& brush) = 0;
    // Text with its top-left corner at (x, y) in the text colour, on an opaque background
    // unless the text was set transparent.
    virtual void text_out(int x, int y, const std::string& text) = 0;
    virtual void set_pixel(int x, int y, Rgb colour) = 0;
    // Outside the surface: black.
    virtual Rgb get_pixel(int x, int y) const = 0;

    // A fixed-pitch font whose character cell is height x width pixels; 0, 0 restores the
    // canvas's default font.
    virtual void set_font(int height, int width) = 0;

    virtual Point current_position() const = 0;
    // Height and average width of a character of the current font.
    virtual int text_height() const = 0;
    virtual int text_width(const std::string& text) const = 0;
};

}  // namespace mw31
