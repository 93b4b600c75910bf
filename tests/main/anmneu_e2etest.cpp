// Runs the built program on the example ANMNEU films, on the offscreen platform: --info,
// pictures of frames and in-between pictures, a played pass and what it leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;

using kvtest::kExamples;
using kvtest::ProgramRun;
using kvtest::run;
const std::string kFourbar = kExamples + "/fourbar_anmneu.anm";

std::string slurp(const fs::path& path) {
    return kvtest::slurp(path.string());
}

// Our temporary files left in the directory (Qt keeps its own runtime directory there).
std::vector<std::string> leftovers(const fs::path& tmp) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(tmp)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("kurvlab.", 0) == 0 || name.rfind("KV_", 0) == 0) names.push_back(name);
    }
    return names;
}

class AnmneuProgram : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kv_anmneu_e2e_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string png(const std::string& name) const { return (dir / name).string(); }
};

TEST_F(AnmneuProgram, InfoDescribesSymbolsFramesWindowAndInfoText) {
    const ProgramRun r = run(kFourbar + " --info", KV_SOURCE_DIR, (dir / "tmp").string());
    ASSERT_EQ(r.exit_code, 0) << r.out;
    for (const char* line :
         {"kind: ANMNEU film\n", "symbols: 8\n", "symbol 1: 18 elements, colour 4 (",
          "symbol 3: 73 elements, colour 11 (", "symbol 7: 2 elements, colour 1 (foreground)\n",
          "frames: 72\n", "world window (file): xl -70 xr 180 yb -70 yt 130\n",
          "world window (fitted): xl -75 xr 185 yb -70 yt 130\n", "info text: yes\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    EXPECT_EQ(r.out.find("message:"), std::string::npos) << r.out;
    EXPECT_EQ(leftovers(dir / "tmp"), std::vector<std::string>{});  // nor is the info text
}

TEST_F(AnmneuProgram, IncludesAreFoundWhereverTheFilmIsStartedFrom) {
    const ProgramRun root = run(kFourbar + " --info");
    const ProgramRun examples = run("fourbar_anmneu.anm --info", kExamples);
    const ProgramRun elsewhere = run(kFourbar + " --info", dir.string());
    ASSERT_EQ(root.exit_code, 0) << root.out;
    ASSERT_EQ(examples.exit_code, 0) << examples.out;
    ASSERT_EQ(elsewhere.exit_code, 0) << elsewhere.out;
    const auto body = [](const std::string& out) { return out.substr(out.find("kind:")); };
    EXPECT_EQ(body(examples.out), body(root.out));
    EXPECT_EQ(body(elsewhere.out), body(root.out));
}

TEST_F(AnmneuProgram, FramesAndInBetweenPicturesAreDrawn) {
    ASSERT_EQ(run(kFourbar + " --output " + png("f0.png") + " --frame 0").exit_code, 0);
    ASSERT_EQ(run(kFourbar + " --output " + png("f1.png") + " --frame 1").exit_code, 0);
    ASSERT_EQ(
        run(kFourbar + " --output " + png("q0.png") + " --frame 0 --phi 10 --substep 0").exit_code,
        0);
    ASSERT_EQ(
        run(kFourbar + " --output " + png("q5.png") + " --frame 0 --phi 10 --substep 5").exit_code,
        0);
    ASSERT_EQ(run(kFourbar + " --output " + png("h50.png") + " --frame 0 --phi 100 --substep 50")
                  .exit_code,
              0);
    const std::string f0 = slurp(png("f0.png")), f1 = slurp(png("f1.png"));
    const std::string q0 = slurp(png("q0.png")), q5 = slurp(png("q5.png"));
    ASSERT_GT(f0.size(), 8u);
    EXPECT_EQ(f0.substr(1, 3), "PNG");
    EXPECT_NE(f0, f1);
    EXPECT_EQ(q0, f0);  // sub-step 0 is the frame itself
    EXPECT_NE(q5, f0);
    EXPECT_NE(q5, f1);
    EXPECT_EQ(slurp(png("h50.png")), q5);  // the same fraction of the way
}

TEST_F(AnmneuProgram, PictureRequestsOutsideTheFilmAreRefused) {
    const ProgramRun past = run(kFourbar + " --output " + png("x.png") + " --frame 72");
    EXPECT_EQ(past.exit_code, 1);
    EXPECT_NE(past.out.find("no frame 72"), std::string::npos) << past.out;
    EXPECT_EQ(past.out.find("kurvlab: "), std::string::npos) << "the prefix twice: " << past.out;
    EXPECT_FALSE(fs::exists(png("x.png")));
    EXPECT_EQ(run(kFourbar + " --output " + png("x.png") + " --phi 10 --substep 10").exit_code, 2);
}

TEST_F(AnmneuProgram, PlaysOnePassAndCleansUp) {
    const std::string tmp = (dir / "tmp").string();
    std::ofstream(dir / "tmp" / "kurvlab.tmp") << "left over";
    const ProgramRun r = run(kFourbar + " -n1", KV_SOURCE_DIR, tmp);
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(r.out.find("nicht verfuegbar"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("ANMNEU-Datei"), std::string::npos) << r.out;
    EXPECT_EQ(leftovers(tmp), std::vector<std::string>{});
}

// -c hands the film to the user-coordinates player, which has no in-between pictures: the
// same frame differs from the ANMNEU player's picture only in what the two mappings make of it.
TEST_F(AnmneuProgram, ConversionOptionPlaysThroughTheUserCoordinatesPlayer) {
    const ProgramRun r = run(kFourbar + " -c -n1", KV_SOURCE_DIR, (dir / "tmp").string());
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(r.out.find("option -c"), std::string::npos) << r.out;
    const ProgramRun info = run(kFourbar + " -c --info");
    EXPECT_NE(info.out.find("kind: user-coordinates film (converted in memory)"), std::string::npos)
        << info.out;
    EXPECT_EQ(run(kFourbar + " -c --output " + png("c.png") + " --frame 3 --phi 10 --substep 4")
                  .exit_code,
              0);
    EXPECT_EQ(leftovers(dir / "tmp"), std::vector<std::string>{});
}

}  // namespace
