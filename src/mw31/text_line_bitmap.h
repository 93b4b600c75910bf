// One line of coloured text as an RGB bitmap, drawn through the platform's pictures: the 3D
// window's overlay lines, which GL itself cannot letter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mw31/canvas.h"

namespace mw31 {

// A piece of the line in one colour; an opaque piece fills its cells with the background.
struct TextRun {
    std::string text;
    Rgb colour{};
    bool opaque = false;
    Rgb background{255, 255, 255};
    friend bool operator==(const TextRun&, const TextRun&) = default;
};

// The runs one after another from the left edge on a white width x height bitmap, in a
// fixed-pitch font of font_height pixels, vertically centred. Rows top to bottom, R G B. Empty
// when there is no platform picture (no backend) or the size is not positive.
std::vector<uint8_t> render_text_line(const std::vector<TextRun>& runs, int width, int height,
                                      int font_height);

}  // namespace mw31
