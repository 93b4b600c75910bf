// The user-coordinates playback loop on the offscreen platform: which frames a pass shows,
// the world mode and colours it plays in, the view operations on its world window, playing
// from memory, and films that cannot be shown.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "film/usercoor_player.h"
#include "film_model/byte_source.h"
#include "mw31/app_state.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"

namespace film {
namespace {

using mw31::Message;
using mw31::MessageKind;

// Frame i: a text and a bar whose right end moves 10 units per frame (8 records); frame 2 is
// only a text (2 records), which the loop passes over.
std::string small_film(int frames) {
    std::ostringstream s;
    s << "usercoor\nc1\na-65,65,-50,50\nf\n";
    for (int i = 0; i < frames; ++i) {
        s << "s-60,45,Stellung " << i << "\n";
        if (i != 2) s << "c2\nl-40,10," << 10 * i - 40 << ",10\nc5\nl-30,-20,30,-20\n";
        s << "x0,0,0,0\n";
    }
    return s.str();
}

struct Script {
    std::vector<int> shown;
    std::function<void(FilmWindow&)> on_frame;
};
Script* g_script = nullptr;

void observe(FilmWindow& fw, const mw31::Picture&, void*) {
    g_script->shown.push_back(fw.state.index);
    if (g_script->on_frame) g_script->on_frame(fw);
}

void post(FilmWindow& fw, MessageKind kind, int key = 0) {
    Message m;
    m.window = fw.window.get();
    m.kind = kind;
    m.key = key;
    mw31::post_message(m);
}

class UsercoorPlayer : public ::testing::Test {
  protected:
    Script script;
    UsercoorPlayOptions options;
    std::string text = small_film(5);

    void SetUp() override {
        g_script = &script;
        mw31::clear_dialog_hooks();
        mw31::set_quit_requested(false);
        options.film_name = "INMEM";
        options.passes = 1;
        options.pause_ms = 1;
        options.window.show = mw31::ShowMode::Normal;
        options.window.client_width = 650;
        options.window.client_height = 520;
        options.frame_observer = observe;
    }
    void TearDown() override {
        g_script = nullptr;
        mw31::service_messages();
    }
    int play() {
        MemoryByteSource bytes(text.data(), text.size(), "film.anm");
        options.source = &bytes;
        return usercoor_film(options);
    }
};

TEST_F(UsercoorPlayer, PassesStartAtFrameOneAndSkipSmallFrames) {
    options.passes = 2;
    std::vector<WorldMode> modes;
    std::vector<Rgb> colour5;
    script.on_frame = [&](FilmWindow& fw) {
        modes.push_back(fw.world_mode);
        colour5.push_back(fw.colours->lookup(5));
    };
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(script.shown, (std::vector<int>{1, 3, 4, 1, 3, 4}));
    for (WorldMode m : modes) EXPECT_EQ(m, WorldMode::Usercoor);
    for (const Rgb& c : colour5) EXPECT_EQ(c, (Rgb{40, 80, 90}));
}

TEST_F(UsercoorPlayer, WheelZoomOutAndInitActOnTheWorldWindow) {
    text = small_film(8);
    std::vector<WorldWindow> windows;
    script.on_frame = [&](FilmWindow& fw) {
        ASSERT_NE(fw.world_window, nullptr);
        windows.push_back(*fw.world_window);
        const size_t n = g_script->shown.size();
        if (n == 1) {
            Message m;
            m.window = fw.window.get();
            m.kind = MessageKind::Wheel;
            m.wheel = -120;  // backward: closer
            m.x = fw.view.area.left + fw.view.area.width() / 2;
            m.y = fw.view.area.top + fw.view.area.height() / 2;
            mw31::post_message(m);
        }
        if (n == 2) post(fw, MessageKind::Char, '<');
        if (n == 3) post(fw, MessageKind::Char, 'i');
    };
    EXPECT_EQ(play(), 0);
    ASSERT_GE(windows.size(), 4u);
    EXPECT_EQ(windows[0], (WorldWindow{-65, 65, -50, 50}));
    EXPECT_NEAR(windows[1].xr - windows[1].xl, 130 / 1.2, 1e-9);
    EXPECT_NEAR((windows[1].xr + windows[1].xl) / 2, 0, 0.5);  // about the middle of the area
    EXPECT_NEAR(windows[2].xr - windows[2].xl, 260 / 1.2, 1e-9);
    EXPECT_EQ(windows[3], windows[0]);
}

TEST_F(UsercoorPlayer, FilmsWithNothingToShowAreReported) {
    ::testing::internal::CaptureStderr();
    text = "usercoor\nf\n";
    EXPECT_EQ(play(), 1);
    text = "usercoor\nf\nl0,0,1,1\nx0,0,0,0\nl0,0,1,1\nx0,0,0,0\n";  // one line a frame
    EXPECT_EQ(play(), 1);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("no frames in film:\nfilm.anm"), std::string::npos) << said;
    EXPECT_NE(said.find("no frame to show in film:\nfilm.anm"), std::string::npos) << said;
    EXPECT_TRUE(script.shown.empty());
}

}  // namespace
}  // namespace film
