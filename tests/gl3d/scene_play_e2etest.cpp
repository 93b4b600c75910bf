// Playing an ANM3D animation where there is no display: without -n the program says how to
// watch it and fails; with -n it plays the passes through the offscreen surface and ends.
#include <gtest/gtest.h>

#include <string>

#include "support/program_run.h"

namespace {

kvtest::ProgramRun run_without_display(const std::string& args, const std::string& env = "") {
    return kvtest::run_without_display(args, env + " DATEN='" + testing::TempDir() + "'");
}

TEST(ScenePlayWithoutDisplay, SaysHowToWatchAndFails) {
    const auto r = run_without_display("examples/slidercrank_3d.anm");
    EXPECT_EQ(r.exit_code, 1) << r.out;
    EXPECT_NE(r.out.find("no display to play examples/slidercrank_3d.anm"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("xvfb-run kurvlab examples/slidercrank_3d.anm"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("--output PICTURE.png --frame N"), std::string::npos) << r.out;
    // A missing file is still reported as such, with or without a display.
    const auto missing = run_without_display("examples/no_such_3d.anm");
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.out.find("Cannot open file for read"), std::string::npos) << missing.out;
}

TEST(ScenePlayWithoutDisplay, PassesGivenPlayOffscreenAndEnd) {
    const auto r = run_without_display("examples/slidercrank_3d.anm -n2");
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(r.out.find("no display"), std::string::npos) << r.out;
    // A file the loader refuses ends with its message and a failure, not a picture.
    const auto refused = run_without_display("fuzz/gl3d/corpus/notanm3d.anm -n1");
    EXPECT_EQ(refused.exit_code, 1) << refused.out;
    EXPECT_NE(refused.out.find("ist keine 3D-Animation"), std::string::npos) << refused.out;
}

}  // namespace
