// Markers and picking in the 3D window on an X server: right clicks set, add and clear markers
// on a pickable body and list them in the status text; the cursor over a polygon names it.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "gl3d/scene_loader.h"
#include "gl3d/viewer_window.h"
#include "mw31/backend.h"
#include "mw31/message_queue.h"

namespace {

using mw31::MessageKind;
using mw31::MouseButton;

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

// A pickable plate (flags 2) in z = 0 and a polygon line just above it at x = 50, seen from
// straight above.
const char* const kScene =
    "ANM3D\n1\n1\n--- Symbol-Dateien ---\nview 0 0 600 0 0 -1 0 1 0\n"
    "begin x plate\n0.7 0.7 0.7\ntriangles 2\nn 2\n"
    "-100 -100 0 100 -100 0 100 100 0\n-100 -100 0 100 100 0 -100 100 0\nend_triangles\n"
    "polygon 2\n50 -100 1\n50 100 1\nend\n"
    "# 0\nc plate\n0 0 0 1 0 0 0 1 0 0 0 1\n";

class ViewerMarkers : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mw31::backend() && mw31::backend()->has_display())
            << "needs an X server (run under xvfb-run)";
        const std::string daten = testing::TempDir() + "/daten_markers";
        std::system(("mkdir -p '" + daten + "'").c_str());
        setenv("DATEN", daten.c_str(), 1);
        unsetenv("KVGL_OFF");
        unsetenv("KVGL_MARKERGROESSE");
        const std::string path = testing::TempDir() + "/markers_scene.anm";
        std::ofstream(path, std::ios::binary) << kScene;
        gl3d::LoadOptions load;
        load.report = [](const std::string& m) { ADD_FAILURE() << m; };
        load.info_name = testing::TempDir() + "/markers_kurvlab.txt";
        ASSERT_EQ(gl3d::load_scene(path, &scene_, load), 0);
        std::string error;
        ASSERT_EQ(gl3d::create_viewer(&v_, &scene_, gl3d::ViewerOptions{}, &error), 0) << error;
        v_.clock = [this] { return now_; };
        ASSERT_TRUE(pump_until([&] { return v_.redraws > 0; }));
    }
    void TearDown() override { gl3d::close_viewer(&v_); }

    void right_click(int x, int y, bool ctrl, bool shift) {
        mw31::Message m;
        m.kind = MessageKind::MouseDown;
        m.button = MouseButton::Right;
        m.x = x;
        m.y = y;
        m.ctrl = ctrl;
        m.shift = shift;
        gl3d::viewer_proc(*v_.window, m, &v_);
    }
    // The client pixel (y down) of the scene point (x, y) at depth d below the eye.
    std::pair<int, int> pixel(double x, double y, double d) const {
        const mw31::Rect c = v_.window->client_rect();
        const double k = 1 / std::tan(22.5 * M_PI / 180) / d * c.height() / 2;
        return {int(std::lround(c.width() / 2.0 + x * k)),
                int(std::lround(c.height() / 2.0 - y * k))};
    }

    gl3d::Scene scene_;
    gl3d::Viewer v_;
    long long now_ = 1000;
};

TEST_F(ViewerMarkers, RightClicksSetAddAndClearMarkersOnThePlate) {
    auto [x, y] = pixel(-40, 30, 600);
    right_click(x, y, false, false);
    ASSERT_EQ(v_.markers.markers.size(), 1u);
    const gl3d::Marker& m = v_.markers.markers[0];
    EXPECT_NEAR(m.point[0], -40, 1.0);  // a pixel is 0.65 here
    EXPECT_NEAR(m.point[1], 30, 1.0);
    EXPECT_NEAR(m.point[2], 0, 1e-6);
    EXPECT_NEAR(std::fabs(m.normal[2]), 1, 1e-9);
    EXPECT_EQ(v_.markers.status_text.rfind("text %c200080080 Marker 1:  %c100100100 X = ", 0), 0u)
        << v_.markers.status_text;

    auto [x2, y2] = pixel(20, -60, 600);
    right_click(x2, y2, true, false);  // ctrl adds
    ASSERT_EQ(v_.markers.markers.size(), 2u);
    EXPECT_NE(v_.markers.status_text.find("Marker 2:"), std::string::npos);
    right_click(5, 5, true, false);  // off the plate: nothing added
    EXPECT_EQ(v_.markers.markers.size(), 2u);
    right_click(x, y, false, false);  // plain: starts over
    EXPECT_EQ(v_.markers.markers.size(), 1u);
    right_click(x, y, true, true);  // shift + ctrl: only cleared
    EXPECT_TRUE(v_.markers.markers.empty());
    EXPECT_TRUE(v_.markers.status_text.empty());
}

TEST_F(ViewerMarkers, TheCursorOverThePolygonNamesItAndRedraws) {
    auto [x, y] = pixel(50, 0, 599);
    const int redraws = v_.redraws;
    EXPECT_EQ(gl3d::pick_at(&v_, x, y), 1);  // object 0, part 1; the plate below is farther
    EXPECT_EQ(v_.pick_result, 1);
    EXPECT_GT(v_.redraws, redraws);
    // Within 100 ms the cursor's move to the plate changes nothing.
    auto [px, py] = pixel(-50, 0, 600);
    now_ += 50;
    EXPECT_EQ(gl3d::pick_at(&v_, px, py), 1);
    now_ += 100;
    EXPECT_EQ(gl3d::pick_at(&v_, px, py), 0);  // the plate
    now_ += 100;
    EXPECT_EQ(gl3d::pick_at(&v_, 3, v_.window->client_rect().height() / 2), -1);
}

TEST_F(ViewerMarkers, EdgeDisplayComputesNeighboursOnTheTimerShowingProgress) {
    Faces3Koerper* plate = scene_.bodies[0].body.get();
    ASSERT_FALSE(faces3_hat_nachbarn(plate));  // a triangle list is read without them
    mw31::Message g;
    g.kind = MessageKind::Char;
    g.key = 'g';
    gl3d::viewer_proc(*v_.window, g, &v_);
    ASSERT_TRUE(v_.triangle_edges);
    ASSERT_TRUE(v_.neighbours.active);
    gl3d::Overlay overlay;
    const auto lines = gl3d::overlay_text_lines(v_, &overlay);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back()[0].text, "Gitterberechnung: 0 Prozent    ");
    // Timer 2001 carries it through and stops.
    ASSERT_TRUE(pump_until([&] { return !v_.neighbours.active; }));
    EXPECT_TRUE(faces3_hat_nachbarn(plate));
    EXPECT_EQ(v_.neighbours.percent, 100);
    const auto after = gl3d::overlay_text_lines(v_, &overlay);
    for (const auto& line : after)
        for (const auto& run : line)
            EXPECT_EQ(run.text.find("Gitterberechnung"), std::string::npos);
}

}  // namespace
