// Playing a film where there is no display: the program says so and how to play it, instead of
// playing unseen; a pass count given on purpose still plays headless.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

const std::string kProgram = std::string(KV_BINARY_DIR) + "/src/main/kurvlab";
const std::string kExamples = std::string(KV_SOURCE_DIR) + "/examples/";

struct Played {
    int exit_code = -1;
    std::string out;
};

// A short limit: the fault this guards against plays on for a million passes.
Played run_without_display(const std::string& args) {
    Played r;
    const std::string cmd =
        "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 30 " + kProgram + " " +
        args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = pclose(p);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(HeadlessPlay, WithoutADisplayAFilmIsNotPlayedUnseenAndTheWaysToPlayItAreNamed) {
    for (const char* film : {"fourbar_binary.anm", "fourbar_anmneu.anm"}) {
        const Played r = run_without_display(kExamples + film);
        EXPECT_NE(r.exit_code, 0) << film;
        EXPECT_NE(r.exit_code, 124) << film << ": still playing when the time ran out";
        EXPECT_NE(r.out.find("no display"), std::string::npos) << r.out;
        for (const char* hint : {"xvfb-run", "--output", "--info"})
            EXPECT_NE(r.out.find(hint), std::string::npos) << film << " lacks " << hint;
        EXPECT_EQ(r.out.find("raise()"), std::string::npos) << r.out;
    }
}

TEST(HeadlessPlay, APassCountGivenOnPurposePlaysWithoutADisplay) {
    const Played r = run_without_display(kExamples + "fourbar_binary.anm -n1");
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(r.out.find("no display"), std::string::npos) << r.out;
}

}  // namespace
