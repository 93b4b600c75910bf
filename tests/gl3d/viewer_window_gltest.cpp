// The 3D window on an X server: the example slider-crank played on the timer, keys, buttons
// drawn into the picture, drags and the wheel sent as real events, the light editor's title,
// the geometry file, closing, and the program playing one pass by itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "gl3d/scene_loader.h"
#include "gl3d/viewer_window.h"
#include "mw31/backend.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"
#include "mw31/terminal.h"
#include "support/gl_test_events.h"
#include "support/program_run.h"
#include "support/qt_test_events.h"

namespace {

using mw31::MessageKind;
using mw31::MouseButton;
namespace gt = mw31::gl_test;

// Dispatches messages until `done` holds or the time is up; true when it held.
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

void pump_for(int ms) {
    pump_until([] { return false; }, ms);
}

class ViewerWindow : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mw31::backend() && mw31::backend()->has_display())
            << "needs an X server (run under xvfb-run)";
        daten_ = testing::TempDir() + "/daten";
        std::system(("mkdir -p '" + daten_ + "'").c_str());
        setenv("DATEN", daten_.c_str(), 1);
        unsetenv("KVGL_OFF");
        gl3d::LoadOptions load;
        load.report = [this](const std::string& m) { messages_ += m; };
        ASSERT_EQ(gl3d::load_scene(kvtest::kExamples + "/slidercrank_3d.anm", &scene_, load), 0)
            << messages_;
    }
    void TearDown() override { gl3d::close_viewer(&v_); }

    void open(int passes = 1000000) {
        gl3d::ViewerOptions options;
        options.passes = passes;
        std::string error;
        ASSERT_EQ(gl3d::create_viewer(&v_, &scene_, options, &error), 0) << error;
        ASSERT_TRUE(pump_until([&] { return v_.redraws > 0 && v_.playback.frame != 119; }));
    }
    void key(const std::string& name, const std::string& text) {
        ASSERT_TRUE(gt::send_key(*v_.window, name, text));
        mw31::service_messages();
    }
    // The centre of a toolbar button in client coordinates (y down).
    void click_button(int id) {
        const int h = v_.window->client_rect().height();
        for (const gl3d::ToolbarButton& b : v_.toolbar)
            if (b.id == id) {
                const int x = (b.x0 + b.x1) / 2, y = h - 1 - (b.y0 + b.y1) / 2;
                gt::send_mouse(*v_.window, MessageKind::MouseDown, MouseButton::Left, x, y);
                gt::send_mouse(*v_.window, MessageKind::MouseUp, MouseButton::Left, x, y);
                mw31::service_messages();
                return;
            }
        ADD_FAILURE() << "no button " << id;
    }

    // What the window shows on the X server: rows bottom to top (as GL counts), R G B.
    std::vector<uint8_t> shown() {
        gl3d::redraw(&v_);
        const mw31::Rect c = v_.window->client_rect();
        const size_t row = size_t(c.width()) * 3;
        const std::vector<uint8_t> top_down = gt::grab(*v_.window);
        if (top_down.size() != row * size_t(c.height())) return {};
        std::vector<uint8_t> px(top_down.size());
        for (int y = 0; y < c.height(); ++y)
            std::copy_n(top_down.data() + size_t(c.height() - 1 - y) * row, row,
                        px.data() + size_t(y) * row);
        return px;
    }

    std::string daten_, messages_;
    gl3d::Scene scene_;
    gl3d::Viewer v_;
};

TEST_F(ViewerWindow, PlaysOnTheTimerAndStepsWithKeysAndTheCtrlWheel) {
    open();
    EXPECT_TRUE(gt::is_shown(*v_.window));
    EXPECT_EQ(v_.window->client_rect().width(), 1024);
    // The timer moves the film on; every frame's caption becomes the title.
    const int seen = v_.playback.frame;
    ASSERT_TRUE(pump_until([&] { return v_.playback.frame != seen; }));
    ASSERT_TRUE(pump_until([&] { return !v_.title.empty() && v_.title != gl3d::kViewerTitle; }));
    EXPECT_EQ(v_.title, scene_.frames[size_t(v_.playback.frame)].caption);
    EXPECT_EQ(gt::title(*v_.window), v_.title);

    // "s" during playback: single steps; the timer no longer moves the film.
    key("S", "s");
    EXPECT_TRUE(v_.playback.single_step);
    const int held = v_.playback.frame;
    pump_for(150);
    EXPECT_EQ(v_.playback.frame, held);
    // Any other key steps once (its key down and its character together once).
    key("X", "x");
    EXPECT_EQ(v_.playback.frame, (held + 1) % 120);
    // Left arrow turns the direction; the key itself steps backwards.
    key("Left", "");
    EXPECT_EQ(v_.playback.direction, -1);
    EXPECT_EQ(v_.playback.frame, held);
    // Ctrl + wheel towards the user steps with the direction, away from the user against it.
    gt::send_wheel(*v_.window, -120, 300, 300, true);
    mw31::service_messages();
    EXPECT_EQ(v_.playback.frame, (held + 119) % 120);
    gt::send_wheel(*v_.window, 120, 300, 300, true);
    mw31::service_messages();
    EXPECT_EQ(v_.playback.frame, held);
    key("Right", "");
    key("S", "s");
    EXPECT_FALSE(v_.playback.single_step);
    ASSERT_TRUE(pump_until([&] { return v_.playback.frame != held; }));
}

TEST_F(ViewerWindow, ButtonsDrawnIntoThePictureChangeSpeedAndStepMode) {
    open();
    ASSERT_GE(v_.toolbar.size(), 7u);
    // Laid out along the top edge, left to right, each as wide as its bitmap.
    const int h = v_.window->client_rect().height();
    EXPECT_EQ(v_.toolbar[0].y1, h - 2);
    EXPECT_EQ(v_.toolbar[1].x0, v_.toolbar[0].x1 + 1);

    click_button(gl3d::kButtonFast);
    click_button(gl3d::kButtonFast);
    click_button(gl3d::kButtonFast);
    EXPECT_DOUBLE_EQ(v_.playback.speed, 3.375);
    EXPECT_EQ(gl3d::playback_step(v_.playback), 3);
    // Three frames a tick now.
    key("S", "s");
    const int held = v_.playback.frame;
    key("X", "x");
    EXPECT_EQ(v_.playback.frame, (held + 3) % 120);
    key("S", "s");
    for (int i = 0; i < 5; ++i) click_button(gl3d::kButtonSlow);
    EXPECT_NEAR(v_.playback.speed, 1 / 2.25, 1e-12);
    EXPECT_EQ(gl3d::timer_period_ms(v_.playback.speed), 33);

    // The single-step button swaps with its twin at the same place.
    const int x0 = v_.toolbar[2].x0;
    click_button(gl3d::kButtonSingle);
    EXPECT_TRUE(v_.playback.single_step);
    EXPECT_EQ(v_.toolbar[2].id, gl3d::kButtonDoubleStep);
    EXPECT_EQ(v_.toolbar[2].x0, x0);
    click_button(gl3d::kButtonDoubleStep);
    EXPECT_FALSE(v_.playback.single_step);
    click_button(gl3d::kButtonDirection);
    EXPECT_EQ(v_.playback.direction, -1);

    click_button(gl3d::kButtonEnd);
    EXPECT_TRUE(gl3d::viewer_done(v_));
    EXPECT_FALSE(gt::is_shown(*v_.window));
}

TEST_F(ViewerWindow, PictureShowsTheSceneUnderTheButtonBitmaps) {
    open();
    key("S", "s");
    const std::vector<uint8_t> px = shown();
    const int w = v_.window->client_rect().width(), h = v_.window->client_rect().height();
    ASSERT_EQ(px.size(), size_t(w) * size_t(h) * 3);
    // Every button's bitmap lies in the picture pixel for pixel, at its hit rectangle.
    for (const gl3d::ToolbarButton& b : v_.toolbar) {
        const mw31::ButtonImage& img = v_.bitmaps[b.bitmap];
        ASSERT_GT(img.width, 0) << b.bitmap;
        ASSERT_EQ(b.x1 - b.x0 + 1, img.width);
        int differ = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x)
                for (int k = 0; k < 3; ++k)
                    differ +=
                        px[(size_t(b.y0 + y) * size_t(w) + size_t(b.x0 + x)) * 3 + size_t(k)] !=
                        img.rgb_rows[(size_t(img.height - 1 - y) * size_t(img.width) + size_t(x)) *
                                         3 +
                                     size_t(k)];
        EXPECT_EQ(differ, 0) << b.bitmap;
    }
    // Below the bar the scene covers a good part of the dark blue background.
    size_t drawn = 0;
    for (int y = 0; y < h - 40; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &px[(size_t(y) * size_t(w) + size_t(x)) * 3];
            drawn += !(p[0] == 25 && p[1] == 25 && p[2] == 102) && !(p[0] == 26 && p[2] == 102);
        }
    EXPECT_GT(drawn, size_t(w) * size_t(h) / 50);
    EXPECT_LT(drawn, size_t(w) * size_t(h) / 2) << "the background is not the dark blue";
    // A turned scene is a different picture.
    gt::send_mouse(*v_.window, MessageKind::MouseDown, MouseButton::Left, 400, 300);
    gt::send_mouse(*v_.window, MessageKind::MouseMove, MouseButton::Left, 460, 300);
    mw31::service_messages();
    EXPECT_NE(shown(), px);
}

TEST_F(ViewerWindow, PGoesToTheTerminal) {
    open();
    ASSERT_EQ(mw31::create_terminal(25, 80), 0);
    key("P", "p");
    EXPECT_EQ(mw31::terminal_read_key(), 'p') << "queued, so the read does not wait";
    mw31::destroy_terminal();
    EXPECT_TRUE(v_.alive);
}

TEST_F(ViewerWindow, DragsTurnTheSceneAndTheViewAndTheWheelMovesTheEye) {
    open();
    key("S", "s");  // a still picture
    const gl3d::Placement before = scene_.global;
    gt::send_mouse(*v_.window, MessageKind::MouseDown, MouseButton::Left, 400, 300);
    gt::send_mouse(*v_.window, MessageKind::MouseMove, MouseButton::Left, 400, 300 + 192);
    gt::send_mouse(*v_.window, MessageKind::MouseUp, MouseButton::Left, 400, 300 + 192);
    mw31::service_messages();
    // A quarter of the client height turns the scene by 90 degrees about the side vector: the
    // z axis image becomes perpendicular to where it was.
    const double* z0 = before.data() + 9;
    const double* z1 = scene_.global.data() + 9;
    EXPECT_NEAR(z0[0] * z1[0] + z0[1] * z1[1] + z0[2] * z1[2], 0.0, 1e-9);
    EXPECT_EQ(scene_.global[0], before[0]);  // the origin stays

    // A move without a button held turns nothing.
    const gl3d::Placement turned = scene_.global;
    gt::send_mouse(*v_.window, MessageKind::MouseMove, MouseButton::None, 500, 100);
    mw31::service_messages();
    EXPECT_EQ(scene_.global, turned);

    // Middle drag over the full client height turns the view direction by 45 degrees.
    const gl3d::ViewRecord view = scene_.view;
    const int h = v_.window->client_rect().height();
    gt::send_mouse(*v_.window, MessageKind::MouseDown, MouseButton::Middle, 500, 0);
    gt::send_mouse(*v_.window, MessageKind::MouseMove, MouseButton::Middle, 500, h);
    gt::send_mouse(*v_.window, MessageKind::MouseUp, MouseButton::Middle, 500, h);
    mw31::service_messages();
    double dot = 0;
    for (int i = 3; i < 6; ++i) dot += view[size_t(i)] * scene_.view[size_t(i)];
    EXPECT_NEAR(std::acos(std::min(1.0, dot)) * 180 / M_PI, 45.0, 1e-6);
    EXPECT_EQ(scene_.view[0], view[0]);  // the eye stays

    // Wheel away from the user: the eye backs off along the ray through the centre.
    const gl3d::ViewRecord w0 = scene_.view;
    const int cw = v_.window->client_rect().width();
    gt::send_wheel(*v_.window, 120, cw / 2, h / 2);
    mw31::service_messages();
    std::array<double, 3> moved;
    for (int i = 0; i < 3; ++i) moved[size_t(i)] = scene_.view[size_t(i)] - w0[size_t(i)];
    const double along = moved[0] * w0[3] + moved[1] * w0[4] + moved[2] * w0[5];
    EXPECT_LT(along, 0);
    for (int i = 3; i < 6; ++i) EXPECT_NEAR(scene_.view[size_t(i)], w0[size_t(i)], 1e-12);

    // "i": the initial view, the eye above and in front of the scene box's centre.
    key("I", "i");
    const gl3d::Camera& cam = v_.camera;
    EXPECT_NEAR(cam.eye[0], cam.centre[0], 1e-9);
    EXPECT_NEAR(cam.eye[1], cam.centre[1] - 2 * cam.size, 1e-9);
    EXPECT_NEAR(cam.eye[2], cam.centre[2] + 2 * cam.size, 1e-9);
}

TEST_F(ViewerWindow, SaveButtonWritesTheAnimationWithTheViewAsItIsNow) {
    open();
    key("S", "s");
    gt::send_wheel(*v_.window, -120, 500, 400);  // closer
    mw31::service_messages();
    const std::string target = testing::TempDir() + "/with_view";
    mw31::qt_test::DialogReply reply;
    reply.files = {target};
    mw31::qt_test::reply_to_next_dialog(reply);
    click_button(gl3d::kButtonSave);
    const std::string saved = kvtest::slurp(target + ".anm");
    const std::string eye =
        mw31::format_text("view %lg %lg %lg ", scene_.view[0], scene_.view[1], scene_.view[2]);
    EXPECT_NE(saved.find("\n" + eye), std::string::npos) << saved.substr(0, 600);
    EXPECT_EQ(saved.find("view 100 -420 300\n"), std::string::npos);
    // Cancelled: nothing written.
    mw31::qt_test::DialogReply cancel;
    cancel.accept = false;
    mw31::qt_test::reply_to_next_dialog(cancel);
    std::remove((target + ".anm").c_str());
    click_button(gl3d::kButtonSave);
    EXPECT_TRUE(kvtest::slurp(target + ".anm").empty());
}

TEST_F(ViewerWindow, LightEditorShowsItsLineInTheTitle) {
    open();
    key("S", "s");
    key("A", "a");
    EXPECT_EQ(gt::title(*v_.window)
                  .rfind("(a,*) a349,349,349  d699,699,699  s250,250,250  h30  "
                         "k699,699,699",
                         0),
              0u)
        << gt::title(*v_.window);
    key("+", "+");
    EXPECT_NE(gt::title(*v_.window).find("a385,385,385"), std::string::npos)
        << gt::title(*v_.window);
    key("A", "a");
    EXPECT_EQ(gt::title(*v_.window), "");
}

TEST_F(ViewerWindow, MovedWindowIsWrittenToTheGeometryFileAndReadAtTheNextStart) {
    open();
    key("Q", "Q");
    const std::string file = daten_ + "/glgrafic.size";
    // Written before a later message once the window has its new place.
    ASSERT_TRUE(pump_until([&] {
        const mw31::Rect r = gl3d::read_window_geometry(file);
        return r.left == 100 && r.top == 100;
    })) << v_.window->window_rect().left;
    const mw31::Rect r = gl3d::read_window_geometry(file);
    gl3d::close_viewer(&v_);
    open();
    EXPECT_EQ(v_.window->window_rect(), r);
}

TEST_F(ViewerWindow, CloseBoxAndPassesEndTheViewer) {
    open();
    gt::press_close_box(*v_.window);
    mw31::service_messages();
    EXPECT_TRUE(gl3d::viewer_done(v_));
    EXPECT_FALSE(gt::is_shown(*v_.window));
    gl3d::close_viewer(&v_);
    EXPECT_EQ(v_.window, nullptr);

    // Two passes: 240 steps after the first one, and the viewer is done by itself.
    open(2);
    ASSERT_TRUE(pump_until([&] { return gl3d::viewer_done(v_); }, 30000));
    EXPECT_EQ(v_.passes_done, 2);
    EXPECT_EQ(v_.playback.frame, 0);
}

TEST_F(ViewerWindow, SceneWithoutFramesStillEndsAfterItsPasses) {
    const std::string name = testing::TempDir() + "/no_frames.anm";
    std::ofstream(name) << "ANM3D\n1\n0\n--- Symbol-Dateien ---\nbegin x a\n1 1 1\n"
                           "quader 10 10 10 0 0 0 1 0 0 0 1 0 0\nend\n";
    gl3d::LoadOptions load;
    load.info_name = testing::TempDir() + "/no_frames.txt";
    ASSERT_EQ(gl3d::load_scene(name, &scene_, load), 0);
    ASSERT_EQ(scene_.frame_count(), 0);
    open(3);
    ASSERT_TRUE(pump_until([&] { return gl3d::viewer_done(v_); }));
    EXPECT_EQ(v_.passes_done, 3);
    EXPECT_GT(v_.redraws, 0);
}

TEST(KurvlabWindow, PlaysTheExampleOnePassAndEndsByItself) {
    const std::string daten = testing::TempDir() + "/daten-e2e";
    std::system(("mkdir -p '" + daten + "'").c_str());
    const auto start = std::chrono::steady_clock::now();
    const kvtest::ProgramRun r = [&] {
        kvtest::ProgramRun run;
        const std::string cmd = "cd '" + std::string(KV_SOURCE_DIR) + "' && DATEN='" + daten +
                                "' QT_QPA_PLATFORM=xcb timeout 120 " + kvtest::kProgram +
                                " examples/slidercrank_3d.anm -n1 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        std::array<char, 4096> buf;
        size_t n;
        while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) run.out.append(buf.data(), n);
        const int status = pclose(p);
        run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(r.out.find("no display"), std::string::npos) << r.out;
    // 120 frames at 5 ms a tick take more than half a second in the window.
    EXPECT_GT(seconds, 0.5);
}

}  // namespace
