// Playing a film where there is no display: the program says so and how to play it, instead of
// playing unseen; a pass count given on purpose still plays headless.
#include <gtest/gtest.h>

#include <string>

#include "support/program_run.h"

namespace {

const std::string kExamples = std::string(KV_SOURCE_DIR) + "/examples/";

// A short limit: the fault this guards against plays on for a million passes.
kvtest::ProgramRun run_without_display(const std::string& args) {
    return kvtest::run_without_display(args, "QT_QPA_PLATFORM=offscreen", 30);
}

TEST(HeadlessPlay, WithoutADisplayAFilmIsNotPlayedUnseenAndTheWaysToPlayItAreNamed) {
    for (const char* film : {"fourbar_binary.anm", "fourbar_anmneu.anm"}) {
        const kvtest::ProgramRun r = run_without_display(kExamples + film);
        EXPECT_NE(r.exit_code, 0) << film;
        EXPECT_NE(r.exit_code, 124) << film << ": still playing when the time ran out";
        EXPECT_NE(r.out.find("no display"), std::string::npos) << r.out;
        for (const char* hint : {"xvfb-run", "--output", "--info"})
            EXPECT_NE(r.out.find(hint), std::string::npos) << film << " lacks " << hint;
        EXPECT_EQ(r.out.find("raise()"), std::string::npos) << r.out;
    }
}

TEST(HeadlessPlay, APassCountGivenOnPurposePlaysWithoutADisplay) {
    const kvtest::ProgramRun r = run_without_display(kExamples + "fourbar_binary.anm -n1");
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(r.out.find("no display"), std::string::npos) << r.out;
}

}  // namespace
