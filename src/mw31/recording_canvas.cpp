// Records drawing calls; the arc end position follows the same rule as the real canvas.
#include "mw31/recording_canvas.h"

#include <cmath>

namespace mw31 {

DrawOp RecordingCanvas::make(DrawOp::Kind kind) const {
    DrawOp op{};
    op.kind = kind;
    op.pen = pen_;
    op.brush = brush_;
    op.op = op_;
    op.from = pos_;
    return op;
}

void RecordingCanvas::move_to(int x, int y) {
    DrawOp op = make(DrawOp::MoveTo);
    op.x = x;
    op.y = y;
    ops.push_back(op);
    pos_ = {x, y};
}

void RecordingCanvas::line_to(int x, int y) {
    DrawOp op = make(DrawOp::LineTo);
    op.x = x;
    op.y = y;
    ops.push_back(op);
    pos_ = {x, y};
}

void RecordingCanvas::angle_arc(int cx, int cy, int radius, double start_deg, double sweep_deg) {
    DrawOp op = make(DrawOp::AngleArc);
    op.x = cx;
    op.y = cy;
    op.radius = radius;
    op.start = start_deg;
    op.sweep = sweep_deg;
    ops.push_back(op);
    const double end = (start_deg + sweep_deg) * M_PI / 180.0;
    pos_ = {int(std::lround(cx + radius * std::cos(end))),
            int(std::lround(cy - radius * std::sin(end)))};
}

void RecordingCanvas::rectangle(const Rect& r) {
    DrawOp op = make(DrawOp::Rectangle);
    op.rect = r;
    ops.push_back(op);
}

void RecordingCanvas::fill_rect(const Rect& r, const Brush& brush) {
    DrawOp op = make(DrawOp::FillRect);
    op.rect = r;
    op.brush = brush;
    ops.push_back(op);
}

void RecordingCanvas::text_out(int x, int y, const std::string& text) {
    DrawOp op = make(DrawOp::TextOut);
    op.x = x;
    op.y = y;
    op.text = text;
    op.text_transparent = text_transparent_;
    op.text_colour = text_;
    ops.push_back(op);
}

void RecordingCanvas::set_pixel(int x, int y, Rgb) {
    DrawOp op = make(DrawOp::SetPixel);
    op.x = x;
    op.y = y;
    ops.push_back(op);
}

}  // namespace mw31
