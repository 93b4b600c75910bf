// An ANMNEU film in memory: rigid symbols (contours) and, per frame, each symbol's placement,
// the caption, the label and the world window the film is drawn in.
#pragma once

#include <string>
#include <vector>

#include "film_model/contour_element.h"
#include "film_model/world_window.h"

namespace film {

constexpr int kAnmneuMaxFrames = 10000;    // frame numbers 0 .. 9999
constexpr int kAnmneuMaxCaption = 16383;   // characters of a frame's joined captions
constexpr int kAnmneuMaxLabel = 255;       // characters of a frame's label
constexpr int kAnmneuMaxSymbols = 100000;  // far beyond any mechanism; guards the allocation
// Raster the world window is mapped onto (film-to-screen virtual size W x H).
constexpr int kAnmneuRasterWidth = 1300000;
constexpr int kAnmneuRasterHeight = 1000000;

struct SymbolPlacement {
    double x = 0, y = 0, phi = 0;  // phi in radians
    double sx = 1, sy = 1;
};

struct FilmSymbol {
    std::vector<film::ContourElement> elements;  // as many as were read
    int colour = 1;                              // "black"
};

struct AnmneuFrame {
    bool present = false;   // a "#i" line for this frame was read
    std::string caption;    // the frame's x lines joined with ";"
    double c1 = 0, c2 = 0;  // label position
    std::string label;      // text after the colon of the c line
    // Placements of symbols 1, 2, ... in the order of the frame's lines; symbols without a
    // line keep the default placement.
    std::vector<SymbolPlacement> placements;
};

struct AnmneuFilm {
    std::string name;
    int frame_count = 0;              // F: frames 0 .. F-1 are played
    std::vector<FilmSymbol> symbols;  // P entries, symbol n at index n-1
    // Frames 0 .. F-1, and beyond that any later frames the file gives (up to 9999): the
    // in-between pictures after the last frame move towards them.
    std::vector<AnmneuFrame> frames;
    WorldWindow file_window;  // xmin, xmax, ymin, ymax as the file gives them
    WorldWindow window;       // fitted to the aspect 1.3, then zoomed by the user
    WorldWindow initial;      // the fitted window, for Init
    bool has_info_text = false;

    int symbol_count() const { return int(symbols.size()); }
};

// The placement of symbol s (0-based) in frame i; defaults where the file gave none.
SymbolPlacement anmneu_placement(const AnmneuFilm& film, int frame, int symbol);

// The frame the in-between pictures after frame i move towards: i + 1 when it lies within
// the film or was given in the file, otherwise i itself (the picture holds still rather than
// sliding towards the origin).
int anmneu_next_frame(const AnmneuFilm& film, int frame);

// The sub-step held within 0 .. phi - 1 (the factor may have changed since it was set).
inline int anmneu_clamp_substep(int substep, int phi_factor) {
    if (phi_factor < 1 || substep < 0) return 0;
    return substep >= phi_factor ? phi_factor - 1 : substep;
}

}  // namespace film
