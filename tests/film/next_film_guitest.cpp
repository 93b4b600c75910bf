// Another film from a playing film window: Ctrl+O through the open dialog and files dropped
// onto the window end the film and leave a request for the next one with the window's place.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "film/line_film_player.h"
#include "mw31/app_state.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"
#include "mw31/recent_films.h"
#include "mw31/temp_names.h"
#include "support/qt_test_events.h"

namespace film {
namespace {

namespace fs = std::filesystem;
using mw31::Message;
using mw31::MessageKind;

const std::string kOtherFilm = std::string(KV_SOURCE_DIR) + "/examples/slidercrank_text.anm";

std::string shorts(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s += char((v >> 8) & 255);
        s += char(v & 255);
    }
    return s;
}

// Ten frames of seven records each: every frame but the first read is shown.
std::string ten_frames() {
    std::string s = "F\n";
    for (int i = 0; i < 10; ++i) {
        const int y = 100 + 20 * i;
        s += "L" + shorts({100, y, 400, y}) + "C" + shorts({2});
        s += "L" + shorts({100, y + 2, 400, y + 2}) + "L" + shorts({100, y + 4, 400, y + 4});
        s += "X";
    }
    return s;
}

struct Seen {
    std::vector<int> frames;
    std::function<void(FilmWindow&)> on_frame;
    std::function<void(FilmWindow&, const Message&)> on_message;
    std::vector<mw31::Rect> opened_at;
    std::vector<mw31::ShowMode> opened_as;
};
Seen* g_seen = nullptr;

void observe(FilmWindow& fw, const mw31::Picture&, void*) {
    g_seen->frames.push_back(fw.state.index);
    if (g_seen->on_frame) g_seen->on_frame(fw);
}
void hook(FilmWindow& fw, const Message& m) {
    if (g_seen->on_message) g_seen->on_message(fw, m);
}
void opened(FilmWindow& fw, void*) {
    fw.message_hook = hook;
    g_seen->opened_at.push_back(fw.window->window_rect());
    g_seen->opened_as.push_back(fw.window->shown_as());
}

Message message(FilmWindow& fw, MessageKind kind) {
    Message m;
    m.window = fw.window.get();
    m.kind = kind;
    return m;
}
void post_char(FilmWindow& fw, int ch) {
    Message m = message(fw, MessageKind::Char);
    m.key = ch;
    mw31::post_message(m);
}
void post_drop(FilmWindow& fw, std::vector<std::string> files) {
    Message m = message(fw, MessageKind::Dropped);
    m.files = std::move(files);
    mw31::post_message(m);
}
void answer_open_dialog(std::vector<std::string> files) {
    mw31::CannedAnswer answer;
    answer.files = std::move(files);
    if (answer.files.empty()) answer.answer = mw31::BoxAnswer::Cancel;
    mw31::queue_dialog_answer(answer);
}
std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class NextFilmFromWindow : public ::testing::Test {
  protected:
    const mw31::Rect place{70, 80, 70 + 500, 80 + 420};

    void SetUp() override {
        g_seen = &seen;
        mw31::clear_dialog_hooks();
        mw31::set_quit_requested(false);
        (void)take_next_film();
        clear_next_film_window_place();
        dir = fs::path(::testing::TempDir()) /
              ("next_film_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "films");
        // The recent films go into a profile of this test's own, never the user's.
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_config = old, had_config = true;
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        bytes = ten_frames();
        source = std::make_unique<MemoryByteSource>(bytes.data(), bytes.size(), "test film");
        options.source = source.get();
        options.source_name = (dir / "films" / "erster.anm").string();
        options.passes = 1;
        options.pause_ms = 1;
        options.window.show = mw31::ShowMode::Normal;
        options.window.client_width = 640;
        options.window.client_height = 512;
        options.frame_observer = observe;
        options.window_opened = opened;
    }
    void TearDown() override {
        g_seen = nullptr;
        mw31::service_messages();
        mw31::clear_dialog_hooks();
        (void)take_next_film();
        clear_next_film_window_place();
        if (had_config)
            setenv("XDG_CONFIG_HOME", saved_config.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(dir);
    }
    int play() { return play_line_film(options); }
    // At frame 1 the window moves to `place`; at frame `at` the action runs.
    void at_frame(size_t at, std::function<void(FilmWindow&)> action) {
        seen.on_frame = [this, at, action](FilmWindow& fw) {
            if (seen.frames.size() == 1) fw.window->move_resize(place);
            if (seen.frames.size() == at) action(fw);
        };
    }

    Seen seen;
    LineFilmOptions options;
    std::string bytes;
    std::unique_ptr<MemoryByteSource> source;
    fs::path dir;
    std::string saved_config;
    bool had_config = false;
};

TEST_F(NextFilmFromWindow, CtrlOChoosesAFilmThatEndsThisOneAndIsAskedForInThisPlace) {
    options.passes = 1000;  // only the request can end it
    answer_open_dialog({kOtherFilm});
    at_frame(3, [](FilmWindow& fw) {
        EXPECT_TRUE(mw31::qt_test::send_key(*fw.window, "O", false, true, ""));
    });
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(seen.frames, (std::vector<int>{1, 2, 3}));

    ASSERT_EQ(mw31::shown_dialogs().size(), 1u) << "one dialog, not one per key message";
    EXPECT_EQ(mw31::shown_dialogs()[0].kind, "open");
    EXPECT_EQ(mw31::shown_dialogs()[0].text, (dir / "films").string()) << "the film's folder";
    const NextFilm next = take_next_film();
    EXPECT_EQ(next.film, kOtherFilm);
    EXPECT_EQ(next.outer, place);
    EXPECT_EQ(next.shown, mw31::ShowMode::Normal);
    EXPECT_EQ(take_next_film().film, "") << "taken once";
    EXPECT_EQ(mw31::recent_films(), (std::vector<std::string>{kOtherFilm}));
}

TEST_F(NextFilmFromWindow, CancelLeavesTheFilmPlayingAndAsksForNothing) {
    answer_open_dialog({});
    at_frame(2, [](FilmWindow& fw) {
        Message m = message(fw, MessageKind::KeyDown);
        m.key = 'O';
        m.ctrl = true;
        mw31::post_message(m);
    });
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(seen.frames, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(mw31::shown_dialogs().size(), 1u);
    EXPECT_EQ(take_next_film().film, "");
    EXPECT_TRUE(mw31::recent_films().empty());
}

TEST_F(NextFilmFromWindow, CtrlOActsWhileSingleSteppingWhereCharactersOnlyStep) {
    options.passes = 1000;
    answer_open_dialog({kOtherFilm});
    at_frame(2, [](FilmWindow& fw) {
        post_char(fw, 's');
        fw.window->set_timer(7, 5);
    });
    int ticks = 0;
    seen.on_message = [&ticks](FilmWindow& fw, const Message& m) {
        if (m.kind != MessageKind::Timer || ++ticks != 2) return;
        fw.window->kill_timer(7);
        // Waiting on frame 2: the key as the platform delivers it, key-down and Ctrl+O's
        // control character.
        EXPECT_TRUE(mw31::qt_test::send_key(*fw.window, "O", false, true, ""));
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(seen.frames, (std::vector<int>{1, 2, 2})) << "no step after the choice";
    EXPECT_EQ(take_next_film().film, kOtherFilm);
}

// A cancelled dialog or the help (F1, no character) leaves the film where it was; leaving
// single step then plays on from there. Typed characters step, `h` too, as in single step.
TEST_F(NextFilmFromWindow, WindowsOpenedWhileSingleSteppingDoNotStepTheFilm) {
    options.passes = 1;
    answer_open_dialog({});
    mw31::queue_dialog_answer({});  // the help
    at_frame(2, [](FilmWindow& fw) {
        post_char(fw, 's');
        fw.window->set_timer(7, 5);
    });
    int ticks = 0;
    std::vector<int> waiting_on;  // the frame shown at each tick
    seen.on_message = [&](FilmWindow& fw, const Message& m) {
        if (m.kind != MessageKind::Timer || ticks == 4) return;  // late ticks after the kill
        ++ticks;
        waiting_on.push_back(fw.state.index);
        if (ticks == 2) {
            EXPECT_TRUE(mw31::qt_test::send_key(*fw.window, "O", false, true, ""));
        }
        if (ticks == 3) {
            Message help = message(fw, MessageKind::KeyDown);
            help.key = mw31::vk::F1;
            mw31::post_message(help);
            // A typed character of another key press still steps.
            Message typed = message(fw, MessageKind::Char);
            typed.key = '<';
            typed.ctrl = true;
            mw31::post_message(typed);
        }
        if (ticks == 4) {
            fw.window->kill_timer(7);
            Message s = message(fw, MessageKind::KeyDown);
            s.key = 'S';
            mw31::post_message(s);
            post_char(fw, 's');
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(waiting_on, (std::vector<int>{2, 2, 2, 3}));
    EXPECT_EQ(seen.frames, (std::vector<int>{1, 2, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(mw31::shown_dialogs().size(), 2u) << "the open dialog and the help";
    EXPECT_EQ(take_next_film().film, "");
}

TEST_F(NextFilmFromWindow, ADroppedFilmPlaysNextInThisPlace) {
    options.passes = 1000;
    at_frame(2, [](FilmWindow& fw) { post_drop(fw, {kOtherFilm}); });
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(seen.frames, (std::vector<int>{1, 2}));
    const NextFilm next = take_next_film();
    EXPECT_EQ(next.film, kOtherFilm);
    EXPECT_EQ(next.outer, place);
    EXPECT_TRUE(mw31::shown_dialogs().empty()) << "a drop asks nothing";
}

TEST_F(NextFilmFromWindow, SeveralDroppedFilmsPlayNextAsAFilmList) {
    options.passes = 1000;
    const std::string a = (dir / "films" / "a.anm").string();
    const std::string b = kOtherFilm;
    at_frame(2, [&](FilmWindow& fw) { post_drop(fw, {a, b}); });
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(seen.frames.size(), 2u);
    const NextFilm next = take_next_film();
    EXPECT_EQ(next.film, (dir / "films" / "gesflm.txt").string());
    EXPECT_EQ(slurp(next.film), "film=" + a + "\nfilm=" + b + "\n");
}

TEST_F(NextFilmFromWindow, ADropOfNothingAndADropWhileRecordingChangeNothing) {
    options.window.outputs.avi_start = [] { return 0; };
    options.window.outputs.avi_add_picture = [](const mw31::Picture&) {};
    options.window.outputs.avi_finish = [] {};
    seen.on_frame = [](FilmWindow& fw) {
        if (g_seen->frames.size() == 1) post_drop(fw, {});
        if (g_seen->frames.size() == 3) post_char(fw, 'v');  // recording from the next advance
        if (g_seen->frames.size() == 6) post_drop(fw, {kOtherFilm});
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(seen.frames.size(), 3u + 9u) << "the pass to frame 3, then the recorded pass";
    EXPECT_EQ(take_next_film().film, "");
}

TEST_F(NextFilmFromWindow, TheNextWindowOpensOnceInThePlaceAsked) {
    NextFilm place_asked;
    place_asked.outer = place;
    place_asked.shown = mw31::ShowMode::Normal;
    place_next_film_window(place_asked);
    EXPECT_EQ(play(), 0);
    play();  // the place was used: its own size again
    place_asked.shown = mw31::ShowMode::Maximized;
    place_next_film_window(place_asked);
    play();
    place_asked.shown = mw31::ShowMode::FullScreen;
    place_next_film_window(place_asked);
    seen.on_frame = [](FilmWindow& fw) {
        if (g_seen->frames.size() == 1) post_char(fw, 'e');
        // F11 gives back the window the player asked for, not a full screen again.
        EXPECT_TRUE(fw.full_screen);
    };
    play();

    ASSERT_EQ(seen.opened_at.size(), 4u);
    EXPECT_EQ(seen.opened_at[0], place);
    EXPECT_EQ(seen.opened_as[0], mw31::ShowMode::Normal);
    EXPECT_NE(seen.opened_at[1], place);
    EXPECT_NE(seen.opened_at[1].width(), place.width()) << "its own size again";
    EXPECT_EQ(seen.opened_as[2], mw31::ShowMode::Maximized);
    EXPECT_EQ(seen.opened_as[3], mw31::ShowMode::FullScreen);
}

TEST_F(NextFilmFromWindow, AMergedFilmOpensTheDialogAtTheNewestRecentFilm) {
    fs::create_directories(dir / "recent");
    mw31::remember_recent_films({(dir / "recent" / "r.anm").string(), kOtherFilm});
    options.source_name = mw31::temp_directory() + "/gesamt.flm";
    answer_open_dialog({});
    at_frame(1, [](FilmWindow& fw) { film_window_command(fw, kKeyOpenFilm); });
    EXPECT_EQ(play(), 0);
    ASSERT_EQ(mw31::shown_dialogs().size(), 1u);
    EXPECT_EQ(mw31::shown_dialogs()[0].text, (dir / "recent").string());
    EXPECT_EQ(mw31::shown_dialogs()[0].recent,
              (std::vector<std::string>{(dir / "recent" / "r.anm").string(), kOtherFilm}));
}

}  // namespace
}  // namespace film
