// Pictures of the gripper example without any display, against pictures of the same film with
// its overlay commands taken out: the collision arrows around their projected point, the
// progress box's colour in the bottom rows, no text lines below 400 pixels, the marker size
// setting.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;
using V = std::array<double, 3>;

constexpr int kLine = 22;  // pixel rows per text line

struct Shot {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* at(int x, int y) const {
        return rgb.data() + (size_t(y) * size_t(w) + size_t(x)) * 3;
    }
    bool differs(const Shot& o, int x, int y) const {
        const uint8_t *a = at(x, y), *b = o.at(x, y);
        return a[0] != b[0] || a[1] != b[1] || a[2] != b[2];
    }
};

bool read_ppm(const std::string& path, Shot* shot) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int max = 0;
    if (!(in >> magic >> shot->w >> shot->h >> max) || magic != "P6" || max != 255) return false;
    in.get();
    shot->rgb.resize(size_t(shot->w) * size_t(shot->h) * 3);
    return bool(
        in.read(reinterpret_cast<char*>(shot->rgb.data()), std::streamsize(shot->rgb.size())));
}

V minus(const V& a, const V& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double dot(const V& a, const V& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
V cross(const V& a, const V& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The camera as --info prints it; pixels of world points through the window's perspective.
struct Camera {
    V eye{}, dir{}, up{};
    double size = 0;  // largest extent of the scene box
    bool read(const std::string& info) {
        const size_t c = info.find("camera: eye "), b = info.find("scene box: ");
        if (c == std::string::npos || b == std::string::npos) return false;
        std::istringstream cam(info.substr(c + 12)), box(info.substr(b + 11));
        char comma;
        std::string word;
        cam >> eye[0] >> eye[1] >> eye[2] >> comma >> word >> dir[0] >> dir[1] >> dir[2] >> comma >>
            word >> up[0] >> up[1] >> up[2];
        V lo, hi;
        box >> lo[0] >> lo[1] >> lo[2] >> word >> hi[0] >> hi[1] >> hi[2];
        for (size_t i = 0; i < 3; ++i) size = std::max(size, hi[i] - lo[i]);
        return bool(cam) && bool(box);
    }
    double depth(const V& p) const { return dot(minus(p, eye), dir); }
    // Column and row (down) of p in a w x h picture.
    std::array<double, 2> pixel(const V& p, int w, int h) const {
        const double f = 1 / std::tan(22.5 * M_PI / 180), z = depth(p);
        const V d = minus(p, eye);
        const double x = dot(d, cross(dir, up)) * f / z / (double(w) / h);
        const double y = dot(d, up) * f / z;
        return {(x + 1) / 2 * w, h - (y + 1) / 2 * h};
    }
    // Pixels a length in the scene spans at p's depth.
    double span(double length, const V& p, int h) const {
        return length / std::tan(22.5 * M_PI / 180) / depth(p) * h / 2;
    }
};

class SceneOverlays : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kv_scene_overlays_" + std::to_string(getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "tmp");
        // The same film with every overlay command taken out, and with only its collision
        // markers, moved into free space in front of the bodies; the bodies are found where
        // they are.
        std::ifstream in(kvtest::kExamples + "/gripper_3d.anm");
        std::ofstream plain(dir_ / "plain.anm"), markers(dir_ / "markers.anm");
        std::string line;
        int dropped = 0;
        while (std::getline(in, line)) {
            if (line.rfind("vrml vrml/", 0) == 0) line.insert(5, kvtest::kExamples + "/");
            if (line.rfind("x ", 0) == 0) {
                ++dropped;
                if (line.rfind("x kollmarker ", 0) == 0) markers << "x kollmarker 0 -40 30\n";
                continue;
            }
            plain << line << "\n";
            markers << line << "\n";
        }
        ASSERT_GT(dropped, 80);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // No display, no platform chosen, no marker size from the environment or a profile.
    kvtest::ProgramRun run(const std::string& args, const std::string& env = "") const {
        return kvtest::run_shell("cd '" + dir_.string() +
                                 "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                                 "-u KVGL_MARKERGROESSE TMPDIR='" +
                                 (dir_ / "tmp").string() + "' XDG_CONFIG_HOME='" +
                                 (dir_ / "config").string() + "' " + env + " timeout 120 " +
                                 kvtest::kProgram + " " + args + " 2>&1");
    }
    std::string film() const { return kvtest::kExamples + "/gripper_3d.anm"; }
    std::string plain() const { return (dir_ / "plain.anm").string(); }
    std::string markers_only() const { return (dir_ / "markers.anm").string(); }
    Shot shoot(const std::string& film, int frame, int w, int h, const std::string& env = "") {
        const std::string ppm = (dir_ / "shot.ppm").string();
        fs::remove(ppm);
        const auto r = run(film + " --output shot.ppm --frame " + std::to_string(frame) +
                               " --size " + std::to_string(w) + "x" + std::to_string(h),
                           env);
        EXPECT_EQ(r.exit_code, 0) << r.out;
        Shot s;
        EXPECT_TRUE(read_ppm(ppm, &s)) << r.out;
        return s;
    }
    fs::path dir_;
};

// Frame 32: a collision marker at (60, 0, -14) with a line into it, "ampel 38 30 38" (aqua, the
// stroke is past the warning value) and one text line.
const V kCollision = {60, 0, -14};
const V kFreeCollision = {0, -40, 30};

TEST_F(SceneOverlays, CollisionArrowsAroundTheirPointAndTheAmpelBoxInTheBottomRows) {
    Camera cam;
    ASSERT_TRUE(cam.read(run(film() + " --info").out));
    const int w = 640, h = 480;
    const Shot with = shoot(film(), 32, w, h), without = shoot(plain(), 32, w, h);
    ASSERT_EQ(with.rgb.size(), size_t(w) * h * 3);
    ASSERT_EQ(without.rgb.size(), with.rgb.size());

    // Arrows start 0.06 S from the point and are 0.007 S thick; a few pixels for the edges.
    const auto centre = cam.pixel(kCollision, w, h);
    const double reach = cam.span(0.065 * cam.size, kCollision, h) + 3;
    ASSERT_GT(reach, 8);
    int red = 0, far_changes = 0;
    double sx = 0, sy = 0;
    for (int y = 0; y < h - 2 * kLine; ++y)
        for (int x = 0; x < w; ++x) {
            if (!with.differs(without, x, y)) continue;
            const uint8_t* c = with.at(x, y);
            if (std::hypot(x + 0.5 - centre[0], y + 0.5 - centre[1]) > reach) {
                ++far_changes;
                continue;
            }
            if (c[0] > 150 && c[1] < c[0] / 2 && c[2] < c[0] / 2)
                ++red, sx += x + 0.5, sy += y + 0.5;
        }
    EXPECT_EQ(far_changes, 0) << "the overlay drew away from its marker and its text lines";
    ASSERT_GT(red, 10) << "no red arrows near pixel " << centre[0] << ", " << centre[1];
    EXPECT_LT(std::hypot(sx / red - centre[0], sy / red - centre[1]), reach / 2);

    // Bottom line "Hub / stroke 38 mm", above it the progress box: aqua in the second line only.
    auto count = [&](const Shot& s, int y0, int y1, int r, int g, int b) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* c = s.at(x, y);
                n += std::abs(c[0] - r) <= 8 && std::abs(c[1] - g) <= 8 && std::abs(c[2] - b) <= 8;
            }
        return n;
    };
    EXPECT_GT(count(with, h - 2 * kLine, h - kLine, 0, 255, 220), 5 * 8 * 10);
    EXPECT_EQ(count(with, h - kLine, h, 0, 255, 220), 0);
    EXPECT_EQ(count(without, h - 2 * kLine, h, 0, 255, 220), 0);
    // The lines' white ground covers the width.
    EXPECT_GT(count(with, h - 2 * kLine, h, 255, 255, 255), w * kLine);

    // Frame 33 runs past the limit: the box turns light red.
    const Shot over = shoot(film(), 33, w, h);
    EXPECT_GT(count(over, h - 2 * kLine, h - kLine, 255, 100, 100), 5 * 8 * 10);
    EXPECT_EQ(count(over, h - 2 * kLine, h - kLine, 0, 255, 220), 0);
}

TEST_F(SceneOverlays, PicturesNarrowerThan400PixelsHaveNoTextLines) {
    // Frame 0 has text lines and nothing else over the scene.
    const Shot narrow = shoot(film(), 0, 399, 300), narrow_plain = shoot(plain(), 0, 399, 300);
    EXPECT_EQ(narrow.rgb, narrow_plain.rgb);
    const Shot wide = shoot(film(), 0, 400, 300), wide_plain = shoot(plain(), 0, 400, 300);
    ASSERT_EQ(wide.rgb.size(), wide_plain.rgb.size());
    int above = 0, in_lines = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            (y < 300 - 2 * kLine ? above : in_lines) += wide.differs(wide_plain, x, y);
    EXPECT_EQ(above, 0);
    EXPECT_GT(in_lines, 400 * kLine);
}

TEST_F(SceneOverlays, TheMarkerSizeSettingScalesTheCollisionArrows) {
    Camera cam;
    ASSERT_TRUE(cam.read(run(film() + " --info").out));
    const int w = 640, h = 480;
    // A third of the scene size: the arrows stay within a third of their reach. The film keeps
    // only its collision markers, away from the bodies, so nothing hides or adds red.
    const double setting = cam.size / 3;
    const std::string env = "KVGL_MARKERGROESSE=" + std::to_string(setting);
    const Shot small = shoot(markers_only(), 32, w, h, env);
    const Shot without = shoot(plain(), 32, w, h, env), full = shoot(markers_only(), 32, w, h);
    const auto centre = cam.pixel(kFreeCollision, w, h);
    auto farthest_red = [&](const Shot& s) {
        double d = 0;
        for (int y = 0; y < h - 2 * kLine; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* c = s.at(x, y);
                if (s.differs(without, x, y) && c[0] > 150 && c[1] < c[0] / 2 && c[2] < c[0] / 2)
                    d = std::max(d, std::hypot(x + 0.5 - centre[0], y + 0.5 - centre[1]));
            }
        return d;
    };
    const double small_reach = farthest_red(small), full_reach = farthest_red(full);
    EXPECT_GT(small_reach, 0);
    EXPECT_LE(small_reach, cam.span(0.065 * setting, kFreeCollision, h) + 3);
    EXPECT_GT(full_reach, cam.span(0.04 * cam.size, kFreeCollision, h));
}

}  // namespace
