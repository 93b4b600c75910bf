// Overlay drawing on real pictures (offscreen GL, text lettered by the Qt platform): text lines
// in their rows from the bottom, the progress box's colour, the width rule, the line cache,
// and the red collision marker arrows, the axes and the markers in the scene.
#include <gtest/gtest.h>

#include <fstream>

#include "gl3d/overlay_drawing.h"
#include "gl3d/renderer.h"
#include "gl3d/scene_loader.h"
#include "mw31/egl/offscreen_gl.h"

namespace {

using gl3d::Scene;
using Runs = std::vector<mw31::TextRun>;

constexpr int kBackground[3] = {25, 25, 102};

struct Shot {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* at(int x, int row) const {
        return rgb.data() + (size_t(row) * size_t(w) + size_t(x)) * 3;
    }
    bool is(int x, int row, int r, int g, int b, int tol = 8) const {
        const uint8_t* c = at(x, row);
        return std::abs(c[0] - r) <= tol && std::abs(c[1] - g) <= tol && std::abs(c[2] - b) <= tol;
    }
    int count_row(int row, int r, int g, int b) const {
        int n = 0;
        for (int x = 0; x < w; ++x) n += is(x, row, r, g, b);
        return n;
    }
    // Red-dominated pixels in a rectangle of rows.
    int reddish(int x0, int x1, int r0, int r1) const {
        int n = 0;
        for (int row = r0; row < r1; ++row)
            for (int x = x0; x < x1; ++x) {
                const uint8_t* c = at(x, row);
                n += c[0] > 120 && c[1] < c[0] / 2 && c[2] < c[0] / 2;
            }
        return n;
    }
};

bool load_text(const std::string& text, Scene* scene) {
    const std::string path = testing::TempDir() + "gl3d_overlay_scene.anm";
    std::ofstream(path, std::ios::binary) << text;
    gl3d::LoadOptions options;
    options.report = [](const std::string& m) { ADD_FAILURE() << m; };
    options.info_name = testing::TempDir() + "gl3d_overlay_kurvlab.txt";
    return gl3d::load_scene(path, scene, options) == 0;
}

// A scene 200 wide around the origin, seen from straight above.
const std::string kPlate =
    "ANM3D\n1\n1\n--- Symbol-Dateien ---\nview 0 0 600 0 0 -1 0 1 0\n"
    "begin x plate\n0.2 0.2 0.2\npolygon 2\n-100 -100 -50\n100 100 -50\nend\n"
    "# 0\n0 0 0 1 0 0 0 1 0 0 0 1\n";

class OverlayDrawing : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(load_text(kPlate, &scene_)); }
    // Draws the scene, then what `extra` draws, and reads the picture.
    template <typename F>
    bool shoot(int w, int h, F extra, Shot* shot) {
        std::string error;
        auto gl = mw31::OffscreenGl::create(w, h, &error);
        if (!gl) {
            ADD_FAILURE() << "no offscreen GL: " << error;
            return false;
        }
        gl3d::RenderSettings s;
        s.width = w;
        s.height = h;
        gl3d::setup_context(s.lights);
        gl3d::apply_frame(&scene_, 0);
        camera_ = gl3d::render_scene(&scene_, s);
        extra();
        shot->w = w;
        shot->h = h;
        shot->rgb = gl->read_rgb_rows();
        gl3d::release_display_lists(&scene_);
        return true;
    }
    Scene scene_;
    gl3d::Camera camera_;
    gl3d::TextLineCache cache_;
};

TEST_F(OverlayDrawing, TextLinesSitInTheirRowsFromTheBottom) {
    gl3d::Overlay o;
    gl3d::parse_overlay("text %c255000000MMMMMMMM;text %c000000255WWWW", &o);
    ASSERT_EQ(o.texts.size(), 2u);
    const std::vector<Runs> lines = {o.texts[0].runs, o.texts[1].runs};
    Shot shot;
    const int w = 500, h = 200;
    ASSERT_TRUE(shoot(
        w, h, [&] { gl3d::draw_text_lines(lines, w, h, &cache_); }, &shot));
    // Line 1 fills the bottom 22 rows, line 2 the 22 above; above them the scene shows.
    for (int row : {h - 1, h - 22, h - 23, h - 44})
        EXPECT_TRUE(shot.is(w - 5, row, 255, 255, 255)) << row;
    EXPECT_TRUE(shot.is(w - 5, h - 45, kBackground[0], kBackground[1], kBackground[2]));
    int red = 0, blue = 0;
    for (int row = h - 22; row < h; ++row) red += shot.count_row(row, 255, 0, 0);
    for (int row = h - 44; row < h - 22; ++row) blue += shot.count_row(row, 0, 0, 255);
    EXPECT_GT(red, 40);
    EXPECT_GT(blue, 20);
    // The letters stay in their own line and start at the left edge.
    for (int row = h - 44; row < h - 22; ++row) EXPECT_EQ(shot.count_row(row, 255, 0, 0), 0);
    int left_red = 0;
    for (int row = h - 22; row < h; ++row)
        for (int x = 0; x < 12; ++x) left_red += shot.is(x, row, 255, 0, 0);
    EXPECT_GT(left_red, 0);
    EXPECT_EQ(cache_.renders(), 2);
}

TEST_F(OverlayDrawing, AmpelBoxColourThenPercentage) {
    gl3d::Overlay o;
    gl3d::parse_overlay("text ampel 45 50 100;text ampel 70 50 100;text ampel 170 50 100", &o);
    ASSERT_EQ(o.texts.size(), 3u);
    std::vector<Runs> lines;
    for (auto& t : o.texts) lines.push_back(t.runs);
    Shot shot;
    const int w = 420, h = 120;
    ASSERT_TRUE(shoot(
        w, h, [&] { gl3d::draw_text_lines(lines, w, h, &cache_); }, &shot));
    // The box's middle row, a few pixels in from the left, per line.
    EXPECT_TRUE(shot.is(6, h - 11, 0, 0, 200, 2));
    EXPECT_TRUE(shot.is(6, h - 33, 0, 255, 220, 2));
    EXPECT_TRUE(shot.is(6, h - 55, 255, 100, 100, 2));
    // After the box the percentage in black on white.
    int black = 0;
    for (int row = h - 22; row < h; ++row) black += shot.count_row(row, 0, 0, 0);
    EXPECT_GT(black, 10);
}

TEST_F(OverlayDrawing, NarrowWindowsShowNoTextAndTheCacheRendersOnce) {
    const std::vector<Runs> lines = {gl3d::text_runs("%c255000000MMMM")};
    Shot narrow;
    ASSERT_TRUE(shoot(
        399, 100, [&] { gl3d::draw_text_lines(lines, 399, 100, &cache_); }, &narrow));
    EXPECT_TRUE(narrow.is(390, 99, kBackground[0], kBackground[1], kBackground[2]));
    EXPECT_EQ(cache_.renders(), 0);
    Shot wide;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(shoot(
            400, 100, [&] { gl3d::draw_text_lines(lines, 400, 100, &cache_); }, &wide));
    EXPECT_TRUE(wide.is(390, 99, 255, 255, 255));
    EXPECT_EQ(cache_.renders(), 1);
    EXPECT_EQ(cache_.size(), 1u);
    // Texts that change all the time do not grow the cache without bound.
    for (int i = 0; i < 300; ++i) cache_.line(gl3d::text_runs("frame " + std::to_string(i)));
    EXPECT_LE(cache_.size(), gl3d::TextLineCache::kLimit);
}

TEST_F(OverlayDrawing, CollisionMarkerArrowsAreRedAroundTheirPoint) {
    const int w = 300, h = 300;
    gl3d::Overlay none;
    gl3d::MarkerTable no_markers;
    Shot before;
    ASSERT_TRUE(shoot(
        w, h, [&] {}, &before));
    gl3d::Overlay o;
    gl3d::parse_overlay("kollmarker 60 0 -50;cline 0 1 0 -100 100 -50 -20 100 -50", &o);
    Shot shot;
    ASSERT_TRUE(shoot(
        w, h, [&] { gl3d::draw_scene_glyphs(scene_, camera_, o, no_markers, 1000, 10); }, &shot));
    // The marker at x = 60 lies right of the centre; S = 1000 makes arrows 60 to 10 from it.
    const int cx = w / 2 + int(60.0 / 650 * 2.414 * h / 2), cy = h / 2;
    EXPECT_GT(shot.reddish(cx - 40, cx + 40, cy - 40, cy + 40), 150);
    EXPECT_EQ(before.reddish(cx - 40, cx + 40, cy - 40, cy + 40), 0);
    // Arrows on either side along x and y, none on the diagonals.
    const int d = int(35.0 / 650 * 2.414 * h / 2);
    for (const auto& [dx, dy] : {std::pair{d, 0}, {-d, 0}, {0, d}, {0, -d}})
        EXPECT_GT(shot.reddish(cx + dx - 2, cx + dx + 3, cy + dy - 2, cy + dy + 3), 5)
            << dx << " " << dy;
    for (const auto& [dx, dy] : {std::pair{d, d}, {-d, d}, {d, -d}, {-d, -d}})
        EXPECT_EQ(shot.reddish(cx + dx - 2, cx + dx + 3, cy + dy - 2, cy + dy + 3), 0)
            << dx << " " << dy;
    EXPECT_EQ(shot.reddish(0, w / 4, 0, h), 0);  // nothing red far from it
    // The green line at the top left.
    int green = 0;
    for (int row = 0; row < h / 2; ++row)
        for (int x = 0; x < w / 2; ++x) green += shot.is(x, row, 0, 255, 0, 40);
    EXPECT_GT(green, 10);
}

}  // namespace
