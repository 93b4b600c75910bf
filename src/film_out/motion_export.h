// What motion analysis writes: traces and a tracked distance as CSV tables, traces as SVG
// polylines, and the chart of a tracked distance over the cycle drawn on a canvas.
#pragma once

#include <string>
#include <vector>

#include "film_model/motion_trace.h"
#include "film_model/motion_track.h"
#include "mw31/canvas.h"

namespace film_out {

// "frame,angle,x1,y1,x2,y2,..." and a row per frame; a point a frame does not have leaves its
// cells empty. Numbers with six decimals and a decimal point.
std::string trace_csv_text(const std::vector<film::MotionTrace>& traces);
// "frame,angle,distance,direction" and a row per sample.
std::string track_csv_text(const film::MotionTrack& track);
// A polyline per trace (one per unbroken run of points) in the film's units with y turned to
// grow downwards as SVG has it (films whose y grows downwards already keep theirs), inside a
// viewBox around every point.
std::string trace_svg_text(const std::vector<film::MotionTrace>& traces);

// The files, each written whole under a temporary name first: 0, or 1 after a message.
int write_trace_csv(const std::string& path, const std::vector<film::MotionTrace>& traces);
int write_track_csv(const std::string& path, const film::MotionTrack& track);
int write_trace_svg(const std::string& path, const std::vector<film::MotionTrace>& traces);

// Where the chart puts its curves: the plotting rectangle and the value ranges it spans.
struct TrackChartLayout {
    mw31::Rect plot{};
    double angle_min = 0, angle_max = 1;
    double distance_min = 0, distance_max = 1;
    double direction_min = -180, direction_max = 180;

    int x_of(double angle) const;
    int y_of_distance(double distance) const;
    int y_of_direction(double direction) const;
};

TrackChartLayout track_chart_layout(const film::MotionTrack& track, int width, int height);

// Distance (left scale) and direction (right scale) over the frames' angles on a white
// canvas of this size, the least and greatest distance ringed and labelled with their frames.
void draw_track_chart(mw31::Canvas& canvas, int width, int height, const film::MotionTrack& track);
// The chart as a PNG picture of this size: 0, or 1 after a message.
int write_track_chart(const std::string& path, const film::MotionTrack& track, int width,
                      int height);

}  // namespace film_out
