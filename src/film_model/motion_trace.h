// Following a point through a film: a point picked in one frame is tied to the part under it
// (ANMNEU films) or to the record it lies on (line and user-coordinates films), then placed
// in every frame from the film's own numbers, never from pixels.
#pragma once

#include <string>
#include <vector>

#include "film_model/anmneu_film.h"
#include "film_model/frame_store.h"
#include "film_model/usercoor_film.h"

namespace film {

// What a picked point is tied to.
struct MotionAnchor {
    enum Kind { kNone, kSymbol, kRecord };
    Kind kind = kNone;
    int symbol = -1;                  // kSymbol: 0-based symbol index
    double local_x = 0, local_y = 0;  // kSymbol: the point in the symbol's own frame
    int record = -1;                  // kRecord: index of the record within its frame
    int record_class = 0;             // kRecord: end point, arc centre or corner (internal)
    // How far the picked point lay from what the anchor stands for when it was picked (the
    // symbol's drawn elements, or the record's point), in the film's units.
    double distance = 0;
};

// The frames a trace runs over and the angle each stands for. The angle is the one the
// frame's label names ("phi = 12.5") when every frame has one, else the cycle angle
// 360 * k / n of the k-th of n frames, as the recording's stamp counts it.
struct MotionFrames {
    std::vector<int> frames;
    std::vector<double> angles;  // degrees, one per frame
    bool angles_from_labels = false;
};

struct TracePoint {
    int frame = 0;
    double angle = 0;
    double x = 0, y = 0;
    // False when the frame has no record at the anchor's index, or one of another kind.
    bool valid = true;
};

struct MotionTrace {
    MotionAnchor anchor;
    std::vector<TracePoint> points;
    // Line films keep their film units, in which y grows downwards.
    bool y_down = false;
};

// The angle in a label such as "Kurbelwinkel phi = 12.5 Grad"; false when it names none.
bool label_phi_angle(const std::string& label, double* degrees);

// Frames 0 .. F-1 of an ANMNEU film (or merged film).
MotionFrames anmneu_motion_frames(const AnmneuFilm& film);
// The given frames with their cycle angles.
MotionFrames cycle_motion_frames(const std::vector<int>& frames);

// Within this fraction of the world window's width of the nearest part, the part drawn last
// (the one on top) takes the point.
constexpr double kPickTieFraction = 0.002;

// The symbol whose drawn elements in `frame` lie nearest to (x, y) (world units), and the
// point in that symbol's frame. kNone when the film draws nothing there or the frame does not
// exist; a symbol scaled to nothing in either direction is not taken.
MotionAnchor pick_anmneu_anchor(const AnmneuFilm& film, int frame, double x, double y);
// The anchor's point in every frame, through the placement the painter draws with.
MotionTrace trace_anmneu(const AnmneuFilm& film, const MotionAnchor& anchor,
                         const MotionFrames& frames);

// Line films: the record whose end point (a move or line end, or an arc's centre) in `frame`
// lies nearest to (x, y) in film units; the trace follows the record with that index.
MotionAnchor pick_line_film_anchor(const FrameStore& store, int frame, double x, double y);
MotionTrace trace_line_film(const FrameStore& store, const MotionAnchor& anchor,
                            const MotionFrames& frames);

// User-coordinates films: the same in world units.
MotionAnchor pick_usercoor_anchor(const UsercoorFilm& film, int frame, double x, double y);
MotionTrace trace_usercoor(const UsercoorFilm& film, const MotionAnchor& anchor,
                           const MotionFrames& frames);

}  // namespace film
