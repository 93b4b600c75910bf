// Saving an animation with the current view: the copy, the two view lines and saving twice.
#include "gl3d/scene_save.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "gl3d/scene_loader.h"

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int count_lines_beginning(const std::string& text, const std::string& prefix) {
    int n = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) n += line.rfind(prefix, 0) == 0;
    return n;
}

const std::string kScene =
    "ANM3D\n1\n2\n--- Symbol-Dateien ---\nview 1 2 3\nobjectspos 0 0 0 1 0 0 0 1 0 0 0 1\n"
    "begin x a\n1 1 1\npolygon 2 0 0 0 10 0 0\nend\nbegin x b\n1 1 1\nend\n"
    "0 0 0 1 0 0 0 1 0 0 0 1\n0 0 5 1 0 0 0 1 0 0 0 1\n";

TEST(SceneSave, ViewLinesGoBeforeTheFirstBlockAndEverythingElseIsKept) {
    const std::string source = testing::TempDir() + "/save_source.anm";
    const std::string target = testing::TempDir() + "/save_target.anm";
    std::ofstream(source) << kScene;
    gl3d::ViewRecord view = {10, -20, 30, 0, 1, 0, 0, 0, 1, 1, 0, 0};
    gl3d::Placement global = {0.5, 0, 0, 0, 1, 0, -1, 0, 0, 0, 0, 1};
    ASSERT_EQ(gl3d::save_scene_with_view(source, target, view, global), 0);
    EXPECT_EQ(slurp(target),
              "ANM3D\n1\n2\n--- Symbol-Dateien ---\n"
              "view 10 -20 30 0 1 0 0 0 1 1 0 0\n"
              "objectspos 0.5 0 0 0 1 0 -1 0 0 0 0 1\n"
              "begin x a\n1 1 1\npolygon 2 0 0 0 10 0 0\nend\nbegin x b\n1 1 1\nend\n"
              "0 0 0 1 0 0 0 1 0 0 0 1\n0 0 5 1 0 0 0 1 0 0 0 1\n");

    // Saved again (over itself): still one line of each, with the newer values.
    view[0] = 99;
    ASSERT_EQ(gl3d::save_scene_with_view(target, target, view, global), 0);
    const std::string twice = slurp(target);
    EXPECT_EQ(count_lines_beginning(twice, "view "), 1);
    EXPECT_EQ(count_lines_beginning(twice, "objectspos "), 1);
    EXPECT_NE(twice.find("view 99 -20 30"), std::string::npos);

    // A real scene saved with a view loads with that view and all its frames.
    const std::string parts = std::string(KV_SOURCE_DIR) + "/fuzz/gl3d/corpus/parts.anm";
    const std::string saved = testing::TempDir() + "/save_parts.anm";
    ASSERT_EQ(gl3d::save_scene_with_view(parts, saved, view, global), 0);
    gl3d::Scene scene;
    gl3d::LoadOptions options;
    options.info_name = testing::TempDir() + "/save_info.txt";
    options.report = [](const std::string& m) { ADD_FAILURE() << m; };
    ASSERT_EQ(gl3d::load_scene(saved, &scene, options), 0);
    EXPECT_EQ(scene.view[0], 99);
    EXPECT_EQ(scene.view[1], -20);
    EXPECT_EQ(scene.global[0], 0.5);
    EXPECT_EQ(scene.global[6], -1);
    EXPECT_EQ(scene.frame_count(), 2);
}

TEST(SceneSave, UnreadableSourceOrTargetLeavesEverythingAsItWas) {
    const std::string target = testing::TempDir() + "/save_kept.anm";
    std::ofstream(target) << "old contents\n";
    const gl3d::ViewRecord view{};
    const gl3d::Placement global = gl3d::kIdentityPlacement;
    EXPECT_EQ(gl3d::save_scene_with_view(testing::TempDir() + "/no_such.anm", target, view, global),
              1);
    EXPECT_EQ(slurp(target), "old contents\n");
    const std::string source = testing::TempDir() + "/save_source2.anm";
    std::ofstream(source) << kScene;
    EXPECT_EQ(
        gl3d::save_scene_with_view(source, testing::TempDir() + "/no_dir/x.anm", view, global), 1);
}

TEST(SceneSave, NameWithoutExtensionGetsAnm) {
    EXPECT_EQ(gl3d::with_scene_extension("/tmp/kurbel"), "/tmp/kurbel.anm");
    EXPECT_EQ(gl3d::with_scene_extension("/tmp/kurbel.txt"), "/tmp/kurbel.txt");
    EXPECT_EQ(gl3d::with_scene_extension("/tmp/v1.2/kurbel"), "/tmp/v1.2/kurbel.anm");
}

}  // namespace
