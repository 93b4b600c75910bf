// Runs the built program on merge definitions: the merged film plays and is described like any
// ANMNEU film, a merge made only to be played leaves nothing behind, one the definition names
// stays, and a definition that cannot be merged ends with its message.
#include <gtest/gtest.h>
#include <unistd.h>

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
const std::string kExample = kExamples + "/merge_fourbar_slidercrank.txt";

std::vector<std::string> files_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    return names;
}

class MergeProgram : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kv_merge_e2e_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string tmp() const { return (dir / "tmp").string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
};

TEST_F(MergeProgram, ExampleMergesPlaysAndLeavesNothingBehind) {
    const auto examples_before = files_in(kExamples);
    const ProgramRun info = run(kExample + " --info", KV_SOURCE_DIR, tmp());
    ASSERT_EQ(info.exit_code, 0) << info.out;
    // Eight parts of the four-bar and nine of each slider-crank copy; the slider-cranks' 120
    // frames at twice the speed ask for 241 steps, which the rule rounds up to 360.
    EXPECT_NE(info.out.find("kind: merge definition\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("parts: 26\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("steps: 360\n"), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("message:"), std::string::npos) << info.out;

    const ProgramRun played = run(kExample + " -n1", KV_SOURCE_DIR, tmp());
    EXPECT_EQ(played.exit_code, 0) << played.out;
    const std::string picture = (dir / "frame30.png").string();
    const ProgramRun drawn =
        run(kExample + " --output " + picture + " --frame 30", KV_SOURCE_DIR, tmp());
    EXPECT_EQ(drawn.exit_code, 0) << drawn.out;
    EXPECT_GT(fs::file_size(picture), 1000u);
    fs::remove(picture);
    const ProgramRun converted = run(kExample + " -c -n1", KV_SOURCE_DIR, tmp());
    EXPECT_EQ(converted.exit_code, 0) << converted.out;
    EXPECT_EQ(files_in(kExamples), examples_before) << "the merge wrote into the examples";
    EXPECT_EQ(files_in(tmp()), std::vector<std::string>{});
}

TEST_F(MergeProgram, OutputTheDefinitionNamesStays) {
    const std::string definition = write(
        "plan.txt", "out=" + (dir / "both.flm").string() + "\nfilm=" + kExamples +
                        "/fourbar_anmneu.anm\ndx=300\nfilm=" + kExamples + "/cam_anmneu.anm\n");
    const ProgramRun r = run(definition + " -n1", KV_SOURCE_DIR, tmp());
    ASSERT_EQ(r.exit_code, 0) << r.out;
    ASSERT_TRUE(fs::exists(dir / "both.flm"));
    const ProgramRun info = run((dir / "both.flm").string() + " --info");
    EXPECT_NE(info.out.find("symbols: 14\n"), std::string::npos) << info.out;
}

TEST_F(MergeProgram, DefinitionsThatCannotBeMergedSaySoAndEndWithOne) {
    const std::string missing =
        write("missing.txt", "film=" + (dir / "nowhere.anm").string() + "\nfilm=" + kExamples +
                                 "/fourbar_anmneu.anm\n");
    ProgramRun r = run(missing + " --info", KV_SOURCE_DIR, tmp());
    EXPECT_EQ(r.exit_code, 1) << r.out;
    EXPECT_NE(r.out.find("nowhere.anm"), std::string::npos) << r.out;
    const std::string line_film = write("lines.txt", "film=" + kExamples + "/fourbar_text.anm\n");
    r = run(line_film + " -n1", KV_SOURCE_DIR, tmp());
    EXPECT_EQ(r.exit_code, 1) << r.out;
    EXPECT_NE(r.out.find("ist keine FLM-Datei"), std::string::npos) << r.out;
    EXPECT_EQ(files_in(tmp()), std::vector<std::string>{});
}

// --info of a definition says what the merge would make and writes nothing; --merge-out
// writes the merged film where the command line says, and refuses a film that is no
// definition.
TEST_F(MergeProgram, InfoDescribesTheMergeAndMergeOutWritesIt) {
    const std::string definition =
        write("plan.txt", "film=" + kExamples + "/fourbar_anmneu.anm\nkopien=2\ndphi=90\ni=3\n" +
                              "dx=100\nfilm=" + kExamples + "/cam_anmneu.anm\n");
    const auto before = files_in(dir);
    const ProgramRun info = run(definition + " --info", KV_SOURCE_DIR, tmp());
    ASSERT_EQ(info.exit_code, 0) << info.out;
    for (const std::string line : {"entries: 3\n", "dx=0 dy=0 dw=0 i=1 phase=0 (72 frames)\n",
                                   "dx=100 dy=0 dw=0 i=3 phase=90 (90 frames)\n",
                                   "dx=100 dy=0 dw=0 i=3 phase=270 (90 frames)\n",
                                   // The cam at three turns a cycle asks for 271 steps: 360.
                                   "steps: 360\n", "parts: 20\n"})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;
    EXPECT_EQ(files_in(dir), before);
    EXPECT_EQ(files_in(tmp()), std::vector<std::string>{});

    const std::string merged = (dir / "out" / "m.flm").string();
    fs::create_directories(dir / "out");
    const ProgramRun out = run(definition + " --merge-out " + merged, KV_SOURCE_DIR, tmp());
    ASSERT_EQ(out.exit_code, 0) << out.out;
    const ProgramRun read_back = run(merged + " --info");
    EXPECT_NE(read_back.out.find("frames: 360\n"), std::string::npos) << read_back.out;
    EXPECT_NE(read_back.out.find("symbols: 20\n"), std::string::npos) << read_back.out;

    const ProgramRun refused = run(kExamples + "/fourbar_anmneu.anm --merge-out " + merged);
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.out.find("not a merge definition"), std::string::npos) << refused.out;
}

// Several films named on the command line play merged, as several films chosen in the open
// dialog do; their list goes into the temporary folder, not beside the films.
TEST_F(MergeProgram, SeveralFilmsOnTheCommandLinePlayMerged) {
    const auto examples_before = files_in(kExamples);
    const ProgramRun info =
        run("examples/fourbar_anmneu.anm -n1 examples/cam_anmneu.anm --info", KV_SOURCE_DIR, tmp());
    ASSERT_EQ(info.exit_code, 0) << info.out;
    EXPECT_NE(info.out.find("kind: merge definition\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("entries: 2\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("/examples/cam_anmneu.anm dx=0"), std::string::npos) << info.out;
    const ProgramRun played =
        run("examples/fourbar_anmneu.anm examples/cam_anmneu.anm -n1", KV_SOURCE_DIR, tmp());
    EXPECT_EQ(played.exit_code, 0) << played.out;
    EXPECT_EQ(files_in(kExamples), examples_before);
    EXPECT_EQ(files_in(tmp()), std::vector<std::string>{});
}

}  // namespace
