// ANMNEU playback state without a window: the phi sub-steps, the forced step, the wrap, when
// cycles are measured, and the world-window view operations against the drawing's mapping.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "film/anmneu_playback.h"
#include "film_model/anmneu_painter.h"

namespace film {
namespace {

using Picture = std::pair<int, int>;  // frame index, sub-step

PlaybackState state_at(int index, int frames, int phi) {
    PlaybackState s = new_playback_state(frames, 0, 1, 1, 0);
    s.index = index;
    s.phi_factor = phi;
    return s;
}

std::vector<Picture> run(PlaybackState* s, int* substep, int pictures) {
    std::vector<Picture> seen;
    for (int k = 0; k < pictures; ++k) {
        seen.push_back({s->index, *substep});
        anmneu_advance(s, substep);
    }
    seen.push_back({s->index, *substep});
    return seen;
}

TEST(AnmneuAdvance, PhiTenShowsSubStepsZeroToNineThenTheNextFrame) {
    PlaybackState s = state_at(3, 20, 10);
    int q = 0;
    const std::vector<Picture> seen = run(&s, &q, 11);
    std::vector<Picture> expected;
    for (int k = 0; k < 10; ++k) expected.push_back({3, k});
    expected.push_back({4, 0});
    expected.push_back({4, 1});
    EXPECT_EQ(seen, expected);
}

TEST(AnmneuAdvance, BackwardCountsDownAndEntersThePreviousFrameAtItsLastSubStep) {
    PlaybackState s = state_at(4, 20, 10);
    s.backward = true;
    int q = 1;
    EXPECT_EQ(run(&s, &q, 3), (std::vector<Picture>{{4, 1}, {4, 0}, {3, 9}, {3, 8}}));
    // With factor 1 there are no sub-steps: frame by frame.
    s.phi_factor = 1;
    q = 0;
    EXPECT_EQ(run(&s, &q, 2), (std::vector<Picture>{{3, 0}, {2, 0}, {1, 0}}));
}

TEST(AnmneuAdvance, StepIsForcedToOneOnlyWithSubSteps) {
    PlaybackState s = state_at(0, 20, 1);
    s.step = 3;
    int q = 0;
    EXPECT_EQ(run(&s, &q, 2), (std::vector<Picture>{{0, 0}, {3, 0}, {6, 0}}));
    EXPECT_EQ(s.step, 3);
    s.phi_factor = 100;
    anmneu_advance(&s, &q);
    EXPECT_EQ(s.step, 1);
    EXPECT_EQ((Picture{s.index, q}), (Picture{6, 1}));
    q = 99;
    anmneu_advance(&s, &q);
    EXPECT_EQ((Picture{s.index, q}), (Picture{7, 0}));
}

TEST(AnmneuAdvance, LoweredFactorNeverLeavesASubStepBeyondIt) {
    // Sub-step 57 of factor 100, then factor 10 chosen.
    PlaybackState s = state_at(5, 20, 10);
    int q = 57;
    anmneu_advance(&s, &q);
    EXPECT_EQ((Picture{s.index, q}), (Picture{6, 0}));
    s.backward = true;
    q = 57;
    anmneu_advance(&s, &q);
    EXPECT_EQ((Picture{s.index, q}), (Picture{6, 8}));
    s.phi_factor = 1;
    q = 5;
    anmneu_advance(&s, &q);
    EXPECT_EQ((Picture{s.index, q}), (Picture{5, 0}));

    EXPECT_EQ(anmneu_clamp_substep(57, 10), 9);
    EXPECT_EQ(anmneu_clamp_substep(-3, 10), 0);
    EXPECT_EQ(anmneu_clamp_substep(4, 0), 0);
}

TEST(AnmneuWrap, ContinuesWhereTheStepLeftTheIndexInBothDirections) {
    PlaybackState s = state_at(10, 10, 1);
    anmneu_wrap_index(&s);
    EXPECT_EQ(s.index, 0);  // frame 0 is shown: it is a frame of ANMNEU films
    s.index = 12;           // step 3 from frame 9
    anmneu_wrap_index(&s);
    EXPECT_EQ(s.index, 2);
    s.index = -1;  // backward from frame 0: the last frame is not skipped
    anmneu_wrap_index(&s);
    EXPECT_EQ(s.index, 9);
    s.index = -2;  // step 3 backward from frame 1
    anmneu_wrap_index(&s);
    EXPECT_EQ(s.index, 8);
    s.index = -25;
    anmneu_wrap_index(&s);
    EXPECT_EQ(s.index, 5);
    s.frame_count = 0;
    s.index = 7;
    anmneu_wrap_index(&s);
    EXPECT_EQ(s.index, 0);
}

TEST(AnmneuWrap, ABackwardPassWithSubStepsVisitsEveryPictureOnce) {
    // Frames 0..2 at factor 10, backward from (2, 9): 30 pictures, then the wrap to (2, 9).
    PlaybackState s = state_at(2, 3, 10);
    s.backward = true;
    int q = 9;
    std::vector<Picture> seen;
    for (int pass = 0; pass < 2; ++pass) {
        while (in_playable_range(s)) {
            seen.push_back({s.index, q});
            anmneu_advance(&s, &q);
        }
        anmneu_wrap_index(&s);
    }
    ASSERT_EQ(seen.size(), 60u);
    for (size_t k = 0; k < 30; ++k) {
        EXPECT_EQ(seen[k], (Picture{2 - int(k / 10), 9 - int(k % 10)})) << k;
        EXPECT_EQ(seen[k + 30], seen[k]) << k;
    }
}

TEST(AnmneuPlaybackRules, CyclesOnlyAtFullSpeedAndNoPauseWhileSingleStepping) {
    PlaybackState s = state_at(0, 10, 1);
    EXPECT_TRUE(anmneu_measures_cycles(s));
    EXPECT_TRUE(anmneu_takes_pause(s));
    s.phi_factor = 10;
    EXPECT_FALSE(anmneu_measures_cycles(s));
    EXPECT_TRUE(anmneu_takes_pause(s));
    s.phi_factor = 1;
    s.single_step = kSingleStepWait;
    EXPECT_FALSE(anmneu_measures_cycles(s));
    EXPECT_FALSE(anmneu_takes_pause(s));
    s.single_step = kSingleStepPrint;  // waiting for a printout counts as single stepping
    EXPECT_FALSE(anmneu_takes_pause(s));
}

// A fitted view 1300 pixels wide: one pixel is 1000 raster units.
FilmView view_1300() {
    FilmView v;
    v.area = mw31::Rect{0, 0, 1300, 1040};
    return v;
}

TEST(AnmneuWorldView, ScreenToWorldInvertsTheDrawingMapping) {
    const WorldWindow world{-50, 80, 10, 110};
    FilmView zoomed = view_1300();
    zoomed.fit = false;
    zoomed.zoom = 2.5;
    zoomed.x0 = -400;
    zoomed.y0 = -300;
    for (const FilmView& view : {view_1300(), zoomed}) {
        const FilmToScreen map(view, kAnmneuRasterWidth);
        const double pixel = (world.xr - world.xl) / view.area.width() / view.zoom;
        for (const auto& [x, y] : std::vector<std::pair<double, double>>{
                 {-50, 110}, {0, 50}, {17.3, 88.8}, {79, 11}, {30, 60}}) {
            const film::RasterPoint r = film::world_to_raster(world, x, y);
            double wx, wy;
            anmneu_screen_to_world(view, world, map.x(r.x), map.y(r.y), &wx, &wy);
            EXPECT_NEAR(wx, x, 1.01 * pixel) << x << "," << y << " zoom " << view.zoom;
            EXPECT_NEAR(wy, y, 1.01 * pixel) << x << "," << y << " zoom " << view.zoom;
        }
    }
    double wx, wy;
    anmneu_screen_to_world(view_1300(), WorldWindow{0, 130, 0, 100}, 650, 500, &wx, &wy);
    EXPECT_DOUBLE_EQ(wx, 65);
    EXPECT_DOUBLE_EQ(wy, 50);
}

TEST(AnmneuWorldView, DraggedRectangleBecomesTheWindowAtTheCurrentAspect) {
    WorldWindow w{0, 130, 0, 100};
    // Pixels 100..300 x 100..200 are world 10..30 x 80..90: widened in y to 1.3.
    ASSERT_TRUE(anmneu_zoom_to_rectangle(&w, view_1300(), mw31::Rect{300, 200, 100, 100}));
    EXPECT_DOUBLE_EQ(w.xl, 10);
    EXPECT_DOUBLE_EQ(w.xr, 30);
    EXPECT_NEAR(w.yb, 85 - 10 / 1.3, 1e-9);
    EXPECT_NEAR(w.yt, 85 + 10 / 1.3, 1e-9);
    // A tall rectangle is widened in x.
    w = WorldWindow{0, 130, 0, 100};
    ASSERT_TRUE(anmneu_zoom_to_rectangle(&w, view_1300(), mw31::Rect{100, 100, 120, 300}));
    EXPECT_NEAR(w.xr - w.xl, 26, 1e-9);
    EXPECT_NEAR(w.yt - w.yb, 20, 1e-9);
    EXPECT_NEAR((w.xl + w.xr) / 2, 11, 1e-9);
    // Narrower than 5 pixels: nothing changes.
    const WorldWindow before = w;
    EXPECT_FALSE(anmneu_zoom_to_rectangle(&w, view_1300(), mw31::Rect{100, 100, 104, 300}));
    EXPECT_EQ(w, before);
}

TEST(AnmneuWorldView, WheelZoomsAboutTheMouseInsideTheDrawingAreaOnly) {
    WorldWindow w{0, 130, 0, 100};
    ASSERT_TRUE(anmneu_wheel_zoom(&w, view_1300(), 650, 500, kWheelDelta));  // forward: wider
    EXPECT_NEAR(w.xr - w.xl, 130 * 1.2, 1e-9);
    EXPECT_NEAR((w.yb + w.yt) / 2, 50, 1e-9);
    ASSERT_TRUE(anmneu_wheel_zoom(&w, view_1300(), 650, 500, -kWheelDelta));
    EXPECT_NEAR(w.xr - w.xl, 130, 1e-9);
    // About the point under the mouse: (100, 200) is world (10, 80).
    ASSERT_TRUE(anmneu_wheel_zoom(&w, view_1300(), 100, 200, -kWheelDelta));
    EXPECT_NEAR((w.xl + w.xr) / 2, 10, 1e-9);
    EXPECT_NEAR((w.yb + w.yt) / 2, 80, 1e-9);
    const WorldWindow before = w;
    EXPECT_FALSE(anmneu_wheel_zoom(&w, view_1300(), 1400, 200, kWheelDelta));
    EXPECT_FALSE(anmneu_wheel_zoom(&w, view_1300(), 100, 200, 0));
    EXPECT_EQ(w, before);
}

}  // namespace
}  // namespace film
