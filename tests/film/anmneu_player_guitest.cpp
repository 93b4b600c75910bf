// The ANMNEU playback loop driven without a person: messages are posted from an observer that
// sees every drawn picture with its frame and sub-step; the sequence, the state, the pixels and
// the temporary files are checked.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <utility>
#include <vector>

#include "film/anmneu_player.h"
#include "mw31/app_state.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"
#include "mw31/process.h"
#include "mw31/temp_names.h"

namespace film {
namespace {

namespace fs = std::filesystem;
using mw31::Message;
using mw31::MessageKind;
using Shown = std::pair<int, int>;  // frame index, sub-step

// A red bar whose left end moves 10 units right per frame, and a fixed black line. Frames
// with a caption "text Bild i" in the status panel (even ones) and the label "Stellung i".
std::string small_film(int frames, bool with_info = true) {
    std::ostringstream s;
    s << "ANMNEU\n2\n" << frames << "\n-65\n65\n-50\n50\n";
    if (with_info)
        s << "--- Start Infotext ---\nZwei Striche\nzweite Zeile\n--- Ende Infotext ---\n";
    s << "--- Symbol-Dateien ---\n"
      << "begin 1\nStab\nbewegt\nrot\nm 0 0\nd 20 0\nend\n"
      << "begin 2\nGestell\nfest\nschwarz\nm -30 -20\nd 30 -20\nend\n";
    for (int i = 0; i < frames; ++i) {
        s << "#" << i << "\n";
        if (i % 2 == 0) s << "x text Bild " << i << "\n";
        s << "c-60 45:Stellung " << i << "\n" << 10 * i - 40 << " 10\n0 0\n";
    }
    return s.str();
}

struct Script {
    std::vector<Shown> shown;
    std::function<void(FilmWindow&, const mw31::Picture&, int)> on_frame;
    std::function<void(FilmWindow&, const Message&)> on_message;
};
Script* g_script = nullptr;

void observe(FilmWindow& fw, const mw31::Picture& picture, int substep, void*) {
    g_script->shown.push_back({fw.state.index, substep});
    if (g_script->on_frame) g_script->on_frame(fw, picture, substep);
}

void hook_messages(FilmWindow& fw, const Message& m) {
    if (g_script->on_message) g_script->on_message(fw, m);
}

Message to_window(FilmWindow& fw, MessageKind kind) {
    Message m;
    m.window = fw.window.get();
    m.kind = kind;
    return m;
}
void post_char(FilmWindow& fw, int ch) {
    Message m = to_window(fw, MessageKind::Char);
    m.key = ch;
    mw31::post_message(m);
}
void post_command(FilmWindow& fw, int command) {
    Message m = to_window(fw, MessageKind::Command);
    m.command = command;
    mw31::post_message(m);
}
void post_key(FilmWindow& fw, int key) {
    Message m = to_window(fw, MessageKind::KeyDown);
    m.key = key;
    mw31::post_message(m);
}

// Non-white pixels in rows [top, bottom) of the picture.
int ink_in_rows(const mw31::Picture& picture, int top, int bottom) {
    const std::vector<uint8_t> rgb = picture.rgb_rows();
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const size_t i = 3 * (size_t(y) * size_t(picture.width()) + size_t(x));
            if (rgb[i] != 255 || rgb[i + 1] != 255 || rgb[i + 2] != 255) ++n;
        }
    return n;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class AnmneuPlayer : public ::testing::Test {
  protected:
    Script script;
    AnmneuOptions options;
    fs::path dir;
    std::string saved_tmpdir;

    void SetUp() override {
        g_script = &script;
        mw31::clear_dialog_hooks();
        mw31::set_quit_requested(false);
        dir = fs::temp_directory_path() /
              ("kv_anmneu_player_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
        if (const char* t = std::getenv("TMPDIR")) saved_tmpdir = t;
        ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
        options.passes = 1;
        options.pause_ms = 1;
        options.window.show = mw31::ShowMode::Normal;
        options.window.client_width = 650;
        options.window.client_height = 520;
        options.frame_observer = observe;
        options.window_opened = [](FilmWindow& fw, void*) { fw.message_hook = hook_messages; };
        use_film(small_film(4));
    }
    void TearDown() override {
        g_script = nullptr;
        mw31::service_messages();
        if (saved_tmpdir.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", saved_tmpdir.c_str(), 1);
        ::unsetenv("KURVLAB_EDITOR");
        fs::remove_all(dir);
    }
    void use_film(const std::string& text, const std::string& name = "film.anm") {
        std::ofstream((dir / name).string(), std::ios::binary) << text;
        options.film_name = (dir / name).string();
    }
    int play() { return anmneu_film(options); }
    std::vector<std::string> temp_files() {
        std::vector<std::string> names;
        // The program's own temporary folder, made inside TMPDIR.
        for (const auto& e : fs::directory_iterator(mw31::temp_directory()))
            names.push_back(e.path().filename().string());
        return names;
    }
};

TEST_F(AnmneuPlayer, PlaysFramesFromZeroOncePerPass) {
    options.passes = 2;
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown,
              (std::vector<Shown>{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 0}, {1, 0}, {2, 0}, {3, 0}}));
}

TEST_F(AnmneuPlayer, PhiTenShowsTenPicturesPerFrameAndForcesStepOne) {
    std::vector<int> steps;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&, int) {
        const size_t n = g_script->shown.size();
        steps.push_back(fw.state.step);
        if (n == 1) {  // Faster twice at a pause of 1 ms: step 3
            post_char(fw, '+');
            post_char(fw, '+');
        }
        if (n == 2) post_char(fw, '2');  // phi x 10 on frame 3
    };
    use_film(small_film(6));
    EXPECT_EQ(play(), 0);
    std::vector<Shown> expected{{0, 0}, {3, 0}};
    for (int i = 3; i < 6; ++i)
        for (int q = (i == 3 ? 1 : 0); q < 10; ++q) expected.push_back({i, q});
    EXPECT_EQ(script.shown, expected);
    EXPECT_EQ(steps[1], 3);
    EXPECT_EQ(steps[2], 1);  // forced at the first advance with the factor in force
}

TEST_F(AnmneuPlayer, BackwardFromFrameZeroWrapsToTheLastFrameAndItsLastSubStep) {
    options.passes = 2;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&, int) {
        if (g_script->shown.size() == 1) post_key(fw, mw31::vk::Left);
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<Shown>{{0, 0}, {3, 0}, {2, 0}, {1, 0}, {0, 0}}));

    script.shown.clear();
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&, int) {
        if (g_script->shown.size() == 1) {
            post_char(fw, '2');
            post_char(fw, 7);  // Ctrl+G
        }
        if (g_script->shown.size() == 4) post_command(fw, kCmdEnd);
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<Shown>{{0, 0}, {3, 9}, {3, 8}, {3, 7}}));
}

TEST_F(AnmneuPlayer, SingleStepTakesNoPauseAndMeasuresNoCycles) {
    options.pause_ms = 4000;  // a single pause would exceed the whole run
    // Single step comes on while the first picture is drawn (its symbols service messages);
    // a timer types a blank now and then, which ends each wait.
    options.window_opened = [](FilmWindow& fw, void*) {
        fw.message_hook = hook_messages;
        post_char(fw, 's');
        fw.window->set_timer(8, 5);
    };
    script.on_message = [](FilmWindow& fw, const Message& m) {
        if (m.kind == MessageKind::Timer) post_char(fw, ' ');
    };
    std::vector<int> counted;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&, int) {
        counted.push_back(fw.state.cycle_count);
        if (g_script->shown.size() == 5) post_command(fw, kCmdEnd);
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(play(), 0);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_LT(ms, 4000);
    // The frame on which single step came on is drawn once more, then one frame per key.
    EXPECT_EQ(script.shown, (std::vector<Shown>{{0, 0}, {0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    EXPECT_EQ(counted, (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST_F(AnmneuPlayer, CyclesAreCountedAtFactorOneOnly) {
    std::vector<int> counted;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&, int) {
        counted.push_back(fw.state.cycle_count);
        if (g_script->shown.size() == 2) post_char(fw, '3');  // phi x 100
        if (g_script->shown.size() == 50) post_command(fw, kCmdEnd);
    };
    EXPECT_EQ(play(), 0);
    ASSERT_EQ(counted.size(), 50u);
    EXPECT_EQ(counted[0], 1);
    EXPECT_EQ(counted[1], 2);
    for (size_t k = 2; k < counted.size(); ++k) EXPECT_EQ(counted[k], 0) << k;
}

TEST_F(AnmneuPlayer, CaptionIsShownInTheStatusPanel) {
    std::vector<int> panel_ink;
    script.on_frame = [&](FilmWindow&, const mw31::Picture& picture, int) {
        // The symbols stay in the middle; the panel's bar is the picture's lowest 22 rows.
        panel_ink.push_back(ink_in_rows(picture, picture.height() - 22, picture.height()));
    };
    EXPECT_EQ(play(), 0);
    ASSERT_EQ(panel_ink.size(), 4u);
    EXPECT_GT(panel_ink[0], 20);  // "Bild 0"
    EXPECT_EQ(panel_ink[1], 0);   // no caption
    EXPECT_GT(panel_ink[2], 20);
    EXPECT_EQ(panel_ink[3], 0);
}

TEST_F(AnmneuPlayer, InfotextOpensTheInfoFileInTheEditorWhilePlaying) {
    const fs::path copy = dir / "seen.txt";
    const fs::path editor = dir / "editor.sh";
    std::ofstream(editor) << "#!/bin/sh\ncp \"$1\" \"" << copy.string() << ".part\" && mv \""
                          << copy.string() << ".part\" \"" << copy.string() << "\"\n";
    fs::permissions(editor, fs::perms::owner_all);
    ::setenv("KURVLAB_EDITOR", editor.c_str(), 1);
    bool info_there = false;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&, int) {
        if (g_script->shown.size() == 1) {
            info_there = fs::exists(mw31::temp_info_name());
            post_char(fw, '?');
        }
        if (g_script->shown.size() == 2)
            for (int i = 0; i < 200 && !fs::exists(copy); ++i) mw31::sleep_ms(25);
    };
    EXPECT_EQ(play(), 0);
    EXPECT_TRUE(info_there);
    EXPECT_EQ(slurp(copy), "Zwei Striche\nzweite Zeile\n");
}

TEST_F(AnmneuPlayer, InfotextWithoutAnEditorSaysSoAndShowsTheText) {
    // No editor variable and nothing on the PATH: neither an editor nor xdg-open is found.
    ::unsetenv("KURVLAB_EDITOR");
    ::unsetenv("VISUAL");
    ::unsetenv("EDITOR");
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", dir.c_str(), 1);
    mw31::queue_dialog_answer({});  // the box is answered with OK
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&, int) {
        if (g_script->shown.size() == 1) post_char(fw, '?');
    };
    EXPECT_EQ(play(), 0);
    ::setenv("PATH", path.c_str(), 1);
    bool shown = false;
    for (const mw31::DialogRecord& d : mw31::shown_dialogs())
        if (d.kind == "message" && d.text.find("no text editor found") != std::string::npos) {
            shown = true;
            EXPECT_NE(d.text.find("Zwei Striche\nzweite Zeile\n"), std::string::npos) << d.text;
        }
    EXPECT_TRUE(shown);
}

TEST_F(AnmneuPlayer, FramesTheFileHasNoPlacementsForAreNotPlayed) {
    // Frame 1 is missing between 0 and 2: it is passed over, not drawn at the origin.
    std::string film = small_film(4);
    const size_t from = film.find("#1\n"), to = film.find("#2\n");
    film.erase(from, to - from);
    use_film(film);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(play(), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(script.shown, (std::vector<Shown>{{0, 0}, {2, 0}, {3, 0}}));
    EXPECT_NE(err.find("only 3 of 4 frames"), std::string::npos) << err;
}

TEST_F(AnmneuPlayer, LeavingRemovesTheTemporaryFilesAndTheUnwrappedCopy) {
    std::ofstream(mw31::temp_work_name()) << "work";
    std::string wrapped = "# CAD-Export --- Viergelenk\n# Start ANMNEU-Datei\n";
    std::istringstream lines(small_film(3));
    for (std::string line; std::getline(lines, line);) wrapped += "# " + line + "\n";
    wrapped += "# Ende ANMNEU-Datei\n";
    use_film(wrapped, "export.cad");
    int temp_files_while_playing = -1;
    script.on_frame = [&](FilmWindow&, const mw31::Picture&, int) {
        if (g_script->shown.size() == 1) temp_files_while_playing = int(temp_files().size());
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<Shown>{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(temp_files_while_playing, 3);  // kurvlab.tmp, kurvlab.txt, the unwrapped copy
    EXPECT_EQ(temp_files(), std::vector<std::string>{});
}

TEST_F(AnmneuPlayer, FilmsThatCannotBePlayedAreReportedBeforeAnyPicture) {
    // Without a terminal the messages go to standard error.
    ::testing::internal::CaptureStderr();
    use_film(small_film(0));
    EXPECT_EQ(play(), 1);
    use_film("ANMNEX\n1\n1\n0\n1\n0\n1\n--- Symbol-Dateien ---\n#0\n", "other.anm");
    EXPECT_EQ(play(), 1);
    options.film_name = (dir / "missing.anm").string();
    EXPECT_EQ(play(), 1);
    const std::string shown = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(script.shown.empty());
    const std::string expected =
        "mw31_film: keine Getriebestellungen im Film / no frames in film:\n" +
        (dir / "film.anm").string() + "\n" + (dir / "other.anm").string() +
        " ist keine ANMNEU-Datei\n" +
        "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n" +
        (dir / "missing.anm").string() + "\n";
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(temp_files(), std::vector<std::string>{});
}

TEST_F(AnmneuPlayer, WheelAndZoomOutChangeTheWorldWindowAndInitRestoresIt) {
    std::vector<WorldWindow> windows;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&, int) {
        const AnmneuFilm* film = anmneu_film_of(fw);
        ASSERT_NE(film, nullptr);
        windows.push_back(film->window);
        const size_t n = g_script->shown.size();
        if (n == 1) {
            Message m = to_window(fw, MessageKind::Wheel);
            m.wheel = -120;  // backward: closer
            m.x = 325;
            m.y = 250;
            mw31::post_message(m);
        }
        if (n == 2) post_char(fw, '<');
        if (n == 3) post_char(fw, 'i');
    };
    EXPECT_EQ(play(), 0);
    ASSERT_EQ(windows.size(), 4u);
    EXPECT_EQ(windows[0], (WorldWindow{-65, 65, -50, 50}));
    EXPECT_NEAR(windows[1].xr - windows[1].xl, 130 / 1.2, 1e-9);
    EXPECT_NEAR(windows[2].xr - windows[2].xl, 260 / 1.2, 1e-9);
    EXPECT_EQ(windows[3], windows[0]);
}

}  // namespace
}  // namespace film
