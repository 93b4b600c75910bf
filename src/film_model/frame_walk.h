// One walk of a frame in the film's own units: the records of a line-film frame, or the
// label and placed symbols of an ANMNEU picture, handed in drawing order to a sink. The raster
// painters are sinks; print, DXF, hit-testing and vector graphics in 3D are further sinks.
#pragma once

#include <functional>
#include <string>

#include "film_model/anmneu_film.h"
#include "film_model/contour_element.h"
#include "film_model/frame_store.h"

namespace film {

// An arc about (cx, cy), counter-clockwise in the film's sense for a positive sweep. The start
// angle also comes in radians exactly as the film computed it, so that a sink can place the
// arc's start point without a round trip through degrees.
struct FrameArc {
    double cx = 0, cy = 0, r = 0;
    double start_deg = 0, sweep_deg = 0;
    double start_rad = 0;
};

// An arc of a symbol drawn under a placement that scales it: the circle of the contour element
// (symbol units, angles in radians) is not a circle in the world any more.
struct PlacedArc {
    const ContourElement* element = nullptr;
    SymbolPlacement placement;
};

class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // A colour number (a pen change); what 0 and 1 mean is the sink's business.
    virtual void colour(int colour) = 0;
    virtual void move_to(double x, double y) = 0;
    // Inverting lines and arcs flip what is under them, so that drawing them twice restores it.
    virtual void line_to(double x, double y, bool inverting) = 0;
    virtual void arc(const FrameArc& arc, bool inverting) = 0;
    virtual void placed_arc(const PlacedArc& arc) = 0;
    // Filled with the background, outlined with the pen.
    virtual void filled_rect(double x1, double y1, double x2, double y2) = 0;
    // An ANMNEU frame's label, anchored at the point the film gives.
    virtual void label(double x, double y, const std::string& text) = 0;
};

// The records of frame i of the store (nothing for an index outside it), in film units with
// y downwards. Pairs cut off at the end and arcs whose angles are not finite are skipped.
void walk_line_film_frame(const FrameStore& store, int frame, FrameSink& sink);
// The same for records in memory; arc angles are raw values / angle_divisor degrees.
void walk_film_records(const FilmRecord* records, size_t count, double angle_divisor,
                       FrameSink& sink);

// Which picture of an ANMNEU film: frame i, in-between picture `substep` of `phi_factor`.
struct AnmneuPicture {
    int frame = 0;
    int substep = 0;
    int phi_factor = 1;
};

// The label and every symbol of the picture, in world units (y upwards); `between_symbols`
// runs after each symbol (the player services its messages there).
void walk_anmneu_picture(const AnmneuFilm& film, const AnmneuPicture& picture, FrameSink& sink,
                         const std::function<void()>& between_symbols = {});

// One symbol's contour at its placement, in its colour.
void walk_symbol(const ContourElement* elements, int count, const SymbolPlacement& placement,
                 int colour, FrameSink& sink);

// Placement of symbol s in frame i, interpolated by t towards the frame that follows.
SymbolPlacement interpolated_placement(const AnmneuFilm& film, int i, int s, double t);

// A real number as an int, truncated toward zero and held within +-2^30 (NaN gives 0), for
// coordinates and colour numbers that come from a file.
int held_int(double v);

}  // namespace film
