// The chart of a followed measurement: length and angle over the cycle with the current frame
// marked, the least and greatest length with their frames, in a small window of its own that
// saves the numbers as CSV and the chart as PNG.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "film_model/motion_track.h"
#include "mw31/canvas.h"
#include "mw31/picture.h"
#include "mw31/window.h"

namespace film {

constexpr int kChartWidth = 520;
constexpr int kChartHeight = 300;

// Where the curves go: the plotting rectangle and the ranges it spans.
struct ChartLayout {
    mw31::Rect plot{};
    double angle_lo = 0, angle_hi = 1;
    double length_lo = 0, length_hi = 1;
    double direction_lo = -180, direction_hi = 180;
    int x_of(double angle) const;
    int y_of_length(double length) const;
    int y_of_direction(double direction) const;
};
ChartLayout chart_layout(const MotionTrack& track, int width, int height);

// "min l=%.3lf (Bild/frame %d)" and the same with max; "" without samples.
std::string chart_min_text(const MotionTrack& track);
std::string chart_max_text(const MotionTrack& track);
// "Bild/frame %d: l=%.3lf w=%.3lf Grad"; "" when the frame has no sample.
std::string chart_current_text(const MotionTrack& track, int frame);
// The sample of the frame, or -1.
int chart_sample_of(const MotionTrack& track, int frame);

const mw31::Rgb kChartLengthColour{0, 0, 200};
const mw31::Rgb kChartDirectionColour{0, 150, 0};
const mw31::Rgb kChartMarkColour{220, 0, 0};

// The whole chart on a white canvas: axes, both curves, the min and max texts, and a vertical
// line at the current frame with its values (none when the frame has no sample).
void draw_motion_chart(mw31::Canvas& canvas, int width, int height, const MotionTrack& track,
                       int frame);

struct MotionChartWindow {
    std::unique_ptr<mw31::Window> window;
    std::unique_ptr<mw31::Picture> picture;
    MotionTrack track;
    int shown_frame = -2;  // the frame the picture marks; -2 before the first
    bool closed = false;   // the user closed it
    // Writes the numbers as CSV: 0, or 1 after a message; empty: CSV is not offered.
    std::function<int(const std::string& path, const MotionTrack& track)> write_csv;
};

// Opens the chart window for the track; null (after a message) when it cannot be made.
std::shared_ptr<MotionChartWindow> open_motion_chart(const MotionTrack& track);
// A new track in an open window: drawn again at the next frame.
void set_chart_track(MotionChartWindow& chart, const MotionTrack& track);
// Draws the chart for the frame when it is not the one shown.
void show_chart_frame(MotionChartWindow& chart, int frame);
// The save dialog of the chart (w): a name ending in .png takes the picture, any other the
// numbers as CSV.
void save_motion_chart(MotionChartWindow& chart);

}  // namespace film
