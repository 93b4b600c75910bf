// A tracked pair of points: how far apart two traced points are in every frame and in which
// direction the second lies from the first, with the frames of the least and greatest distance.
#pragma once

#include <vector>

#include "film_model/motion_trace.h"

namespace film {

struct TrackSample {
    int frame = 0;
    double angle = 0;      // the frame's angle, as in the traces
    double distance = 0;   // film units
    double direction = 0;  // degrees from the x axis, -180 .. 180, counter-clockwise
};

struct MotionTrack {
    std::vector<TrackSample> samples;  // frames where both traces have a point
    int min_index = -1;                // sample of the least distance (the first of equals)
    int max_index = -1;                // sample of the greatest distance (the first of equals)
};

// Both traces must run over the same frames (as the trace functions make them from one
// MotionFrames); frames where either point is missing are left out. For films whose y grows
// downwards the direction is still counted counter-clockwise as seen.
MotionTrack track_distance(const MotionTrace& first, const MotionTrace& second);

}  // namespace film
