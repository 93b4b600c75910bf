// Recent films and film lists without a platform: the order a choice leaves, what the dialog
// is offered, and the list written for several films.
#include "mw31/recent_films.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "mw31/choose_film_file.h"
#include "mw31/dialogs.h"

namespace mw31 {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(RecentFilms, AChoiceGoesInFrontOnceAndTheListKeepsItsLength) {
    EXPECT_EQ(merged_recent_films({}, {"/f/a.anm"}), (Names{"/f/a.anm"}));
    // Chosen again: moved to the front, not listed twice.
    EXPECT_EQ(merged_recent_films({"/f/a.anm", "/f/b.anm", "/g/c.flm"}, {"/g/c.flm"}),
              (Names{"/g/c.flm", "/f/a.anm", "/f/b.anm"}));
    // Several chosen: in their order, the first chosen first; duplicates among them once.
    EXPECT_EQ(merged_recent_films({"/f/a.anm"}, {"/h/x.anm", "/h/y.anm", "/h/x.anm", ""}),
              (Names{"/h/x.anm", "/h/y.anm", "/f/a.anm"}));
    Names old;
    for (int i = 0; i < kMaxRecentFilms; ++i) old.push_back("/old/" + std::to_string(i) + ".anm");
    const Names merged = merged_recent_films(old, {"/new.anm"});
    ASSERT_EQ(merged.size(), size_t(kMaxRecentFilms));
    EXPECT_EQ(merged.front(), "/new.anm");
    EXPECT_EQ(merged.back(), "/old/" + std::to_string(kMaxRecentFilms - 2) + ".anm")
        << "the oldest one goes";
}

TEST(RecentFilms, TheirFoldersAreOfferedNewestFirstEachOnce) {
    const Names recent{"/f/a.anm", "/g/c.flm", "/f/b.anm", "/top.anm", "relative.anm", ""};
    EXPECT_EQ(recent_folders(recent), (Names{"/f", "/g", "/", "."}));
    EXPECT_TRUE(recent_folders({}).empty());
}

TEST(RecentFilms, WithoutAPlatformNothingIsRememberedAndTheDialogIsOfferedNothing) {
    remember_recent_films({"/f/a.anm"});
    EXPECT_TRUE(recent_films().empty());
    clear_dialog_hooks();
    CannedAnswer answer;
    answer.files = {"/f/a.anm"};
    queue_dialog_answer(answer);
    std::string chosen;
    EXPECT_EQ(choose_film_file("/f", &chosen, kFilmFileFilter), 0);
    EXPECT_EQ(chosen, "/f/a.anm");
    ASSERT_EQ(shown_dialogs().size(), 1u);
    EXPECT_TRUE(shown_dialogs()[0].recent.empty());
    clear_dialog_hooks();
}

class FilmList : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) / ("film_list_" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "mit blank");
    }
    void TearDown() override { fs::remove_all(dir_); }
    static std::string slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir_;
};

TEST_F(FilmList, SeveralFilmsAreListedInTheFirstOnesFolderInTheirOrder) {
    const std::string a = (dir_ / "mit blank" / "a.anm").string();
    const std::string b = (dir_ / "b.flm").string();
    const std::string c = "/elsewhere/c.anm";
    std::string list;
    ASSERT_EQ(write_film_list({a, b, c}, &list), 0);
    EXPECT_EQ(list, (dir_ / "mit blank" / "gesflm.txt").string());
    EXPECT_EQ(slurp(list), "film=" + a + "\nfilm=" + b + "\nfilm=" + c + "\n");

    // A second list replaces the first whole.
    ASSERT_EQ(write_film_list({a, c}, &list), 0);
    EXPECT_EQ(slurp(list), "film=" + a + "\nfilm=" + c + "\n");
}

TEST_F(FilmList, NoFilmsGiveNoList) {
    std::string list = "stale";
    EXPECT_EQ(write_film_list({}, &list), 1);
    EXPECT_EQ(list, "");
    EXPECT_FALSE(fs::exists(dir_ / "gesflm.txt"));
}

}  // namespace
}  // namespace mw31
