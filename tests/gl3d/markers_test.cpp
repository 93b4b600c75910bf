// Markers as data: the table and its status text, the bodies' frame under a turned scene, the
// marker centre, right clicks, the size rule, and the neighbour computation in time slices.
#include "gl3d/markers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "gl3d/neighbour_timer.h"
#include "gl3d/overlay_commands.h"

namespace {

using gl3d::MarkerTable;
using gl3d::Placement;
using gl3d::Vec;

constexpr Placement kIdentity = gl3d::kIdentityPlacement;

void expect_near(const Vec& a, const Vec& b, double tol) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[size_t(i)], b[size_t(i)], tol) << "component " << i;
}

// Turned by a about z, then moved.
Placement turned_z(double a, double tx, double ty, double tz) {
    return {tx, ty, tz, std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a), 0, 0, 0, 1};
}

TEST(Markers, StatusTextListsEachMarkerInItsColourThenGrey) {
    MarkerTable t;
    ASSERT_EQ(gl3d::add_marker(&t, kIdentity, {1.5, -2, 1000}, {0, 0, 1}), 0);
    ASSERT_EQ(gl3d::add_marker(&t, kIdentity, {0, 0, 0}, {0, -1, 0}), 0);
    EXPECT_EQ(t.status_text,
              "text %c200080080 Marker 1:  %c100100100 X =     1.500000   Y =    -2.000000   Z =  "
              "1000.000000   NX =  0.000000   NY =  0.000000   NZ =  1.000000;"
              "text %c080200080 Marker 2:  %c100100100 X =     0.000000   Y =     0.000000   Z = "
              "    0.000000   NX =  0.000000   NY = -1.000000   NZ =  0.000000;");
    // The status text is overlay commands: two lines, the number in the marker's colour.
    gl3d::Overlay o;
    gl3d::parse_overlay(t.status_text, &o);
    ASSERT_EQ(o.texts.size(), 2u);
    EXPECT_EQ(o.texts[1].runs[0].text, " Marker 2:  ");
    EXPECT_EQ(o.texts[1].runs[0].colour, (mw31::Rgb{80, 200, 80}));
    EXPECT_EQ(o.texts[1].runs[1].colour, (mw31::Rgb{100, 100, 100}));

    const char* escapes[] = {"%c200080080", "%c080200080", "%c080080200", "%c200200080",
                             "%c200080200", "%c080200200", "%c200200200", "%c200200200"};
    for (int i = 1; i <= 8; ++i) EXPECT_STREQ(gl3d::marker_colour_escape(i), escapes[i - 1]);
    expect_near(gl3d::marker_colour(3), {80 / 255.0, 80 / 255.0, 200 / 255.0}, 1e-12);
}

TEST(Markers, ThirtyThirdAndUnhitMarkersAreRefused) {
    MarkerTable t;
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(gl3d::add_marker(&t, kIdentity, {double(i), 0, 0}, {1, 0, 0}), 0);
    const std::string before = t.status_text;
    EXPECT_EQ(gl3d::add_marker(&t, kIdentity, {99, 0, 0}, {1, 0, 0}), 1);
    EXPECT_EQ(t.markers.size(), 32u);
    EXPECT_EQ(t.status_text, before);
    MarkerTable u;
    EXPECT_EQ(gl3d::add_marker(&u, kIdentity, {gl3d::kUnset, 0, 0}, {0, 0, 1}), 1);
    EXPECT_EQ(gl3d::add_marker(&u, kIdentity, {0, 0, 0}, {NAN, 0, 1}), 1);
    EXPECT_TRUE(u.markers.empty());
}

TEST(Markers, StayOnTheBodyPointWhenTheSceneIsTurned) {
    // The scene is turned and moved; a marker set on what the user sees is kept in the
    // bodies' frame, so the same body point is marked whatever the scene's placement later.
    const Placement g = turned_z(M_PI / 2, 10, 0, 0);
    MarkerTable t;
    // Body point (100, 0, 5) with normal +x appears at (10, 100, 5) with normal +y.
    ASSERT_EQ(gl3d::add_marker(&t, g, {10, 100, 5}, {0, 1, 0}), 0);
    expect_near(t.markers[0].point, {100, 0, 5}, 1e-9);
    expect_near(t.markers[0].normal, {1, 0, 0}, 1e-12);
    // Turned further: the marker is drawn where that body point now is.
    const Placement g2 = turned_z(M_PI, 0, 0, 0);
    expect_near(gl3d::body_to_scene_point(g2, t.markers[0].point), {-100, 0, 5}, 1e-9);
    expect_near(gl3d::body_to_scene_direction(g2, t.markers[0].normal), {-1, 0, 0}, 1e-12);
    // There and back again.
    const Vec p = {3, -4, 7};
    expect_near(gl3d::scene_to_body_point(g, gl3d::body_to_scene_point(g, p)), p, 1e-9);
}

TEST(Markers, RightClicksPlainCtrlAndShiftCtrl) {
    MarkerTable t;
    gl3d::right_click_markers(&t, kIdentity, false, false, true, {1, 0, 0}, {0, 0, 1});
    gl3d::right_click_markers(&t, kIdentity, true, false, true, {2, 0, 0}, {0, 0, 1});
    gl3d::right_click_markers(&t, kIdentity, true, false, false, {}, {});  // missed: nothing
    ASSERT_EQ(t.markers.size(), 2u);
    // Both markers are listed again after each click.
    EXPECT_NE(t.status_text.find("Marker 1:"), std::string::npos);
    EXPECT_NE(t.status_text.find("Marker 2:"), std::string::npos);
    // A plain click starts over.
    gl3d::right_click_markers(&t, kIdentity, false, false, true, {3, 0, 0}, {0, 0, 1});
    ASSERT_EQ(t.markers.size(), 1u);
    EXPECT_EQ(t.markers[0].point[0], 3);
    EXPECT_EQ(t.status_text.find("Marker 2:"), std::string::npos);
    // Shift alone is a plain click; shift + ctrl clears and sets nothing even on a hit.
    gl3d::right_click_markers(&t, kIdentity, true, false, true, {4, 0, 0}, {0, 0, 1});
    gl3d::right_click_markers(&t, kIdentity, true, true, true, {5, 0, 0}, {0, 0, 1});
    EXPECT_TRUE(t.markers.empty());
    EXPECT_TRUE(t.status_text.empty());
    gl3d::right_click_markers(&t, kIdentity, false, false, false, {}, {});
    EXPECT_TRUE(t.markers.empty());
}

TEST(MarkerCentre, CircleThroughThreeMeanOfCollinearFitFromEight) {
    MarkerTable t;
    Vec c;
    EXPECT_FALSE(gl3d::marker_centre(t, 32, &c));
    // Three points on a circle of radius 5 about (1, 2, 3) in a tilted plane.
    const Vec centre = {1, 2, 3};
    const Vec u = {1 / std::sqrt(2.0), 1 / std::sqrt(2.0), 0}, v = {0, 0, 1};
    auto on_circle = [&](double a, double r) {
        Vec p;
        for (int i = 0; i < 3; ++i)
            p[size_t(i)] =
                centre[size_t(i)] + r * (std::cos(a) * u[size_t(i)] + std::sin(a) * v[size_t(i)]);
        return p;
    };
    for (double a : {0.1, 1.3, 2.0}) gl3d::add_marker(&t, kIdentity, on_circle(a, 5), {0, 0, 1});
    ASSERT_TRUE(gl3d::marker_centre(t, 32, &c));
    expect_near(c, centre, 1e-9);  // not the mean, which lies inside the arc
    // Limited to two: the mean of the first two.
    ASSERT_TRUE(gl3d::marker_centre(t, 2, &c));
    const Vec a = t.markers[0].point, b = t.markers[1].point;
    expect_near(c, {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2}, 1e-12);

    MarkerTable line;
    for (double x : {0.0, 1.0, 5.0}) gl3d::add_marker(&line, kIdentity, {x, 2 * x, 0}, {0, 0, 1});
    ASSERT_TRUE(gl3d::marker_centre(line, 32, &c));
    expect_near(c, {2, 4, 0}, 1e-12);

    // Eight noisy points on a circle of radius 40 around (100, -50, 20) in the z = 20 plane:
    // the fit finds the centre, which the mean of unevenly spread points misses.
    MarkerTable noisy;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-0.02, 0.02);
    const double angles[8] = {0.0, 0.3, 0.7, 1.0, 1.6, 2.2, 2.5, 3.0};
    for (double ang : angles)
        gl3d::add_marker(
            &noisy, kIdentity,
            {100 + 40 * std::cos(ang) + noise(rng), -50 + 40 * std::sin(ang) + noise(rng), 20},
            {0, 0, 1});
    ASSERT_TRUE(gl3d::marker_centre(noisy, 32, &c));
    expect_near(c, {100, -50, 20}, 0.2);
    Vec mean{0, 0, 0};
    for (const auto& m : noisy.markers)
        for (int i = 0; i < 3; ++i) mean[size_t(i)] += m.point[size_t(i)] / 8;
    EXPECT_GT(std::hypot(mean[0] - 100, mean[1] + 50), 10);  // the mean is far off
}

TEST(MarkerSize, SettingReplacesTheSceneSizeOnlyInsideItsBounds) {
    EXPECT_DOUBLE_EQ(gl3d::marker_size(500, 0), 500);
    EXPECT_DOUBLE_EQ(gl3d::marker_size(500, 20), 20);
    EXPECT_DOUBLE_EQ(gl3d::marker_size(500, 0.01), 500);  // not above 0.01
    EXPECT_DOUBLE_EQ(gl3d::marker_size(500, 0.02), 0.02);
    EXPECT_DOUBLE_EQ(gl3d::marker_size(500, 500), 500);     // not below the scene size
    EXPECT_DOUBLE_EQ(gl3d::marker_size(1e12, 1e10), 1e12);  // not below 1e10
    EXPECT_DOUBLE_EQ(gl3d::marker_size(500, -3), 500);
    EXPECT_DOUBLE_EQ(gl3d::hit_tolerance(500, 0), 500 * 0.01 * 0.001);
    EXPECT_DOUBLE_EQ(gl3d::hit_tolerance(500, 20), 20 * 0.01 * 0.001);

    auto lookup = [](const std::string& name) {
        return name == gl3d::kMarkerSizeSetting ? std::string("12.5") : std::string();
    };
    EXPECT_DOUBLE_EQ(gl3d::read_marker_size_setting(lookup), 12.5);
    EXPECT_DOUBLE_EQ(
        gl3d::read_marker_size_setting([](const std::string&) { return std::string(); }), 0);

    gl3d::SceneBox box;
    EXPECT_DOUBLE_EQ(gl3d::glyph_reference(box, 10), 10);
    box.widen(1000, -10, 0);
    box.widen(1100, 10, 5);
    EXPECT_DOUBLE_EQ(gl3d::glyph_reference(box, 100), 1050);  // far from the origin
    EXPECT_DOUBLE_EQ(gl3d::glyph_reference(box, 2000), 2000);
}

// A grid of 2 n^2 triangles read as a triangle list, which leaves the neighbours unknown.
Faces3Koerper* grid_without_neighbours(int n) {
    std::ostringstream list;
    list << "n " << 2 * n * n << "\n";
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            list << i << " " << j << " 0 " << i + 1 << " " << j << " 0 " << i + 1 << " " << j + 1
                 << " 0\n";
            list << i << " " << j << " 0 " << i + 1 << " " << j + 1 << " 0 " << i << " " << j + 1
                 << " 0\n";
        }
    list << "end_triangles\n";
    std::istringstream in(list.str());
    const int saved = faces3_get_nosearch();
    faces3_set_nosearch(1);
    Faces3Koerper* k = faces3_rcv_from_triangles(in);
    faces3_set_nosearch(saved);
    return k;
}

TEST(NeighbourJob, ComputesEveryBodyWithoutNeighboursAndStopsWhenOneDisappears) {
    gl3d::Scene scene;
    for (int i = 0; i < 2; ++i) {
        gl3d::MeshBodyPart b;
        b.body.reset(grid_without_neighbours(30));
        ASSERT_TRUE(b.body);
        ASSERT_FALSE(faces3_hat_nachbarn(b.body.get()));
        scene.bodies.push_back(std::move(b));
    }
    faces3_cpt_nachbarn(scene.bodies[1].body.get());
    ASSERT_TRUE(faces3_hat_nachbarn(scene.bodies[1].body.get()));
    gl3d::NeighbourJob job;
    gl3d::start_neighbours(&job, scene);
    ASSERT_EQ(job.bodies.size(), 1u);  // the second has its neighbours already
    EXPECT_TRUE(job.active);
    int ticks = 0;
    while (gl3d::neighbour_tick(&job, &scene) && ++ticks < 1000) {
    }
    EXPECT_FALSE(job.active);
    EXPECT_TRUE(faces3_hat_nachbarn(scene.bodies[0].body.get()));

    // The progress line: label and a bar.
    job.percent = 40;
    const auto runs = gl3d::neighbour_progress_runs(job);
    ASSERT_GE(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "Gitterberechnung: 40 Prozent    ");
    EXPECT_EQ(runs[1].text.size(), 10u);
    EXPECT_TRUE(runs[1].opaque);

    // A listed body that is gone ends the job at the next tick.
    gl3d::Scene other;
    gl3d::MeshBodyPart b;
    b.body.reset(grid_without_neighbours(2));
    other.bodies.push_back(std::move(b));
    gl3d::start_neighbours(&job, other);
    other.bodies.clear();
    EXPECT_FALSE(gl3d::neighbour_tick(&job, &other));
    EXPECT_FALSE(job.active);
}

}  // namespace
