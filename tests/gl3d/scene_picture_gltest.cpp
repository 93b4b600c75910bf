// The --output picture of a frame against the 3D window showing the same frame on an X server:
// outside the buttons they are the same picture, overlay and text lines included.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "gl3d/scene_loader.h"
#include "gl3d/viewer_window.h"
#include "mw31/backend.h"
#include "mw31/message_queue.h"
#include "support/program_run.h"

namespace {

bool read_ppm(const std::string& path, int w, int h, std::vector<uint8_t>* rgb) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int pw = 0, ph = 0, max = 0;
    if (!(in >> magic >> pw >> ph >> max) || magic != "P6" || pw != w || ph != h || max != 255)
        return false;
    in.get();
    rgb->resize(size_t(w) * size_t(h) * 3);
    return bool(in.read(reinterpret_cast<char*>(rgb->data()), std::streamsize(rgb->size())));
}

bool load(gl3d::Scene* scene) {
    gl3d::LoadOptions options;
    std::string messages;
    options.report = [&](const std::string& m) { messages += m; };
    const bool ok = gl3d::load_scene(kvtest::kExamples + "/gripper_3d.anm", scene, options) == 0;
    EXPECT_TRUE(ok) << messages;
    return ok;
}

TEST(ScenePictureAgainstTheWindow, TheGrippersClosingFrameLooksTheSame) {
    ASSERT_TRUE(mw31::backend() && mw31::backend()->has_display())
        << "needs an X server (run under xvfb-run)";
    const std::string daten = testing::TempDir() + "/daten_picture";
    std::system(("mkdir -p '" + daten + "'").c_str());
    setenv("DATEN", daten.c_str(), 1);
    unsetenv("KVGL_OFF");
    unsetenv("KVGL_MARKERGROESSE");

    gl3d::Scene shown_scene;
    ASSERT_TRUE(load(&shown_scene));
    gl3d::Viewer v;
    gl3d::ViewerOptions options;
    options.passes = 1000000;
    std::string error;
    ASSERT_EQ(gl3d::create_viewer(&v, &shown_scene, options, &error), 0) << error;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (v.redraws == 0 && std::chrono::steady_clock::now() < end) {
        mw31::Message m;
        if (mw31::peek_message(&m, true))
            mw31::dispatch_message(m);
        else
            mw31::backend()->process_events(true, 10);
    }
    ASSERT_GT(v.redraws, 0);

    // Frame 32: a collision marker, its line, the aqua box and a text line.
    v.playback.stopped = true;
    v.playback.frame = 32;
    // What the window drew, as its recording takes it.
    v.window->keep_swapped_pictures(true);
    gl3d::redraw(&v);
    int w = 0, h = 0;
    const std::vector<uint8_t> window = v.window->take_swapped_picture(&w, &h);
    v.window->keep_swapped_pictures(false);
    ASSERT_EQ(window.size(), size_t(w) * size_t(h) * 3);
    ASSERT_GE(w, 400) << "the text lines need 400 pixels";

    // The program draws the same frame at the same size without a display.
    const std::string ppm = testing::TempDir() + "/window_frame.ppm";
    std::remove(ppm.c_str());
    const kvtest::ProgramRun r = kvtest::run_without_display(
        kvtest::kExamples + "/gripper_3d.anm --output '" + ppm + "' --frame 32 --size " +
            std::to_string(w) + "x" + std::to_string(h),
        "-u KVGL_MARKERGROESSE DATEN='" + daten + "'");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    std::vector<uint8_t> picture;
    ASSERT_TRUE(read_ppm(ppm, w, h, &picture));
    // The buttons (y upwards) are the window's own; elsewhere the two GL platforms may round
    // colours differently in the last bit, and a handful of edge pixels may differ, but fewer
    // than a missing collision marker makes.
    auto on_button = [&](int x, int y) {
        for (const gl3d::ToolbarButton& b : v.toolbar)
            if (x >= b.x0 && x <= b.x1 && h - 1 - y >= b.y0 && h - 1 - y <= b.y1) return true;
        return false;
    };
    int differing = 0, compared = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (on_button(x, y)) continue;
            ++compared;
            const size_t i = (size_t(y) * size_t(w) + size_t(x)) * 3;
            int worst = 0;
            for (size_t k = 0; k < 3; ++k)
                worst = std::max(worst, std::abs(int(window[i + k]) - int(picture[i + k])));
            differing += worst > 12;
        }
    EXPECT_GT(compared, w * h / 2);
    EXPECT_LE(differing, 8) << "of " << compared << " pixels";
    // The text lines are in both: the bottom row is the lines' white ground.
    const size_t bottom = (size_t(h - 1) * size_t(w) + size_t(w - 3)) * 3;
    EXPECT_EQ(picture[bottom], 255);
    EXPECT_EQ(window[bottom], 255);
    gl3d::close_viewer(&v);
}

}  // namespace
