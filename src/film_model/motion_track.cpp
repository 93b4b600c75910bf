// Distance and direction of a traced pair, frame by frame.
#include "film_model/motion_track.h"

#include <cmath>

namespace film {

MotionTrack track_distance(const MotionTrace& first, const MotionTrace& second) {
    MotionTrack track;
    const size_t n = std::min(first.points.size(), second.points.size());
    for (size_t k = 0; k < n; ++k) {
        const TracePoint& a = first.points[k];
        const TracePoint& b = second.points[k];
        if (!a.valid || !b.valid || a.frame != b.frame) continue;
        const double dx = b.x - a.x;
        const double dy = first.y_down ? a.y - b.y : b.y - a.y;
        TrackSample s;
        s.frame = a.frame;
        s.angle = a.angle;
        s.distance = std::hypot(dx, dy);
        s.direction = std::atan2(dy, dx) * 180 / M_PI;
        track.samples.push_back(s);
        const int i = int(track.samples.size()) - 1;
        if (track.min_index < 0 || s.distance < track.samples[size_t(track.min_index)].distance)
            track.min_index = i;
        if (track.max_index < 0 || s.distance > track.samples[size_t(track.max_index)].distance)
            track.max_index = i;
    }
    return track;
}

}  // namespace film
