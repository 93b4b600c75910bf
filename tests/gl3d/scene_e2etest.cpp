// kurvlab on ANM3D animations without any display: --info, --output checked with ffprobe, and
// the messages of broken files.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

#include "support/program_run.h"

namespace {

// Runs kurvlab with no X server and no Wayland display in reach.
kvtest::ProgramRun run_headless(const std::string& args) {
    kvtest::ProgramRun r;
    const std::string cmd =
        "cd '" + testing::TempDir() +
        "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 120 " +
        kvtest::kProgram + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = pclose(p);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string probe_size(const std::string& png) {
    FILE* p =
        popen(("ffprobe -v error -select_streams v:0 -show_entries stream=width,height,codec_name "
               "-of csv=p=0 '" +
               png + "' 2>&1")
                  .c_str(),
              "r");
    std::string out;
    std::array<char, 256> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    pclose(p);
    return out;
}

const std::string kCorpus = std::string(KV_SOURCE_DIR) + "/fuzz/gl3d/corpus/";

TEST(SceneCommandLine, InfoListsTheSceneAndTheCompletedCamera) {
    const auto r = run_headless(kCorpus + "parts.anm --info");
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("kind: ANM3D animation"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("scene objects: 2 (header 2)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("parts: 1 polygons, 2 cylinders and tubes, 1 boxes, 0 mesh bodies, 1 "
                         "vector graphics"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("frames: 2 (declared 2)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("camera: eye 0 -500 300"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("info text: yes"), std::string::npos) << r.out;

    const auto t = run_headless(kCorpus + "triangles.anm --info");
    EXPECT_NE(t.out.find("body 1: part 0, 2 triangles, flags 1"), std::string::npos) << t.out;
}

TEST(SceneCommandLine, OutputWritesAPictureOfTheAskedSizeWithoutADisplay) {
    const std::string png = testing::TempDir() + "scene_frame.png";
    std::remove(png.c_str());
    const auto r =
        run_headless(kCorpus + "parts.anm --output " + png + " --frame 1 --size 320x200");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(probe_size(png), "png,320,200\n");

    const auto bad = run_headless(kCorpus + "parts.anm --output " + png + " --frame 2");
    EXPECT_EQ(bad.exit_code, 1);
    EXPECT_NE(bad.out.find("no frame 2"), std::string::npos) << bad.out;
}

TEST(SceneCommandLine, BrokenFilesGiveMessagesNotCrashes) {
    const auto not3d = run_headless(kCorpus + "notanm3d.anm --info");
    // The head begins with ANM3D, so the 3D loader gets it and refuses the trailing blank.
    EXPECT_EQ(not3d.exit_code, 1);
    EXPECT_NE(not3d.out.find("ist keine 3D-Animation"), std::string::npos) << not3d.out;

    const auto broken = run_headless(kCorpus + "broken.anm --info");
    EXPECT_EQ(broken.exit_code, 0) << broken.out;
    EXPECT_NE(broken.out.find("message: kvgl_animation"), std::string::npos) << broken.out;
    EXPECT_NE(broken.out.find("missing.wrl"), std::string::npos) << broken.out;

    const std::string truncated = testing::TempDir() + "truncated.anm";
    std::ofstream(truncated) << "ANM3D\n3\n5\n--- Symbol-Dateien ---\nbegin x a\n1 1 1\n"
                                "vektorgrafik 0\nm 0 0\nd 1";
    const auto t = run_headless(truncated + " --output " + testing::TempDir() + "t.png --frame 0");
    EXPECT_EQ(t.exit_code, 0) << t.out;
}

}  // namespace

namespace {

// Every 3D example loads without a message and draws its middle frame.
TEST(SceneExamples, InfoAndOutputOfEveryExample) {
    for (const std::string name : {"slidercrank_3d", "gripper_3d"}) {
        const std::string film = kvtest::kExamples + "/" + name + ".anm";
        const auto info = run_headless(film + " --info");
        EXPECT_EQ(info.exit_code, 0) << info.out;
        EXPECT_EQ(info.out.find("message:"), std::string::npos) << info.out;
        EXPECT_NE(info.out.find("info text: yes"), std::string::npos) << info.out;
        const std::string png = testing::TempDir() + name + ".png";
        const auto out = run_headless(film + " --output " + png + " --frame 40 --size 400x300");
        ASSERT_EQ(out.exit_code, 0) << out.out;
        EXPECT_EQ(probe_size(png), "png,400,300\n");
    }
    const auto sc = run_headless(kvtest::kExamples + "/slidercrank_3d.anm --info");
    EXPECT_NE(sc.out.find("frames: 120 (declared 120)"), std::string::npos) << sc.out;
    const auto gr = run_headless(kvtest::kExamples + "/gripper_3d.anm --info");
    EXPECT_NE(gr.out.find("3 mesh bodies"), std::string::npos) << gr.out;
}

}  // namespace
