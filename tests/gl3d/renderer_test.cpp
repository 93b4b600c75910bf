// The renderer drawn headless through the offscreen surface: geometry checked against the
// projection of known corners, colours of the part kinds, and a picture against its baseline.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gl3d/scene_loader.h"
#include "gl3d/scene_picture.h"

namespace {

using gl3d::Scene;

constexpr int kBackground[3] = {25, 25, 102};  // 0.1 0.1 0.4

std::string temp_path(const std::string& name) {
    return testing::TempDir() + "gl3d_render_" + name;
}

bool load_text(const std::string& text, Scene* scene) {
    const std::string path = temp_path("scene.anm");
    std::ofstream(path, std::ios::binary) << text;
    gl3d::LoadOptions options;
    options.report = [](const std::string& m) { ADD_FAILURE() << m; };
    options.info_name = temp_path("kurvlab.txt");
    return gl3d::load_scene(path, scene, options) == 0;
}

struct Picture {
    gl3d::ScenePicture p;
    const uint8_t* at(int x, int y) const {
        return p.rgb_rows.data() + (size_t(y) * size_t(p.width) + size_t(x)) * 3;
    }
    bool background(int x, int y) const {
        const uint8_t* c = at(x, y);
        return std::abs(c[0] - kBackground[0]) <= 1 && std::abs(c[1] - kBackground[1]) <= 1 &&
               std::abs(c[2] - kBackground[2]) <= 1;
    }
};

// Skips the test where the platform has no offscreen GL at all.
bool render(Scene* scene, int frame, int w, int h, Picture* out, int pick = -1) {
    gl3d::RenderSettings settings;
    settings.width = w;
    settings.height = h;
    settings.pick_result = pick;
    std::string error;
    if (gl3d::render_scene_picture(scene, frame, settings, &out->p, &error) != 0) {
        ADD_FAILURE() << "no offscreen GL: " << error;
        return false;
    }
    return true;
}

// A 100 x 60 box 10 high seen straight down from z = 1000 (y up on the screen).
const std::string kTopView =
    "ANM3D\n1\n1\n--- Symbol-Dateien ---\nview 0 0 1000 0 0 -1 0 1 0\n"
    "begin x box\n0.8 0.8 0.8\nquader 100 60 10 -50 -30 0 1 0 0 0 1 0 0\nend\n"
    "# 0\n0 0 0 1 0 0 0 1 0 0 0 1\n# 1\n100 0 0 1 0 0 0 1 0 0 0 1\n";

// Pixel column / row of a point at depth d in front of the eye (looking down -z, y up).
double project(double v, double d, int size, int height) {
    const double f = 1 / std::tan(22.5 * M_PI / 180);
    return (v * f / d * height / double(size) + 1) * 0.5 * size;
}

TEST(Renderer, BoxSeenAlongAnAxisCoversItsProjectedRectangle) {
    Scene scene;
    ASSERT_TRUE(load_text(kTopView, &scene));
    Picture pic;
    const int w = 320, h = 240;
    if (!render(&scene, 0, w, h, &pic)) return;
    EXPECT_NE(pic.p.renderer.find("Compatibility"), std::string::npos) << pic.p.renderer;
    const double d = 1000 - 10;  // the top face
    const double x0 = project(-50, d, w, h), x1 = project(50, d, w, h);
    const double y0 = h - project(30, d, h, h), y1 = h - project(-30, d, h, h);  // rows down
    int inside_bad = 0, outside_bad = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool in = x > x0 + 1.5 && x < x1 - 2.5 && y > y0 + 1.5 && y < y1 - 2.5;
            const bool out = x < x0 - 1.5 || x > x1 + 1.5 || y < y0 - 1.5 || y > y1 + 1.5;
            if (in && pic.background(x, y)) ++inside_bad;
            if (out && !pic.background(x, y)) ++outside_bad;
        }
    EXPECT_EQ(inside_bad, 0);
    EXPECT_EQ(outside_bad, 0);
    EXPECT_GT(x1 - x0, 20);  // the check is not vacuous

    // Frame 1 moves the object 100 to the right: the left part of the old rectangle is empty.
    Picture moved;
    ASSERT_TRUE(render(&scene, 1, w, h, &moved));
    EXPECT_TRUE(moved.background(int(x0 + 3), h / 2));
    EXPECT_FALSE(moved.background(int(project(100, d, w, h)), h / 2));
}

TEST(Renderer, PolygonsVectorGraphicsAndColoursOfTheirOwn) {
    // Seen from above: a polygon in the body colour slot (-1 -> green) on the left, a red-picked
    // one in the middle, and a white contour on the right; lighting is off for all of them.
    const std::string text =
        "ANM3D\n1\n1\n--- Symbol-Dateien ---\nview 0 0 1000 0 0 -1 0 1 0\n"
        "begin x lines\n-1 -1 -1\npolygon 2\n-60 -40 0\n-60 40 0\n"
        "color 0 0 1\npolygon 2\n0 -40 0\n0 40 0\n"
        "vektorgrafik 0 60 0 0 1 0 0 0 1 0 0 0 1\nm 0 -40\nd 0 40\nend_vektorgrafik\nend\n"
        "# 0\n0 0 0 1 0 0 0 1 0 0 0 1\n";
    Scene scene;
    ASSERT_TRUE(load_text(text, &scene));
    ASSERT_EQ(scene.polygons.size(), 2u);
    Picture pic;
    const int w = 400, h = 300;
    if (!render(&scene, 0, w, h, &pic, scene.polygons[1].part_id)) return;
    const double d = 1000;
    auto colour_near = [&](double wx) {
        // The brightest pixel of the row around the line's column.
        const int cx = int(project(wx, d, w, h)), y = h / 2;
        const uint8_t* best = pic.at(cx, y);
        for (int x = cx - 3; x <= cx + 3; ++x) {
            const uint8_t* c = pic.at(x, y);
            if (c[0] + c[1] + c[2] > best[0] + best[1] + best[2]) best = c;
        }
        return std::array<int, 3>{best[0], best[1], best[2]};
    };
    const auto green = colour_near(-60), red = colour_near(0), white = colour_near(60);
    EXPECT_GT(green[1], 200);
    EXPECT_LT(green[0], 80);
    EXPECT_GT(red[0], 200);
    EXPECT_LT(red[2], 150);  // picked: red instead of its blue
    EXPECT_GT(white[0], 200);
    EXPECT_GT(white[1], 200);
    EXPECT_GT(white[2], 200);
}

// Baselines are binary PPM pictures in tests/baselines/.
bool read_ppm(const std::string& path, int* w, int* h, std::vector<uint8_t>* rgb) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int max = 0;
    if (!(in >> magic >> *w >> *h >> max) || magic != "P6" || max != 255) return false;
    in.get();
    rgb->resize(size_t(*w) * size_t(*h) * 3);
    return bool(in.read(reinterpret_cast<char*>(rgb->data()), std::streamsize(rgb->size())));
}

void write_ppm(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
}

TEST(Renderer, MixedSceneMatchesItsBaseline) {
    const std::string text =
        "ANM3D\n2\n1\n--- Symbol-Dateien ---\nview 0 -300 250\n"
        "begin x crank\n0.9 0.5 0.1\n"
        "zylinder 24 0 0 0 15 40 0 0 1 0\n"
        "rohr 16 0 0 40 8 6 80 1 0 0 0\n"
        "quader 100 20 10 0 -10 -5 1 0 0 0 1 0 0\n"
        "end\n"
        "begin x plate\n0.3 0.7 0.3\n"
        "triangles 0\nn 2\n-150 -150 -20 150 -150 -20 150 150 -20\n"
        "-150 -150 -20 150 150 -20 -150 150 -20\nend_triangles\n"
        "color 1 1 0\npolygon 4\n-140 -140 -19\n140 -140 -19\n140 140 -19\n-140 -140 -19\n"
        "vektorgrafik 0 0 0 -18\nm -100 100\nd 100 100\nend\n"
        "end\n"
        "# 0\n0 0 0 0.8 0.6 0 -0.6 0.8 0 0 0 1\n0 0 0 1 0 0 0 1 0 0 0 1\n";
    Scene scene;
    ASSERT_TRUE(load_text(text, &scene));
    Picture pic;
    if (!render(&scene, 0, 240, 180, &pic)) return;
    const std::string baseline = std::string(KV_SOURCE_DIR) + "/tests/baselines/gl3d_mixed.ppm";
    const std::string actual = temp_path("mixed_actual.ppm");
    if (std::getenv("KV_UPDATE_BASELINES")) write_ppm(baseline, 240, 180, pic.p.rgb_rows);
    int w = 0, h = 0;
    std::vector<uint8_t> want;
    if (!read_ppm(baseline, &w, &h, &want)) {
        write_ppm(actual, 240, 180, pic.p.rgb_rows);
        FAIL() << "missing baseline " << baseline << "; the picture drawn is in " << actual;
    }
    ASSERT_EQ(w, 240);
    ASSERT_EQ(h, 180);
    // Software rasterisers may differ in the last bit and at edges: small differences and a
    // few edge pixels are tolerated.
    std::vector<uint8_t> diff(want.size(), 0);
    int differing = 0;
    for (size_t i = 0; i < want.size(); i += 3) {
        int worst = 0;
        for (size_t k = 0; k < 3; ++k)
            worst = std::max(worst, std::abs(int(want[i + k]) - int(pic.p.rgb_rows[i + k])));
        if (worst > 12) {
            ++differing;
            diff[i] = 255;
        }
    }
    if (differing > 40) {
        write_ppm(actual, 240, 180, pic.p.rgb_rows);
        write_ppm(temp_path("mixed_diff.ppm"), 240, 180, diff);
    }
    EXPECT_LE(differing, 40) << "pictures differ in " << differing << " pixels; see " << actual
                             << " and " << temp_path("mixed_diff.ppm");
    // The picture is not empty: the lit bodies are there.
    int lit = 0;
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < 240; ++x) lit += !pic.background(x, y);
    EXPECT_GT(lit, 240 * 180 / 10);
}

// ---- culling of closed parts -------------------------------------------------------------------

// Triangles as an ANM3D "triangles" block, each line three corners.
std::string triangle_block(const std::vector<std::array<double, 9>>& tris) {
    std::ostringstream out;
    out << "triangles 0\nn " << tris.size() << "\n";
    for (const auto& t : tris) {
        for (size_t k = 0; k < 9; ++k) out << (k ? " " : "") << t[k];
        out << "\n";
    }
    out << "end_triangles\n";
    return out.str();
}

// A cube of edge 2 * half around (cx, cy, cz), counter-clockwise seen from outside; without its
// top (+z) face when open, turned inside out when reversed.
std::vector<std::array<double, 9>> cube(double half, double cx, double cy, double cz,
                                        bool open = false, bool reversed = false) {
    static const int faces[6][4] = {{0, 2, 3, 1}, {0, 1, 5, 4}, {2, 6, 7, 3},
                                    {0, 4, 6, 2}, {1, 3, 7, 5}, {4, 5, 7, 6}};
    auto corner = [&](int i, double* p) {
        p[0] = cx + (i & 1 ? half : -half);
        p[1] = cy + (i & 2 ? half : -half);
        p[2] = cz + (i & 4 ? half : -half);
    };
    std::vector<std::array<double, 9>> tris;
    for (int f = 0; f < (open ? 5 : 6); ++f)
        for (int t = 0; t < 2; ++t) {
            int c[3] = {faces[f][0], faces[f][t + 1], faces[f][t + 2]};
            if (reversed) std::swap(c[1], c[2]);
            std::array<double, 9> tri;
            for (int k = 0; k < 3; ++k) corner(c[k], &tri[size_t(3 * k)]);
            tris.push_back(tri);
        }
    return tris;
}

// A torus about the z axis through (cx, cy, cz), nu x nv quads of two triangles.
std::vector<std::array<double, 9>> torus(double major, double minor, int nu, int nv, double cx,
                                         double cy, double cz) {
    auto point = [&](int i, int j, double* p) {
        const double u = 2 * M_PI * (i % nu) / nu, v = 2 * M_PI * (j % nv) / nv;
        const double r = major + minor * std::cos(v);
        p[0] = cx + r * std::cos(u);
        p[1] = cy + r * std::sin(u);
        p[2] = cz + minor * std::sin(v);
    };
    std::vector<std::array<double, 9>> tris;
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            const int quad[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
            for (int t = 0; t < 2; ++t) {
                const int c[3] = {0, t + 1, t + 2};
                std::array<double, 9> tri;
                for (int k = 0; k < 3; ++k)
                    point(quad[c[k]][0], quad[c[k]][1], &tri[size_t(3 * k)]);
                tris.push_back(tri);
            }
        }
    return tris;
}

std::string body_object(const std::string& name, const std::vector<std::array<double, 9>>& tris,
                        const std::string& more = "") {
    return "begin x " + name + "\n0.8 0.6 0.3\n" + triangle_block(tris) + more + "end\n";
}

std::string scene_text(const std::string& view, const std::vector<std::string>& objects,
                       const std::string& placement = "0 0 0 1 0 0 0 1 0 0 0 1") {
    std::string text = "ANM3D\n" + std::to_string(objects.size()) + "\n1\n--- Symbol-Dateien ---\n";
    text += view + "\n";
    for (const std::string& o : objects) text += o;
    text += "# 0\n";
    for (size_t i = 0; i < objects.size(); ++i) text += placement + "\n";
    return text;
}

// The scene drawn with and without culling; the number of pixels that differ by more than the
// baselines' tolerance in a channel.
int culling_difference(Scene* scene, int w, int h, Picture* culled, Picture* plain) {
    gl3d::RenderSettings settings;
    settings.width = w;
    settings.height = h;
    std::string error;
    if (gl3d::render_scene_picture(scene, 0, settings, &culled->p, &error) != 0) {
        ADD_FAILURE() << "no offscreen GL: " << error;
        return -1;
    }
    settings.cull_closed = false;
    if (gl3d::render_scene_picture(scene, 0, settings, &plain->p, &error) != 0) return -1;
    int differing = 0;
    for (size_t i = 0; i < plain->p.rgb_rows.size(); i += 3) {
        int worst = 0;
        for (size_t k = 0; k < 3; ++k)
            worst = std::max(
                worst, std::abs(int(culled->p.rgb_rows[i + k]) - int(plain->p.rgb_rows[i + k])));
        differing += worst > 12;
    }
    return differing;
}

int lit_pixels(const Picture& pic, int x0, int y0, int x1, int y1) {
    int lit = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) lit += !pic.background(x, y);
    return lit;
}

TEST(RendererCulling, OnlyClosedBodiesFacingOutwardsCount) {
    // Two cubes in one body are two shells, each closed; a plate of two triangles back to back
    // is closed but encloses nothing, so it shows both sides.
    auto two = cube(10, -200, 0, 0);
    const auto second = cube(10, -170, 0, 0);
    two.insert(two.end(), second.begin(), second.end());
    const std::vector<std::array<double, 9>> plate = {{0, 200, 0, 40, 200, 0, 0, 240, 0},
                                                      {0, 200, 0, 0, 240, 0, 40, 200, 0}};
    const std::string text = scene_text(
        "view 0 -600 400", {body_object("cube", cube(20, 0, 0, 0)),
                            body_object("torus", torus(40, 15, 24, 12, 120, 0, 0)),
                            body_object("open", cube(20, 0, 100, 0, true)),
                            body_object("inside_out", cube(20, 100, 100, 0, false, true)),
                            body_object("plate", plate), body_object("two", two)});
    Scene scene;
    ASSERT_TRUE(load_text(text, &scene));
    ASSERT_EQ(scene.bodies.size(), 6u);
    Picture culled, plain;
    if (culling_difference(&scene, 160, 120, &culled, &plain) < 0) return;
    const int want[6] = {1, 1, 0, 0, 0, 1};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(scene.bodies[i].closed, want[i]) << "body " << i;
    // The box is the drawn points' own, in millimetres.
    EXPECT_NEAR(scene.bodies[1].box_mm[0], 120 - 55, 1e-6);
    EXPECT_NEAR(scene.bodies[1].box_mm[5], 15 * std::sin(2 * M_PI * 3 / 12), 1e-6);
}

TEST(RendererCulling, ClosedBodiesDifferOnlyOnTheirOutlines) {
    // Closed bodies (and cylinders, drawn as before) seen at a slant from outside. Where a back
    // face meets a front face on the outline, its line may reach one pixel past the filled face;
    // culled, that seam is gone. Nothing else may change.
    const std::string text = scene_text(
        "view 100 -420 300", {body_object("torus", torus(60, 22, 48, 24, -60, 0, 0)),
                              body_object("cube", cube(35, 110, 30, 10)),
                              "begin x rods\n0.3 0.6 0.9\nzylinder 24 60 -90 -30 12 80 0 0 1 0\n"
                              "zylinder 16 -160 -60 0 10 120 1 1 0.3 0\nend\n"});
    Scene scene;
    ASSERT_TRUE(load_text(text, &scene));
    Picture culled, plain;
    const int w = 320, h = 240;
    const int differing = culling_difference(&scene, w, h, &culled, &plain);
    if (differing < 0) return;
    ASSERT_EQ(scene.bodies[0].closed, 1);
    ASSERT_EQ(scene.bodies[1].closed, 1);
    const int lit = lit_pixels(plain, 0, 0, w, h);
    EXPECT_GT(lit, w * h / 16);
    EXPECT_GT(differing, 0) << "the closed bodies were not culled";
    EXPECT_LE(differing, lit / 12);
    // Every differing pixel lies next to an outline of the culled picture: a strong step in
    // colour to a neighbour (to the background or to another part).
    auto worst = [](const uint8_t* a, const uint8_t* b) {
        return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
    };
    int inside = 0;
    for (int y = 2; y < h - 2; ++y)
        for (int x = 2; x < w - 2; ++x) {
            if (worst(culled.at(x, y), plain.at(x, y)) <= 12) continue;
            bool outline = false;
            for (int dy = -2; dy <= 1 && !outline; ++dy)
                for (int dx = -2; dx <= 1 && !outline; ++dx) {
                    const uint8_t* c = culled.at(x + dx, y + dy);
                    outline = worst(c, culled.at(x + dx + 1, y + dy)) > 40 ||
                              worst(c, culled.at(x + dx, y + dy + 1)) > 40;
                }
            inside += !outline;
        }
    EXPECT_EQ(inside, 0) << differing << " pixels differ";
}

TEST(RendererCulling, OpenInsideOutAndMirroredBodiesKeepTheirBackFaceLines) {
    // Seen from straight above, the open box shows its floor and walls from inside: back faces,
    // drawn as lines with the background between them.
    const std::string top = "view 0 0 600 0 0 -1 0 1 0";
    Scene open;
    ASSERT_TRUE(load_text(scene_text(top, {body_object("open", cube(100, 0, 0, 0, true))}), &open));
    Picture culled, plain;
    const int w = 240, h = 240;
    const int differing = culling_difference(&open, w, h, &culled, &plain);
    if (differing < 0) return;
    EXPECT_EQ(differing, 0);
    const int x0 = w / 2 - 30, x1 = w / 2 + 30;  // well inside the opening
    const int inner = lit_pixels(culled, x0, x0, x1, x1);
    EXPECT_GT(inner, 20);                         // the floor's diagonal
    EXPECT_LT(inner, (x1 - x0) * (x1 - x0) / 4);  // the floor is not filled

    // Turned inside out, or mirrored by its placement, a closed cube shows its back faces from
    // outside (over its far faces, filled); neither may be culled.
    for (const std::string& text :
         {scene_text(top, {body_object("inside_out", cube(100, 0, 0, 0, false, true))}),
          scene_text(top, {body_object("mirrored", cube(100, 0, 0, 0))},
                     "0 0 0 -1 0 0 0 1 0 0 0 1")}) {
        Scene scene;
        ASSERT_TRUE(load_text(text, &scene));
        ASSERT_EQ(culling_difference(&scene, w, h, &culled, &plain), 0);
        EXPECT_EQ(scene.bodies[0].closed, text.find("mirrored") != std::string::npos);
    }
}

TEST(RendererCulling, AnEyeInsideAClosedBodySeesItsBackFaceLines) {
    // The eye in the middle of a closed cube looking along +y, then just outside its wall with
    // the near plane cutting into it.
    for (const std::string view : {"view 0 0 0 0 1 0 0 0 1", "view 0 -100.05 0 0 1 0 0 0 1"}) {
        Scene scene;
        ASSERT_TRUE(load_text(scene_text(view, {body_object("room", cube(100, 0, 0, 0))}), &scene));
        Picture culled, plain;
        const int w = 160, h = 120;
        const int differing = culling_difference(&scene, w, h, &culled, &plain);
        if (differing < 0) return;
        EXPECT_EQ(scene.bodies[0].closed, 1);
        EXPECT_EQ(differing, 0) << view;
        EXPECT_GT(lit_pixels(culled, 0, 0, w, h), 100) << view;
        EXPECT_LT(lit_pixels(culled, 0, 0, w, h), w * h / 2) << view;  // lines, not walls
    }
}

}  // namespace
