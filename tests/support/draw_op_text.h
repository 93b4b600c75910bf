// One line of text per recorded drawing call, with every argument exact, so that what a
// painter draws can be kept as test data and compared line by line.
#pragma once

#include <cstdio>
#include <string>

#include "mw31/recording_canvas.h"

namespace kv_test {

inline std::string draw_op_text(const mw31::DrawOp& op) {
    static const char* const kKinds[] = {"move", "line", "arc", "rect", "fill", "text", "pixel"};
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "%s %d %d r%d %.17g %.17g [%d %d %d %d] pen%d/%d/%02x%02x%02x "
                  "brush%02x%02x%02x%s %s from%d,%d",
                  kKinds[op.kind], op.x, op.y, op.radius, op.start, op.sweep, op.rect.left,
                  op.rect.top, op.rect.right, op.rect.bottom, int(op.pen.style), op.pen.width,
                  op.pen.colour.r, op.pen.colour.g, op.pen.colour.b, op.brush.colour.r,
                  op.brush.colour.g, op.brush.colour.b, op.brush.hollow ? "h" : "",
                  op.op == mw31::RasterOp::Xor ? "xor" : "copy", op.from.x, op.from.y);
    std::string line = buf;
    if (op.kind == mw31::DrawOp::TextOut) line += " \"" + op.text + "\"";
    return line;
}

}  // namespace kv_test
