// What the film window keeps for motion analysis: what the playing film offers (picking,
// tracing, painting another frame), the traces, the followed measurement and the onion skin's
// faded frames, as plain data.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "film_model/film_view.h"
#include "film_model/frame_painter.h"
#include "film_model/motion_trace.h"
#include "film_model/motion_track.h"
#include "film_model/world_window.h"
#include "mw31/canvas.h"

namespace film {

struct MotionChartWindow;

// What a player offers; empty entries: the window offers nothing of that kind.
struct MotionSource {
    // The anchor under a world point (film units for line films) in a frame.
    std::function<MotionAnchor(int frame, double wx, double wy)> pick;
    // The anchor's point in every frame of the film.
    std::function<MotionTrace(const MotionAnchor& anchor)> trace;
    // Another frame painted as the window paints the current one; false for a frame that is
    // not shown (a gap, a frame of too few records).
    std::function<bool(mw31::Canvas& canvas, const FilmView& view, const PaintStyle& style,
                       int frame)>
        paint_frame;
};

// Onion skin steps in the order o goes through them; 0 is off.
constexpr int kOnionSteps[] = {0, 10, 5, 2};
// How far a faded frame's colours stay from the background: 0 is the background itself.
constexpr int kOnionStrength = 90;  // of 256

// What the faded frames were made for; any change makes them again.
struct OnionKey {
    mw31::Rect area{};
    bool fit = true;
    double zoom = 1;
    int x0 = 0, y0 = 0;
    WorldWindow world{};
    bool inverted = false;
    int pen_width = 1;
    int step = 0;
    int first = 0, frame_count = 0;
    const void* film = nullptr;
    friend bool operator==(const OnionKey&, const OnionKey&) = default;
};

// The faded frames as the pixels that differ from the background, row by row: drawing them is
// a pass over a few thousand pixels, not a copy of the picture.
struct OnionSkin {
    int step = 0;  // 0: off
    bool made = false;
    OnionKey key;
    std::vector<uint32_t> offsets;  // y * width + x in the picture
    std::vector<mw31::Rgb> colours;
    int width = 0;
    int makings = 0;  // how often the faded frames were made (tests watch the keeping)
};

// A measurement whose points are tied to parts: length and angle in every frame.
struct FollowedMeasurement {
    bool on = false;
    MotionTrace reference, direction;
    MotionTrack track;
};

struct MotionWindowState {
    MotionSource source;
    bool trace_armed = false;  // the next click picks a traced point
    std::vector<MotionTrace> traces;
    FollowedMeasurement followed;
    OnionSkin onion;
    OnionSkin recorded_onion;  // for the larger picture a recording with a factor gets
    std::shared_ptr<MotionChartWindow> chart;
};

// Colours of the traces in the order they are picked; the n-th trace takes entry n modulo
// the count.
const std::vector<mw31::Rgb>& trace_colours();

// The onion step after `step` in the cycle off, 10, 5, 2.
int next_onion_step(int step);

// Frames first, first + k, first + 2k ... below frame_count: the faded ones for step k.
std::vector<int> onion_frames(int first, int frame_count, int step);

// A colour drawn this strength (of 256) of the way from the background to itself.
mw31::Rgb faded_colour(mw31::Rgb colour, mw31::Rgb background, int strength = kOnionStrength);

}  // namespace film
