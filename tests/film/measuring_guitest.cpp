// Measuring, the crosshair and the target-cycle dialog in real film windows: a measurement
// picked with posted keys and clicks on the four-bar example, the menu bar after each stage,
// the dashed crosshair of line films that leaves the window as it found it, and the dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "film/anmneu_player.h"
#include "film/measuring_window.h"
#include "mw31/dialogs.h"
#include "mw31/message_queue.h"
#include "mw31/recording_canvas.h"
#include "support/qt_test_events.h"

namespace film {
namespace {

using mw31::Message;
using mw31::MessageKind;

std::function<void(FilmWindow&, int)>* g_on_frame = nullptr;
int g_frames = 0;

void observe(FilmWindow& fw, const mw31::Picture&, int, void*) {
    ++g_frames;
    if (g_on_frame) (*g_on_frame)(fw, g_frames);
}

void post(FilmWindow& fw, Message m) {
    m.window = fw.window.get();
    mw31::post_message(m);
}
void post_char(FilmWindow& fw, int ch) {
    Message m;
    m.kind = MessageKind::Char;
    m.key = ch;
    post(fw, m);
}
void post_click(FilmWindow& fw, int x, int y) {
    for (MessageKind kind :
         {MessageKind::MouseMove, MessageKind::MouseDown, MessageKind::MouseUp}) {
        Message m;
        m.kind = kind;
        m.button =
            kind == MessageKind::MouseMove ? mw31::MouseButton::None : mw31::MouseButton::Left;
        m.x = x;
        m.y = y;
        post(fw, m);
    }
}

// The world point under a pixel of an ANMNEU window, worked out from the raster mapping's
// definition (fit view, drawing area at the client's corner).
void anmneu_world(const WorldWindow& w, int area_width, int x, int y, double* wx, double* wy) {
    const double big_w = 1300000, big_h = 1000000;
    const double ex = std::trunc(x * big_w / area_width);
    const double fy = y * big_w;
    *wx = w.xl + (w.xr - w.xl) * ex / big_w;
    *wy = w.yb - (std::trunc(fy / area_width) - big_h) / big_h * (w.yt - w.yb);
}

struct Bar {
    bool b15, b16, b17;
    friend bool operator==(const Bar&, const Bar&) = default;
};
Bar bar_of(const FilmWindow& fw) {
    const mw31::Window& w = *fw.window;
    return Bar{w.toolbar_has(kCmdMeasureReference), w.toolbar_has(kCmdMeasureDirection),
               w.toolbar_has(kCmdMeasureEnd)};
}

std::vector<std::string> overlay_texts(FilmWindow& fw) {
    mw31::RecordingCanvas canvas(fw.view.area.width(), fw.view.area.height());
    paint_over_frame(fw, canvas, fw.view);
    std::vector<std::string> texts;
    for (const mw31::DrawOp& op : canvas.ops)
        if (op.kind == mw31::DrawOp::TextOut) texts.push_back(op.text);
    return texts;
}

TEST(MeasuringWindow, ReferenceAndDirectionPointsGiveLengthAndAngleOfTheWorldPoints) {
    AnmneuOptions options;
    options.film_name = std::string(KV_SOURCE_DIR) + "/examples/fourbar_anmneu.anm";
    options.passes = 1;
    options.pause_ms = 1;
    options.window.show = mw31::ShowMode::Normal;
    options.window.client_width = 650;
    options.window.client_height = 520;
    options.frame_observer = observe;
    const int x1 = 120, y1 = 400, x2 = 500, y2 = 150;
    std::vector<Bar> bars;
    std::vector<mw31::CursorShape> cursors;
    std::vector<std::string> texts_after, texts_armed;
    MeasureState picked, ended;
    WorldWindow world_at_pick{}, world_after_pick{};
    int area_width = 0;
    std::function<void(FilmWindow&, int)> on_frame = [&](FilmWindow& fw, int n) {
        switch (n) {
            case 2:
                bars.push_back(bar_of(fw));
                cursors.push_back(mw31::qt_test::client_cursor(*fw.window));
                post_char(fw, 'z');
                break;
            case 3:
                bars.push_back(bar_of(fw));
                cursors.push_back(mw31::qt_test::client_cursor(*fw.window));
                world_at_pick = *fw.world_window;
                area_width = fw.view.area.width();
                post_click(fw, x1, y1);
                break;
            case 4:
                bars.push_back(bar_of(fw));
                post_char(fw, 'r');
                break;
            case 5:
                bars.push_back(bar_of(fw));
                post_click(fw, x2, y2);
                break;
            case 6:
                bars.push_back(bar_of(fw));
                picked = fw.measuring.state;
                world_after_pick = *fw.world_window;
                texts_after = overlay_texts(fw);
                post_char(fw, 'r');  // armed again: the rubber line to the mouse
                break;
            case 7:
                texts_armed = overlay_texts(fw);
                post_char(fw, 'm');
                break;
            case 8:
                bars.push_back(bar_of(fw));
                cursors.push_back(mw31::qt_test::client_cursor(*fw.window));
                ended = fw.measuring.state;
                post_char(fw, 'e');
                break;
            default:
                break;
        }
    };
    g_on_frame = &on_frame;
    g_frames = 0;
    EXPECT_EQ(anmneu_film(options), 0);
    g_on_frame = nullptr;
    ASSERT_GE(g_frames, 8);

    // Stage 0 shows 15; stage 1 shows 16 and 17; stage 2 shows 17; back at 0 it shows 15.
    EXPECT_EQ(bars, (std::vector<Bar>{{true, false, false},
                                      {false, true, true},
                                      {false, true, true},
                                      {false, false, true},
                                      {false, false, true},
                                      {true, false, false}}));

    // The cross while a point is being picked, the arrow before and after measuring.
    EXPECT_EQ(cursors,
              (std::vector<mw31::CursorShape>{mw31::CursorShape::Arrow, mw31::CursorShape::Cross,
                                              mw31::CursorShape::Arrow}));
    ASSERT_EQ(area_width, 650);
    EXPECT_EQ(world_after_pick, world_at_pick) << "an armed press zooms nothing";
    double rx, ry, dx, dy;
    anmneu_world(world_at_pick, area_width, x1, y1, &rx, &ry);
    anmneu_world(world_at_pick, area_width, x2, y2, &dx, &dy);
    EXPECT_DOUBLE_EQ(picked.ref_x, rx);
    EXPECT_DOUBLE_EQ(picked.ref_y, ry);
    EXPECT_DOUBLE_EQ(picked.dir_x, dx);
    EXPECT_DOUBLE_EQ(picked.dir_y, dy);
    EXPECT_FALSE(picked.armed);
    char expected[128];
    std::snprintf(expected, sizeof expected, "l=%.3f,w=%.3fGrad", std::hypot(dx - rx, dy - ry),
                  std::atan2(dy - ry, dx - rx) * 180 / M_PI);
    // The crosshair's coordinates, then the measurement.
    ASSERT_EQ(texts_after.size(), 2u);
    EXPECT_EQ(texts_after[0].rfind("x=", 0), 0u) << texts_after[0];
    EXPECT_EQ(texts_after[1], expected);
    char at_mouse[64];
    std::snprintf(at_mouse, sizeof at_mouse, "x=%.3f y=%.3f", dx, dy);
    EXPECT_EQ(texts_after[0], at_mouse);  // the mouse is still at the direction point
    // Armed again at the direction point: the rubber line repeats length and angle, and the
    // direction differs by nothing.
    ASSERT_EQ(texts_armed.size(), 4u);
    EXPECT_EQ(texts_armed[2], expected);
    EXPECT_EQ(texts_armed[3], "dw=0.000 / 360.000 Grad");

    EXPECT_EQ(ended.stage, kMeasureNone);
    EXPECT_FALSE(ended.armed);
    EXPECT_FALSE(reference_set(ended));
    EXPECT_FALSE(direction_set(ended));
}

std::vector<mw31::Rgb> window_pixels(FilmWindow& fw) {
    std::vector<mw31::Rgb> px;
    mw31::Canvas& c = fw.window->canvas();
    const mw31::Rect r = fw.window->client_rect();
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x) px.push_back(c.get_pixel(x, y));
    return px;
}

TEST(MeasuringWindow, LineFilmCrosshairPutsBackWhatWasUnderIt) {
    FilmWindow fw;
    FilmWindowSetup setup;
    setup.show = mw31::ShowMode::Normal;
    setup.client_width = 300;
    setup.client_height = 240;
    ASSERT_EQ(open_film_window(&fw, setup), 0);
    mw31::Canvas& c = fw.window->canvas();
    // Something to cover: stripes of colours, so that a pixel put back wrong shows.
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 300; ++x)
            c.set_pixel(x, y, mw31::Rgb{uint8_t(x * 7), uint8_t(y * 5), uint8_t(x + y)});
    const std::vector<mw31::Rgb> before = window_pixels(fw);

    // No grid and no measuring: the mouse draws nothing.
    measuring_mouse_move(fw, 100, 80);
    EXPECT_EQ(window_pixels(fw), before);

    fw.state.grid = true;
    measuring_mouse_move(fw, 100, 80);
    EXPECT_TRUE(fw.measuring.line_crosshair.drawn);
    EXPECT_EQ(c.get_pixel(100, 0), kGridGrey);  // dashes from the edge: 10 on, 10 off
    EXPECT_EQ(c.get_pixel(100, 9), kGridGrey);
    EXPECT_EQ(c.get_pixel(100, 10), before[10 * 300 + 100]);
    EXPECT_EQ(c.get_pixel(5, 80), kGridGrey);
    EXPECT_EQ(c.get_pixel(15, 80), before[80 * 300 + 15]);
    EXPECT_NE(window_pixels(fw), before);

    // Moving on puts back the old one before the new one is drawn.
    measuring_mouse_move(fw, 37, 211);
    EXPECT_EQ(c.get_pixel(100, 0), before[100]);
    EXPECT_EQ(c.get_pixel(37, 0), kGridGrey);

    // The second call of the pair erases: exactly as before.
    toggle_line_crosshair(c, fw.view.area, 0, 0, &fw.measuring.line_crosshair);
    EXPECT_FALSE(fw.measuring.line_crosshair.drawn);
    EXPECT_EQ(window_pixels(fw), before);

    // Drawn and erased directly, also where the two lines cross.
    LineCrosshair cross;
    toggle_line_crosshair(c, fw.view.area, 3, 3, &cross);
    EXPECT_EQ(c.get_pixel(3, 3), kGridGrey);
    toggle_line_crosshair(c, fw.view.area, 3, 3, &cross);
    EXPECT_EQ(window_pixels(fw), before);

    // Switched off: the next move only erases.
    measuring_mouse_move(fw, 50, 50);
    fw.state.grid = false;
    measuring_mouse_move(fw, 60, 60);
    EXPECT_EQ(window_pixels(fw), before);
    close_film_window(&fw);
}

TEST(MeasuringWindow, TargetDialogShowsTheLastTextAndRestartsAtStepOne) {
    mw31::clear_dialog_hooks();
    FilmWindow fw;
    FilmWindowSetup setup;
    setup.show = mw31::ShowMode::Normal;
    ASSERT_EQ(open_film_window(&fw, setup), 0);
    fw.state.step = 5;
    fw.state.cycle_count = 40;
    fw.state.frame_count = 100;
    mw31::CannedAnswer typed;
    typed.text = "30";
    mw31::queue_dialog_answer(typed);
    fw.state.target_dialog_request = true;
    update_film_menu(fw);
    EXPECT_DOUBLE_EQ(fw.state.target_cycles, 30);
    EXPECT_EQ(fw.state.step, 1);
    EXPECT_EQ(fw.state.cycle_count, 0);
    ASSERT_EQ(mw31::shown_dialogs().size(), 1u);
    const mw31::DialogRecord first = mw31::shown_dialogs()[0];
    EXPECT_EQ(first.title, "Wunschtaktzahl eingeben");
    EXPECT_EQ(first.text, "Zieltaktzahl in 1/min: ");
    EXPECT_EQ(first.preset, "");
    EXPECT_EQ(first.buttons, (std::vector<std::string>{"OK", "Abbruch"}));

    // The control now works towards 30: far too fast at step 1 gives a pause.
    control_target_cycles(fw, 300);
    EXPECT_EQ(fw.state.step, 1);
    EXPECT_GT(fw.state.pause_ms, kDefaultPauseMs);

    fw.state.step = 3;
    mw31::CannedAnswer cancel;
    cancel.answer = mw31::BoxAnswer::Cancel;
    mw31::queue_dialog_answer(cancel);
    fw.state.target_dialog_request = true;
    update_film_menu(fw);
    EXPECT_EQ(fw.state.target_cycles, 0);  // Abbruch switches the control off
    EXPECT_EQ(fw.state.step, 1);
    ASSERT_EQ(mw31::shown_dialogs().size(), 2u);
    EXPECT_EQ(mw31::shown_dialogs()[1].preset, "30");  // the text typed last time

    const int pause = fw.state.pause_ms;
    control_target_cycles(fw, 300);
    EXPECT_EQ(fw.state.pause_ms, pause);
    close_film_window(&fw);
}

}  // namespace
}  // namespace film
