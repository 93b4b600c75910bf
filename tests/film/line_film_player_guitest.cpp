// The line-film playback loop driven without a person: messages are posted from an observer
// that sees every drawn picture, and the frame index, state and pixels are checked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "film/line_film_player.h"
#include "film_model/line_film_painter.h"
#include "mw31/app_state.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"
#include "mw31/process.h"
#include "support/qt_test_events.h"
#include "support/scoped_env.h"

namespace film {
namespace {

using mw31::Message;
using mw31::MessageKind;

std::string shorts(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s += char((v >> 8) & 255);
        s += char(v & 255);
    }
    return s;
}

// Binary line film: frame i holds a red line at y = 100 + 20 i and two black ones, 7 records.
std::string numbered_film(int frames) {
    std::string s = "F\n";
    for (int i = 0; i < frames; ++i) {
        const int y = 100 + 20 * i;
        s += "L" + shorts({100, y, 400, y});
        s += "C" + shorts({2});
        s += "L" + shorts({100, y + 2, 400, y + 2}) + "L" + shorts({100, y + 4, 400, y + 4});
        s += "X";
    }
    return s;
}

// What a test does while the film plays.
struct Script {
    std::vector<int> shown;  // frame index of every drawn picture
    std::function<void(FilmWindow&, const mw31::Picture&)> on_frame;
    std::function<void(FilmWindow&, const Message&)> on_message;
};
Script* g_script = nullptr;
FilmWindow* g_window = nullptr;  // the window playing, for the outputs' hooks

void observe(FilmWindow& fw, const mw31::Picture& picture, void*) {
    g_script->shown.push_back(fw.state.index);
    if (g_script->on_frame) g_script->on_frame(fw, picture);
}
void hook_messages(FilmWindow& fw, const Message& m) {
    if (g_script->on_message) g_script->on_message(fw, m);
}
void opened(FilmWindow& fw, void*) {
    g_window = &fw;
    fw.message_hook = hook_messages;
}

Message char_message(FilmWindow& fw, int ch) {
    Message m;
    m.window = fw.window.get();
    m.kind = MessageKind::Char;
    m.key = ch;
    return m;
}
Message key_message(FilmWindow& fw, int key) {
    Message m = char_message(fw, key);
    m.kind = MessageKind::KeyDown;
    return m;
}
Message command_message(FilmWindow& fw, int command) {
    Message m;
    m.window = fw.window.get();
    m.kind = MessageKind::Command;
    m.command = command;
    return m;
}
Message mouse_message(FilmWindow& fw, MessageKind kind, mw31::MouseButton button, int x, int y) {
    Message m;
    m.window = fw.window.get();
    m.kind = kind;
    m.button = button;
    m.x = x;
    m.y = y;
    return m;
}
mw31::Rgb pixel(const mw31::Picture& picture, int x, int y) {
    const std::vector<uint8_t> rgb = picture.rgb_rows();
    const size_t i = 3 * (size_t(y) * size_t(picture.width()) + size_t(x));
    return mw31::Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
}
void post_char(FilmWindow& fw, int ch) {
    mw31::post_message(char_message(fw, ch));
}

class LineFilmPlayer : public ::testing::Test {
  protected:
    Script script;
    LineFilmOptions options;
    std::string bytes;
    std::unique_ptr<MemoryByteSource> source;

    void SetUp() override {
        g_script = &script;
        mw31::clear_dialog_hooks();
        mw31::set_quit_requested(false);
        options.passes = 1;
        options.pause_ms = 1;
        options.window.show = mw31::ShowMode::Normal;
        options.window.client_width = 640;
        options.window.client_height = 512;
        options.frame_observer = observe;
        options.window_opened = opened;
        use_film(numbered_film(10));
    }
    void TearDown() override {
        g_script = nullptr;
        g_window = nullptr;
        mw31::service_messages();
    }
    void use_film(std::string film) {
        bytes = std::move(film);
        source = std::make_unique<MemoryByteSource>(bytes.data(), bytes.size(), "test film");
        options.source = source.get();
    }
    int play() { return play_line_film(options); }
};

TEST_F(LineFilmPlayer, PlaysEveryFrameButTheFirstReadOncePerPass) {
    options.passes = 2;
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown,
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(LineFilmPlayer, StepThreeShowsOneFourSevenThenWrapsToOne) {
    options.passes = 2;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        // Faster at a pause of 1 ms raises the step: twice gives 3.
        if (fw.state.step == 1) {
            mw31::post_message(command_message(fw, kCmdFaster));
            post_char(fw, '+');
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 4, 7, 1, 4, 7}));
}

TEST_F(LineFilmPlayer, BackwardFromOneWrapsToNine) {
    options.passes = 2;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 1) mw31::post_message(key_message(fw, mw31::vk::Left));
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST_F(LineFilmPlayer, DirectionKeysAndButtonChangeTheWayMidPass) {
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 4) post_char(fw, 7);                                        // Ctrl+G: backward
        if (n == 6) mw31::post_message(command_message(fw, kCmdDirection));  // toggle: forward
        if (n == 8) mw31::post_message(key_message(fw, mw31::vk::Right));    // stays forward
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 3, 4, 3, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(LineFilmPlayer, RealKeysAndButtonsOfTheWindowReachTheCommands) {
    std::vector<std::pair<int, bool>> seen;  // (step, backward) at each frame
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        seen.push_back({fw.state.step, fw.state.backward});
        mw31::Window& w = *fw.window;
        const size_t n = g_script->shown.size();
        bool ok = true;
        if (n == 1) ok = mw31::qt_test::click_button(w, kCmdFaster);              // step 2
        if (n == 2) ok = mw31::qt_test::send_key(w, "Minus", false, false, "-");  // 1
        if (n == 3) ok = mw31::qt_test::send_key(w, "G", false, true, "");        // backward
        if (n == 4) ok = mw31::qt_test::send_key(w, "Right", false, false, "");
        if (n == 5) ok = mw31::qt_test::send_key(w, "E", true, false, "E");  // End
        EXPECT_TRUE(ok) << "frame " << n;
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 3, 4, 3, 4}));
    EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{
                        {1, false}, {2, false}, {1, false}, {1, true}, {1, false}}));
}

TEST_F(LineFilmPlayer, SlowerAndFasterChangePauseAndStep) {
    std::vector<std::pair<int, int>> seen;  // (step, pause) at each frame
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        seen.push_back({fw.state.step, fw.state.pause_ms});
        const size_t n = g_script->shown.size();
        if (n == 1) post_char(fw, '+');                                   // step 2
        if (n == 2) post_char(fw, '-');                                   // step 1
        if (n == 3) post_char(fw, '-');                                   // pause 2
        if (n == 4) mw31::post_message(command_message(fw, kCmdSlower));  // pause 4
        if (n == 5) mw31::post_message(command_message(fw, kCmdFaster));  // pause 2
        if (n == 6) post_char(fw, 'e');
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(seen,
              (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {1, 1}, {1, 2}, {1, 4}, {1, 2}}));
    EXPECT_EQ(script.shown, (std::vector<int>{1, 3, 4, 5, 6, 7}));
}

TEST_F(LineFilmPlayer, InvertThreeTimesGivesPenWidthsTwoThreeOne) {
    std::vector<int> widths;
    std::vector<mw31::Rgb> corners;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture& picture) {
        corners.push_back(pixel(picture, 600, 500));
        if (fw.state.invert) widths.push_back(fw.state.pen_width);
        post_char(fw, '~');
    };
    options.passes = 1;
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(widths, (std::vector<int>{2, 3, 1, 2}));
    ASSERT_GE(corners.size(), 2u);
    EXPECT_EQ(corners[0], (mw31::Rgb{255, 255, 255}));
    EXPECT_EQ(corners[1], (mw31::Rgb{0, 0, 0}));  // inverted: black background
    // The program's colour table is left as the film found it: 9 toggles, so swapped once.
    EXPECT_EQ(film_colour_table().entries[0], (Rgb{255, 255, 255}));
    film_colour_table().reset();
}

TEST_F(LineFilmPlayer, InvertWhileHeldRedrawsAtOnceAndKeepsBlackElementsAtEveryPenWidth) {
    // Every frame: colour 1 (black) drawn in a line at film y 400, screen y 200 at half scale.
    std::string film = "F\n";
    for (int i = 0; i < 10; ++i) {
        film += "C" + shorts({1});
        film += "L" + shorts({200, 400, 600, 400}) + "L" + shorts({200, 500, 600, 500});
        film += "L" + shorts({200, 600, 600, 600}) + "X";
    }
    use_film(film);
    struct Seen {
        int index, pen_width;
        bool invert, hold;
        mw31::Rgb line, background;
    };
    std::vector<Seen> seen;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture& picture) {
        seen.push_back({fw.state.index, fw.state.pen_width, fw.state.invert, fw.state.hold,
                        pixel(picture, 150, 200), pixel(picture, 150, 220)});
        if (g_script->shown.size() == 2) {
            post_char(fw, '.');
            fw.window->set_timer(7, 5);
        }
    };
    // One key per picture: the next goes in only once the last one's redraw was seen.
    size_t acted = 0;
    script.on_message = [&](FilmWindow& fw, const Message& m) {
        if (m.kind != MessageKind::Timer || seen.size() < 2 || seen.size() == acted || acted >= 7)
            return;
        acted = seen.size();
        if (acted < 7) {
            post_char(fw, '~');  // on with width 2, off, on with 3, off, on with 1
        } else {
            fw.window->kill_timer(7);
            post_char(fw, '.');
        }
    };
    EXPECT_EQ(play(), 0);
    ASSERT_GE(seen.size(), 8u);
    const mw31::Rgb black{0, 0, 0}, white{255, 255, 255};
    // Frame 2 once played, then five times more while held, once after each Invert.
    std::vector<int> widths;
    for (size_t i = 1; i < 7; ++i) {
        EXPECT_EQ(seen[i].index, 2) << i;
        const bool inverted = seen[i].invert;
        EXPECT_EQ(seen[i].line, inverted ? white : black) << i;
        EXPECT_EQ(seen[i].background, inverted ? black : white) << i;
        if (i > 1) {
            EXPECT_TRUE(seen[i].hold) << i;
        }
        widths.push_back(seen[i].pen_width);
    }
    EXPECT_EQ(widths, (std::vector<int>{1, 2, 2, 3, 3, 1}));
    EXPECT_EQ(seen[7].index, 3);
    film_colour_table().reset();
}

TEST_F(LineFilmPlayer, ClientOfThousandByThousandGivesADrawingAreaOfThousandByEightHundred) {
    options.window.client_width = 0;
    options.window.client_height = 0;
    setenv("FILMFENSTERX", "1000", 1);
    setenv("FILMFENSTERY", "1000", 1);
    mw31::Rect client{}, area{};
    int picture_w = 0, picture_h = 0;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture& picture) {
        client = fw.window->client_rect();
        area = fw.view.area;
        picture_w = picture.width();
        picture_h = picture.height();
        post_char(fw, 'e');
    };
    EXPECT_EQ(play(), 0);
    unsetenv("FILMFENSTERX");
    unsetenv("FILMFENSTERY");
    EXPECT_EQ(client, (mw31::Rect{0, 0, 1000, 1000}));
    EXPECT_EQ(area, (mw31::Rect{0, 0, 1000, 800}));
    EXPECT_EQ(picture_w, 1000);
    EXPECT_EQ(picture_h, 800);
}

TEST_F(LineFilmPlayer, PictureShowsWhatTheRecordsSay) {
    // Area 640 x 512 for the 1280-wide film: half scale.
    std::string film = "F\n";
    film += "L" + shorts({200, 300, 600, 300});     // black (100,150)-(300,150)
    film += "C" + shorts({2});                      // red from here
    film += "L" + shorts({200, 400, 200, 600});     // (100,200)-(100,300)
    film += "W" + shorts({600, 400, 800, 500});     // outline (300,200)-(400,250)
    film += "L" + shorts({1200, 800, 1200, 1000});  // (600,400)-(600,500)
    film += "I" + shorts({1100, 900, 1260, 900});   // inverting (550,450)-(630,450), pen black
    film += "L" + shorts({900, 400, 900, 700});     // black (450,200)-(450,350)
    film += "X";
    use_film("F\nL" + shorts({0, 0, 1, 1}) + "X" + film.substr(2));
    std::vector<uint8_t> rgb;
    script.on_frame = [&](FilmWindow&, const mw31::Picture& picture) {
        if (rgb.empty()) rgb = picture.rgb_rows();
    };
    ASSERT_EQ(play(), 0);
    ASSERT_EQ(rgb.size(), size_t(640 * 512 * 3));

    std::vector<mw31::Rgb> expected(640 * 512, mw31::Rgb{255, 255, 255});
    auto put = [&](int x, int y, mw31::Rgb c) { expected[size_t(y * 640 + x)] = c; };
    const mw31::Rgb red{255, 0, 0}, black{0, 0, 0}, cyan{0, 255, 255};
    for (int x = 100; x < 300; ++x) put(x, 150, black);
    for (int y = 200; y < 300; ++y) put(100, y, red);
    for (int x = 300; x < 400; ++x) put(x, 200, red), put(x, 249, red);
    for (int y = 200; y < 250; ++y) put(300, y, red), put(399, y, red);
    for (int y = 400; y < 500; ++y) put(600, y, red);
    for (int x = 550; x < 630; ++x) put(x, 450, x == 600 ? cyan : black);
    for (int y = 200; y < 350; ++y) put(450, y, black);
    int differing = 0, first_x = -1, first_y = -1;
    for (int y = 40; y < 512; ++y) {  // above: the status line
        for (int x = 0; x < 640; ++x) {
            const size_t i = size_t(y * 640 + x);
            const mw31::Rgb got{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
            if (!(got == expected[i])) {
                if (differing++ == 0) first_x = x, first_y = y;
            }
        }
    }
    EXPECT_EQ(differing, 0) << "first difference at (" << first_x << ", " << first_y << ")";
}

TEST_F(LineFilmPlayer, FilmWithoutFramesIsRefusedWithAMessageBeforePlayback) {
    use_film("just a head, no frame marker");
    testing::internal::CaptureStderr();
    EXPECT_EQ(play(), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("no frames in film"), std::string::npos) << err;
    EXPECT_TRUE(script.shown.empty());
    EXPECT_FALSE(mw31::not_interruptible());

    // One frame only: index 0 is never shown, so there is nothing to play either.
    use_film(numbered_film(1));
    testing::internal::CaptureStderr();
    EXPECT_EQ(play(), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no frame to show"), std::string::npos);
    EXPECT_TRUE(script.shown.empty());
}

TEST_F(LineFilmPlayer, GridTargetAndMeasuringKeysActWithoutAnyMessage) {
    bool grid_after = false;
    MeasureState measure_after;
    mw31::CannedAnswer cancel;
    cancel.answer = mw31::BoxAnswer::Cancel;
    mw31::queue_dialog_answer(cancel);
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 2)
            for (const char key : {'g', 'g', 'g', 'n', 'z', 'r', 'z'}) post_char(fw, key);
        if (n == 3) {
            grid_after = fw.state.grid;
            measure_after = fw.measuring.state;
        }
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(play(), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(grid_after);
    EXPECT_EQ(measure_after.stage, kMeasureReference);
    EXPECT_TRUE(measure_after.armed);
    EXPECT_EQ(err.find("not available yet"), std::string::npos) << err;
    size_t asked = 0;
    for (const mw31::DialogRecord& d : mw31::shown_dialogs())
        if (d.title == "Wunschtaktzahl eingeben") ++asked;
    EXPECT_EQ(asked, 1u);
}

TEST_F(LineFilmPlayer, AKeyCountsDuringALongPause) {
    options.pause_ms = 5000;  // slower than the slowest speed
    long long shown_at = 0;
    bool asked = false;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() != 1) return;
        shown_at = mw31::tick_count();
        fw.window->set_timer(5, 100);
    };
    script.on_message = [&](FilmWindow& fw, const Message& m) {
        if (m.kind != MessageKind::Timer || asked) return;
        fw.window->kill_timer(5);
        asked = true;
        post_char(fw, 'e');
    };
    EXPECT_EQ(play(), 0);
    ASSERT_TRUE(asked);
    // Ended well before the pause after the first frame was over, with no further frame.
    EXPECT_LT(mw31::tick_count() - shown_at, 2500);
    EXPECT_EQ(script.shown, (std::vector<int>{1}));
}

// A film served a few bytes at a time, slowly, as a large film from a slow disk.
class SlowSource final : public film::ByteSource {
  public:
    SlowSource(std::string bytes, std::function<void()> on_block)
        : ByteSource("slow film"), bytes_(std::move(bytes)), on_block_(std::move(on_block)) {}
    bool rewind() override {
        at_ = 0;
        return true;
    }

  protected:
    bool next_block() override {
        if (at_ >= bytes_.size()) return false;
        on_block_();
        mw31::sleep_ms(10);
        const auto* data = reinterpret_cast<const unsigned char*>(bytes_.data());
        const size_t n = std::min<size_t>(16, bytes_.size() - at_);
        set_block(data + at_, data + at_ + n);
        at_ += n;
        return true;
    }

  private:
    std::string bytes_;
    std::function<void()> on_block_;
    size_t at_ = 0;
};

TEST_F(LineFilmPlayer, ALongReadShowsHowFarItGotInTheWindow) {
    bool ink_while_reading = false;
    int blocks = 0;
    SlowSource slow(numbered_film(60), [&] {
        if (++blocks < 40 || ink_while_reading || !g_window) return;
        // The text at the top left of the window: dark pixels on the white background.
        const mw31::Canvas& canvas = g_window->window->canvas();
        for (int y = 2; y < 18 && !ink_while_reading; ++y)
            for (int x = 5; x < 200; ++x)
                if (canvas.get_pixel(x, y).r < 128) {
                    ink_while_reading = true;
                    break;
                }
    });
    options.source = &slow;
    EXPECT_EQ(play(), 0);
    EXPECT_GE(blocks, 40);
    EXPECT_TRUE(ink_while_reading);
    EXPECT_EQ(script.shown.size(), 59u);
}

TEST_F(LineFilmPlayer, HomeEndAndPageKeysJumpAndThePlayGoesOnFromThere) {
    use_film(numbered_film(30));  // frames 1 to 29 shown
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 2) mw31::post_message(key_message(fw, mw31::vk::End));
        if (n == 3) mw31::post_message(key_message(fw, mw31::vk::Home));
        if (n == 4) mw31::post_message(key_message(fw, mw31::vk::Next));
        if (n == 6) mw31::post_message(key_message(fw, mw31::vk::Escape));
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 29, 1, 3, 4}));
}

TEST_F(LineFilmPlayer, GoToDialogJumpsToTheFrameTypedAndRefusesOthers) {
    use_film(numbered_film(30));
    mw31::CannedAnswer first, second;
    first.text = "77";  // no such frame: a message, the film goes on
    second.text = "20";
    mw31::queue_dialog_answer(first);
    mw31::queue_dialog_answer(second);
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 2 || n == 3) post_char(fw, 'j');
        if (n == 5) post_char(fw, 'e');
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(play(), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 3, 20, 21}));
    EXPECT_NE(err.find("\"77\": kein Bild dieses Films / not a frame of this film (1-29)"),
              std::string::npos)
        << err;
    size_t asked = 0;
    for (const mw31::DialogRecord& d : mw31::shown_dialogs())
        if (d.kind == "text") {
            ++asked;
            EXPECT_EQ(d.title, "kurvlab Version 1862    Gehe zu / Go to");
        }
    EXPECT_EQ(asked, 2u);
}

TEST_F(LineFilmPlayer, F1AndHShowTheKeysAndThePlayGoesOn) {
    mw31::queue_dialog_answer({});
    mw31::queue_dialog_answer({});
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 2) {
            mw31::post_message(key_message(fw, mw31::vk::F1));
            post_char(fw, 'h');
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown.size(), 9u);
    size_t helps = 0;
    for (const mw31::DialogRecord& d : mw31::shown_dialogs())
        if (d.kind == "message" && d.title == "kurvlab Version 1862    Hilfe / Help") {
            ++helps;
            for (const char* key : {"Esc", "Home, End", "Page Up/Down", "F1", "Ctrl+G"})
                EXPECT_NE(d.text.find(key), std::string::npos) << key;
        }
    EXPECT_EQ(helps, 2u);
}

using kvtest::ScopedEnv;

TEST(FilmButtonTips, TheUsersLanguageIsTakenWhereACaptionHasBoth) {
    ScopedEnv all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr);
    {
        ScopedEnv language("LANGUAGE", nullptr), lang("LANG", "de_DE.UTF-8");
        EXPECT_EQ(in_user_language("Langsamer/Slower"), "Langsamer");
        EXPECT_EQ(in_user_language("FLM-Vereinigung/Merge FLMs"), "FLM-Vereinigung");
        EXPECT_EQ(button_tip(*film_button(kCmdSingleStep)), "Einzel ein+aus  (s)");
    }
    {
        // LANGUAGE goes before LANG, as for every program's messages.
        ScopedEnv language("LANGUAGE", "en_GB:de"), lang("LANG", "de_DE.UTF-8");
        EXPECT_EQ(in_user_language("Langsamer/Slower"), "Slower");
    }
    {
        ScopedEnv language("LANGUAGE", nullptr), lang("LANG", nullptr);
        EXPECT_EQ(in_user_language("Schneller/Faster"), "Faster");  // no setting: English
        // Not pairs: a slash with blanks, at an end, or more than one.
        for (const char* kept : {"<- / ->", "/x", "x/", "a/b/c", "Init", ""})
            EXPECT_EQ(in_user_language(kept), kept);
    }
}

TEST_F(LineFilmPlayer, TooltipsNameTheKeysAlsoAfterTheButtonsChange) {
    ScopedEnv language("LANGUAGE", "en");
    std::vector<std::string> tips;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        mw31::Window& w = *fw.window;
        const size_t n = g_script->shown.size();
        if (n == 2) {
            for (const int c : {kCmdEnd, kCmdSlower, kCmdDirection, kCmdSave})
                tips.push_back(mw31::qt_test::button_look(w, c).tooltip);
            post_char(fw, 's');  // the single-step button changes its picture
        }
        if (n == 3) {
            tips.push_back(mw31::qt_test::button_look(w, kCmdSingleStep).tooltip);
            post_char(fw, 'e');
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(tips,
              (std::vector<std::string>{"End  (e)", "Slower  (-)", "<- / ->  (Ctrl+G / Ctrl+L)",
                                        "Save", "SingleStep on+off  (s)"}));
}

TEST_F(LineFilmPlayer, F11FillsTheScreenAndGivesTheWindowBack) {
    use_film(numbered_film(30));
    std::vector<int> widths;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 2 || n == 12 || n == 22) widths.push_back(fw.window->client_rect().width());
        if (n == 2 || n == 12) mw31::post_message(key_message(fw, mw31::vk::F1 + 10));
    };
    EXPECT_EQ(play(), 0);
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_EQ(widths[0], 640);
    EXPECT_GT(widths[1], 640);  // the whole screen
    EXPECT_EQ(widths[2], 640);
}

TEST_F(LineFilmPlayer, SmallFramesAreSkipped) {
    std::string film = numbered_film(5);
    film += "L" + shorts({1, 1, 2, 2}) + "X";  // frame 5: 2 records
    film += numbered_film(3).substr(2);        // frames 6, 7, 8
    use_film(film);
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 3, 4, 6, 7, 8}));
}

TEST_F(LineFilmPlayer, HoldStopsTheFilmAndRedrawsOnInit) {
    std::vector<int> indices_at_ticks;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 3) {
            post_char(fw, '.');
            fw.window->set_timer(7, 5);
        }
    };
    int ticks = 0;
    script.on_message = [&](FilmWindow& fw, const Message& m) {
        // A tick already queued when the timer is killed may still arrive: ignore it.
        if (m.kind != MessageKind::Timer || ticks == 4) return;
        ++ticks;
        indices_at_ticks.push_back(fw.state.hold ? fw.state.index : -1);
        if (ticks == 2) mw31::post_message(command_message(fw, kCmdInit));
        if (ticks == 4) {
            fw.window->kill_timer(7);
            mw31::post_message(command_message(fw, kCmdHold));
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(indices_at_ticks, (std::vector<int>{3, 3, 3, 3}));
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 3, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(LineFilmPlayer, SingleStepWaitsForAKeyAndShowsTheCurrentFrameOnceMore) {
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 2) {
            post_char(fw, 's');
            fw.window->set_timer(8, 5);
        }
    };
    int ticks = 0;
    std::string bitmap_while_waiting;
    script.on_message = [&](FilmWindow& fw, const Message& m) {
        if (m.kind != MessageKind::Timer || ticks == 2) return;  // late ticks after the kill
        ++ticks;
        bitmap_while_waiting = fw.window->toolbar_bitmap(kCmdSingleStep);
        if (ticks == 1) {  // space: one frame on
            mw31::post_message(key_message(fw, mw31::vk::Space));
            post_char(fw, ' ');
        }
        if (ticks == 2) {  // s: single step off again
            fw.window->kill_timer(8);
            mw31::post_message(key_message(fw, 'S'));
            post_char(fw, 's');
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(bitmap_while_waiting, "anm_dlf");
}

TEST_F(LineFilmPlayer, SpaceHoldsAndGoesOnLikeThePointOutsideSingleStep) {
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 3) {
            mw31::post_message(key_message(fw, mw31::vk::Space));
            post_char(fw, ' ');
            fw.window->set_timer(7, 5);
        }
    };
    int ticks = 0;
    std::vector<int> indices_at_ticks;
    script.on_message = [&](FilmWindow& fw, const Message& m) {
        if (m.kind != MessageKind::Timer || ticks == 3) return;
        ++ticks;
        indices_at_ticks.push_back(fw.state.hold ? fw.state.index : -1);
        if (ticks == 3) {
            fw.window->kill_timer(7);
            mw31::post_message(key_message(fw, mw31::vk::Space));
            post_char(fw, ' ');
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(indices_at_ticks, (std::vector<int>{3, 3, 3}));
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(LineFilmPlayer, StatusArrowShowsTheDirectionInForceAtOnceInSingleStep) {
    std::vector<std::pair<bool, std::string>> seen;  // direction and status of every picture
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        seen.push_back({fw.state.backward, fw.screen.status});
        if (g_script->shown.size() == 3) {
            post_char(fw, 's');  // frame 3 again, then waiting
            fw.window->set_timer(9, 5);
        }
    };
    // Keys go in from a timer while the window waits; a key the pump before the wait took
    // only turns the film, so the next tick sends it again.
    script.on_message = [&](FilmWindow& fw, const Message& m) {
        if (m.kind != MessageKind::Timer) return;
        const size_t n = g_script->shown.size();
        if (n == 4) mw31::post_message(key_message(fw, mw31::vk::Left));   // one back
        if (n == 5) mw31::post_message(key_message(fw, mw31::vk::Right));  // one on
        if (n == 6) {
            fw.window->kill_timer(9);
            mw31::post_message(command_message(fw, kCmdEnd));
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 3, 3, 2, 3}));
    ASSERT_EQ(seen.size(), 6u);
    for (size_t i = 2; i < seen.size(); ++i) {
        const std::string& status = seen[i].second;
        ASSERT_GE(status.size(), 3u) << i;
        EXPECT_EQ(status.substr(status.size() - 3), seen[i].first ? "<--" : "-->") << i;
    }
}

TEST_F(LineFilmPlayer, ZoomRectangleDragStopsTheFilmAndZoomsOnRelease) {
    FilmView after{};
    std::vector<int> indices_while_dragging;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 2) {
            mw31::post_message(
                mouse_message(fw, MessageKind::MouseDown, mw31::MouseButton::Left, 100, 100));
            fw.window->set_timer(9, 5);
        }
        if (n == 3) after = fw.view;
        if (n == 4) post_char(fw, '<');
        if (n == 5) {
            EXPECT_DOUBLE_EQ(fw.view.zoom, 1.6);
            post_char(fw, 'i');
        }
        if (n == 6) {
            EXPECT_TRUE(fw.view.fit);
            post_char(fw, 'e');
        }
    };
    int ticks = 0;
    script.on_message = [&](FilmWindow& fw, const Message& m) {
        if (m.kind != MessageKind::Timer || ticks == 3) return;  // late ticks after the kill
        indices_while_dragging.push_back(fw.state.drag == kDragging ? fw.state.index : -1);
        if (++ticks == 3) {
            fw.window->kill_timer(9);
            mw31::post_message(
                mouse_message(fw, MessageKind::MouseMove, mw31::MouseButton::None, 300, 260));
            mw31::post_message(
                mouse_message(fw, MessageKind::MouseUp, mw31::MouseButton::Left, 300, 260));
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(indices_while_dragging, (std::vector<int>{2, 2, 2}));
    EXPECT_FALSE(after.fit);
    EXPECT_DOUBLE_EQ(after.zoom, 3.2);  // 200 x 160 in a 640 x 512 area
    EXPECT_EQ(after.x0, -320);
    EXPECT_EQ(after.y0, -320);
    // Frame 2 is drawn again once the drag is over, since it was not copied meanwhile.
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 2, 3, 4, 5}));
}

TEST_F(LineFilmPlayer, RecordingRestartsAtOneHidesTheBarAndTakesNoCommands) {
    struct Counts {
        int started = 0, added = 0, finished = 0, bar_shown = 0;
    };
    static Counts counts;
    counts = Counts{};
    options.window.outputs.avi_start = [] {
        ++counts.started;
        return 0;
    };
    options.window.outputs.avi_add_picture = [](const mw31::Picture& picture) {
        ++counts.added;
        EXPECT_EQ(picture.width(), 640);
        EXPECT_EQ(picture.height(), 512);
        if (g_window->window->toolbar_shown()) ++counts.bar_shown;
        post_char(*g_window, 'e');  // ignored while recording
    };
    options.window.outputs.avi_finish = [] { ++counts.finished; };
    options.passes = 2;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 3) post_char(fw, 'v');
    };
    EXPECT_EQ(play(), 0);
    // The recording restarts the pass at frame 1; the second pass is not recorded.
    EXPECT_EQ(script.shown,
              (std::vector<int>{1, 2, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(counts.started, 1);
    EXPECT_EQ(counts.added, 9);
    EXPECT_EQ(counts.finished, 1);
    EXPECT_EQ(counts.bar_shown, 0);
}

TEST_F(LineFilmPlayer, RecordingLeavesOutALastFrameThatRepeatsTheFirst) {
    // Frames 1 to 9 with frame 9 drawn as frame 1: the video loops without showing it twice.
    std::string film = numbered_film(10);
    const std::string first = numbered_film(2).substr(numbered_film(1).size());
    film = film.substr(0, film.size() - first.size()) + first;
    use_film(film);
    static std::vector<int> recorded;
    recorded.clear();
    options.window.outputs.avi_start = [] { return 0; };
    options.window.outputs.avi_add_picture = [](const mw31::Picture&) {
        recorded.push_back(g_window->state.index);
    };
    options.window.outputs.avi_finish = [] {};
    options.passes = 2;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 2) post_char(fw, 'v');
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(recorded, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(script.shown.size(), 2u + 9u + 9u) << "the closing frame is still shown";

    // A film that does not close its cycle records every frame.
    use_film(numbered_film(10));
    recorded.clear();
    script.shown.clear();
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(recorded.size(), 9u);
}

TEST_F(LineFilmPlayer, AStampedRecordingCarriesTheFrameInItsCorner) {
    // Ink in the top left corner, where the status line is while nothing records.
    static std::vector<int> recorded_ink;
    const auto corner_ink = [](const mw31::Picture& picture) {
        const mw31::Canvas& c = const_cast<mw31::Picture&>(picture).canvas();
        const mw31::Rgb background = c.get_pixel(picture.width() - 1, picture.height() - 1);
        int ink = 0;
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 160; ++x) ink += !(c.get_pixel(x, y) == background);
        return ink;
    };
    static std::function<int(const mw31::Picture&)> ink_of;
    ink_of = corner_ink;
    options.window.outputs.avi_start = [] { return 0; };
    options.window.outputs.avi_add_picture = [](const mw31::Picture& picture) {
        recorded_ink.push_back(ink_of(picture));
    };
    options.window.outputs.avi_finish = [] {};
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 2) post_char(fw, 'v');
    };
    for (bool stamp : {false, true}) {
        recorded_ink.clear();
        script.shown.clear();
        options.window.stamp_recording = stamp;
        EXPECT_EQ(play(), 0);
        ASSERT_EQ(recorded_ink.size(), 9u);
        for (size_t i = 0; i < recorded_ink.size(); ++i) {
            if (stamp)
                EXPECT_GT(recorded_ink[i], 30) << "picture " << i;
            else
                EXPECT_EQ(recorded_ink[i], 0) << "picture " << i;
        }
    }
}

TEST_F(LineFilmPlayer, RecordingWithAFactorGetsALargerDrawnPicture) {
    static int added;
    static bool drawn;
    static const mw31::Picture* shown_picture;
    added = 0;
    drawn = false;
    shown_picture = nullptr;
    options.window.outputs.avi_start = [] { return 0; };
    options.window.outputs.avi_add_picture = [](const mw31::Picture& picture) {
        const int w = picture.width(), h = picture.height();
        ++added;
        EXPECT_EQ(w, 1280);  // twice the 640 x 512 area
        EXPECT_EQ(h, 1024);
        // Only read here; the picture hands out its canvas only for drawing.
        const mw31::Canvas& c = const_cast<mw31::Picture&>(picture).canvas();
        const mw31::Rgb background = c.get_pixel(0, 0);
        for (int y = 0; y < h && !drawn; y += 2)
            for (int x = 0; x < w && !drawn; x += 2) drawn = !(c.get_pixel(x, y) == background);
        EXPECT_NE(&picture, shown_picture) << "drawn apart from the shown picture";
    };
    options.window.outputs.avi_finish = [] {};
    options.record_factor = 2.0;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture& shown) {
        shown_picture = &shown;
        if (g_script->shown.size() == 3) post_char(fw, 'v');
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(added, 9);
    EXPECT_TRUE(drawn);
}

TEST_F(LineFilmPlayer, RecordingThatCannotStartIsDroppedAndPlaybackGoesOn) {
    options.window.outputs.avi_start = [] { return 1; };
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 3) post_char(fw, 'V');
        if (g_script->shown.size() == 4) {
            EXPECT_EQ(fw.state.recording, kRecordingOff);
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(LineFilmPlayer, PrintAndDxfRequestsAreServedWithTheCurrentFrame) {
    static std::vector<int> printed, exported;
    printed.clear();
    exported.clear();
    options.window.outputs.print_frame = [](const FrameOutput& o) { printed.push_back(o.frame); };
    options.window.outputs.dxf_frame = [](const FrameOutput& o) { exported.push_back(o.frame); };
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 4) post_char(fw, 'p');
        if (g_script->shown.size() == 7) post_char(fw, 'X');
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(printed, (std::vector<int>{4}));
    EXPECT_EQ(exported, (std::vector<int>{6}));
    // The printed frame is shown once more while the printout is pending.
    EXPECT_EQ(script.shown, (std::vector<int>{1, 2, 3, 4, 4, 5, 6, 7, 8, 9}));
}

TEST_F(LineFilmPlayer, EndCloseBoxAndQuitEachEndPlayback) {
    options.passes = 5;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        EXPECT_TRUE(mw31::not_interruptible());
        if (g_script->shown.size() == 2) mw31::post_message(command_message(fw, kCmdEnd));
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown.size(), 2u);
    EXPECT_FALSE(mw31::not_interruptible());

    script.shown.clear();
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        Message m;
        m.window = fw.window.get();
        m.kind = MessageKind::Close;
        if (g_script->shown.size() == 3) mw31::post_message(m);
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown.size(), 3u);

    script.shown.clear();
    script.on_frame = [](FilmWindow&, const mw31::Picture&) {
        if (g_script->shown.size() == 1) mw31::post_quit_message();
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown.size(), 1u);
}

TEST_F(LineFilmPlayer, ToolBarOfLineFilmsHoldsItsButtonsOnly) {
    std::vector<bool> has;
    std::string single_bitmap;
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 1) {
            for (int c : {10, 1, 3, 4, 5, 6, 7, 13, 8, 23, 9, 11, 12, 2})
                has.push_back(fw.window->toolbar_has(c));
            EXPECT_EQ(fw.window->toolbar_bitmap(kCmdSingleStep), "anm_sngl");
        }
        if (n == 2) post_char(fw, 'e');
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(has, (std::vector<bool>{true, true, true, true, true, true, true, true, true, true,
                                      false, false, false, false}));
}

TEST_F(LineFilmPlayer, SaveCopiesTheSourceWithTheAnmExtension) {
    const auto dir = std::filesystem::temp_directory_path() / "kv_window_save_test";
    std::filesystem::create_directories(dir);
    const auto src = dir / "film.flm";
    { std::ofstream(src, std::ios::binary) << bytes; }
    options.source_name = src.string();
    mw31::CannedAnswer cancel;
    cancel.answer = mw31::BoxAnswer::Cancel;
    mw31::queue_dialog_answer(cancel);
    mw31::CannedAnswer answer;
    answer.files = {(dir / "copy.txt").string()};
    mw31::queue_dialog_answer(answer);
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 1 || n == 2) mw31::post_message(command_message(fw, kCmdSave));
        if (n == 3) post_char(fw, 'e');
    };
    EXPECT_EQ(play(), 0);
    std::ifstream in(dir / "copy.anm", std::ios::binary);
    const std::string copied((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(copied, bytes);
    EXPECT_FALSE(std::filesystem::exists(dir / "copy.txt"));
    ASSERT_EQ(mw31::shown_dialogs().size(), 2u);
    EXPECT_EQ(mw31::shown_dialogs()[0].kind, "save");
    EXPECT_EQ(mw31::shown_dialogs()[0].title, "kurvlab    Datei speichern / Save file");
    std::filesystem::remove_all(dir);
}

TEST_F(LineFilmPlayer, SaveAsksBeforeReplacingAFileWhoseNameItMadeItself) {
    const auto dir = std::filesystem::temp_directory_path() / "kv_window_save_ask_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto src = dir / "film.flm";
    { std::ofstream(src, std::ios::binary) << bytes; }
    { std::ofstream(dir / "copy1.anm") << "kept"; }
    { std::ofstream(dir / "copy.anm") << "kept too"; }
    options.source_name = src.string();
    auto save_as = [](const std::string& name) {
        mw31::CannedAnswer a;
        a.files = {name};
        mw31::queue_dialog_answer(a);
    };
    auto box = [](mw31::BoxAnswer answer) {
        mw31::CannedAnswer a;
        a.answer = answer;
        mw31::queue_dialog_answer(a);
    };
    // First Save: "copy1" -> No, then "copy.v2" -> No, then cancel: nothing is replaced.
    save_as((dir / "copy1").string());
    box(mw31::BoxAnswer::No);
    save_as((dir / "copy.v2").string());
    box(mw31::BoxAnswer::No);
    mw31::CannedAnswer cancel;
    cancel.answer = mw31::BoxAnswer::Cancel;
    mw31::queue_dialog_answer(cancel);
    // Second Save: "copy1" -> Yes replaces copy1.anm. Third: "copy2" exists nowhere, no question.
    save_as((dir / "copy1").string());
    box(mw31::BoxAnswer::Yes);
    save_as((dir / "copy2").string());
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 1) {
            mw31::post_message(command_message(fw, kCmdSave));
            mw31::post_message(command_message(fw, kCmdSave));
            mw31::post_message(command_message(fw, kCmdSave));
        }
        if (n == 2) post_char(fw, 'e');
    };
    EXPECT_EQ(play(), 0);
    auto content = [](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    EXPECT_EQ(content(dir / "copy.anm"), "kept too");
    EXPECT_EQ(content(dir / "copy1.anm"), bytes);
    EXPECT_EQ(content(dir / "copy2.anm"), bytes);
    std::vector<std::string> kinds;
    for (const mw31::DialogRecord& d : mw31::shown_dialogs()) kinds.push_back(d.kind);
    EXPECT_EQ(kinds, (std::vector<std::string>{"save", "message", "save", "message", "save", "save",
                                               "message", "save"}));
    ASSERT_GE(mw31::shown_dialogs().size(), 2u);
    EXPECT_NE(mw31::shown_dialogs()[1].text.find((dir / "copy1.anm").string()), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST_F(LineFilmPlayer, UpperCaseQMovesTheWindowAndLowerCaseQPreparesAQuickRecording) {
    static mw31::Rect remembered{};
    static int remembered_step = 0;
    options.window.outputs.avi_remember_window = [](const mw31::Rect& outer, int step) {
        remembered = outer;
        remembered_step = step;
    };
    use_film(numbered_film(250));
    mw31::Rect after_big_q{}, after_small_q{};
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 1) post_char(fw, 'Q');
        if (n == 2) {
            after_big_q = fw.window->window_rect();
            post_char(fw, '+');
            post_char(fw, '+');
            post_char(fw, 'q');
        }
        if (n == 3) {
            after_small_q = fw.window->window_rect();
            EXPECT_EQ(fw.state.step, 2);  // 250 / 120
            post_char(fw, 'e');
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(after_big_q, (mw31::Rect{100, 100, 900, 700}));
    EXPECT_EQ(remembered, after_big_q);
    EXPECT_EQ(remembered_step, 3);
    EXPECT_EQ(after_small_q, (mw31::Rect{100, 100, 100 + 266, 300}));
}

// What a recording saw: the frame of every picture, the window while recording, and the
// window and step after it.
struct RecordingSeen {
    std::vector<int> frames;
    std::vector<mw31::Rect> windows;
    int started = 0, finished = 0;
};
RecordingSeen g_recording;

void count_recording(FilmOutputs* out) {
    g_recording = RecordingSeen{};
    out->avi_start = [] {
        ++g_recording.started;
        return 0;
    };
    out->avi_add_picture = [](const mw31::Picture&) {
        g_recording.frames.push_back(g_window->state.index);
        g_recording.windows.push_back(g_window->window->window_rect());
    };
    out->avi_finish = [] { ++g_recording.finished; };
}

TEST_F(LineFilmPlayer, OnePassAtStepThreeRecordsFramesOneFourSeven) {
    count_recording(&options.window.outputs);
    options.passes = 2;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 2) {
            post_char(fw, '+');  // at a pause of 1 ms Faster raises the step
            post_char(fw, '+');
            post_char(fw, 'v');
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(g_recording.started, 1);
    EXPECT_EQ(g_recording.frames, (std::vector<int>{1, 4, 7}));
    EXPECT_EQ(g_recording.finished, 1);
}

TEST_F(LineFilmPlayer, QuickRecordingShrinksTheWindowRecordsAPassAndGivesWindowAndStepBack) {
    count_recording(&options.window.outputs);
    use_film(numbered_film(250));
    options.passes = 2;
    static mw31::Rect before{}, after{};
    static int step_after = 0;
    static bool bar_after = false;
    before = after = mw31::Rect{};
    step_after = 0;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 2) {
            post_char(fw, '+');  // step 2 before the quick recording
            post_char(fw, 'q');
            before = fw.window->window_rect();
        }
        // The first picture after the recorded pass.
        if (g_recording.finished == 1 && step_after == 0) {
            after = fw.window->window_rect();
            step_after = fw.state.step;
            bar_after = fw.window->toolbar_shown();
            post_char(fw, 'e');
        }
    };
    EXPECT_EQ(play(), 0);
    // 250 frames / 120 gives step 2: frames 1, 3, ..., 249.
    ASSERT_EQ(g_recording.frames.size(), 125u);
    EXPECT_EQ(g_recording.frames[1], 3);
    EXPECT_EQ(g_recording.frames.back(), 249);
    const int w = int(200.0 * before.width() / before.height());
    for (const mw31::Rect& r : g_recording.windows)
        ASSERT_EQ(r, (mw31::Rect{100, 100, 100 + w, 300}));
    EXPECT_EQ(after, before);
    EXPECT_EQ(step_after, 2);
    EXPECT_TRUE(bar_after);
}

TEST_F(LineFilmPlayer, QuickRecordingThatCannotStartGivesWindowAndStepBackAtOnce) {
    options.window.outputs.avi_start = [] { return 1; };  // the options were cancelled, say
    use_film(numbered_film(250));
    static mw31::Rect before{}, after{};
    static int step_after = 0;
    script.on_frame = [](FilmWindow& fw, const mw31::Picture&) {
        const size_t n = g_script->shown.size();
        if (n == 2) {
            before = fw.window->window_rect();
            post_char(fw, 'q');
        }
        if (n == 3) {
            after = fw.window->window_rect();
            step_after = fw.state.step;
            post_char(fw, 'e');
        }
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(after, before);
    EXPECT_EQ(step_after, 1);
}

void ignore_messages(mw31::Window&, const Message&, void*) {}

TEST_F(LineFilmPlayer, RaisingTheWindowLeavesTheKeyboardWithTheWindowTheUserTypesIn) {
    mw31::WindowSpec setup;
    setup.title = "editor";
    setup.proc = ignore_messages;
    std::unique_ptr<mw31::Window> editor = mw31::create_window(setup);
    ASSERT_NE(editor, nullptr);
    editor->show(mw31::ShowMode::Normal);
    options.passes = 6;  // the window comes to the top at the start of the fifth pass
    std::vector<int> editor_active_in_pass(6, -1);
    script.on_frame = [&](FilmWindow& fw, const mw31::Picture&) {
        if (g_script->shown.size() == 1) {
            ASSERT_TRUE(mw31::qt_test::activate(*editor));
        }
        // Checked at the last frame of a pass, after the pumps of the frames before.
        if (fw.state.index == 9)
            editor_active_in_pass[fw.state.passes] = mw31::qt_test::is_active(*editor);
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(editor_active_in_pass, (std::vector<int>{1, 1, 1, 1, 1, 1}));
}

TEST(FilmWindowMenu, BitmapsFollowTheStateAndTheBarHidesWhileRecording) {
    mw31::clear_dialog_hooks();
    mw31::CannedAnswer typed;
    typed.text = "42";
    mw31::queue_dialog_answer(typed);
    FilmWindow fw;
    FilmWindowSetup setup;
    setup.show = mw31::ShowMode::Normal;
    setup.menu = {kCmdHold, kCmdSingleStep, kCmdGrid, kCmdPhi1, kCmdPhi10, kCmdPhi100};
    ASSERT_EQ(open_film_window(&fw, setup), 0);
    mw31::Window& w = *fw.window;
    EXPECT_EQ(w.toolbar_bitmap(kCmdPhi1), "anm_phi4");

    fw.state.hold = true;
    fw.state.single_step = kSingleStepWait;
    fw.state.grid = true;
    fw.state.phi_factor = 10;
    fw.state.target_dialog_request = true;
    update_film_menu(fw);
    EXPECT_EQ(w.toolbar_bitmap(kCmdHold), "anm_go");
    EXPECT_EQ(w.toolbar_bitmap(kCmdSingleStep), "anm_dlf");
    EXPECT_EQ(w.toolbar_bitmap(kCmdGrid), "anm_nogrid");
    EXPECT_EQ(w.toolbar_bitmap(kCmdPhi1), "anm_phi1");
    EXPECT_EQ(w.toolbar_bitmap(kCmdPhi10), "anm_phi5");
    EXPECT_EQ(w.toolbar_bitmap(kCmdPhi100), "anm_phi3");
    ASSERT_EQ(mw31::shown_dialogs().size(), 1u);
    EXPECT_EQ(mw31::shown_dialogs()[0].title, "Wunschtaktzahl eingeben");
    EXPECT_DOUBLE_EQ(fw.state.target_cycles, 42.0);
    EXPECT_FALSE(fw.state.target_dialog_request);

    // A pending printout alone does not show the single-step bitmap.
    fw.state.single_step = kSingleStepPrint;
    fw.state.hold = false;
    fw.state.phi_factor = 100;
    update_film_menu(fw);
    EXPECT_EQ(w.toolbar_bitmap(kCmdSingleStep), "anm_sngl");
    EXPECT_EQ(w.toolbar_bitmap(kCmdHold), "anm_stop");
    EXPECT_EQ(w.toolbar_bitmap(kCmdPhi10), "anm_phi2");
    EXPECT_EQ(w.toolbar_bitmap(kCmdPhi100), "anm_phi6");

    fw.state.recording = kRecordingOn;
    update_film_menu(fw);
    EXPECT_FALSE(w.toolbar_shown());
    fw.state.recording = kRecordingOff;
    update_film_menu(fw);
    EXPECT_TRUE(w.toolbar_shown());
    close_film_window(&fw);
    EXPECT_EQ(fw.window, nullptr);
}

TEST(FilmWindowSize, EnvironmentGivesTheClientSize) {
    setenv("KV_TEST_SIZE", "", 1);
    EXPECT_EQ(client_size_from_environment("KV_TEST_SIZE", 800), 800);
    setenv("KV_TEST_SIZE", "0", 1);
    EXPECT_EQ(client_size_from_environment("KV_TEST_SIZE", 800), 800);
    setenv("KV_TEST_SIZE", "-40", 1);
    EXPECT_EQ(client_size_from_environment("KV_TEST_SIZE", 600), 600);
    setenv("KV_TEST_SIZE", "1024", 1);
    EXPECT_EQ(client_size_from_environment("KV_TEST_SIZE", 600), 1024);
    setenv("KV_TEST_SIZE", "99999999999", 1);
    EXPECT_EQ(client_size_from_environment("KV_TEST_SIZE", 600), kMaxClientSize);
    unsetenv("KV_TEST_SIZE");
    EXPECT_EQ(client_size_from_environment("KV_TEST_SIZE", 600), 600);
    EXPECT_EQ(with_anm_extension("/a.b/film"), "/a.b/film.anm");
    EXPECT_EQ(with_anm_extension("/a/film.txt"), "/a/film.anm");
    EXPECT_EQ(with_anm_extension("film.anm"), "film.anm");
}

}  // namespace
}  // namespace film
