// The program's loop over next films, run in this process on the offscreen platform: a film
// asked for from the film window (a drop, Ctrl+O) plays after it, in the same place, with the
// same options; without a request the program ends after the film as before.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "film/film_window.h"
#include "main/kurvlab_main.h"
#include "mw31/app_state.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"

namespace kurvlab {
namespace {

namespace fs = std::filesystem;

const std::string kFirst = std::string(KV_SOURCE_DIR) + "/examples/fourbar_text.anm";
const std::string kSecond = std::string(KV_SOURCE_DIR) + "/examples/slidercrank_text.anm";
const mw31::Rect kPlace{60, 70, 60 + 520, 70 + 430};

struct Opened {
    std::string film;
    mw31::Rect outer;
    mw31::ShowMode shown;
    const mw31::Window* window;
    int passes = 0;
};
std::vector<Opened> g_opened;
// What the first window is sent once it is open.
void (*g_first_window)(film::FilmWindow& fw) = nullptr;
bool g_move_first = true;

// The player sets its passes after the window opened: they are read at its messages.
void note_passes(film::FilmWindow& fw, const mw31::Message&) {
    for (Opened& o : g_opened)
        if (o.window == fw.window.get()) o.passes = fw.state.pass_limit;
}

void watch(film::FilmWindow& fw) {
    // The first window is moved into a place of its own, so that the next one has to be told.
    if (g_opened.empty() && g_move_first) {
        fw.window->show(mw31::ShowMode::Normal);
        fw.window->move_resize(kPlace);
    }
    g_opened.push_back(
        {fw.source_name, fw.window->window_rect(), fw.window->shown_as(), fw.window.get(), 0});
    fw.message_hook = note_passes;
    if (g_opened.size() == 1 && g_first_window) g_first_window(fw);
}

mw31::Message message(film::FilmWindow& fw, mw31::MessageKind kind) {
    mw31::Message m;
    m.window = fw.window.get();
    m.kind = kind;
    return m;
}

class NextFilmLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        g_opened.clear();
        g_first_window = nullptr;
        g_move_first = true;
        mw31::clear_dialog_hooks();
        mw31::set_quit_requested(false);
        film::watch_film_windows(watch);
        config = fs::path(::testing::TempDir()) / ("next_loop_" + std::to_string(getpid()));
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved = old, had = true;
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    void TearDown() override {
        film::watch_film_windows(nullptr);
        mw31::service_messages();
        mw31::clear_dialog_hooks();
        if (had)
            setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(config);
    }
    fs::path config;
    std::string saved;
    bool had = false;
};

TEST_F(NextFilmLoop, WithoutARequestTheProgramEndsAfterTheFilm) {
    EXPECT_EQ(kurvlab_main({"kurvlab", kFirst, "-n1"}), 0);
    ASSERT_EQ(g_opened.size(), 1u);
    EXPECT_EQ(g_opened[0].film, kFirst);
}

TEST_F(NextFilmLoop, ADroppedFilmPlaysNextInThePlaceOfTheWindowWithTheSameOptions) {
    g_first_window = [](film::FilmWindow& fw) {
        mw31::Message m = message(fw, mw31::MessageKind::Dropped);
        m.files = {kSecond};
        mw31::post_message(m);
    };
    EXPECT_EQ(kurvlab_main({"kurvlab", kFirst, "-n2"}), 0);
    ASSERT_EQ(g_opened.size(), 2u) << "the second film, and nothing after it";
    EXPECT_EQ(g_opened[1].film, kSecond);
    EXPECT_EQ(g_opened[1].outer, kPlace);
    EXPECT_EQ(g_opened[1].shown, mw31::ShowMode::Normal);
    EXPECT_EQ(g_opened[1].passes, 2) << "-n2 holds for the next film too";
    EXPECT_EQ(film::take_next_film().film, "");
}

TEST_F(NextFilmLoop, CtrlOPlaysTheChosenFilmNext) {
    mw31::CannedAnswer answer;
    answer.files = {kSecond};
    mw31::queue_dialog_answer(answer);
    g_first_window = [](film::FilmWindow& fw) {
        mw31::Message m = message(fw, mw31::MessageKind::KeyDown);
        m.key = 'O';
        m.ctrl = true;
        mw31::post_message(m);
    };
    EXPECT_EQ(kurvlab_main({"kurvlab", kFirst, "-n1"}), 0);
    ASSERT_EQ(g_opened.size(), 2u);
    EXPECT_EQ(g_opened[1].film, kSecond);
    EXPECT_EQ(g_opened[1].outer, kPlace);
    ASSERT_EQ(mw31::shown_dialogs().size(), 1u);
    EXPECT_EQ(mw31::shown_dialogs()[0].text, std::string(KV_SOURCE_DIR) + "/examples");
}

TEST_F(NextFilmLoop, AFilmThatCannotBeReadEndsTheChainAndTheNextWindowTakesItsOwnPlace) {
    g_first_window = [](film::FilmWindow& fw) {
        mw31::Message m = message(fw, mw31::MessageKind::Dropped);
        m.files = {std::string(KV_SOURCE_DIR) + "/examples/gibt es nicht.anm"};
        mw31::post_message(m);
    };
    EXPECT_EQ(kurvlab_main({"kurvlab", kFirst, "-n1"}), 1) << "the film asked for failed";
    EXPECT_EQ(g_opened.size(), 1u);
    // The place was not left for a later window.
    g_first_window = nullptr;
    g_move_first = false;
    g_opened.clear();
    EXPECT_EQ(kurvlab_main({"kurvlab", kSecond, "-n1"}), 0);
    ASSERT_EQ(g_opened.size(), 1u);
    EXPECT_NE(g_opened[0].outer, kPlace);
}

}  // namespace
}  // namespace kurvlab
