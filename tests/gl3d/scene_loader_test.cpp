// The ANM3D loader: header checks, info text, every keyword, part ids and kinds, the scene box,
// frame records, the maxima, and input that is broken on purpose.
#include "gl3d/scene_loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using gl3d::Scene;

std::string temp_path(const std::string& name) {
    return testing::TempDir() + "gl3d_" + name;
}

std::string write_file(const std::string& name, const std::string& text) {
    const std::string path = temp_path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Loaded {
    int result = -1;
    std::vector<std::string> messages;
};

Loaded load(const std::string& text, Scene* scene, const std::string& name = "scene.anm") {
    Loaded l;
    gl3d::LoadOptions options;
    options.report = [&](const std::string& m) { l.messages.push_back(m); };
    options.info_name = temp_path("kurvlab.txt");
    l.result = gl3d::load_scene(write_file(name, text), scene, options);
    return l;
}

const std::string kHead = "ANM3D\n1\n1\n--- Symbol-Dateien ---\n";

TEST(SceneHeader, FirstLineMustBeExactlyAnm3dAndCountsMustMakeSense) {
    Scene scene;
    Loaded l = load("ANM3D \n1\n1\n--- Symbol-Dateien ---\n", &scene, "blank.anm");
    EXPECT_EQ(l.result, 1);
    ASSERT_EQ(l.messages.size(), 1u);
    EXPECT_EQ(l.messages[0], temp_path("blank.anm") + " ist keine 3D-Animation");

    EXPECT_EQ(load("ANM3D\n0\n1\n", &scene).result, 1);   // no scene objects
    EXPECT_EQ(load("ANM3D\n-3\n1\n", &scene).result, 1);  // negative objects
    EXPECT_EQ(load("ANM3D\n2\n-1\n", &scene).result, 1);  // negative frames
    EXPECT_EQ(load("ANM3D\n2\n", &scene).result, 1);      // truncated
    EXPECT_EQ(load("", &scene).result, 1);
    // Zero declared frames is allowed (one record of room).
    EXPECT_EQ(load("ANM3D\n2\n0\n", &scene).result, 0);
    EXPECT_EQ(load("ANM3D\r\n2\r\n0\r\n", &scene).result, 0);  // CR LF lines

    Loaded missing;
    gl3d::LoadOptions options;
    options.report = [&](const std::string& m) { missing.messages.push_back(m); };
    EXPECT_EQ(gl3d::load_scene(temp_path("no_such.anm"), &scene, options), 1);
    ASSERT_EQ(missing.messages.size(), 1u);
    EXPECT_EQ(missing.messages[0], "kvgl_animation Datei/File " + temp_path("no_such.anm") +
                                       ": kann nicht geoeffnet werden / cannot be opened");
}

TEST(SceneHeader, RejectedFileKeepsThePreviousScene) {
    Scene scene;
    ASSERT_EQ(load(kHead + "begin o a\n1 0 0\nzylinder 8 0 0 0 5 10 0 0 1 0\nend\n", &scene).result,
              0);
    ASSERT_EQ(scene.cylinders.size(), 1u);
    EXPECT_EQ(load("not 3d\n", &scene).result, 1);
    EXPECT_EQ(scene.cylinders.size(), 1u);
    // A good file replaces it.
    ASSERT_EQ(
        load(kHead + "begin o b\n1 0 0\nquader 1 1 1 0 0 0 1 0 0 0 1 0 0\nend\n", &scene).result,
        0);
    EXPECT_TRUE(scene.cylinders.empty());
    EXPECT_EQ(scene.boxes.size(), 1u);
    EXPECT_EQ(scene.objects[0].name, "b");
}

TEST(SceneInfoText, WrittenFromTheFirstVisibleLineAndOnlyWhenThereIsOne) {
    Scene scene;
    const std::string info = temp_path("kurvlab.txt");
    ASSERT_EQ(load("ANM3D\n1\n1\n--- Start Infotext ---\n\n  \nFirst line\n\nlast\n"
                   "--- Ende Infotext ---\nignored\n--- Symbol-Dateien ---\n",
                   &scene)
                  .result,
              0);
    EXPECT_TRUE(scene.info_text_present);
    EXPECT_EQ(slurp(info), "First line\n\nlast\n");

    // A blank block makes no file, and the previous film's text is gone.
    ASSERT_EQ(load("ANM3D\n1\n1\n--- Start Infotext ---\n \n--- Ende Infotext ---\n"
                   "--- Symbol-Dateien ---\n",
                   &scene)
                  .result,
              0);
    EXPECT_FALSE(scene.info_text_present);
    EXPECT_FALSE(std::filesystem::exists(info));
}

TEST(SceneBody, EveryPartKindGetsItsIdKindAndValues) {
    Scene scene;
    const std::string text = kHead +
                             "color 0 0 1\n"
                             "zylinder 8 0 0 0 5 10 0 0 1 0\n"  // outside an object: ignored
                             "begin x first\n1 0.5 0\n"
                             "polygon 3\n0 0 0\n10 0 0\n10 10 -5\n"
                             "zylinder 11.6 1 2 3 5 10 0 0 1 3.9\n"
                             "rohr 6 1 2 3 5 4 10 1 0 0 1\n"
                             "quader 1 2 3 -1 -2 -3 2 0 0 0 3 0 1\n"
                             "end\n"
                             "begin x second\n0 0 0\n"
                             "color 0.2 0.4 1.5\n"
                             "vektorgrafik 7 100 0 0 1 0 0 0 1 0 0 0 1\n"
                             "m 0 0\nd 10 0\nend_vektorgrafik\n"
                             "triangles 3\nn 1\n0 0 0 1000 0 0 0 1000 0\nend_triangles\n"
                             "end\n";
    ASSERT_EQ(load(text, &scene).result, 0);
    ASSERT_EQ(scene.objects.size(), 2u);
    EXPECT_EQ(scene.objects[0].name, "first");
    ASSERT_EQ(scene.objects[0].parts.size(), 4u);
    EXPECT_EQ(scene.objects[0].parts[0].kind, gl3d::kPartPolygon);
    EXPECT_EQ(scene.objects[0].parts[1].kind, gl3d::kPartCylinder);
    EXPECT_EQ(scene.objects[0].parts[2].kind, gl3d::kPartCylinder);
    EXPECT_EQ(scene.objects[0].parts[3].kind, gl3d::kPartBox);
    ASSERT_EQ(scene.objects[1].parts.size(), 2u);
    EXPECT_EQ(scene.objects[1].parts[0].kind, gl3d::kPartVector);
    EXPECT_EQ(scene.objects[1].parts[1].kind, gl3d::kPartBody);

    ASSERT_EQ(scene.polygons.size(), 1u);
    EXPECT_EQ(scene.polygons[0].part_id, 0);
    EXPECT_EQ(scene.polygons[0].colour, 0xFF7F00);  // 0.5 * 255.99999 = 127
    EXPECT_EQ(scene.polygons[0].z[2], -5);

    ASSERT_EQ(scene.cylinders.size(), 2u);  // the one outside an object was not made
    const gl3d::CylinderPart& c = scene.cylinders[0];
    EXPECT_EQ(c.part_id, 1);
    EXPECT_EQ(c.facets, 12);  // trunc(11.6 + 0.5)
    EXPECT_EQ(c.base, (std::array<double, 3>{1, 2, 3}));
    EXPECT_EQ(c.outer_radius, 5);
    EXPECT_EQ(c.inner_radius, 5);
    EXPECT_EQ(c.length, 10);
    EXPECT_EQ(c.option, 3);
    const gl3d::CylinderPart& t = scene.cylinders[1];
    EXPECT_EQ(t.part_id, 2);
    EXPECT_EQ(t.outer_radius, 5);
    EXPECT_EQ(t.inner_radius, 4);
    EXPECT_EQ(t.length, 10);
    EXPECT_EQ(t.axis, (std::array<double, 3>{1, 0, 0}));
    EXPECT_EQ(t.option, 1);

    ASSERT_EQ(scene.boxes.size(), 1u);
    EXPECT_EQ(scene.boxes[0].part_id, 3);
    EXPECT_EQ(scene.boxes[0].dir3, (std::array<double, 3>{0, 0, 6}));  // not normalised
    EXPECT_EQ(scene.boxes[0].option, 1);

    ASSERT_EQ(scene.vector_graphics.size(), 1u);
    const gl3d::VectorGraphicPart& v = scene.vector_graphics[0];
    EXPECT_EQ(v.part_id, 1000000);
    EXPECT_EQ(v.option, 7);
    EXPECT_EQ(v.elements.size(), 2u);
    EXPECT_EQ(v.part_matrix[12], 100);  // the placement's origin is the fourth column

    ASSERT_EQ(scene.bodies.size(), 1u);
    EXPECT_EQ(scene.bodies[0].part_id, 1000001);
    EXPECT_EQ(scene.bodies[0].flags, 3);
    EXPECT_EQ(scene.bodies[0].colour, 0x3366FF);  // 1.5 is taken as 1
    EXPECT_EQ(faces3_anzahl_dreiecke(scene.bodies[0].body.get()), 1);
}

TEST(SceneBody, OnlyPolygonsBodiesAndVectorGraphicsWidenTheSceneBox) {
    Scene scene;
    ASSERT_EQ(load(kHead + "begin x a\n1 1 1\n"
                           "zylinder 8 500 500 500 50 1000 0 0 1 0\n"
                           "quader 900 900 900 -500 -500 -500 1 0 0 0 1 0 0\n"
                           "polygon 2\n1 2 3\n4 -5 6\n"
                           "triangles 0\n0 0 0 1 0 0 0 1 0\nend_triangles\n"  // mm in the list
                           "vektorgrafik 0 0 0 20\nm -3 0\nd 3 7\nend\n"
                           "end\n",
                   &scene)
                  .result,
              0);
    EXPECT_EQ(scene.objects.size(), 1u);
    EXPECT_NEAR(scene.box.min[0], -3, 1e-9);
    EXPECT_NEAR(scene.box.max[0], 4, 1e-9);
    EXPECT_NEAR(scene.box.min[1], -5, 1e-9);
    EXPECT_NEAR(scene.box.max[1], 7, 1e-9);
    EXPECT_NEAR(scene.box.min[2], 0, 1e-9);
    EXPECT_NEAR(scene.box.max[2], 20, 1e-9);
}

TEST(SceneBody, EndClosesAnObjectOnlyAsAWholeLine) {
    Scene scene;
    ASSERT_EQ(load(kHead + "begin x a\n1 1 1\n"
                           "endless\nend \n"
                           "vektorgrafik 0\nm 0 0\nd 1 1\nend\n"  // the reader takes this end
                           "quader 1 1 1 0 0 0 1 0 0 0 1 0 0\n"
                           "end\n",
                   &scene)
                  .result,
              0);
    ASSERT_EQ(scene.objects.size(), 1u);
    EXPECT_EQ(scene.objects[0].parts.size(), 2u);
    EXPECT_EQ(scene.boxes[0].part_id, 1);

    // Without its end line an object never counts, and no part outside one is made.
    ASSERT_EQ(load(kHead + "begin x a\n1 1 1\nquader 1 1 1 0 0 0 1 0 0 0 1 0 0\n", &scene).result,
              0);
    EXPECT_TRUE(scene.objects.empty());
}

TEST(SceneBody, ViewWithThreeNumbersSetsOnlyTheEye) {
    Scene scene;
    ASSERT_EQ(load(kHead + "view 1 2 3\nobjectspos 5 6\n", &scene).result, 0);
    EXPECT_EQ(scene.view[0], 1);
    EXPECT_EQ(scene.view[2], 3);
    for (int i = 3; i < 9; ++i) EXPECT_EQ(scene.view[size_t(i)], gl3d::kUnset) << i;
    EXPECT_EQ(scene.view[9], 1);
    EXPECT_EQ(scene.view[10], 0);
    EXPECT_EQ(scene.global[0], 5);
    EXPECT_EQ(scene.global[1], 6);
    EXPECT_EQ(scene.global[2], 0);  // the rest keeps the identity
    EXPECT_EQ(scene.global[3], 1);
}

TEST(SceneBody, PolygonPointsAreCappedAndEndAtALineThatIsNoNumber) {
    std::string text = kHead + "begin x a\n1 1 1\npolygon 50000\n";
    for (int i = 0; i < 50000; ++i) text += std::to_string(i) + " 0 0\n";
    text += "end\n";
    Scene scene;
    ASSERT_EQ(load(text, &scene).result, 0);
    ASSERT_EQ(scene.polygons.size(), 1u);
    EXPECT_EQ(scene.polygons[0].x.size(), 36000u);
    EXPECT_EQ(scene.box.max[0], 35999);

    ASSERT_EQ(load(kHead + "begin x a\n1 1 1\npolygon 5\n1 2 3\n-4 5 6\n.5 1 1\n"
                           "quader 1 1 1 0 0 0 1 0 0 0 1 0 0\n+1 1 1\nend\n",
                   &scene)
                  .result,
              0);
    ASSERT_EQ(scene.polygons.size(), 1u);
    EXPECT_EQ(scene.polygons[0].x.size(), 3u);
    EXPECT_EQ(scene.polygons[0].x[2], 0.5);
    EXPECT_EQ(scene.boxes.size(), 1u);  // the line that ended the list was read as a keyword
}

TEST(SceneBody, PartsBeyondTheTwoHundredFiftySixthAreIgnored) {
    std::string text = kHead + "begin x a\n1 1 1\n";
    for (int i = 0; i < 260; ++i) text += "zylinder 8 0 0 0 1 1 0 0 1 0\n";
    text += "end\nbegin x b\n1 1 1\nzylinder 8 0 0 0 1 1 0 0 1 0\nend\n";
    Scene scene;
    ASSERT_EQ(load(text, &scene).result, 0);
    ASSERT_EQ(scene.objects.size(), 2u);
    EXPECT_EQ(scene.objects[0].parts.size(), 256u);
    EXPECT_EQ(scene.cylinders.size(), 257u);
    EXPECT_EQ(scene.cylinders[255].part_id, 255);
    EXPECT_EQ(scene.cylinders[256].part_id, 1000000);
}

TEST(SceneBody, ObjectTableHoldsAtMost2048Objects) {
    std::string text = kHead;
    for (int i = 0; i < 2050; ++i) text += "begin x o" + std::to_string(i) + "\n1 1 1\nend\n";
    text += "begin x late\n1 1 1\nzylinder 8 0 0 0 1 1 0 0 1 0\nend\n";
    Scene scene;
    ASSERT_EQ(load(text, &scene).result, 0);
    EXPECT_EQ(scene.objects.size(), 2048u);
    EXPECT_TRUE(scene.cylinders.empty());
}

TEST(SceneFrames, CaptionsExtraTextsAndPlacementsPerRecord) {
    Scene scene;
    const std::string text =
        "ANM3D\n2\n3\n--- Symbol-Dateien ---\n"
        "# 1\nc first caption\nx text a\nx kollmarker 1 2 3\n"
        "1 2 3 1 0 0 0 1 0 0 0 1\n4 5 6\n"
        "# 2\n0 0 0 0 1 0 -1 0 0 0 0 1\n7 8 9 1 0 0 0 1 0 0 0 1\n";
    ASSERT_EQ(load(text, &scene).result, 0);
    ASSERT_EQ(scene.frame_count(), 2);
    EXPECT_EQ(scene.current_frame, 1);  // the first step leads to frame 0
    EXPECT_EQ(scene.frames[0].caption, "first caption");
    EXPECT_EQ(scene.frames[1].caption, "");
    EXPECT_TRUE(scene.frames[0].has_extra);
    EXPECT_EQ(scene.frames[0].extra, "text a;kollmarker 1 2 3");
    EXPECT_FALSE(scene.frames[1].has_extra);
    ASSERT_EQ(scene.frames[0].positions.size(), 2u);
    EXPECT_EQ(scene.frames[0].positions[1][0], 4);
    EXPECT_EQ(scene.frames[0].positions[1][3], 1);  // missing numbers keep the identity
    EXPECT_EQ(scene.frames[1].positions[0][4], 1);
    EXPECT_EQ(gl3d::object_placement(scene, 1, 1)[2], 9);
    EXPECT_EQ(gl3d::object_placement(scene, 1, 7), gl3d::kIdentityPlacement);
}

TEST(SceneFrames, RecordsBeyondTheDeclaredRoomAreDroppedWithOneMessage) {
    std::string text = "ANM3D\n1\n1\n--- Symbol-Dateien ---\n";
    for (int i = 0; i < 5; ++i) text += "# " + std::to_string(i) + "\n" + std::to_string(i) + "\n";
    Scene scene;
    const Loaded l = load(text, &scene);
    ASSERT_EQ(l.result, 0);
    EXPECT_EQ(scene.frame_count(), 2);  // room for 1 + 1
    EXPECT_EQ(scene.frames[1].positions[0][0], 1);
    ASSERT_EQ(l.messages.size(), 1u);
    EXPECT_NE(l.messages[0].find("the rest is ignored"), std::string::npos);
    EXPECT_EQ(scene.frame_records_found, 5u);
}

TEST(SceneFrames, HugeDeclaredCountsCostNothingUntilRecordsCome) {
    Scene scene;
    ASSERT_EQ(
        load("ANM3D\n2000000000\n2000000000\n--- Symbol-Dateien ---\n# 0\n1 2 3\n", &scene).result,
        0);
    ASSERT_EQ(scene.frame_count(), 1);
    EXPECT_EQ(scene.frames[0].positions.size(), 1u);
}

TEST(SceneFrames, WithoutTheSymbolLineNothingIsLoaded) {
    Scene scene;
    ASSERT_EQ(load("ANM3D\n1\n1\nbegin x a\n1 1 1\nquader 1 1 1 0 0 0 1 0 0 0 1 0 0\nend\n"
                   "# 0\n1 2 3\n",
                   &scene)
                  .result,
              0);
    EXPECT_TRUE(scene.objects.empty());
    EXPECT_TRUE(scene.boxes.empty());
    EXPECT_EQ(scene.frame_count(), 0);
}

TEST(SceneFrames, ApplyFrameWritesPlacementsIntoPartMatrices) {
    Scene scene;
    ASSERT_EQ(load("ANM3D\n1\n1\n--- Symbol-Dateien ---\nbegin x a\n1 1 1\n"
                   "quader 1 1 1 0 0 0 1 0 0 0 1 0 0\nend\n# 0\n10 20 30 0 1 0 -1 0 0 0 0 1\n",
                   &scene)
                  .result,
              0);
    gl3d::apply_frame(&scene, 0);
    const gl3d::Matrix4& m = scene.boxes[0].matrix;
    EXPECT_EQ(m[0], 0);
    EXPECT_EQ(m[1], 1);  // x axis image in the first column
    EXPECT_EQ(m[4], -1);
    EXPECT_EQ(m[12], 10);
    EXPECT_EQ(m[14], 30);
}

TEST(SceneNumbers, NonFiniteAndBrokenNumbersStopTheLineWithOneMessage) {
    Scene scene;
    const Loaded l = load(kHead +
                              "begin x a\n1 1 1\n"
                              "zylinder 8 0 0 0 nan 10 0 0 1 0\n"
                              "quader 1e999 1 1 0 0 0 1 0 0 0 1 0 0\n"
                              "polygon inf\n"
                              "end\n",
                          &scene);
    ASSERT_EQ(l.result, 0);
    ASSERT_EQ(l.messages.size(), 1u);
    ASSERT_EQ(scene.cylinders.size(), 1u);
    EXPECT_EQ(scene.cylinders[0].outer_radius, 0);
    EXPECT_EQ(scene.cylinders[0].length, 0);  // after the bad token nothing is read
    EXPECT_EQ(scene.boxes[0].edges[0], 0);

    std::vector<std::string_view> tokens;
    gl3d::split_scene_tokens("  a,,b;\t\"x y\" `q` \"open", &tokens);
    ASSERT_EQ(tokens.size(), 5u);
    EXPECT_EQ(tokens[2], "\"x y\"");
    EXPECT_EQ(tokens[3], "`q`");
    EXPECT_EQ(tokens[4], "\"open");
    double v[3] = {9, 9, 9};
    bool bad = false;
    gl3d::split_scene_tokens("+1.5 -2e2 x 4", &tokens);
    EXPECT_EQ(gl3d::read_scene_numbers(tokens, 0, v, 3, &bad), 2);
    EXPECT_TRUE(bad);
    EXPECT_EQ(v[0], 1.5);
    EXPECT_EQ(v[1], -200);
    EXPECT_EQ(v[2], 9);
}

// Lines that trip a reader which skips the tokens: signs, exponents, every separator, quotes
// that run over separators, too few or too many numbers, bad tokens, non-finite values and
// numbers too long for the fast conversion.
const std::vector<std::string> kTrickyLines = {
    "+1.5 -2e2 1E+3 +.5 5. 0.000001e6 -0 +-1 1e-3 00012 4.9e-324 1.7976931348623157e308",
    "\t1\t\t2,3;;4 , 5;\t6 ,7,8;9\t10 11 12",
    "1 2 3 4 5 6 7 8 9 10 11",
    "1 2 3 4 5 6 7 8 9 10 11 12 13",
    "1 2 3 4 5 6 7 8 9 10 11 12 bad",
    "1 2 x 4 5 6 7 8 9 10 11 12",
    "1 2 nan 4",
    "1 inf 3",
    "-inf",
    "1 1e999 3",
    "1 1e-999 3",
    "1 \"2 3\" 4",
    "1 `2;3` 4",
    "1 \"unclosed 2 3",
    "+\"1\" 2",
    "1 + 2",
    "1 ++2 3",
    "1x 2y;3z",
    "0x10 2",
    "1e 2",
    ".e1 2",
    "1 2\r",
    "1\r 2",
    "",
    " \t,;",
    "+",
    std::string(5000, ' ') + "7 " + std::string(400, '9') + " 0." + std::string(400, '3') + " 8",
    "1 2 3 " + std::string(200000, ',') + "4",
};

TEST(SceneNumbers, ReadingStraightFromTheLineMatchesTheTokensOnTrickyLines) {
    std::vector<std::string_view> tokens;
    for (const std::string& line : kTrickyLines)
        for (int max : {1, 3, 12, 13}) {
            double careful[13], quick[13];
            for (int i = 0; i < 13; ++i) careful[i] = quick[i] = -100 - i;
            bool careful_bad = false, quick_bad = false;
            gl3d::split_scene_tokens(line, &tokens);
            const int n = gl3d::read_scene_numbers(tokens, 0, careful, max, &careful_bad);
            EXPECT_EQ(gl3d::read_scene_line_numbers(line, quick, max, &quick_bad), n)
                << line.substr(0, 80) << " max " << max;
            EXPECT_EQ(quick_bad, careful_bad) << line.substr(0, 80) << " max " << max;
            for (int i = 0; i < 13; ++i)
                EXPECT_EQ(quick[i], careful[i]) << line.substr(0, 80) << " value " << i;
        }

    // A few answers written out, so that both readers cannot drift together.
    double v[13] = {0};
    bool bad = true;
    EXPECT_EQ(gl3d::read_scene_line_numbers(kTrickyLines[0], v, 12, &bad), 12);
    EXPECT_FALSE(bad);
    EXPECT_EQ(v[0], 1.5);
    EXPECT_EQ(v[2], 1000);
    EXPECT_EQ(v[3], 0.5);
    EXPECT_EQ(v[7], -1);  // "+-1": one plus is dropped, then the minus is the number's own
    EXPECT_EQ(gl3d::read_scene_line_numbers(kTrickyLines[3], v, 12, &bad), 12);
    EXPECT_FALSE(bad);  // the thirteenth token is never looked at
    EXPECT_EQ(gl3d::read_scene_line_numbers(kTrickyLines[4], v, 13, &bad), 12);
    EXPECT_TRUE(bad);
    EXPECT_EQ(gl3d::read_scene_line_numbers("1x 2y;3z", v, 12, &bad), 3);  // a tail is dropped
    EXPECT_FALSE(bad);
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(gl3d::read_scene_line_numbers("1 \"2 3\" 4", v, 12, &bad), 1);
    EXPECT_TRUE(bad);
    EXPECT_EQ(gl3d::read_scene_line_numbers(kTrickyLines.back(), v, 12, &bad), 4);
    EXPECT_EQ(v[3], 4);
}

// Frame records read through the whole loader, with CR LF line ends, and a last record cut
// short by the end of the file without a line feed: every placement is what the tokens give
// over the identity.
TEST(SceneFrames, PlacementLinesLoadAsTheTokensReadThem) {
    const size_t objects = kTrickyLines.size();
    std::string text = "ANM3D\n" + std::to_string(objects) + "\n2\n--- Symbol-Dateien ---\n";
    for (int record = 0; record < 2; ++record) {
        text += "# " + std::to_string(record) + "\r\nc caption\r\nx overlay\r\n";
        for (const std::string& line : kTrickyLines) text += line + "\r\n";
    }
    text += "# 2\r\n-1 -2 -3";
    Scene scene;
    const Loaded l = load(text, &scene);
    ASSERT_EQ(l.result, 0);
    ASSERT_EQ(l.messages.size(), 1u);  // bad tokens are told once, at the first one
    EXPECT_NE(l.messages[0].find("Zeile 13:"), std::string::npos) << l.messages[0];
    ASSERT_EQ(scene.frame_count(), 3);
    std::vector<std::string_view> tokens;
    for (int record = 0; record < 2; ++record) {
        ASSERT_EQ(scene.frames[record].positions.size(), objects);
        for (size_t i = 0; i < objects; ++i) {
            gl3d::Placement expected = gl3d::kIdentityPlacement;
            bool bad = false;
            gl3d::split_scene_tokens(kTrickyLines[i], &tokens);
            gl3d::read_scene_numbers(tokens, 0, expected.data(), 12, &bad);
            EXPECT_EQ(scene.frames[record].positions[i], expected) << kTrickyLines[i].substr(0, 80);
        }
        EXPECT_EQ(scene.frames[record].caption, "caption");
        EXPECT_EQ(scene.frames[record].extra, "overlay");
    }
    ASSERT_EQ(scene.frames[2].positions.size(), 1u);
    EXPECT_EQ(scene.frames[2].positions[0],
              (gl3d::Placement{-1, -2, -3, 1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(SceneMeshBodies, VrmlBodiesAreFoundBesideTheFileAndPlacedInMillimetres) {
    const std::string wrl = std::string(KV_SOURCE_DIR) + "/examples/vrml/four_bar_linkage.wrl";
    Scene plain, moved;
    ASSERT_EQ(load(kHead + "begin x a\n1 1 1\nvrml \"" + wrl + "\" 2\nend\n", &plain).result, 0);
    ASSERT_EQ(plain.bodies.size(), 1u);
    EXPECT_EQ(plain.bodies[0].flags, 2);
    ASSERT_EQ(load(kHead + "begin x a\n1 1 1\nvrml " + wrl + " 0 100 -20 5\nend\n", &moved).result,
              0);
    ASSERT_EQ(moved.bodies.size(), 1u);
    EXPECT_NEAR(moved.box.min[0], plain.box.min[0] + 100, 1e-6);
    EXPECT_NEAR(moved.box.max[1], plain.box.max[1] - 20, 1e-6);
    EXPECT_NEAR(moved.box.max[2], plain.box.max[2] + 5, 1e-6);

    // Relative to the animation's folder when the current folder does not have it.
    const std::filesystem::path dir = temp_path("vrml_dir");
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(wrl, dir / "part.wrl",
                               std::filesystem::copy_options::overwrite_existing);
    Scene relative;
    ASSERT_EQ(
        load(kHead + "begin x a\n1 1 1\nvrml part.wrl\nend\n", &relative, "vrml_dir/scene.anm")
            .result,
        0);
    EXPECT_EQ(relative.bodies.size(), 1u);

    Scene missing;
    const Loaded l = load(kHead +
                              "begin x a\n1 1 1\nvrml nowhere.wrl\nvrml \"\"\n"
                              "quader 1 1 1 0 0 0 1 0 0 0 1 0 0\nend\n",
                          &missing);
    ASSERT_EQ(l.result, 0);
    EXPECT_TRUE(missing.bodies.empty());
    EXPECT_EQ(missing.boxes[0].part_id, 0);  // a part that was not made takes no slot
    ASSERT_FALSE(l.messages.empty());
    EXPECT_NE(l.messages[0].find("nowhere.wrl"), std::string::npos);
}

TEST(SceneMeshBodies, ClearingRetiresDisplayListsAndEmptiesEverything) {
    Scene scene;
    ASSERT_EQ(load(kHead + "begin x a\n1 1 1\ntriangles 0\n0 0 0 1 0 0 0 1 0\nend_triangles\n"
                           "end\n# 0\n0 0 0\n",
                   &scene)
                  .result,
              0);
    ASSERT_EQ(scene.bodies.size(), 1u);
    scene.bodies[0].display_lists = {4, 5, 6};
    scene.clear();
    EXPECT_EQ(scene.retired_display_lists, (std::vector<unsigned>{4, 5, 6}));
    EXPECT_TRUE(scene.bodies.empty());
    EXPECT_EQ(scene.frame_count(), 0);
    EXPECT_TRUE(scene.box.empty());
    EXPECT_EQ(scene.view, gl3d::unset_view());
}

TEST(ScenePreScan, ExtraTextRoomIsTheLargestRecordSumButAtLeast64k) {
    std::string text = kHead + "x not in a record " + std::string(100000, 'a') + "\n";
    text += "# 0\nx " + std::string(70000, 'b') + "\nx " + std::string(9, 'c') + "\n1 2 3\n";
    text += "# 1\nx short\n";
    FILE* f = fmemopen(text.data(), text.size(), "r");
    const gl3d::PreScan scan = gl3d::prescan_scene_file(f);
    std::fclose(f);
    EXPECT_EQ(scan.frame_records, 2u);
    EXPECT_EQ(scan.extra_text_room, 70001u + 10u);

    const std::string small = kHead + "# 0\nx abc\n";
    f = fmemopen(const_cast<char*>(small.data()), small.size(), "r");
    EXPECT_EQ(gl3d::prescan_scene_file(f).extra_text_room, 65536u);
    std::fclose(f);
}

TEST(ScenePreScan, ExtraTextCountsAcrossReadBlocksWithoutTheCarriageReturn) {
    const auto scan = [](const std::string& text) {
        FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        const gl3d::PreScan s = gl3d::prescan_scene_file(f);
        std::fclose(f);
        return s;
    };
    // "x" lines without their blank are no extra text, whatever follows.
    gl3d::PreScan s =
        scan(kHead + "# 0\r\nx " + std::string(70000, 'b') + "\r\nx\r\nxy 1\r\n" + "x\n1 2 3\r\n");
    EXPECT_EQ(s.frame_records, 1u);
    EXPECT_EQ(s.extra_text_room, 70001u);

    // Lines longer than the 1 MB read block, a "#" that does not begin its line, and a last
    // line without its line feed.
    const size_t block = size_t(1) << 20;
    s = scan(kHead + "# 0\nx a\n  # not a record\nx " + std::string(block + 5, 'c') + "\nx \n" +
             "# 1\nx " + std::string(3 * block, 'd'));
    EXPECT_EQ(s.frame_records, 2u);
    EXPECT_EQ(s.extra_text_room, 3 * block + 1);
    s = scan(kHead + "# 0\n" + std::string(block - 2, '1') + "\nx " + std::string(70000, 'e') +
             "\nx " + std::string(block, 'f') + "\n# 1\n");
    EXPECT_EQ(s.frame_records, 2u);
    EXPECT_EQ(s.extra_text_room, 70001u + block + 1);
}

// The fuzz target's seed corpus is replayed here: every seed loads without a crash.
TEST(SceneFuzzCorpus, SeedsLoad) {
    const std::filesystem::path corpus = std::string(KV_SOURCE_DIR) + "/fuzz/gl3d/corpus";
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        Scene scene;
        gl3d::LoadOptions options;
        options.report = [](const std::string&) {};
        options.info_name = temp_path("kurvlab.txt");
        const int r = gl3d::load_scene(entry.path().string(), &scene, options);
        EXPECT_TRUE(r == 0 || r == 1) << entry.path();
        ++seeds;
    }
    EXPECT_GE(seeds, 3);
}

}  // namespace
