// Recording the 3D window on an X server: the quick recording's size and speed, what the file
// holds against what the window showed, a cancelled codec choice, and the window afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "gl3d/scene_loader.h"
#include "gl3d/viewer_recording.h"
#include "gl3d/viewer_window.h"
#include "mw31/backend.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"
#include "support/gl_test_events.h"
#include "video/avi_probe.h"
#include "video/video_test_support.h"

namespace {

namespace gt = mw31::gl_test;

bool pump_until(const std::function<bool()>& done, int timeout_ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        mw31::Message m;
        if (mw31::peek_message(&m, true))
            mw31::dispatch_message(m);
        else
            mw31::backend()->process_events(true, 10);
    }
    return done();
}

// A box that moves one unit a frame, 240 frames.
std::string moving_box_scene() {
    std::string s =
        "ANM3D\n1\n240\n--- Symbol-Dateien ---\nview 0 -400 300\n"
        "begin x box\n0.9 0.4 0.1\nquader 60 40 30 -30 -20 -15 1 0 0 0 1 0 0\nend\n";
    for (int i = 0; i < 240; ++i)
        s += "# " + std::to_string(i) + "\nc Bild " + std::to_string(i) + "\n" +
             std::to_string(i - 120) + " 0 0 1 0 0 0 1 0 0 0 1\n";
    return s;
}

class ViewerRecording : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mw31::backend() && mw31::backend()->has_display())
            << "needs an X server (run under xvfb-run)";
        if (kvtest::tool_path("ffprobe").empty() || kvtest::tool_path("ffmpeg").empty())
            GTEST_SKIP() << "ffprobe/ffmpeg not installed";
        dir_ = std::filesystem::path(testing::TempDir()) /
               ("kv_viewer_rec_" +
                std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        setenv("DATEN", dir_.c_str(), 1);
        unsetenv("KVGL_OFF");
        std::ofstream(path("box.anm")) << moving_box_scene();
        ASSERT_EQ(gl3d::load_scene(path("box.anm"), &scene_), 0);
        mw31::clear_dialog_hooks();
        gl3d::ViewerOptions options;
        std::string error;
        ASSERT_EQ(gl3d::create_viewer(&v_, &scene_, options, &error), 0) << error;
        ASSERT_TRUE(pump_until([&] { return v_.redraws > 0; }));
    }
    void TearDown() override {
        gl3d::close_viewer(&v_);
        mw31::clear_dialog_hooks();
        std::filesystem::remove_all(dir_);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // The save dialog's answer and the codec by its text ("" for the preset).
    void answer(const std::string& file, const std::string& codec, bool cancel_codec = false) {
        mw31::CannedAnswer save;
        save.files = {file};
        mw31::queue_dialog_answer(save);
        mw31::CannedAnswer choice;
        choice.text = codec;
        if (cancel_codec) choice.answer = mw31::BoxAnswer::Cancel;
        mw31::queue_dialog_answer(choice);
    }
    bool plays_on() {
        const int seen = v_.playback.frame;
        return pump_until([&] { return v_.playback.frame != seen; });
    }

    std::filesystem::path dir_;
    gl3d::Scene scene_;
    gl3d::Viewer v_;
};

TEST_F(ViewerRecording, QuickRecordingOf240FramesRecordsAtSpeedTwoInASmallWindow) {
    v_.playback.speed = 1.5;
    const mw31::Rect before = v_.window->window_rect();
    answer(path("quick"), "");
    ASSERT_EQ(gl3d::record_viewer_quick(&v_), 120) << "speed 2.0 during the recording";
    EXPECT_EQ(v_.playback.speed, 1.5);
    EXPECT_EQ(v_.window->window_rect(), before);

    const std::string file = path("quick.avi");
    auto v = kvtest::probe_stream(kvtest::ffprobe_streams(file), 0);
    EXPECT_EQ(v["codec_name"], "msvideo1");
    EXPECT_EQ(v["nb_read_frames"], "120");
    EXPECT_EQ(v["r_frame_rate"], "15/1");
    const int w = std::atoi(v["width"].c_str()), h = std::atoi(v["height"].c_str());
    EXPECT_LE(h, 200);
    EXPECT_GE(h, 150);
    EXPECT_NEAR(double(w) / h, 1024.0 / 768.0, 0.05);
    // The whole row once, with "anm_stop" as playback goes on.
    EXPECT_EQ(v_.toolbar.size(), 8u);
    EXPECT_EQ(v_.toolbar[2].bitmap, "anm_stop");
    EXPECT_TRUE(plays_on());
}

TEST_F(ViewerRecording, UncompressedPicturesAreWhatTheWindowShows) {
    v_.playback.speed = 60;  // frames 59, 119, 179, 239
    answer(path("raw.avi"), "Unkomprimiert 24 Bit / uncompressed 24-bit");
    ASSERT_EQ(gl3d::record_viewer(&v_), 4);
    const mw31::Rect c = v_.window->client_rect();
    auto v = kvtest::probe_stream(kvtest::ffprobe_streams(path("raw.avi")), 0);
    EXPECT_EQ(v["codec_name"], "rawvideo");
    EXPECT_EQ(v["width"], std::to_string(c.width()));
    EXPECT_EQ(v["height"], std::to_string(c.height()));
    int status = 0;
    const std::string all =
        kvtest::run_command(kvtest::tool_path("ffmpeg") + " -v error -i '" + path("raw.avi") +
                                "' -map 0:v -f rawvideo -pix_fmt rgb24 -",
                            &status);
    const size_t bytes = size_t(c.width()) * size_t(c.height()) * 3;
    ASSERT_EQ(all.size(), 4 * bytes);
    const int frames[] = {59, 119, 179, 239};
    // The row the recording showed: the one made at load, without "anm_stop".
    const std::vector<gl3d::ToolbarButton> after = v_.toolbar;
    v_.toolbar = gl3d::load_toolbar(false);
    v_.playback.stopped = true;
    for (int i = 0; i < 4; ++i) {
        v_.playback.frame = frames[i];
        gl3d::redraw(&v_);
        // The X server shows a swap a little later.
        pump_until([] { return false; }, 300);
        const std::vector<uint8_t> shown = gt::grab(*v_.window);
        ASSERT_EQ(shown.size(), bytes);
        // The grab gives the clear colour's pixels (alpha 0) as black: the box, its edges and
        // the buttons are compared.
        size_t compared = 0, differ = 0;
        for (size_t k = 0; k < bytes; k += 3) {
            if (shown[k] == 0 && shown[k + 1] == 0 && shown[k + 2] == 0) continue;
            ++compared;
            differ += all.compare(size_t(i) * bytes + k, 3,
                                  reinterpret_cast<const char*>(&shown[k]), 3) != 0;
        }
        EXPECT_GT(compared, 5000u);
        EXPECT_EQ(differ, 0u) << "picture " << i << " is not frame " << frames[i] << " as shown";
    }
    EXPECT_EQ(v_.playback.speed, 60);
    EXPECT_EQ(after.size(), v_.toolbar.size() + 1) << "the row replaced, with anm_stop";
}

TEST_F(ViewerRecording, KeyQAndTheAviButtonRecordThroughTheWindow) {
    v_.playback.speed = 60;  // 4 pictures
    answer(path("key.avi"), "Unkomprimiert 24 Bit / uncompressed 24-bit");
    ASSERT_TRUE(gt::send_key(*v_.window, "Q", "q"));
    ASSERT_TRUE(pump_until([&] { return std::filesystem::exists(path("key.avi")); }));
    EXPECT_EQ(v_.playback.speed, 60) << "given back after the quick recording";
    auto v = kvtest::probe_stream(kvtest::ffprobe_streams(path("key.avi")), 0);
    EXPECT_EQ(v["nb_read_frames"], "120") << "240 frames at the quick recording's speed 2";

    answer(path("button.avi"), "Unkomprimiert 24 Bit / uncompressed 24-bit");
    const int h = v_.window->client_rect().height();
    bool clicked = false;
    for (const gl3d::ToolbarButton& b : v_.toolbar)
        if (b.id == gl3d::kButtonAvi) {
            const int x = (b.x0 + b.x1) / 2, y = h - 1 - (b.y0 + b.y1) / 2;
            gt::send_mouse(*v_.window, mw31::MessageKind::MouseDown, mw31::MouseButton::Left, x, y);
            gt::send_mouse(*v_.window, mw31::MessageKind::MouseUp, mw31::MouseButton::Left, x, y);
            clicked = true;
        }
    ASSERT_TRUE(clicked) << "no AVI button";
    ASSERT_TRUE(pump_until([&] { return std::filesystem::exists(path("button.avi")); }));
    v = kvtest::probe_stream(kvtest::ffprobe_streams(path("button.avi")), 0);
    EXPECT_EQ(v["nb_read_frames"], "4") << "one pass at speed 60";
    EXPECT_TRUE(plays_on());
}

TEST_F(ViewerRecording, ACancelledCodecChoiceWritesNothingAndSaysNothing) {
    v_.playback.stopped = true;
    testing::internal::CaptureStderr();
    answer(path("none.avi"), "", true);
    EXPECT_EQ(gl3d::record_viewer(&v_), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find(gl3d::kRecordFailedMessage), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(path("none.avi")));
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        EXPECT_TRUE(e.path().filename() == "box.anm" || e.path().filename() == "glgrafic.size")
            << e.path() << " left behind";
    EXPECT_EQ(v_.toolbar[2].bitmap, "anm_go") << "stopped before, stopped after";
    EXPECT_TRUE(v_.playback.stopped);
}

}  // namespace
