// Recent films in the profile through the Qt backend: what the open dialog chose is kept in
// kurvlab.conf, offered by the next dialog, and the real dialog still answers as asked.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "mw31/choose_film_file.h"
#include "mw31/dialogs.h"
#include "mw31/qt/qt_dialogs.h"
#include "mw31/recent_films.h"
#include "support/qt_test_events.h"

namespace mw31 {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class RecentFilmsProfile : public ::testing::Test {
  protected:
    void SetUp() override {
        clear_dialog_hooks();
        qt_test::forget_dialogs();
        dir = fs::path(::testing::TempDir()) /
              ("recent_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "films");
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved = old, had = true;
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        for (const char* name : {"a.anm", "b.anm", "c.flm"}) {
            films.push_back((dir / "films" / name).string());
            std::ofstream(films.back()) << "F\n";
        }
    }
    void TearDown() override {
        clear_dialog_hooks();
        qt_test::forget_dialogs();
        if (had)
            setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(dir);
    }
    static void answer(Names files) {
        CannedAnswer a;
        a.files = std::move(files);
        if (a.files.empty()) a.answer = BoxAnswer::Cancel;
        queue_dialog_answer(a);
    }
    std::string profile_text() const {
        std::ifstream in(dir / "config" / "kurvlab" / "kurvlab.conf");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir;
    Names films;
    std::string saved;
    bool had = false;
};

TEST_F(RecentFilmsProfile, ChoicesAreKeptInTheProfileAndOfferedNextTime) {
    std::string chosen;
    answer({films[0]});
    ASSERT_EQ(choose_film_file(dir.string(), &chosen, kFilmFileFilter), 0);
    EXPECT_TRUE(shown_dialogs().back().recent.empty()) << "nothing chosen before";
    EXPECT_NE(profile_text().find("[KURVLAB]"), std::string::npos) << profile_text();
    EXPECT_NE(profile_text().find("RECENTFILM1=" + films[0]), std::string::npos) << profile_text();

    answer({films[1], films[2]});
    ASSERT_EQ(choose_film_file(dir.string(), &chosen, kFilmFileFilter), 0);
    EXPECT_EQ(shown_dialogs().back().recent, (Names{films[0]}));
    EXPECT_EQ(chosen, (dir / "films" / "gesflm.txt").string()) << "several: the film list";
    EXPECT_EQ(recent_films(), (Names{films[1], films[2], films[0]})) << "the films, not the list";

    answer({});
    ASSERT_EQ(choose_film_file(dir.string(), &chosen, kFilmFileFilter), 1);
    EXPECT_EQ(shown_dialogs().back().recent, (Names{films[1], films[2], films[0]}));
    EXPECT_EQ(recent_films(), (Names{films[1], films[2], films[0]})) << "cancel keeps them";
}

// Only a screen shows the real dialog, so it is asked directly here.
TEST_F(RecentFilmsProfile, TheRealDialogOpensWhereAskedWithRecentFilmsOfferedAndAnswersAsAsked) {
    OpenFileRequest request;
    request.directory = (dir / "films").string();
    request.filter = kFilmFileFilter;
    request.multiple = true;
    request.recent = {(dir / "elsewhere" / "x.anm").string(), films[0]};
    qt_test::DialogReply reply;
    reply.files = {films[2]};
    qt_test::reply_to_next_dialog(reply);
    EXPECT_EQ(qt_open_file_dialog(request), (Names{films[2]}));

    // Recent films in the start folder itself.
    request.recent = {films[0], (dir / "elsewhere" / "x.anm").string()};
    reply.files = {films[0]};
    qt_test::reply_to_next_dialog(reply);
    EXPECT_EQ(qt_open_file_dialog(request), (Names{films[0]}));

    const auto seen = qt_test::dialogs_seen();
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& s : seen) {
        EXPECT_EQ(s.text, (dir / "films").string()) << "the history does not move the start";
        EXPECT_TRUE(s.multiple);
    }
    // The folders of the recent films, in their order, in the history and among the places.
    const std::string films_dir = (dir / "films").string(),
                      elsewhere = (dir / "elsewhere").string();
    EXPECT_EQ(seen[0].history, (Names{elsewhere, films_dir}));
    EXPECT_EQ(seen[1].history, (Names{films_dir, elsewhere}));
    for (const auto& s : seen) {
        EXPECT_EQ(std::count(s.places.begin(), s.places.end(), films_dir), 1);
        EXPECT_EQ(std::count(s.places.begin(), s.places.end(), elsewhere), 1);
    }
}

}  // namespace
}  // namespace mw31
