// Merge definitions: keys and their aliases, settings that hold for later film lines, copies
// and their phases, names taken beside the definition, the entry limit, the dialog.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "film_out/merge_definition.h"
#include "mw31/dialogs.h"

namespace {

namespace fs = std::filesystem;
using film_out::merge_definition_read;
using film_out::MergeDefinition;

class MergeDefinitionRead : public testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fs::path(testing::TempDir()) /
            ("mdef_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Earlier tests in this program may leave TMPDIR naming a folder they removed.
        setenv("TMPDIR", testing::TempDir().c_str(), 1);
        mw31::clear_dialog_hooks();
    }
    std::string write(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    MergeDefinition read(const std::string& text, int* result = nullptr,
                         const std::string& output = {}, int steps = 0) {
        MergeDefinition def;
        const int r = merge_definition_read(write("def.txt", text), output, steps, &def);
        if (result) *result = r;
        return def;
    }
    std::string in_dir(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(MergeDefinitionRead, CopiesAreSpreadEvenlyFromThePhase) {
    const MergeDefinition def = read("kopien=3\ndphi=30\nfilm=a.anm\n");
    ASSERT_EQ(def.entries.size(), 3u);
    EXPECT_DOUBLE_EQ(def.entries[0].phase, 30);
    EXPECT_DOUBLE_EQ(def.entries[1].phase, 150);
    EXPECT_DOUBLE_EQ(def.entries[2].phase, 270);
    for (const auto& e : def.entries) EXPECT_EQ(e.film, in_dir("a.anm"));
    EXPECT_TRUE(read("kopien=0\nfilm=a.anm\nkopien=-2\nfilm=b.anm\n").entries.empty());
}

TEST_F(MergeDefinitionRead, KeysIgnoreBlanksAndCase) {
    const MergeDefinition def = read("DX = 5\n  D Y\t=-2.5e1\nDw=90\nfilm=a\n");
    ASSERT_EQ(def.entries.size(), 1u);
    EXPECT_DOUBLE_EQ(def.entries[0].dx, 5);
    EXPECT_DOUBLE_EQ(def.entries[0].dy, -25);
    EXPECT_DOUBLE_EQ(def.entries[0].dw, M_PI / 2);
}

TEST_F(MergeDefinitionRead, SettingsHoldForLaterFilmLines) {
    const MergeDefinition def =
        read("dx=1\ndy=2\ndw=45\ni=2\nkopien=2\ndphi=10\nfilm=a\nfilm=b\ndx=7\nkopien=1\nfilm=c\n");
    ASSERT_EQ(def.entries.size(), 5u);
    const double phases[] = {10, 190, 10, 190, 10};
    const char* films[] = {"a", "a", "b", "b", "c"};
    for (size_t k = 0; k < 5; ++k) {
        const auto& e = def.entries[k];
        EXPECT_DOUBLE_EQ(e.dx, k < 4 ? 1 : 7) << k;
        EXPECT_DOUBLE_EQ(e.dy, 2);
        EXPECT_DOUBLE_EQ(e.dw, M_PI / 4);
        EXPECT_DOUBLE_EQ(e.i, 2);
        EXPECT_DOUBLE_EQ(e.phase, phases[k]) << k;
        EXPECT_EQ(e.film, in_dir(films[k]));
    }
}

TEST_F(MergeDefinitionRead, EveryAliasSetsItsValue) {
    const MergeDefinition def = read(
        "x=1\ny=2\nw=180\nuebers=3\nphi=4\nn=1\nfile=f1\n"
        "deltax=5\ndeltay=6\ndeltaw=90\nuebersetzung=7\ndeltaphi=8\nnkopien=1\ndatei=f2\n"
        "anzahl=33\n");
    ASSERT_EQ(def.entries.size(), 2u);
    const auto& a = def.entries[0];
    EXPECT_DOUBLE_EQ(a.dx, 1);
    EXPECT_DOUBLE_EQ(a.dy, 2);
    EXPECT_DOUBLE_EQ(a.dw, M_PI);
    EXPECT_DOUBLE_EQ(a.i, 3);
    EXPECT_DOUBLE_EQ(a.phase, 4);
    const auto& b = def.entries[1];
    EXPECT_DOUBLE_EQ(b.dx, 5);
    EXPECT_DOUBLE_EQ(b.dy, 6);
    EXPECT_DOUBLE_EQ(b.dw, M_PI / 2);
    EXPECT_DOUBLE_EQ(b.i, 7);
    EXPECT_DOUBLE_EQ(b.phase, 8);
    EXPECT_EQ(def.step_count, 33);
    EXPECT_EQ(read("schritte=44\n").step_count, 44);
    EXPECT_EQ(read("nstep=55\n").step_count, 55);
    EXPECT_EQ(read("nkopien=2\nfilm=a\n").entries.size(), 2u);
    EXPECT_EQ(read("kopien=2\nfilm=a\n").entries.size(), 2u);
}

TEST_F(MergeDefinitionRead, CommentsUnknownKeysAndBrokenNumbers) {
    const MergeDefinition def = read(
        "#film=hidden\nfilm x\nfarbe=rot\ndx=abc\ndy=nan\ni=inf\nkopien=99999999999999\n"
        "kopien=1\nfilm=  spaced.anm  \r\n");
    ASSERT_EQ(def.entries.size(), 1u);
    EXPECT_EQ(def.entries[0].film, in_dir("spaced.anm"));
    EXPECT_EQ(def.entries[0].dx, 0);
    EXPECT_EQ(def.entries[0].dy, 0);
    EXPECT_EQ(def.entries[0].i, 0);
}

TEST_F(MergeDefinitionRead, NamesAreTakenBesideTheDefinition) {
    MergeDefinition def =
        read("film=sub\\a.anm\nfilm=/abs/b.anm\nfilm=" + std::string(300, 'c') + "\n");
    ASSERT_EQ(def.entries.size(), 3u);
    EXPECT_EQ(def.entries[0].film, in_dir("sub/a.anm"));
    EXPECT_EQ(def.entries[1].film, "/abs/b.anm");
    EXPECT_EQ(def.entries[2].film, in_dir(std::string(300, 'c')));  // long lines stay whole
    EXPECT_EQ(def.output_name, in_dir("gesamt.flm"));
    EXPECT_EQ(read("out=o/x.flm\n").output_name, in_dir("o/x.flm"));
    EXPECT_EQ(read("outfile=/tmp/y.flm\n").output_name, "/tmp/y.flm");
    // The caller's name stands unless the definition names one.
    EXPECT_EQ(read("film=a\n", nullptr, "/w/out.flm").output_name, "/w/out.flm");
    EXPECT_EQ(read("out=z.flm\n", nullptr, "/w/out.flm").output_name, in_dir("z.flm"));
    EXPECT_EQ(read("film=a\n", nullptr, {}, 77).step_count, 77);
    EXPECT_EQ(read("nstep=0\n", nullptr, {}, 77).step_count, 0);

    // A film only the current folder has is taken from there, as it always was.
    const fs::path cwd = fs::current_path();
    const fs::path other = dir_ / "cwd";
    fs::create_directories(other);
    std::ofstream(other / "here.anm") << "ANMNEU\n";
    write("both.anm", "ANMNEU\n");
    std::ofstream(other / "both.anm") << "ANMNEU\n";
    fs::current_path(other);
    def = read("film=here.anm\nfilm=both.anm\n");
    fs::current_path(cwd);
    ASSERT_EQ(def.entries.size(), 2u);
    EXPECT_EQ(def.entries[0].film, "here.anm");
    EXPECT_EQ(def.entries[1].film, in_dir("both.anm"));
}

TEST_F(MergeDefinitionRead, AtMost1024Entries) {
    int result = -1;
    EXPECT_EQ(read("kopien=1024\nfilm=a\n", &result).entries.size(), 1024u);
    EXPECT_EQ(result, 0);
    testing::internal::CaptureStderr();
    read("kopien=1000\nfilm=a\nkopien=24\nfilm=b\nkopien=1\nfilm=c\n", &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "zu viele Filme / too many animations\n");
    // A huge copy count stops at the limit rather than looping.
    testing::internal::CaptureStderr();
    read("kopien=2000000000\nfilm=a\n", &result);
    EXPECT_EQ(result, 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("too many animations"),
              std::string::npos);
}

TEST_F(MergeDefinitionRead, UnreadableDefinition) {
    MergeDefinition def;
    testing::internal::CaptureStderr();
    EXPECT_EQ(merge_definition_read(in_dir("none.txt"), {}, 0, &def), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "kann Datei nicht oeffnen / cannot open file " + in_dir("none.txt") + "\n");
}

TEST_F(MergeDefinitionRead, RecognisedByNameOrFirstLine) {
    EXPECT_EQ(film_out::merge_definition_detect(in_dir("plan.TXT")), 1);  // never opened
    EXPECT_EQ(film_out::merge_definition_detect(write("a.flm", "film=x.flm\nANMNEU\n1\n2\n3\n4\n")),
              1);
    EXPECT_EQ(film_out::merge_definition_detect(write("b.flm", "ANMNEU\n1\n2\n3\n4\n5\n6\n")), 0);
}

TEST_F(MergeDefinitionRead, RunAsksForADefinitionAndFailsWithoutFilms) {
    const std::string def = write("empty.txt", "dx=1\n");
    std::string out;
    mw31::queue_dialog_answer({mw31::BoxAnswer::Ok, {def}, {}});
    testing::internal::CaptureStderr();
    EXPECT_EQ(film_out::merge_definition_run("", &out, 0), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "vereinigung_flm_files: keine Filmdateien / no animation files\n");
    ASSERT_FALSE(mw31::shown_dialogs().empty());
    EXPECT_EQ(mw31::shown_dialogs().back().kind, "open");
    EXPECT_EQ(mw31::shown_dialogs().back().text, ".");
    EXPECT_EQ(out, in_dir("gesamt.flm"));
    EXPECT_FALSE(fs::exists(out));

    mw31::queue_dialog_answer({mw31::BoxAnswer::Cancel, {}, {}});
    out.clear();
    EXPECT_EQ(film_out::merge_definition_run("", &out, 0), 1);
    EXPECT_TRUE(out.empty());
}

}  // namespace
