// Playback steps and timer periods, buttons, camera completion, drags and the wheel of the 3D
// viewer, tested as data.
#include "gl3d/view_state.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using gl3d::Playback;

double dot(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

TEST(Playback, StartsAtTheLastFrameSoTheFirstTickShowsFrameZero) {
    Playback p;
    gl3d::start_playback(&p, 10);
    EXPECT_EQ(p.frame, 9);
    EXPECT_TRUE(gl3d::on_play_tick(&p, false));
    EXPECT_EQ(p.frame, 0);
    p.direction = -1;
    gl3d::on_play_tick(&p, false);
    EXPECT_EQ(p.frame, 9);

    // One frame: every tick shows frame 0 again.
    gl3d::start_playback(&p, 1);
    for (int i = 0; i < 3; ++i) {
        gl3d::on_play_tick(&p, false);
        EXPECT_EQ(p.frame, 0);
    }
    // Stopped, single-stepping and Ctrl held keep the frame.
    gl3d::start_playback(&p, 5);
    p.frame = 2;
    EXPECT_FALSE(gl3d::on_play_tick(&p, true));
    p.single_step = true;
    EXPECT_FALSE(gl3d::on_play_tick(&p, false));
    p.single_step = false;
    p.stopped = true;
    EXPECT_FALSE(gl3d::on_play_tick(&p, false));
    EXPECT_EQ(p.frame, 2);
    gl3d::start_playback(&p, 0);  // no frames: nothing to do, nothing divides by zero
    EXPECT_FALSE(gl3d::on_play_tick(&p, false));
}

TEST(Playback, SpeedGivesStepAndTimerPeriod) {
    Playback p;
    gl3d::start_playback(&p, 100);
    EXPECT_EQ(gl3d::timer_period_ms(p.speed), 5);
    gl3d::slower(&p);
    gl3d::slower(&p);  // 1 / 2.25
    EXPECT_EQ(gl3d::timer_period_ms(p.speed), 33);
    EXPECT_EQ(gl3d::playback_step(p), 1);  // trunc(0.944) = 0 is raised to 1
    gl3d::start_playback(&p, 100);
    for (int i = 0; i < 3; ++i) gl3d::faster(&p);  // 3.375
    EXPECT_EQ(gl3d::timer_period_ms(p.speed), 1);
    EXPECT_EQ(gl3d::playback_step(p), 3);
    gl3d::on_play_tick(&p, false);
    EXPECT_EQ(p.frame, 2);  // from 99 by 3, wrapped
    EXPECT_EQ(gl3d::timer_period_ms(1.5), 5);
    EXPECT_EQ(gl3d::timer_period_ms(2.0), 1);
    EXPECT_EQ(gl3d::timer_period_ms(1e-300), 1000000);  // bounded, never overflows
    p.speed = 1e300;
    EXPECT_EQ(gl3d::playback_step(p), 1);
}

TEST(Playback, CtrlWheelStepsAgainstTheDirectionForPositiveDeltas) {
    Playback p;
    gl3d::start_playback(&p, 10);
    p.frame = 5;
    EXPECT_TRUE(gl3d::wheel_step(&p, 120));
    EXPECT_EQ(p.frame, 4);
    EXPECT_TRUE(gl3d::wheel_step(&p, -120));
    EXPECT_EQ(p.frame, 5);
    p.direction = -1;
    gl3d::wheel_step(&p, 120);
    EXPECT_EQ(p.frame, 6);
    EXPECT_FALSE(gl3d::wheel_step(&p, 0));
    p.stopped = true;
    EXPECT_FALSE(gl3d::wheel_step(&p, 120));
    EXPECT_EQ(p.frame, 6);
}

TEST(Toolbar, ButtonsSwapInPlaceAndHitRectanglesFollowTheClientArea) {
    Playback p;
    gl3d::start_playback(&p, 10);
    auto bar = gl3d::load_toolbar(false);
    for (const auto& b : bar) EXPECT_NE(b.id, gl3d::kButtonInfo);
    EXPECT_EQ(gl3d::load_toolbar(true).size(), bar.size() + 1);
    gl3d::layout_toolbar(&bar, 800, 600, 32, 24);
    // Row at the top edge from x = 1, y counted upwards.
    EXPECT_EQ(bar[0].x0, 1);
    EXPECT_EQ(bar[0].y0, 600 - 1 - 24);
    EXPECT_EQ(bar[0].y1, 600 - 2);
    EXPECT_EQ(bar[1].x0, 33);
    EXPECT_EQ(gl3d::button_at(bar, 40, 590), bar[1].id);
    EXPECT_EQ(gl3d::button_at(bar, 40, 100), -1);

    const size_t single = 2;
    ASSERT_EQ(bar[single].id, gl3d::kButtonSingle);
    EXPECT_FALSE(gl3d::press_button(gl3d::kButtonSingle, &p, &bar));
    EXPECT_TRUE(p.single_step);
    EXPECT_EQ(bar[single].id, gl3d::kButtonDoubleStep);
    EXPECT_EQ(bar[single].bitmap, "anm_dlf");
    gl3d::press_button(gl3d::kButtonDoubleStep, &p, &bar);
    EXPECT_FALSE(p.single_step);
    EXPECT_EQ(bar[single].id, gl3d::kButtonSingle);
    gl3d::press_button(gl3d::kButtonDirection, &p, &bar);
    EXPECT_EQ(p.direction, -1);
    gl3d::press_button(gl3d::kButtonFast, &p, &bar);
    EXPECT_DOUBLE_EQ(p.speed, 1.5);
    EXPECT_TRUE(gl3d::press_button(gl3d::kButtonEnd, &p, &bar));
    EXPECT_FALSE(p.running);
}

TEST(Camera, UnsetViewLooksAtTheBoxCentreFromBelowAndAbove) {
    gl3d::SceneBox box;
    box.widen(0, 0, 0);
    box.widen(100, 40, 20);
    gl3d::ViewRecord view = gl3d::unset_view();
    const gl3d::Camera cam = gl3d::complete_camera(&view, box);
    EXPECT_EQ(cam.size, 100);
    EXPECT_DOUBLE_EQ(view[0], 50);
    EXPECT_DOUBLE_EQ(view[1], 20 - 200);
    EXPECT_DOUBLE_EQ(view[2], 10 + 200);
    // Unit direction towards the centre, up perpendicular to it, side = direction x up.
    const double* d = view.data() + 3;
    const double* u = view.data() + 6;
    const double* s = view.data() + 9;
    EXPECT_NEAR(dot(d, d), 1, 1e-12);
    EXPECT_NEAR(d[1], std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(d[2], -std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(dot(u, d), 0, 1e-12);
    EXPECT_GT(u[2], 0);
    EXPECT_NEAR(s[0], 1, 1e-12);  // looking along +y with z up, the side is +x
    EXPECT_DOUBLE_EQ(cam.distance, std::hypot(50.0, 180.0, 210.0));
    EXPECT_DOUBLE_EQ(cam.near_plane, 0.1);
    EXPECT_DOUBLE_EQ(cam.far_plane, 100000);

    // An empty scene still gets a camera of size 10 at the origin.
    gl3d::ViewRecord empty = gl3d::unset_view();
    const gl3d::Camera e = gl3d::complete_camera(&empty, gl3d::SceneBox{});
    EXPECT_EQ(e.size, 10);
    EXPECT_DOUBLE_EQ(empty[1], -20);
    EXPECT_DOUBLE_EQ(e.distance, std::hypot(20.0, 20.0));
}

TEST(Camera, DegenerateDirectionAndUpFallBack) {
    gl3d::SceneBox box;
    box.widen(-10, -10, -10);
    box.widen(10, 10, 10);
    // Eye at the centre and at the origin: no direction can be had from either.
    gl3d::ViewRecord view = gl3d::unset_view();
    view[0] = view[1] = view[2] = 0;
    view[3] = view[4] = view[5] = 0;
    gl3d::complete_camera(&view, box);
    EXPECT_DOUBLE_EQ(view[2], -60);
    EXPECT_DOUBLE_EQ(view[5], 1);
    // Up along the direction is replaced by the z axis, then by the y axis.
    gl3d::ViewRecord v2 = gl3d::unset_view();
    v2 = {0, 0, 100, 0, 0, -1, 0, 0, 1, 0, 0, 0};
    gl3d::complete_camera(&v2, box);
    EXPECT_NEAR(std::fabs(v2[7]), 1, 1e-12);
    EXPECT_NEAR(dot(v2.data() + 3, v2.data() + 6), 0, 1e-12);
}

TEST(ViewMaths, FullHeightLeftDragTurnsTheSceneOnce) {
    gl3d::SceneBox box;
    box.widen(-10, -10, -10);
    box.widen(10, 10, 10);
    gl3d::ViewRecord view = gl3d::unset_view();
    gl3d::complete_camera(&view, box);
    gl3d::Placement g = gl3d::kIdentityPlacement;
    gl3d::drag_scene(&g, view, 0, 600, 600);
    for (int i = 3; i < 12; ++i)
        EXPECT_NEAR(g[size_t(i)], gl3d::kIdentityPlacement[size_t(i)], 1e-9);
    // A quarter of the height is 90 degrees about the side vector (+x here).
    gl3d::drag_scene(&g, view, 0, 150, 600);
    EXPECT_NEAR(g[3], 1, 1e-9);
    EXPECT_NEAR(std::fabs(g[8]), 1, 1e-9);  // the y axis image went to +-z
    // Horizontal drags turn about the up vector.
    gl3d::Placement h = gl3d::kIdentityPlacement;
    gl3d::drag_scene(&h, view, 150, 0, 600);
    EXPECT_NEAR(h[3] * view[6] + h[4] * view[7] + h[5] * view[8], 1 * view[6],
                1e-9);            // the component along the axis stays
    EXPECT_NEAR(h[0], 0, 1e-12);  // the origin never moves

    // A middle drag over the full height turns the direction by 45 degrees.
    gl3d::ViewRecord v = view;
    gl3d::drag_view(&v, 0, 600, 600);
    EXPECT_NEAR(dot(v.data() + 3, view.data() + 3), std::cos(M_PI / 4), 1e-9);
}

TEST(ViewMaths, WheelMovesTheEyeAlongTheCursorRay) {
    gl3d::ViewRecord view = {0, -100, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0};
    // Through the centre the ray is the view direction; 0.2 * min(distance, |eye|).
    gl3d::ViewRecord v = view;
    ASSERT_TRUE(gl3d::wheel_move(&v, 1000, -120, 400, 300, 800, 600));
    EXPECT_NEAR(v[1], -80, 1e-9);
    v = view;
    gl3d::wheel_move(&v, 50, 120, 400, 300, 800, 600);
    EXPECT_NEAR(v[1], -110, 1e-9);  // backwards, step from the smaller distance
    EXPECT_FALSE(gl3d::wheel_move(&v, 50, 0, 400, 300, 800, 600));
    EXPECT_EQ(v[3], 0);  // the direction is not changed
    EXPECT_EQ(v[4], 1);

    // At the top edge the ray is 22.5 degrees up, at the right edge it leans towards +x.
    const auto top = gl3d::cursor_ray(view, 400, 0, 800, 600);
    EXPECT_NEAR(top[2], std::sin(22.5 * M_PI / 180), 1e-9);
    const auto right = gl3d::cursor_ray(view, 800, 300, 800, 600);
    EXPECT_GT(right[0], 0.4);
    EXPECT_NEAR(right[2], 0, 1e-12);
}

}  // namespace
