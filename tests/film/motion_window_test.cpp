// Motion analysis in the film window without a window: the keys and their commands, the
// onion skin's steps, frames and fading, a trace's path and the chart of a followed
// measurement as drawn on a recording canvas.
#include "film/motion_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "film/film_keys.h"
#include "film/motion_chart.h"
#include "film/playback_state.h"
#include "mw31/recording_canvas.h"

namespace film {
namespace {

using mw31::DrawOp;

TEST(MotionKeys, TraceOnionFollowAndWriteAreKeysOfTheirOwn) {
    EXPECT_EQ(command_for_char('t'), kKeyTrace);
    EXPECT_EQ(command_for_char('T'), kKeyClearTraces);
    EXPECT_EQ(command_for_char('o'), kKeyOnion);
    EXPECT_EQ(command_for_char('O'), kKeyOnion);
    EXPECT_EQ(command_for_char('f'), kKeyFollow);
    EXPECT_EQ(command_for_char('w'), kKeyWriteMotion);
    // No other character gives one of them, and they leave the playback state alone.
    const std::set<int> motion = {kKeyTrace, kKeyClearTraces, kKeyOnion, kKeyFollow,
                                  kKeyWriteMotion};
    for (int ch = 0; ch < 256; ++ch) {
        if (std::string("tToOfFwW").find(char(ch)) != std::string::npos || ch == 0) continue;
        EXPECT_EQ(motion.count(command_for_char(ch)), 0u) << ch;
    }
    ColourTable colours;
    for (int command : motion) {
        PlaybackState s = new_playback_state(0, 1, 5, 3, 0);
        s.frame_count = 30;
        const PlaybackState before = s;
        EXPECT_EQ(apply_command(&s, &colours, command, 0), CommandEffect::Motion);
        EXPECT_EQ(s.index, before.index);
        EXPECT_EQ(s.hold, before.hold);
        EXPECT_EQ(s.end, before.end);
        EXPECT_EQ(s.pen_width, before.pen_width);
    }
}

TEST(OnionSkin, StepsCycleAndPickEveryKthFrameFromTheFirst) {
    EXPECT_EQ(next_onion_step(0), 10);
    EXPECT_EQ(next_onion_step(10), 5);
    EXPECT_EQ(next_onion_step(5), 2);
    EXPECT_EQ(next_onion_step(2), 0);
    EXPECT_EQ(next_onion_step(7), 0);
    EXPECT_EQ(onion_frames(1, 25, 10), (std::vector<int>{1, 11, 21}));
    EXPECT_EQ(onion_frames(0, 21, 10), (std::vector<int>{0, 10, 20}));
    EXPECT_EQ(onion_frames(0, 5, 2), (std::vector<int>{0, 2, 4}));
    EXPECT_TRUE(onion_frames(0, 30, 0).empty());
    EXPECT_TRUE(onion_frames(3, 3, 5).empty());
}

TEST(OnionSkin, ColoursFadeTowardsTheBackgroundOfEitherDisplay) {
    const mw31::Rgb white{255, 255, 255}, black{0, 0, 0}, red{200, 0, 0};
    const mw31::Rgb on_white = faded_colour(black, white);
    EXPECT_GT(on_white.r, 100);  // lighter ...
    EXPECT_LT(on_white.r, 255);  // ... but not gone
    EXPECT_EQ(on_white.r, on_white.g);
    const mw31::Rgb on_black = faded_colour(white, black);
    EXPECT_LT(on_black.r, 155);
    EXPECT_GT(on_black.r, 0);
    const mw31::Rgb r = faded_colour(red, white);
    EXPECT_GT(r.r, r.g);  // keeps its hue
    EXPECT_GT(r.g, 0);
    EXPECT_EQ(faded_colour(white, white), white);
    EXPECT_EQ(faded_colour(red, white, 256), red);
}

MotionTrace trace_of(std::initializer_list<std::tuple<int, double, double, bool>> points) {
    MotionTrace t;
    for (const auto& [frame, x, y, valid] : points) {
        TracePoint p;
        p.frame = frame;
        p.x = x;
        p.y = y;
        p.valid = valid;
        t.points.push_back(p);
    }
    return t;
}

TEST(TraceDrawing, PathBreaksWhereAFrameHasNoPointAndMarksTheCurrentFrame) {
    FilmView view;
    view.area = mw31::Rect{0, 0, 400, 400};
    // Film units straight onto pixels: 400 wide.
    const WorldPicture map(WorldMode::None, WorldWindow{}, view, 400);
    const MotionTrace t = trace_of({{1, 10, 10, true},
                                    {2, 20, 30, true},
                                    {3, 0, 0, false},
                                    {4, 50, 60, true},
                                    {5, 70, 80, true}});
    mw31::RecordingCanvas c(400, 400);
    const mw31::Rgb colour{0, 96, 255};
    draw_trace(c, map, t, colour, 2, 4);
    std::vector<std::pair<DrawOp::Kind, mw31::Point>> path;
    for (const DrawOp& op : c.ops) {
        if (op.kind == DrawOp::MoveTo || op.kind == DrawOp::LineTo) {
            path.push_back({op.kind, {op.x, op.y}});
            EXPECT_EQ(op.pen.colour, colour);
            EXPECT_EQ(op.pen.width, 2);
        }
    }
    using P = mw31::Point;
    const std::vector<std::pair<DrawOp::Kind, mw31::Point>> expected = {
        {DrawOp::MoveTo, P{10, 10}},
        {DrawOp::LineTo, P{20, 30}},
        {DrawOp::MoveTo, P{50, 60}},
        {DrawOp::LineTo, P{70, 80}}};
    EXPECT_EQ(path, expected);
    const auto fill = std::find_if(c.ops.begin(), c.ops.end(),
                                   [](const DrawOp& op) { return op.kind == DrawOp::FillRect; });
    ASSERT_NE(fill, c.ops.end());
    EXPECT_EQ(fill->rect, (mw31::Rect{48, 58, 53, 63}));
    EXPECT_EQ(fill->brush.colour, colour);

    // A frame without a point gets no square.
    mw31::RecordingCanvas none(400, 400);
    draw_trace(none, map, t, colour, 1, 3);
    EXPECT_TRUE(std::none_of(none.ops.begin(), none.ops.end(),
                             [](const DrawOp& op) { return op.kind == DrawOp::FillRect; }));
}

MotionTrack sample_track() {
    MotionTrack t;
    const double lengths[] = {5, 3, 8, 8, 4};
    for (int k = 0; k < 5; ++k) {
        TrackSample s;
        s.frame = k + 1;
        s.angle = 72.0 * k;
        s.distance = lengths[k];
        s.direction = -90 + 45.0 * k;
        t.samples.push_back(s);
    }
    t.min_index = 1;
    t.max_index = 2;
    return t;
}

std::vector<std::string> texts(const mw31::RecordingCanvas& c) {
    std::vector<std::string> out;
    for (const DrawOp& op : c.ops)
        if (op.kind == DrawOp::TextOut) out.push_back(op.text);
    return out;
}

// The x of the vertical line in the mark's colour, or -1.
int mark_x(const mw31::RecordingCanvas& c) {
    for (const DrawOp& op : c.ops)
        if (op.kind == DrawOp::LineTo && op.pen.colour == kChartMarkColour && op.from.x == op.x)
            return op.x;
    return -1;
}

TEST(MotionChart, MinMaxTextsNameTheirFramesAndTheMarkFollowsTheFrame) {
    const MotionTrack track = sample_track();
    EXPECT_EQ(chart_min_text(track), "min l=3.000 (Bild/frame 2)");
    EXPECT_EQ(chart_max_text(track), "max l=8.000 (Bild/frame 3)");
    EXPECT_EQ(chart_current_text(track, 4), "Bild/frame 4: l=8.000 w=45.000 Grad");
    EXPECT_EQ(chart_current_text(track, 9), "");

    const ChartLayout l = chart_layout(track, kChartWidth, kChartHeight);
    EXPECT_EQ(l.x_of(0), l.plot.left);
    EXPECT_EQ(l.x_of(288), l.plot.right - 1);
    EXPECT_EQ(l.y_of_length(3), l.plot.bottom - 1);
    EXPECT_EQ(l.y_of_length(8), l.plot.top);

    int last_x = -1;
    for (int frame = 1; frame <= 5; ++frame) {
        mw31::RecordingCanvas c(kChartWidth, kChartHeight);
        draw_motion_chart(c, kChartWidth, kChartHeight, track, frame);
        const std::vector<std::string> t = texts(c);
        EXPECT_NE(std::find(t.begin(), t.end(), chart_min_text(track)), t.end());
        EXPECT_NE(std::find(t.begin(), t.end(), chart_max_text(track)), t.end());
        EXPECT_NE(std::find(t.begin(), t.end(), chart_current_text(track, frame)), t.end());
        const int x = mark_x(c);
        EXPECT_EQ(x, l.x_of(72.0 * (frame - 1)));
        EXPECT_GT(x, last_x);
        last_x = x;
    }
    mw31::RecordingCanvas off(kChartWidth, kChartHeight);
    draw_motion_chart(off, kChartWidth, kChartHeight, track, 42);
    EXPECT_EQ(mark_x(off), -1);
}

TEST(MotionChart, TheLengthCurveRunsThroughEverySampleAndAConstantLengthStaysInside) {
    MotionTrack track = sample_track();
    mw31::RecordingCanvas c(kChartWidth, kChartHeight);
    draw_motion_chart(c, kChartWidth, kChartHeight, track, 1);
    const ChartLayout l = chart_layout(track, kChartWidth, kChartHeight);
    std::vector<mw31::Point> length_points;
    for (const DrawOp& op : c.ops)
        if ((op.kind == DrawOp::LineTo) && op.pen.colour == kChartLengthColour)
            length_points.push_back({op.x, op.y});
    ASSERT_EQ(length_points.size(), 4u);
    for (size_t k = 1; k < 5; ++k)
        EXPECT_EQ(length_points[k - 1], (mw31::Point{l.x_of(track.samples[k].angle),
                                                     l.y_of_length(track.samples[k].distance)}));
    for (TrackSample& s : track.samples) s.distance = 2.5;
    const ChartLayout flat = chart_layout(track, kChartWidth, kChartHeight);
    const int y = flat.y_of_length(2.5);
    EXPECT_GT(y, flat.plot.top);
    EXPECT_LT(y, flat.plot.bottom - 1);
}

}  // namespace
}  // namespace film
