// Runs the built program on the example films, on the offscreen platform, as a user would.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <string>

#include "support/program_run.h"

namespace {

using kvtest::kExamples;
using kvtest::ProgramRun;
using kvtest::slurp;

using kvtest::run;

std::string temp_path(const std::string& name) {
    return "/tmp/kv_e2e_" + std::to_string(getpid()) + "_" + name;
}

TEST(Program, VersionAndHelp) {
    const ProgramRun v = run("--version");
    EXPECT_EQ(v.exit_code, 0);
    EXPECT_EQ(v.out, "kurvlab Version 1862\n");
    const ProgramRun h = run("--help");
    EXPECT_EQ(h.exit_code, 0);
    EXPECT_NE(h.out.find("--info"), std::string::npos);
    EXPECT_NE(h.out.find("FILMFENSTERX"), std::string::npos);
    EXPECT_EQ(run("--bogus").exit_code, 2);
}

TEST(Program, InfoIsTheSameForBothEncodings) {
    const ProgramRun text = run(kExamples + "/fourbar_text.anm --info");
    const ProgramRun binary = run(kExamples + "/fourbar_binary.anm --info");
    ASSERT_EQ(text.exit_code, 0) << text.out;
    ASSERT_EQ(binary.exit_code, 0) << binary.out;
    EXPECT_NE(text.out.find("kind: line film"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("frames: 72\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("virtual size: 1280 x 1024"), std::string::npos) << text.out;
    // Everything after the file name line agrees.
    EXPECT_EQ(text.out.substr(text.out.find("kind:")), binary.out.substr(binary.out.find("kind:")));
}

TEST(Program, PlaysOnePassAndEnds) {
    const ProgramRun r = run(kExamples + "/slidercrank_binary.anm -n1");
    EXPECT_EQ(r.exit_code, 0) << r.out;
}

TEST(Program, DrawsAFrameIdenticallyFromBothEncodings) {
    const std::string a = temp_path("text.png"), b = temp_path("binary.png");
    ASSERT_EQ(run(kExamples + "/fourbar_text.anm --output " + a + " --frame 5").exit_code, 0);
    ASSERT_EQ(run(kExamples + "/fourbar_binary.anm --output " + b + " --frame 5").exit_code, 0);
    const std::string pa = slurp(a), pb = slurp(b);
    EXPECT_EQ(pa.substr(1, 3), "PNG");
    EXPECT_EQ(pa, pb);
    const std::string c = temp_path("other.png");
    ASSERT_EQ(run(kExamples + "/fourbar_text.anm --output " + c + " --frame 6").exit_code, 0);
    EXPECT_NE(slurp(c), pa);
    // A frame that the film does not have is refused with a message.
    const ProgramRun none = run(kExamples + "/fourbar_text.anm --output " + c + " --frame 500");
    EXPECT_NE(none.exit_code, 0);
    EXPECT_FALSE(none.out.empty());
    std::remove(a.c_str());
    std::remove(b.c_str());
    std::remove(c.c_str());
}

TEST(Program, BadFilesAreReportedOrPlayedNeverCrash) {
    // A film named on the command line that cannot be played is a failure for the caller.
    const ProgramRun missing = run("/no/such/film.anm -n1");
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.out.find("Cannot open file for read"), std::string::npos) << missing.out;

    std::mt19937 rng(7);
    for (int i = 0; i < 4; ++i) {
        const std::string path = temp_path("random" + std::to_string(i) + ".anm");
        std::string bytes(20000, '\0');
        for (char& c : bytes) c = char(rng());
        if (i == 1) bytes = "f" + bytes;  // straight into the frames
        std::ofstream(path, std::ios::binary) << bytes;
        const ProgramRun r = run(path + " -n2");
        EXPECT_EQ(r.exit_code, 0) << r.out;
        std::remove(path.c_str());
    }
}

}  // namespace
