// Traces and tracked pairs against the example mechanisms' own geometry, worked out here from
// their link lengths, and against small films made in memory.
#include "film_model/motion_trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "film_model/anmneu_reader.h"
#include "film_model/contour_placement.h"
#include "film_model/motion_track.h"

namespace {

// The films write placements with three decimals and angles with six.
constexpr double kFilmRounding = 0.01;

film::AnmneuFilm read_example(const std::string& name) {
    film::AnmneuFilm film;
    const int frames =
        film::read_anmneu_film(std::string(KV_SOURCE_DIR) + "/examples/" + name, &film);
    EXPECT_GT(frames, 0) << name;
    return film;
}

struct Point {
    double x, y;
};

// Four-bar of the example: crank A0A = 40, coupler AB = 120, rocker B0B = 80, ground
// A0B0 = 100, coupler point 60 along AB and 45 to its left. B is the open assembly (above AB0).
Point fourbar_coupler_point(double crank_deg) {
    const double phi = crank_deg * M_PI / 180;
    const Point a{40 * std::cos(phi), 40 * std::sin(phi)};
    const Point b0{100, 0};
    const double d = std::hypot(b0.x - a.x, b0.y - a.y);
    const Point e{(b0.x - a.x) / d, (b0.y - a.y) / d};
    const double along = (120.0 * 120 - 80.0 * 80 + d * d) / (2 * d);
    const double h = std::sqrt(120.0 * 120 - along * along);
    const Point b{a.x + along * e.x - h * e.y, a.y + along * e.y + h * e.x};
    const Point u{(b.x - a.x) / 120, (b.y - a.y) / 120};
    return {a.x + 60 * u.x - 45 * u.y, a.y + 60 * u.y + 45 * u.x};
}

film::MotionTrace trace_at(const film::AnmneuFilm& film, double x, double y, int frame = 0) {
    const film::MotionAnchor anchor = film::pick_anmneu_anchor(film, frame, x, y);
    EXPECT_EQ(anchor.kind, film::MotionAnchor::kSymbol) << x << "," << y;
    return film::trace_anmneu(film, anchor, film::anmneu_motion_frames(film));
}

TEST(MotionTrace, FourbarCouplerPointFollowsTheCouplerCurve) {
    const film::AnmneuFilm film = read_example("fourbar_anmneu.anm");
    const film::MotionFrames frames = film::anmneu_motion_frames(film);
    ASSERT_EQ(frames.frames.size(), 72u);
    ASSERT_TRUE(frames.angles_from_labels);
    EXPECT_DOUBLE_EQ(frames.angles[1], 5.0);
    EXPECT_DOUBLE_EQ(frames.angles[71], 355.0);

    // P lies on the drawn coupler curve too; the coupler is drawn over it and takes the point.
    const Point p0 = fourbar_coupler_point(0);
    const film::MotionAnchor anchor = film::pick_anmneu_anchor(film, 0, p0.x, p0.y);
    ASSERT_EQ(anchor.kind, film::MotionAnchor::kSymbol);
    EXPECT_EQ(anchor.symbol, 4);
    EXPECT_NEAR(anchor.local_x, 60, kFilmRounding);
    EXPECT_NEAR(anchor.local_y, 45, kFilmRounding);

    const film::MotionTrace trace = film::trace_anmneu(film, anchor, frames);
    ASSERT_EQ(trace.points.size(), 72u);
    for (const film::TracePoint& t : trace.points) {
        ASSERT_TRUE(t.valid);
        const Point want = fourbar_coupler_point(5.0 * t.frame);
        EXPECT_NEAR(t.x, want.x, kFilmRounding) << "frame " << t.frame;
        EXPECT_NEAR(t.y, want.y, kFilmRounding) << "frame " << t.frame;
        EXPECT_DOUBLE_EQ(t.angle, 5.0 * t.frame);
    }

    // Picked in a later frame, the same point of the coupler gives the same curve.
    const Point p20 = fourbar_coupler_point(100);
    const film::MotionTrace later = trace_at(film, p20.x, p20.y, 20);
    ASSERT_EQ(later.points.size(), trace.points.size());
    EXPECT_EQ(later.anchor.symbol, 4);
    for (size_t k = 0; k < trace.points.size(); k += 7) {
        EXPECT_NEAR(later.points[k].x, trace.points[k].x, kFilmRounding);
        EXPECT_NEAR(later.points[k].y, trace.points[k].y, kFilmRounding);
    }
}

TEST(MotionTrace, SliderCrankPistonPinRunsAStraightStrokeOfTwiceTheCrank) {
    const film::AnmneuFilm film = read_example("slidercrank_anmneu.anm");
    const film::MotionTrace pin = trace_at(film, 200, 0);
    ASSERT_FALSE(pin.points.empty());
    double lo = 1e9, hi = -1e9;
    int lo_frame = -1, hi_frame = -1;
    for (const film::TracePoint& t : pin.points) {
        ASSERT_TRUE(t.valid);
        EXPECT_NEAR(t.y, 0, kFilmRounding) << "frame " << t.frame;
        if (t.x < lo) lo = t.x, lo_frame = t.frame;
        if (t.x > hi) hi = t.x, hi_frame = t.frame;
    }
    EXPECT_NEAR(hi - lo, 2 * 50, kFilmRounding);
    EXPECT_NEAR(hi, 200, kFilmRounding);
    EXPECT_EQ(hi_frame, 0);
    // Half a turn later: 120 frames of 3 degrees.
    EXPECT_EQ(lo_frame, 60);
}

TEST(MotionTrack, FourbarDistancesFollowTheLinks) {
    const film::AnmneuFilm film = read_example("fourbar_anmneu.anm");
    const film::MotionTrace a0 = trace_at(film, 0, 0);
    const film::MotionTrace b0 = trace_at(film, 100, 0);
    const film::MotionTrace a = trace_at(film, 40, 0);
    const film::MotionTrace b = trace_at(film, 136.667, 71.102);

    const film::MotionTrack ground = film::track_distance(a0, b0);
    ASSERT_EQ(ground.samples.size(), 72u);
    for (const film::TrackSample& s : ground.samples) {
        EXPECT_NEAR(s.distance, 100, 1e-9);
        EXPECT_NEAR(s.direction, 0, 1e-9);
    }

    const film::MotionTrack coupler = film::track_distance(a, b);
    ASSERT_EQ(coupler.samples.size(), 72u);
    for (const film::TrackSample& s : coupler.samples)
        EXPECT_NEAR(s.distance, 120, kFilmRounding) << "frame " << s.frame;
    // Frame 0: B lies up and to the right of A.
    EXPECT_NEAR(coupler.samples[0].direction, std::atan2(71.102, 136.667 - 40) * 180 / M_PI, 0.01);

    // The crank pin's distance from the rocker's pivot: 100 - 40 at 0 degrees, 100 + 40 at 180.
    const film::MotionTrack swing = film::track_distance(b0, a);
    ASSERT_GE(swing.min_index, 0);
    EXPECT_EQ(swing.samples[size_t(swing.min_index)].frame, 0);
    EXPECT_EQ(swing.samples[size_t(swing.max_index)].frame, 36);
    EXPECT_NEAR(swing.samples[size_t(swing.min_index)].distance, 60, kFilmRounding);
    EXPECT_NEAR(swing.samples[size_t(swing.max_index)].distance, 140, kFilmRounding);
    EXPECT_NEAR(swing.samples[18].distance, std::hypot(100.0, 40.0), kFilmRounding);
}

TEST(MotionTrace, LabelAngles) {
    double a = -1;
    EXPECT_TRUE(film::label_phi_angle("Kurbelwinkel phi = 12.5 Grad", &a));
    EXPECT_DOUBLE_EQ(a, 12.5);
    EXPECT_TRUE(film::label_phi_angle("phi=-3", &a));
    EXPECT_DOUBLE_EQ(a, -3);
    EXPECT_FALSE(film::label_phi_angle("Kurbelwinkel 12.5 Grad", &a));
    EXPECT_FALSE(film::label_phi_angle("phi = Grad", &a));

    // One frame without an angle in its label: every frame counts the cycle instead.
    film::AnmneuFilm film;
    film.frame_count = 4;
    film.frames.resize(4);
    for (int i = 0; i < 4; ++i) film.frames[size_t(i)].label = "phi = 7";
    film.frames[2].label = "Stellung 2";
    const film::MotionFrames m = film::anmneu_motion_frames(film);
    EXPECT_FALSE(m.angles_from_labels);
    EXPECT_EQ(m.angles, (std::vector<double>{0, 90, 180, 270}));
}

// A symbol scaled and turned: the picked point goes into the symbol's frame and back.
TEST(MotionTrace, ScaledTurnedSymbolKeepsThePickedPoint) {
    film::AnmneuFilm film;
    film.frame_count = 2;
    film.initial = film::fit_world_window(-50, 50, -50, 50);
    film::FilmSymbol bar;
    bar.elements = {{film::kContourMove, 0, 0}, {film::kContourDraw, 10, 0}};
    film.symbols = {bar, bar};
    film.frames.resize(2);
    film.frames[0].placements = {{-40, -40, 0, 1, 1}, {5, 5, 0.5, 2, 3}};
    film.frames[1].placements = {{-40, -40, 0, 1, 1}, {-3, 7, 2.0, 0.5, 1.5}};

    const film::WorldPoint w0 = film::place_point(film.frames[0].placements[1], 4, 0);
    const film::MotionAnchor anchor = film::pick_anmneu_anchor(film, 0, w0.x, w0.y);
    ASSERT_EQ(anchor.symbol, 1);
    EXPECT_NEAR(anchor.local_x, 4, 1e-12);
    EXPECT_NEAR(anchor.local_y, 0, 1e-12);
    EXPECT_NEAR(anchor.distance, 0, 1e-12);

    const film::MotionTrace t = film::trace_anmneu(film, anchor, film::anmneu_motion_frames(film));
    ASSERT_EQ(t.points.size(), 2u);
    EXPECT_NEAR(t.points[0].x, w0.x, 1e-12);
    EXPECT_NEAR(t.points[0].y, w0.y, 1e-12);
    const film::WorldPoint w1 = film::place_point(film.frames[1].placements[1], 4, 0);
    EXPECT_NEAR(t.points[1].x, w1.x, 1e-12);
    EXPECT_NEAR(t.points[1].y, w1.y, 1e-12);

    // Nothing to pick in a frame the film does not have, nor in a film that draws nothing.
    EXPECT_EQ(film::pick_anmneu_anchor(film, 2, 0, 0).kind, film::MotionAnchor::kNone);
    film.symbols[0].elements.clear();
    film.symbols[1].elements.clear();
    EXPECT_EQ(film::pick_anmneu_anchor(film, 0, 0, 0).kind, film::MotionAnchor::kNone);
}

// A fixed curve drawn first and a moving bar drawn over it, both through the picked point: the
// bar on top takes it unless the curve is nearer by more than the tie width.
TEST(MotionTrace, PartOnTopTakesAPointOnBoth) {
    film::AnmneuFilm film;
    film.frame_count = 2;
    film.initial = film::fit_world_window(0, 100, 0, 100);  // 130 wide: ties within 0.26
    film::FilmSymbol curve, bar;
    curve.elements = {{film::kContourMove, 0, 50}, {film::kContourDraw, 100, 50}};
    bar.elements = {{film::kContourMove, -20, 0}, {film::kContourDraw, 20, 0}};
    film.symbols = {curve, bar};
    film.frames.resize(2);
    film.frames[0].placements = {{0, 0, 0, 1, 1}, {50, 50.1, 0, 1, 1}};
    film.frames[1].placements = {{0, 0, 0, 1, 1}, {60, 70, 0, 1, 1}};

    const film::MotionAnchor on_both = film::pick_anmneu_anchor(film, 0, 50, 50);
    EXPECT_EQ(on_both.symbol, 1);
    EXPECT_NEAR(on_both.distance, 0.1, 1e-9);
    const film::MotionTrace t = film::trace_anmneu(film, on_both, film::anmneu_motion_frames(film));
    EXPECT_NEAR(t.points[1].x, 60, 1e-9);
    EXPECT_NEAR(t.points[1].y, 69.9, 1e-9);

    // Past the bar's end the curve is nearer by far more than a tie.
    const film::MotionAnchor beside = film::pick_anmneu_anchor(film, 0, 80, 50);
    EXPECT_EQ(beside.symbol, 0);
    EXPECT_NEAR(beside.distance, 0, 1e-9);
}

// The nearest record's point by index; the second record of a pair is never a point.
TEST(MotionTrace, LineFilmFollowsTheRecordByIndex) {
    using film::FilmRecord;
    film::FrameStore store;
    store.add_frame({{film::kColour, 2, 0},
                     {film::kMoveTo, 0, 0},
                     {film::kLineTo, 100, 0},
                     {film::kArc, 50, 50},
                     {5, 0, 9000000},
                     {film::kLineTo, 300, 300}});
    store.add_frame({{film::kColour, 2, 0},
                     {film::kMoveTo, 0, 0},
                     {film::kLineTo, 100, 0},
                     {film::kArc, 60, 55},
                     {5, 0, 9000000},
                     {film::kLineTo, 300, 300}});
    // The arc's centre record is a line here: not the same point.
    store.add_frame({{film::kColour, 2, 0},
                     {film::kMoveTo, 0, 0},
                     {film::kLineTo, 100, 0},
                     {film::kLineTo, 70, 60}});

    const film::MotionAnchor centre = film::pick_line_film_anchor(store, 0, 52, 49);
    ASSERT_EQ(centre.kind, film::MotionAnchor::kRecord);
    EXPECT_EQ(centre.record, 3);
    EXPECT_NEAR(centre.distance, std::hypot(2.0, 1.0), 1e-12);

    const film::MotionTrace t =
        film::trace_line_film(store, centre, film::cycle_motion_frames({0, 1, 2}));
    EXPECT_TRUE(t.y_down);
    ASSERT_EQ(t.points.size(), 3u);
    EXPECT_TRUE(t.points[0].valid);
    EXPECT_EQ(t.points[0].x, 50);
    EXPECT_TRUE(t.points[1].valid);
    EXPECT_EQ(t.points[1].x, 60);
    EXPECT_EQ(t.points[1].y, 55);
    EXPECT_DOUBLE_EQ(t.points[1].angle, 120);
    EXPECT_FALSE(t.points[2].valid);

    // (0, 9000000) is the arc's end angle, not a point: the line's end is nearest.
    const film::MotionAnchor far = film::pick_line_film_anchor(store, 0, 0, 9000000);
    EXPECT_EQ(far.record, 5);
    // A pick in the second record's place follows the line after the pair.
    const film::MotionTrace after =
        film::trace_line_film(store, far, film::cycle_motion_frames({1, 2}));
    EXPECT_TRUE(after.points[0].valid);
    EXPECT_EQ(after.points[0].x, 300);
    EXPECT_FALSE(after.points[1].valid);

    EXPECT_EQ(film::pick_line_film_anchor(store, 3, 0, 0).kind, film::MotionAnchor::kNone);
}

TEST(MotionTrace, UsercoorFilmFollowsTheRecordByIndex) {
    film::UsercoorFilm film;
    const std::vector<film::UsercoorRecord> frames[2] = {{{film::kUcText, 0, 1.5},
                                                          {film::kUcTextRest, 2.5, 0},
                                                          {film::kUcMoveTo, 1, 1},
                                                          {film::kUcLineTo, 2.5, 3.25}},
                                                         {{film::kUcText, 0, 1.5},
                                                          {film::kUcTextRest, 2.5, 0},
                                                          {film::kUcMoveTo, 1, 1},
                                                          {film::kUcLineTo, -4, 8.5}}};
    for (const auto& f : frames) {
        film.records.insert(film.records.end(), f.begin(), f.end());
        film.frame_ends.push_back(film.records.size());
    }
    // The text's point (1.5, 2.5) is not a record end.
    const film::MotionAnchor a = film::pick_usercoor_anchor(film, 0, 2, 3);
    ASSERT_EQ(a.kind, film::MotionAnchor::kRecord);
    EXPECT_EQ(a.record, 3);
    const film::MotionTrace t = film::trace_usercoor(film, a, film::cycle_motion_frames({0, 1}));
    EXPECT_FALSE(t.y_down);
    ASSERT_EQ(t.points.size(), 2u);
    EXPECT_EQ(t.points[1].x, -4);
    EXPECT_EQ(t.points[1].y, 8.5);

    const film::MotionTrace other = film::trace_usercoor(
        film, film::pick_usercoor_anchor(film, 0, 1.2, 0.9), film::cycle_motion_frames({0, 1}));
    const film::MotionTrack track = film::track_distance(other, t);
    ASSERT_EQ(track.samples.size(), 2u);
    EXPECT_NEAR(track.samples[0].distance, std::hypot(1.5, 2.25), 1e-12);
    EXPECT_EQ(track.min_index, 0);
    EXPECT_EQ(track.max_index, 1);
    EXPECT_NEAR(track.samples[1].direction, std::atan2(7.5, -5.0) * 180 / M_PI, 1e-12);
}

}  // namespace
