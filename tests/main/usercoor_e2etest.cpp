// Runs the built program on user-coordinates films and on ANMNEU films converted with -c, on
// the offscreen platform: --info, pictures, print and DXF, a played pass, and what is left.
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
const std::string kCamFilm = kExamples + "/cam_usercoor.anm";
const std::string kCamAnmneu = kExamples + "/cam_anmneu.anm";

// Our temporary files and folders left in the directory.
std::vector<std::string> leftovers(const fs::path& tmp) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(tmp)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("kurvlab", 0) == 0 || name.rfind("KV_", 0) == 0) names.push_back(name);
    }
    return names;
}

class UsercoorProgram : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kv_usercoor_e2e_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string out(const std::string& name) const { return (dir / name).string(); }
    std::string tmp() const { return (dir / "tmp").string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
        return out(name);
    }
};

TEST_F(UsercoorProgram, InfoOfTheFileAndOfBothConversionsAgree) {
    const ProgramRun file = run(kCamFilm + " --info");
    ASSERT_EQ(file.exit_code, 0) << file.out;
    for (const char* line : {"kind: user-coordinates film\n", "frames: 90\n",
                             "world window: xl -221 xr 221 yb -90 yt 250\n"})
        EXPECT_NE(file.out.find(line), std::string::npos) << line << "\n" << file.out;
    EXPECT_EQ(file.out.find("message:"), std::string::npos) << file.out;

    const ProgramRun memory = run(kCamAnmneu + " -c --info", KV_SOURCE_DIR, tmp());
    const ProgramRun through_file = run(kCamAnmneu + " -c -f --info", KV_SOURCE_DIR, tmp());
    ASSERT_EQ(memory.exit_code, 0) << memory.out;
    ASSERT_EQ(through_file.exit_code, 0) << through_file.out;
    EXPECT_NE(memory.out.find("(converted in memory)"), std::string::npos) << memory.out;
    const auto body = [](const std::string& out) { return out.substr(out.find("frames:")); };
    EXPECT_EQ(body(memory.out), body(file.out));
    EXPECT_EQ(body(through_file.out), body(file.out));
    EXPECT_EQ(leftovers(tmp()), std::vector<std::string>{});
}

// The example is the file form of the conversion: the same frame drawn from the file, from
// memory and through a converted file is the same picture.
TEST_F(UsercoorProgram, ConvertedFramesAreDrawnAsTheFileDrawsThem) {
    ASSERT_EQ(run(kCamFilm + " --output " + out("file.png") + " --frame 7").exit_code, 0);
    ASSERT_EQ(run(kCamAnmneu + " -c --output " + out("mem.png") + " --frame 7").exit_code, 0);
    ASSERT_EQ(run(kCamAnmneu + " -c -f --output " + out("conv.png") + " --frame 7").exit_code, 0);
    ASSERT_EQ(run(kCamFilm + " --output " + out("other.png") + " --frame 40").exit_code, 0);
    const std::string file = kvtest::slurp(out("file.png"));
    ASSERT_GT(file.size(), 1000u);
    EXPECT_EQ(kvtest::slurp(out("mem.png")), file);
    EXPECT_EQ(kvtest::slurp(out("conv.png")), file);
    EXPECT_NE(kvtest::slurp(out("other.png")), file);
}

TEST_F(UsercoorProgram, GridAndMeasurementChangeThePictureOnlyWhenAsked) {
    ASSERT_EQ(run(kCamFilm + " --output " + out("plain.png") + " --frame 3").exit_code, 0);
    ASSERT_EQ(run(kCamFilm + " --output " + out("grid.png") + " --frame 3 --grid").exit_code, 0);
    ASSERT_EQ(
        run(kCamFilm + " --output " + out("m.png") + " --frame 3 --measure 0,0,30,40").exit_code,
        0);
    const std::string plain = kvtest::slurp(out("plain.png"));
    EXPECT_NE(kvtest::slurp(out("grid.png")), plain);
    EXPECT_NE(kvtest::slurp(out("m.png")), plain);
    EXPECT_NE(kvtest::slurp(out("m.png")), kvtest::slurp(out("grid.png")));
}

TEST_F(UsercoorProgram, PrintDxfAndRecordingWithoutAWindow) {
    const ProgramRun r =
        run(kCamAnmneu + " -c --frame 5 --pdf " + out("f.pdf") + " --dxf " + out("f.dxf"));
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(kvtest::slurp(out("f.pdf")).rfind("%PDF", 0), 0u);
    const std::string dxf = kvtest::slurp(out("f.dxf"));
    EXPECT_NE(dxf.find("\nLINE\n"), std::string::npos);
    EXPECT_NE(dxf.find("\nARC\n"), std::string::npos);
    const ProgramRun rec = run(kCamFilm + " --record " + out("pass.avi") + " --step 10");
    ASSERT_EQ(rec.exit_code, 0) << rec.out;
    // Frames 1, 11, ..., 81 of the 90: the loop starts at 1 as for line films.
    EXPECT_NE(rec.out.find("9 pictures"), std::string::npos) << rec.out;
}

TEST_F(UsercoorProgram, PlaysOnePassAndCleansUp) {
    const ProgramRun file = run(kCamFilm + " -n1", KV_SOURCE_DIR, tmp());
    EXPECT_EQ(file.exit_code, 0) << file.out;
    const ProgramRun converted = run(kCamAnmneu + " -c -n1", KV_SOURCE_DIR, tmp());
    EXPECT_EQ(converted.exit_code, 0) << converted.out;
    const ProgramRun through_file = run(kCamAnmneu + " -c -f -s2000 -n1", KV_SOURCE_DIR, tmp());
    EXPECT_EQ(through_file.exit_code, 0) << through_file.out;
    EXPECT_EQ(converted.out.find("nicht verfuegbar"), std::string::npos) << converted.out;
    EXPECT_EQ(leftovers(tmp()), std::vector<std::string>{});
}

// A buffer far too small for the film is grown once; the film plays all the same.
TEST_F(UsercoorProgram, SmallConversionBufferIsGrown) {
    const ProgramRun small = run(kCamAnmneu + " -c -s1024 --info");
    ASSERT_EQ(small.exit_code, 0) << small.out;
    EXPECT_NE(small.out.find("frames: 90\n"), std::string::npos) << small.out;
}

TEST_F(UsercoorProgram, BadFilmsAreReportedNeverCrash) {
    const std::vector<std::string> films = {
        "usercoor\nf\n",                                 // no frames
        "usercoor\nf\nl1e999,NaN,inf,-1e999x0,0,0,0\n",  // values no screen can show
        "usercoor\na0,0,0,0\nf\nh0,0,0,360,1e300\nx",    // no window, a huge arc
        std::string("usercoor\nf\ns1,2,") + std::string(100000, 'T') + "\nx",
        "xusercoor\nm1.5e3,2d1m",
        "usercoor\ni" + std::string(5000, '9') + "\n"};
    for (size_t i = 0; i < films.size(); ++i) {
        const std::string name = write("bad" + std::to_string(i) + ".anm", films[i]);
        const ProgramRun info = run(name + " --info");
        EXPECT_TRUE(info.exit_code == 0 || info.exit_code == 1) << i << ": " << info.out;
        EXPECT_NE(info.out.find("kind: user-coordinates film"), std::string::npos) << info.out;
        const ProgramRun picture = run(name + " --output " + out("bad.png") + " --frame 0");
        EXPECT_TRUE(picture.exit_code == 0 || picture.exit_code == 1) << i << ": " << picture.out;
        const ProgramRun played = run(name + " -n1");
        EXPECT_TRUE(played.exit_code == 0 || played.exit_code == 1) << i << ": " << played.out;
    }
}

}  // namespace
