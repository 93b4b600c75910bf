// Screen and world coordinates of the world modes, the grid, the crosshair and the
// measurement as drawn on a recording canvas, checked against values worked out here from
// the mappings' definitions.
#include "film/overlays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "film/world_zoom.h"
#include "film_model/paint_basics.h"
#include "mw31/recording_canvas.h"

namespace film {
namespace {

using mw31::DrawOp;

FilmView area_view(int w, int h) {
    FilmView v;
    v.area = mw31::Rect{0, 0, w, h};
    return v;
}

std::string fixed3(const char* format, double a, double b) {
    char buf[128];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

TEST(ScreenToWorld, AnmneuModeGoesThroughTheRaster) {
    const WorldWindow w{-65, 65, -50, 50};
    const FilmView v = area_view(800, 640);
    double x, y;
    // ex = 400 * 1300000 / 800 = 650000: the middle; fy / w = 320 * 1300000 / 800 = 520000.
    screen_to_world(v, WorldMode::Anmneu, w, 0, 400, 320, &x, &y);
    EXPECT_DOUBLE_EQ(x, 0);
    EXPECT_DOUBLE_EQ(y, -50 - (520000.0 - 1000000.0) / 1000000.0 * 100);
    // Zoomed pixel view: ex = W (x - x0) / zoom / w.
    FilmView z = v;
    z.fit = false;
    z.zoom = 2;
    z.x0 = -800;
    z.y0 = -100;
    screen_to_world(z, WorldMode::Anmneu, w, 0, 0, 0, &x, &y);
    EXPECT_DOUBLE_EQ(x, -65 + 130 * std::trunc(1300000.0 * 800 / 2 / 800) / 1300000);
    EXPECT_DOUBLE_EQ(y, -50 - (std::trunc(1300000.0 * 100 / 2 / 800) - 1e6) / 1e6 * 100);
}

TEST(ScreenToWorld, UsercoorModeStretchesTheWindowOntoTheArea) {
    const WorldWindow w{0, 130, 0, 100};
    const FilmView v = area_view(800, 640);
    double x, y;
    screen_to_world(v, WorldMode::Usercoor, w, 0, 400, 320, &x, &y);
    EXPECT_DOUBLE_EQ(x, 65);
    EXPECT_DOUBLE_EQ(y, 50);
    screen_to_world(v, WorldMode::Usercoor, w, 0, 0, 640, &x, &y);
    EXPECT_DOUBLE_EQ(x, 0);
    EXPECT_DOUBLE_EQ(y, 0);
    screen_to_world(v, WorldMode::Usercoor, w, 0, 80, 64, &x, &y);
    EXPECT_DOUBLE_EQ(x, 13);
    EXPECT_DOUBLE_EQ(y, 90);
}

TEST(ScreenToWorld, RoundTripsWithTheDrawingMappingsWithinAPixel) {
    const FilmView v = area_view(800, 640);
    for (WorldMode mode : {WorldMode::Anmneu, WorldMode::Usercoor}) {
        const WorldWindow w{-75, 185, -70, 130};
        const WorldPicture map(mode, w, v);
        const double pixel = (w.xr - w.xl) / 800;
        for (double wx : {-70.0, 0.0, 33.3, 180.0})
            for (double wy : {-60.0, 0.5, 99.9}) {
                const mw31::Point p = map.at(wx, wy);
                double bx, by;
                map.world_of(p.x, p.y, &bx, &by);
                EXPECT_NEAR(bx, wx, 1.01 * pixel) << int(mode) << " " << wx;
                EXPECT_NEAR(by, wy, 1.01 * pixel) << int(mode) << " " << wy;
                // And the pixel found again from that world point is the same one.
                const mw31::Point q = map.at(bx, by);
                EXPECT_LE(std::abs(q.x - p.x), 1);
                EXPECT_LE(std::abs(q.y - p.y), 1);
            }
    }
    // The ANMNEU picture mapping is world_to_raster followed by the film-to-screen mapping.
    const WorldPicture anm(WorldMode::Anmneu, WorldWindow{0, 130, 0, 100}, v);
    // Raster (650000, 500000); y is scaled by the width too: 800 * 500000 / 1300000.
    EXPECT_EQ(anm.at(65, 50), (mw31::Point{400, 307}));
    const WorldPicture usr(WorldMode::Usercoor, WorldWindow{0, 130, 0, 100}, v);
    EXPECT_EQ(usr.at(65, 50), (mw31::Point{400, 320}));
}

TEST(ScreenToWorld, LineFilmsUseTheirOwnUnits) {
    FilmView v = area_view(640, 512);
    double x, y;
    screen_to_world(v, WorldMode::None, WorldWindow{}, 12800, 320, 100, &x, &y);
    EXPECT_DOUBLE_EQ(x, 6400);
    EXPECT_DOUBLE_EQ(y, 2000);
    v.fit = false;
    v.zoom = 4;
    v.x0 = -100;
    v.y0 = 20;
    screen_to_world(v, WorldMode::None, WorldWindow{}, 12800, 0, 20, &x, &y);
    EXPECT_DOUBLE_EQ(x, 100 * 12800.0 / (640 * 4));
    EXPECT_DOUBLE_EQ(y, 0);
}

TEST(WorldZoom, RectangleAndWheelInTheDirectMapping) {
    const FilmView v = area_view(800, 640);
    WorldWindow w{0, 130, 0, 100};
    // The rectangle (80, 64)-(480, 384) covers x 13..78 and y 40..90: width 65 takes the
    // height 50 at the aspect 1.3.
    EXPECT_TRUE(world_zoom_to_rectangle(&w, v, WorldMode::Usercoor, mw31::Rect{480, 384, 80, 64}));
    EXPECT_DOUBLE_EQ(w.xl, 13);
    EXPECT_DOUBLE_EQ(w.xr, 78);
    EXPECT_DOUBLE_EQ(w.yb, 40);
    EXPECT_DOUBLE_EQ(w.yt, 90);
    EXPECT_FALSE(world_zoom_to_rectangle(&w, v, WorldMode::Usercoor, mw31::Rect{0, 0, 4, 100}));

    // A forward turn at the middle shows 1.2 times as much about the same point.
    w = WorldWindow{0, 130, 0, 100};
    EXPECT_TRUE(world_wheel_zoom(&w, v, WorldMode::Usercoor, 400, 320, 120));
    EXPECT_DOUBLE_EQ(w.xr - w.xl, 130 * 1.2);
    EXPECT_DOUBLE_EQ((w.xl + w.xr) / 2, 65);
    // Backward at the lower left corner: that point becomes the middle of a smaller window.
    w = WorldWindow{0, 130, 0, 100};
    EXPECT_TRUE(world_wheel_zoom(&w, v, WorldMode::Usercoor, 0, 639, -120));
    EXPECT_NEAR((w.xl + w.xr) / 2, 0, 1e-12);
    EXPECT_NEAR((w.yb + w.yt) / 2, 100.0 / 640, 1e-12);
    EXPECT_NEAR(w.xr - w.xl, 130 / 1.2, 1e-9);
    EXPECT_FALSE(world_wheel_zoom(&w, v, WorldMode::Usercoor, 900, 10, 120));  // outside
}

TEST(WorldZoom, OneZoomForBothModesFollowsTheWindowsMode) {
    FilmWindow fw;
    fw.view = area_view(800, 640);
    WorldWindow w{0, 130, 0, 100};
    WorldWindow initial{};  // filled in after the zoom is made, as a player reads its film later
    fw.world_mode = WorldMode::Usercoor;
    fw.world = world_window_zoom(fw, &w, initial);
    EXPECT_EQ(fw.world_window, &w);
    initial = WorldWindow{0, 130, 0, 100};

    // Direct mapping: the rectangle's corners are read straight off the area.
    EXPECT_TRUE(fw.world.zoom_rectangle(mw31::Rect{80, 64, 480, 384}));
    EXPECT_EQ(w, (WorldWindow{13, 78, 40, 90}));
    mw31::Message wheel;
    wheel.kind = mw31::MessageKind::Wheel;
    wheel.x = 400;
    wheel.y = 320;
    wheel.wheel = 120;
    fw.world.wheel(wheel);
    EXPECT_DOUBLE_EQ(w.xr - w.xl, 65 * 1.2);
    EXPECT_DOUBLE_EQ((w.xl + w.xr) / 2, 45.5);
    EXPECT_EQ(fw.state.drag, kDragRedraw);
    fw.world.zoom_out();
    EXPECT_DOUBLE_EQ(w.xr - w.xl, 65 * 1.2 * 2);
    fw.view.fit = false;
    fw.world.init();
    EXPECT_EQ(w, initial);
    EXPECT_TRUE(fw.view.fit);

    // The same rectangle in ANMNEU mode goes through the raster: x alike, y scaled by the
    // width, so another window comes out.
    fw.world_mode = WorldMode::Anmneu;
    EXPECT_TRUE(fw.world.zoom_rectangle(mw31::Rect{80, 64, 480, 384}));
    WorldWindow anmneu{0, 130, 0, 100};
    EXPECT_TRUE(
        world_zoom_to_rectangle(&anmneu, fw.view, WorldMode::Anmneu, mw31::Rect{80, 64, 480, 384}));
    EXPECT_EQ(w, anmneu);
    EXPECT_NE(w, (WorldWindow{13, 78, 40, 90}));

    // Without a world mode the wheel does nothing.
    fw.world_mode = WorldMode::None;
    const WorldWindow before = w;
    fw.world.wheel(wheel);
    EXPECT_EQ(w, before);
}

std::vector<DrawOp> lines_of(const mw31::RecordingCanvas& c) {
    std::vector<DrawOp> out;
    for (const DrawOp& op : c.ops)
        if (op.kind == DrawOp::LineTo) out.push_back(op);
    return out;
}

TEST(Grid, LinesAtMultiplesOfTheSpacingAcrossTheArea) {
    // 100 x 80 world units on 1000 x 800 pixels: spacings 5 and 2, the smaller for both.
    const FilmView v = area_view(1000, 800);
    const WorldPicture map(WorldMode::Usercoor, WorldWindow{0.5, 100.5, 0.5, 80.5}, v);
    mw31::RecordingCanvas c(1000, 800);
    draw_grid(c, map, 2);
    int vertical = 0, horizontal = 0;
    for (const DrawOp& op : lines_of(c)) {
        EXPECT_EQ(op.pen, (mw31::Pen{mw31::PenStyle::Solid, 2, kGridGrey}));
        if (op.from.x == op.x) {
            ++vertical;
            EXPECT_EQ(op.from.y, 0);
            EXPECT_EQ(op.y, 800);
            // On a multiple of 2, within the pixel's tenth of a unit.
            double wx, wy;
            map.world_of(op.x, 0, &wx, &wy);
            EXPECT_LE(std::fabs(wx - 2 * std::round(wx / 2)), 0.1 + 1e-9) << op.x;
        } else {
            ++horizontal;
            EXPECT_EQ(op.from.y, op.y);
            EXPECT_EQ(op.from.x, 0);
            EXPECT_EQ(op.x, 1000);
        }
    }
    EXPECT_EQ(vertical, 50);    // 2, 4 ... 100
    EXPECT_EQ(horizontal, 40);  // 2, 4 ... 80

    mw31::RecordingCanvas none(1000, 800);
    draw_grid(none, WorldPicture(WorldMode::Usercoor, WorldWindow{0, 0.0005, 0, 1}, v), 1);
    EXPECT_TRUE(none.ops.empty());
}

TEST(Crosshair, LinesThroughTheMouseAndItsCoordinatesUnlessTooLarge) {
    const FilmView v = area_view(800, 640);
    OverlayStyle style;
    style.text = mw31::Rgb{1, 2, 3};
    mw31::RecordingCanvas c;
    draw_crosshair(c, v, MouseAt{100, 200, 12.5, -3.25}, style);
    const std::vector<DrawOp> ls = lines_of(c);
    ASSERT_EQ(ls.size(), 2u);
    EXPECT_EQ(ls[0].from, (mw31::Point{100, 0}));
    EXPECT_EQ((mw31::Point{ls[0].x, ls[0].y}), (mw31::Point{100, 640}));
    EXPECT_EQ(ls[1].from, (mw31::Point{0, 200}));
    EXPECT_EQ((mw31::Point{ls[1].x, ls[1].y}), (mw31::Point{800, 200}));
    EXPECT_EQ(ls[0].pen.colour, kGridGrey);
    const DrawOp& text = c.ops.back();
    ASSERT_EQ(text.kind, DrawOp::TextOut);
    EXPECT_EQ(text.text, "x=12.500 y=-3.250");
    EXPECT_EQ(text.x, 105);
    EXPECT_EQ(text.y, 185);
    EXPECT_TRUE(text.text_transparent);
    EXPECT_EQ(text.text_colour, style.text);
    EXPECT_FALSE(c.text_transparent());  // left as it was found

    for (const MouseAt far : {MouseAt{100, 200, 1e10, 0}, MouseAt{100, 200, 0, -2e10}}) {
        mw31::RecordingCanvas t;
        draw_crosshair(t, v, far, style);
        EXPECT_EQ(lines_of(t).size(), 2u);
        for (const DrawOp& op : t.ops) EXPECT_NE(op.kind, DrawOp::TextOut);
    }
    mw31::RecordingCanvas outside;
    draw_crosshair(outside, v, MouseAt{-1, -1, 0, 0}, style);
    EXPECT_TRUE(outside.ops.empty());
}

TEST(Measurement, MarksLineAndTextOfTheTwoPoints) {
    const FilmView v = area_view(1000, 800);
    const WorldWindow w{0, 250, 0, 200};  // 4 pixels per unit; marks of s = 1 unit
    const WorldPicture map(WorldMode::Usercoor, w, v);
    MeasureState m;
    m.stage = kMeasureDirection;
    m.ref_x = 10;
    m.ref_y = 20;
    OverlayStyle style;
    style.measure = mw31::Rgb{200, 0, 0};

    mw31::RecordingCanvas only_ref;
    draw_measurement(only_ref, map, m, nullptr, style);
    const std::vector<DrawOp> mark = lines_of(only_ref);
    ASSERT_EQ(mark.size(), 2u);  // a cross 2s wide and 3s high
    EXPECT_EQ(mark[0].from, map.at(9, 20));
    EXPECT_EQ((mw31::Point{mark[0].x, mark[0].y}), map.at(11, 20));
    EXPECT_EQ(mark[1].from, map.at(10, 18.5));
    EXPECT_EQ((mw31::Point{mark[1].x, mark[1].y}), map.at(10, 21.5));
    EXPECT_EQ(mark[0].pen, (mw31::Pen{mw31::PenStyle::Solid, 1, style.measure}));

    m.dir_x = 40;
    m.dir_y = 60;
    mw31::RecordingCanvas both;
    draw_measurement(both, map, m, nullptr, style);
    const std::vector<DrawOp> ls = lines_of(both);
    ASSERT_EQ(ls.size(), 2u + 4u + 2u + 1u);  // mark, square, mark, joining line
    EXPECT_EQ(ls[2].from, map.at(39, 59));    // the square's corner
    EXPECT_EQ(ls.back().from, map.at(10, 20));
    EXPECT_EQ((mw31::Point{ls.back().x, ls.back().y}), map.at(40, 60));
    const DrawOp& text = both.ops.back();
    ASSERT_EQ(text.kind, DrawOp::TextOut);
    EXPECT_EQ(text.text, fixed3("l=%.3f,w=%.3fGrad", std::sqrt(30.0 * 30 + 40 * 40),
                                std::atan2(40.0, 30.0) * 180 / M_PI));
    EXPECT_EQ((mw31::Point{text.x, text.y}), map.at(25, 40));

    // Not armed: nothing at the mouse. Armed: an X there and the rubber line with the
    // difference to the direction.
    MouseAt mouse{map.at(10, 50).x, map.at(10, 50).y, 10, 50};
    mw31::RecordingCanvas idle;
    draw_measurement(idle, map, m, &mouse, style);
    EXPECT_EQ(idle.ops.size(), both.ops.size());
    m.armed = true;
    mw31::RecordingCanvas armed;
    draw_measurement(armed, map, m, &mouse, style);
    std::vector<std::string> texts;
    for (const DrawOp& op : armed.ops)
        if (op.kind == DrawOp::TextOut) texts.push_back(op.text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], "l=30.000,w=90.000Grad");
    const double dw = 90 - std::atan2(40.0, 30.0) * 180 / M_PI - 360;
    EXPECT_EQ(texts[2], fixed3("dw=%.3f / %.3f Grad", dw, dw + 360));
    const std::vector<DrawOp> al = lines_of(armed);
    ASSERT_EQ(al.size(), ls.size() + 3u);  // the X and the rubber line
    EXPECT_EQ(al[al.size() - 3].from, map.at(9, 49));
    EXPECT_EQ(al.back().from, map.at(10, 20));
    EXPECT_EQ((mw31::Point{al.back().x, al.back().y}), (mw31::Point{mouse.x, mouse.y}));
}

TEST(Measurement, OverlayColoursFollowTheTableAndTheDisplay) {
    ColourTable colours;
    colours.entries[2] = Rgb{10, 20, 30};
    const OverlayStyle plain = overlay_style(PaintStyle{3, false, &colours});
    EXPECT_EQ(plain.pen_width, 3);
    EXPECT_EQ(plain.measure, (mw31::Rgb{10, 20, 30}));
    EXPECT_EQ(plain.text, (mw31::Rgb{0, 0, 0}));
    EXPECT_EQ(overlay_style(PaintStyle{1, true, &colours}).text, (mw31::Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace film
