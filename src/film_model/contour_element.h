// One element of a contour (a symbol's outline) as the contour reader stores it, and the
// colour names shared by every reader of contours.
#pragma once

#include <string>

namespace film {

// Kinds are kept as floats because the element is six doubles throughout; read back by
// truncation (contour_kind).
enum ContourKind {
    kContourPoint = 1,
    kContourMove = 2,
    kContourDraw = 3,
    kContourArc = 4,
    kContourColour = 5
};

struct ContourElement {
    double kind = 0;  // ContourKind as a float
    double x = 0;     // point x, or the colour index for kContourColour
    double y = 0;
    double r = 0;      // arcs: radius
    double start = 0;  // arcs: start angle in radians
    double end = 0;    // arcs: end angle in radians
};

inline int contour_kind(const ContourElement& e) {
    return int(e.kind);
}

// Colour index of a name compared in lower case; names not in the table give 0.
int colour_from_name(const std::string& name);

}  // namespace film
