// Picking on real pictures (offscreen GL): the part under given pixels through GL selection,
// the nearest of overlapping parts, toolbar buttons first, the 100 ms reuse; and the ray hit
// on mesh bodies with their outward normals, under a turned scene and a moved body.
#include "gl3d/picking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "gl3d/markers.h"
#include "gl3d/scene_loader.h"
#include "mw31/egl/offscreen_gl.h"

namespace {

using gl3d::Scene;

bool load_text(const std::string& text, Scene* scene) {
    const std::string path = testing::TempDir() + "gl3d_pick_scene.anm";
    std::ofstream(path, std::ios::binary) << text;
    gl3d::LoadOptions options;
    options.report = [](const std::string& m) { ADD_FAILURE() << m; };
    options.info_name = testing::TempDir() + "gl3d_pick_kurvlab.txt";
    return gl3d::load_scene(path, scene, options) == 0;
}

// Seen from straight above (z = 1000, y up on the screen). Object 0: a box on the right and a
// polygon line below it; object 1: a small box drawn first that lies on top of a big box.
const std::string kBoxes =
    "ANM3D\n2\n1\n--- Symbol-Dateien ---\nview 0 0 1000 0 0 -1 0 1 0\n"
    "begin x right\n0.5 0.5 0.9\nquader 100 100 10 50 -50 0 1 0 0 0 1 0 0\n"
    "polygon 2\n100 -200 0\n100 -110 0\nend\n"
    "begin x left\n0.8 0.8 0.8\nquader 20 20 10 -110 -10 10 1 0 0 0 1 0 0\n"
    "quader 100 100 10 -150 -50 0 1 0 0 0 1 0 0\nend\n"
    "# 0\n0 0 0 1 0 0 0 1 0 0 0 1\n0 0 0 1 0 0 0 1 0 0 0 1\n";

constexpr int kW = 400, kH = 300;

// The window pixel (y upwards) of a world point at depth d below the eye.
int pixel(double v, double d, int size) {
    const double f = 1 / std::tan(22.5 * M_PI / 180);
    return int(std::lround((v * f / d * kH / double(size) + 1) * 0.5 * size));
}

class Picking : public testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        gl_ = mw31::OffscreenGl::create(kW, kH, &error);
        if (!gl_) GTEST_SKIP() << "no offscreen GL: " << error;
        ASSERT_TRUE(load_text(kBoxes, &scene_));
        gl3d::setup_context(settings_.lights);
        gl3d::apply_frame(&scene_, 0);
        settings_.width = kW;
        settings_.height = kH;
    }
    void TearDown() override {
        if (gl_) gl3d::release_display_lists(&scene_);
    }
    int select_at(double x, double y, double z) {
        return gl3d::select_part(&scene_, settings_, pixel(x, 1000 - z, kW),
                                 pixel(y, 1000 - z, kH));
    }
    std::unique_ptr<mw31::OffscreenGl> gl_;
    Scene scene_;
    gl3d::RenderSettings settings_;
};

TEST_F(Picking, PartIdsUnderThePixelsNearestWhereTheyOverlap) {
    EXPECT_EQ(select_at(100, 0, 10), 0);          // the right box
    EXPECT_EQ(select_at(100, -150, 0), 1);        // the polygon line
    EXPECT_EQ(select_at(-140, 40, 10), 1000001);  // the big left box
    // Over the small box both boxes are hit; the small one on top is nearer though drawn first.
    EXPECT_EQ(select_at(-100, 0, 20), 1000000);
    EXPECT_EQ(select_at(0, 0, 0), -1);  // nothing between the boxes
    EXPECT_EQ(select_at(0, 130, 0), -1);
}

TEST_F(Picking, ButtonsFirstThenSelectionReusedFor100Ms) {
    std::vector<gl3d::ToolbarButton> bar = gl3d::load_toolbar(false);
    gl3d::layout_toolbar(&bar, kW, kH, 32, 24);
    auto select = [&](int x, int y) { return gl3d::select_part(&scene_, settings_, x, y); };
    gl3d::PickMemory memory;
    bool changed = false;
    // The first button lies at the top left, over the scene's background.
    EXPECT_EQ(gl3d::pick_name(&memory, 1000, bar, 10, kH - 10, select, &changed), gl3d::kButtonAvi);
    EXPECT_TRUE(changed);
    const int bx = pixel(100, 990, kW), by = pixel(0, 990, kH);
    // Within 100 ms the last result is given even though the cursor moved onto the box.
    EXPECT_EQ(gl3d::pick_name(&memory, 1099, bar, bx, by, select, &changed), gl3d::kButtonAvi);
    EXPECT_FALSE(changed);
    EXPECT_EQ(gl3d::pick_name(&memory, 1100, bar, bx, by, select, &changed), 0);
    EXPECT_TRUE(changed);
    EXPECT_EQ(gl3d::pick_name(&memory, 1300, bar, bx, by, select, &changed), 0);
    EXPECT_FALSE(changed);  // the same part: no redraw needed
    // A clock that went backwards never keeps a result for ever.
    EXPECT_EQ(gl3d::pick_name(&memory, 5, bar, 0, kH / 2, select, &changed), -1);
}

TEST(SelectionBuffer, NearestNamedCompleteRecordWins) {
    // Records: names count, z min, z max, names.
    const unsigned buffer[] = {1, 300, 400, 9,            // nearer part 9
                               1, 500, 600, 7,            // far part 7, drawn last of the named
                               1, 100, 200, 0xFFFFFFFFu,  // nearest, but unnamed
                               0, 50,  60,                // no names at all
                               2, 10,  20,  3};           // cut off by the buffer's end
    EXPECT_EQ(gl3d::nearest_hit_name(buffer, 19, 5), 9);
    EXPECT_EQ(gl3d::nearest_hit_name(buffer + 4, 15, 1), 7);
    EXPECT_EQ(gl3d::nearest_hit_name(buffer, 19, 0), -1);
    EXPECT_EQ(gl3d::nearest_hit_name(buffer, 19, -1), 9);  // overflow: what fits whole
    const unsigned bogus[] = {4000000000u, 1, 2, 3};
    EXPECT_EQ(gl3d::nearest_hit_name(bogus, 4, 3), -1);
}

// A sphere of radius 50 mm about the origin, pickable (flags 2).
gl3d::MeshBodyPart sphere(int flags) {
    gl3d::MeshBodyPart b;
    b.body.reset(faces3_kugel("kugel", 0.05, 10, 10));
    b.flags = flags;
    return b;
}

double dot(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

TEST(SurfaceHit, PointOnTheBodyWithItsOutwardNormal) {
    Scene scene;
    scene.bodies.push_back(sphere(2));
    ASSERT_TRUE(scene.bodies[0].body);
    const double tol = gl3d::hit_tolerance(100, 0);
    gl3d::SurfaceHit h = gl3d::surface_hit(scene, {0, -500, 10}, {0, 1, 0}, tol, true);
    ASSERT_TRUE(h.hit());
    EXPECT_NEAR(h.point[0], 0, 1e-6);
    EXPECT_NEAR(h.point[2], 10, 1e-6);
    EXPECT_NEAR(std::hypot(h.point[1], h.point[2]), 50, 2.5);  // on the facets of the ball
    EXPECT_LT(h.point[1], 0);                                  // the near side
    EXPECT_GT(dot(h.normal, {0, -1, 0}), 0.95);
    EXPECT_NEAR(h.distance, 500 + h.point[1], 1e-6);

    // Missed, and a body behind the eye.
    EXPECT_FALSE(gl3d::surface_hit(scene, {0, -500, 200}, {0, 1, 0}, tol, true).hit());
    EXPECT_FALSE(gl3d::surface_hit(scene, {0, -500, 0}, {0, -1, 0}, tol, true).hit());
    // While an animation is loaded only bodies with flags 2 count.
    scene.bodies[0].flags = 1;
    EXPECT_FALSE(gl3d::surface_hit(scene, {0, -500, 0}, {0, 1, 0}, tol, true).hit());
    EXPECT_TRUE(gl3d::surface_hit(scene, {0, -500, 0}, {0, 1, 0}, tol, false).hit());
}

TEST(SurfaceHit, AVrmlBodyIsHitOnItsSurfaceFacingTheEye) {
    Scene scene;
    const std::string wrl = std::string(KV_SOURCE_DIR) + "/examples/vrml/four_bar_linkage.wrl";
    ASSERT_TRUE(load_text("ANM3D\n1\n1\n--- Symbol-Dateien ---\nbegin x a\n1 1 1\nvrml \"" + wrl +
                              "\" 2\nend\n# 0\n0 0 0 1 0 0 0 1 0 0 0 1\n",
                          &scene));
    ASSERT_EQ(scene.bodies.size(), 1u);
    ASSERT_FALSE(scene.box.empty());
    gl3d::apply_frame(&scene, 0);
    const auto& lo = scene.box.min;
    const auto& hi = scene.box.max;
    const double size = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    // Straight down over a grid across the box, without snapping: every hit lies on its ray
    // inside the box with a unit normal facing up at the eye, and the same point comes back
    // from an eye moved along the ray. With the window's tolerance a hit may snap to a corner,
    // an edge or a circle centre nearby, still in the box.
    const double snap = gl3d::hit_tolerance(size, 0);
    int hits = 0;
    for (int i = 1; i < 10; ++i)
        for (int j = 1; j < 10; ++j) {
            const double x = lo[0] + (hi[0] - lo[0]) * i / 10, y = lo[1] + (hi[1] - lo[1]) * j / 10;
            const std::array<double, 3> eye{x, y, hi[2] + size};
            const gl3d::SurfaceHit h = gl3d::surface_hit(scene, eye, {0, 0, -1}, 0, true);
            if (!h.hit()) continue;
            ++hits;
            EXPECT_NEAR(h.point[0], x, 1e-6 * size);
            EXPECT_NEAR(h.point[1], y, 1e-6 * size);
            EXPECT_GE(h.point[2], lo[2] - 1e-6 * size);
            EXPECT_LE(h.point[2], hi[2] + 1e-6 * size);
            EXPECT_NEAR(std::sqrt(dot(h.normal, h.normal)), 1, 1e-9);
            EXPECT_GT(h.normal[2], 0) << "the normal faces the eye above";
            const gl3d::SurfaceHit again =
                gl3d::surface_hit(scene, {x, y, hi[2] + 3 * size}, {0, 0, -1}, 0, true);
            ASSERT_TRUE(again.hit());
            EXPECT_NEAR(again.point[2], h.point[2], 1e-6 * size);
            const gl3d::SurfaceHit snapped = gl3d::surface_hit(scene, eye, {0, 0, -1}, snap, true);
            ASSERT_TRUE(snapped.hit());
            for (int k = 0; k < 3; ++k) {
                EXPECT_GE(snapped.point[k], lo[k] - 1e-6 * size);
                EXPECT_LE(snapped.point[k], hi[k] + 1e-6 * size);
            }
        }
    EXPECT_GT(hits, 20) << "the linkage covers much of its box seen from above";
}

TEST(SurfaceHit, NearestBodyUnderATurnedSceneAndAMovedBody) {
    Scene scene;
    scene.bodies.push_back(sphere(2));
    scene.bodies.push_back(sphere(2));
    // The second ball is drawn 200 mm further along x by its object's placement.
    scene.bodies[1].matrix = gl3d::placement_matrix({200, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1});
    // The scene is turned by 90 degrees about z and moved 10 along x: body x runs along +y.
    const double c = 0, s = 1;
    scene.global = {10, 0, 0, c, s, 0, -s, c, 0, 0, 0, 1};
    const double tol = gl3d::hit_tolerance(500, 0);
    // Looking down -y from far up the y axis: the moved ball at scene (10, 200, 0) is nearer.
    gl3d::SurfaceHit h = gl3d::surface_hit(scene, {10, 1000, 0}, {0, -1, 0}, tol, true);
    ASSERT_TRUE(h.hit());
    EXPECT_EQ(h.body, 1);
    EXPECT_NEAR(h.point[1], 250, 2.5);
    EXPECT_GT(dot(h.normal, {0, 1, 0}), 0.95);
    // Looking along +x at the scene's origin ball, which sits at (10, 0, 0).
    h = gl3d::surface_hit(scene, {-1000, 0, 0}, {1, 0, 0}, tol, true);
    ASSERT_TRUE(h.hit());
    EXPECT_EQ(h.body, 0);
    EXPECT_NEAR(h.point[0], -40, 2.5);
    EXPECT_GT(dot(h.normal, {-1, 0, 0}), 0.95);

    // A marker set there lies on the ball in the bodies' frame: 50 from its centre.
    gl3d::MarkerTable t;
    ASSERT_EQ(gl3d::add_marker(&t, scene.global, h.point, h.normal), 0);
    const auto& p = t.markers[0].point;
    EXPECT_NEAR(std::sqrt(dot(p, p)), 50, 2.5);
    EXPECT_GT(dot(t.markers[0].normal, {0, 1, 0}), 0.95);  // scene -x is body +y turned back

    // Rays that are not finite hit nothing.
    EXPECT_FALSE(gl3d::surface_hit(scene, {NAN, 0, 0}, {1, 0, 0}, tol, true).hit());
}

}  // namespace
