// Windowless pictures with the window's overlay: the overlay of the frame asked for, the world
// axes, the scene alone without overlays, and text lines skipped where nothing can letter them.
#include "gl3d/scene_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "gl3d/scene_loader.h"

namespace {

using gl3d::Scene;

constexpr int kBackground[3] = {25, 25, 102};

// A plate 200 wide around the origin, 50 below it, seen from straight above: the axes and the
// collision marker of frame 1 stand in front of it. Frame 0 has a text line only.
const std::string kPlate =
    "ANM3D\n1\n2\n--- Symbol-Dateien ---\nview 0 0 600 0 0 -1 0 1 0\n"
    "begin x plate\n0.2 0.2 0.2\npolygon 2\n-100 -100 -50\n100 100 -50\nend\n"
    "# 0\nx text %c255000000MMMMMMMMMMMMMMMM\n0 0 0 1 0 0 0 1 0 0 0 1\n"
    "# 1\nx kollmarker 60 0 -50\n0 0 0 1 0 0 0 1 0 0 0 1\n";

class ScenePictureOverlays : public testing::Test {
  protected:
    void SetUp() override {
        const std::string path = testing::TempDir() + "gl3d_picture_scene.anm";
        std::ofstream(path, std::ios::binary) << kPlate;
        gl3d::LoadOptions options;
        options.report = [](const std::string& m) { ADD_FAILURE() << m; };
        options.info_name = testing::TempDir() + "gl3d_picture_kurvlab.txt";
        ASSERT_EQ(gl3d::load_scene(path, &scene_, options), 0);
    }
    bool shoot(int frame, gl3d::PictureOverlays* overlays, gl3d::ScenePicture* out) {
        gl3d::RenderSettings s;
        s.width = kSize;
        s.height = kSize;
        std::string error;
        if (gl3d::render_scene_picture(&scene_, frame, s, out, &error, overlays) != 0) {
            ADD_FAILURE() << "no offscreen GL: " << error;
            return false;
        }
        return true;
    }
    // Pixels of a rectangle in which channel k (0 red, 1 green) stands out.
    static int standing_out(const gl3d::ScenePicture& p, int k, int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const uint8_t* c = p.rgb_rows.data() + (size_t(y) * size_t(p.width) + x) * 3;
                n += c[k] > 120 && c[1 - k] < c[k] * 0.7 && c[2] < c[k] * 0.7;
            }
        return n;
    }
    static int reddish(const gl3d::ScenePicture& p, int x0, int x1, int y0, int y1) {
        return standing_out(p, 0, x0, x1, y0, y1);
    }
    static int greenish(const gl3d::ScenePicture& p, int x0, int x1, int y0, int y1) {
        return standing_out(p, 1, x0, x1, y0, y1);
    }
    // Pixel column of x at the plate's depth, the origin in the middle.
    static int column(double x) {
        return kSize / 2 + int(std::lround(x / 650 * 2.414 * kSize / 2));
    }
    static constexpr int kSize = 600;
    Scene scene_;
};

TEST_F(ScenePictureOverlays, TheFramesCollisionMarkerAndTheAxesOverTheScene) {
    gl3d::PictureOverlays overlays;
    gl3d::ScenePicture bare, first, second;
    if (!shoot(1, nullptr, &bare)) return;
    ASSERT_TRUE(shoot(0, &overlays, &first));
    ASSERT_TRUE(shoot(1, &overlays, &second));
    const int c = kSize / 2, m = column(60), r = column(14) - c;
    // The collision marker of frame 1 only: S = 200 puts its arrows 12 to 2 from the point.
    EXPECT_GT(reddish(second, m - r, m + r, c - r, c + r), 20);
    EXPECT_EQ(reddish(first, m - r, m + r, c - r, c + r), 0);
    EXPECT_EQ(reddish(bare, m - r, m + r, c - r, c + r), 0);
    // The axes: 0.05 R = 10 from the origin, at 600 from the eye; thinner than a pixel, their
    // heads show, x red to the right, y green upwards.
    const int reach = int(10.0 / 600 * 2.414 * kSize / 2) + 3;
    for (const gl3d::ScenePicture* p : {&first, &second}) {
        EXPECT_GT(reddish(*p, c + 1, c + reach, c - 2, c + 3), 0);
        EXPECT_GT(greenish(*p, c - 2, c + 3, c - reach, c - 1), 0);
    }
    EXPECT_EQ(reddish(bare, c + 1, c + reach, c - 2, c + 3), 0);
    EXPECT_EQ(greenish(bare, c - 2, c + 3, c - reach, c - 1), 0);
    // Without a platform to letter them the text lines are left out, the scene shows there.
    const uint8_t* corner = first.rgb_rows.data() + (size_t(kSize - 5) * kSize + 5) * 3;
    EXPECT_EQ(overlays.text_lines.renders(), 1);
    EXPECT_EQ(overlays.text_lines.size(), 1u);
    EXPECT_NEAR(corner[0], kBackground[0], 1);
    EXPECT_NEAR(corner[1], kBackground[1], 1);
    EXPECT_NEAR(corner[2], kBackground[2], 1);
}

}  // namespace
