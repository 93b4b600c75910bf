// Placed symbols on a recording canvas: exact pixels of lines, unscaled angle arcs and the
// chords of scaled arcs, colour pens, labels and the interpolation between frames.
#include "film_model/anmneu_painter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "film_model/contour_placement.h"
#include "mw31/recording_canvas.h"

namespace {

using film::ContourElement;
using mw31::DrawOp;

// World 0..130 x 0..100 on a 1300 x 1000 drawing area: 10 pixels per world unit, y flipped.
// Test points sit half a pixel off the grid so that truncation cannot go either way.
struct Scene {
    mw31::RecordingCanvas dc{1300, 1000};
    film::ColourTable colours;
    film::FilmView view;
    Scene() { view.area = {0, 0, 1300, 1000}; }
    film::SymbolCanvas canvas(int pen_width = 1, bool invert = false) {
        return film::make_symbol_canvas(dc, film::WorldWindow{0, 130, 0, 100}, view, pen_width,
                                        invert, colours);
    }
};

ContourElement element(int kind, double x, double y, double r = 0, double a1 = 0, double a2 = 0) {
    return ContourElement{double(kind), x, y, r, a1, a2};
}

void expect_op(const DrawOp& op, DrawOp::Kind kind, int x, int y) {
    EXPECT_EQ(op.kind, kind);
    EXPECT_EQ(op.x, x);
    EXPECT_EQ(op.y, y);
}

TEST(WorldToRaster, MapsTheWindowOntoTheRasterWithYDown) {
    const film::WorldWindow w{-65, 65, -50, 50};
    const film::RasterPoint a = film::world_to_raster(w, -65, 50);
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.y, 0);
    const film::RasterPoint b = film::world_to_raster(w, 0, -50);
    EXPECT_EQ(b.x, 650000);
    EXPECT_EQ(b.y, 1000000);
    // Far outside (or a window without extent) stays within int.
    const film::RasterPoint c = film::world_to_raster(w, 1e300, -1e300);
    EXPECT_EQ(c.x, 1 << 30);
    EXPECT_EQ(c.y, 1 << 30);
    const film::RasterPoint d = film::world_to_raster(film::WorldWindow{}, 1, 1);
    EXPECT_EQ(d.x, 1 << 30);
}

TEST(Placement, ScaleThenTurnThenShift) {
    const film::SymbolPlacement p{10, 20, M_PI / 2, 2, 3};
    const film::WorldPoint q = film::place_point(p, 1, 1);
    EXPECT_NEAR(q.x, 10 - 3, 1e-12);
    EXPECT_NEAR(q.y, 20 + 2, 1e-12);
    EXPECT_FALSE(film::placement_is_scaled({0, 0, 0, 1 + 9e-7, 1 - 9e-7}));
    EXPECT_TRUE(film::placement_is_scaled({0, 0, 0, 1, 1 + 1.1e-6}));
}

TEST(DrawSymbol, LinesAndUnscaledArcAtExactPixels) {
    Scene s;
    const ContourElement e[] = {element(2, 0, 0), element(3, 10, 0), element(1, 99, 99),
                                element(4, 10, 0, 5, 0, M_PI / 2)};
    film::draw_symbol(s.canvas(), e, 4, {20.05, 30.05, M_PI / 2, 1, 1}, 1);
    ASSERT_EQ(s.dc.ops.size(), 4u);
    expect_op(s.dc.ops[0], DrawOp::MoveTo, 200, 699);
    expect_op(s.dc.ops[1], DrawOp::LineTo, 200, 599);
    // The arc starts from its own start point, not with a line from the contour.
    expect_op(s.dc.ops[2], DrawOp::MoveTo, 200, 549);
    expect_op(s.dc.ops[3], DrawOp::AngleArc, 200, 599);
    EXPECT_EQ(s.dc.ops[3].radius, 50);
    EXPECT_DOUBLE_EQ(s.dc.ops[3].start, 90);
    EXPECT_DOUBLE_EQ(s.dc.ops[3].sweep, 90);
    EXPECT_EQ(s.dc.ops[3].pen, (mw31::Pen{mw31::PenStyle::Solid, 1, {0, 0, 0}}));
}

TEST(DrawSymbol, ScaledArcBecomesChordsThatStayOnTheContour) {
    Scene s;
    const ContourElement e[] = {element(2, 0, 0), element(3, 15, 0),
                                element(4, 10, 0, 5, 0, M_PI / 2)};
    film::draw_symbol(s.canvas(), e, 3, {20.05, 30.05, M_PI / 2, 2, 2}, 1);
    // rho = 5 * 1300 / 130 = 50 pixels, a quarter turn: 22 chords.
    EXPECT_EQ(film::arc_chord_count(0.25, 50), 22);
    ASSERT_EQ(s.dc.ops.size(), 2u + 1 + 22);
    // The line ends where the arc starts: (15, 0) scaled by 2, turned, shifted.
    expect_op(s.dc.ops[1], DrawOp::LineTo, 200, 399);
    expect_op(s.dc.ops[2], DrawOp::MoveTo, 200, 399);
    for (size_t k = 3; k < s.dc.ops.size(); ++k) EXPECT_EQ(s.dc.ops[k].kind, DrawOp::LineTo);
    expect_op(s.dc.ops.back(), DrawOp::LineTo, 100, 499);  // (10, 5) -> (20, 10) -> (-10, 20)
    // Every chord end lies on the scaled circle about the scaled centre (20.05, 50.05).
    for (size_t k = 2; k < s.dc.ops.size(); ++k) {
        const double dx = s.dc.ops[k].x + 0.5 - 200.5, dy = 999.5 - s.dc.ops[k].y - 500.5;
        EXPECT_NEAR(std::hypot(dx, dy), 100, 1.0) << k;
    }
}

TEST(ArcPolyline, ChordCountRule) {
    using film::arc_chord_count;
    EXPECT_EQ(arc_chord_count(1.0, 1.5), 16);    // small radius: 16 per turn
    EXPECT_EQ(arc_chord_count(0.25, 2.0), 4);    // 16 * 0.25
    EXPECT_EQ(arc_chord_count(0.001, 50), 4);    // fewer than one chord becomes 4
    EXPECT_EQ(arc_chord_count(1.0, 1e6), 360);   // never more than one per degree
    EXPECT_EQ(arc_chord_count(0.1, 1e6), 36);    // 360 * f bounds it first
    EXPECT_EQ(arc_chord_count(1.0, 61.5), 100);  // pi / sqrt(1 - (1 - 0.03 / rho)^2)

    std::vector<film::WorldPoint> pts;
    const film::SymbolPlacement unit;
    // Reversed angles are put in order; more than a turn is cut to one; rho = r without width.
    film::arc_polyline(0, 0, 1, 720, 0, unit, 800, 0, &pts);
    ASSERT_EQ(pts.size(), 17u);
    EXPECT_NEAR(pts.front().x, 1, 1e-12);
    EXPECT_NEAR(pts.back().x, 1, 1e-9);
    EXPECT_NEAR(pts.back().y, 0, 1e-9);
    film::arc_polyline(0, 0, 1, 10, 10, unit, 800, 100, &pts);
    EXPECT_TRUE(pts.empty());
}

TEST(ColourPens, StockPensForBlackAndWhiteOthersFromTheTable) {
    struct Case {
        int width;
        bool invert;
        int index;
        mw31::Pen pen;
    };
    const Case cases[] = {
        {1, false, 1, {mw31::PenStyle::Solid, 1, {0, 0, 0}}},
        {1, false, 0, {mw31::PenStyle::Solid, 1, {255, 255, 255}}},
        {1, true, 1, {mw31::PenStyle::Solid, 1, {255, 255, 255}}},
        {1, true, 0, {mw31::PenStyle::Solid, 1, {0, 0, 0}}},
        {3, false, 2, {mw31::PenStyle::Solid, 3, {255, 0, 0}}},
        {2, false, 1, {mw31::PenStyle::Solid, 2, {0, 0, 0}}},  // thick black stays black
        {2, true, 1, {mw31::PenStyle::Solid, 2, {255, 255, 255}}},
        {1, false, 300, {mw31::PenStyle::Solid, 1, {255, 255, 255}}},  // kept in the table
        {1, false, -1, {mw31::PenStyle::Solid, 1, {255, 255, 255}}},
    };
    for (const Case& c : cases) {
        Scene s;
        film::select_colour_pen(s.canvas(c.width, c.invert), c.index);
        s.dc.move_to(0, 0);
        EXPECT_EQ(s.dc.ops.back().pen, c.pen) << c.index << " width " << c.width;
    }
}

TEST(ColourPens, ColourElementsSwitchThePen) {
    Scene s;
    const ContourElement e[] = {element(2, 1.05, 1.05), element(5, 7, 0), element(3, 2.05, 1.05)};
    film::draw_symbol(s.canvas(), e, 3, {}, 2);
    ASSERT_EQ(s.dc.ops.size(), 2u);
    EXPECT_EQ(s.dc.ops[0].pen.colour, (mw31::Rgb{255, 0, 0}));
    EXPECT_EQ(s.dc.ops[1].pen.colour, (mw31::Rgb{0, 255, 0}));
}

class TitleWindow : public mw31::Window {
  public:
    std::string title;
    mw31::RecordingCanvas surface;
    void set_title(const std::string& t) override { title = t; }
    mw31::Rect client_rect() const override { return {}; }
    mw31::Rect window_rect() const override { return {}; }
    void move_resize(const mw31::Rect&) override {}
    void show(mw31::ShowMode) override {}
    void raise() override {}
    void set_cursor(mw31::CursorShape) override {}
    mw31::Canvas& canvas() override { return surface; }
    void copy_picture(const mw31::Picture&, int, int) override {}
    void toolbar_add(int, const std::string&, const std::string&) override {}
    void toolbar_remove(int) override {}
    void toolbar_set(int, const std::string&, const std::string&) override {}
    bool toolbar_has(int) const override { return false; }
    std::string toolbar_bitmap(int) const override { return {}; }
    void toolbar_show(bool) override {}
    bool toolbar_shown() const override { return true; }
    void set_timer(int, int) override {}
    void kill_timer(int) override {}
};

film::AnmneuFilm two_frame_film() {
    film::AnmneuFilm f;
    f.frame_count = 2;
    f.symbols.resize(1);
    f.symbols[0].elements = {element(2, 0, 0), element(3, 1, 0)};
    f.frames.resize(2);
    f.frames[0].placements = {{10.05, 10.05, 0, 1, 1}};
    f.frames[1].placements = {{20.05, 30.05, M_PI, 3, 1}};
    f.frames[0].label = "Kurbel phi = 0 Grad";
    f.frames[0].c1 = 20.05;
    f.frames[0].c2 = 50.05;
    return f;
}

TEST(DrawFrame, LabelRaisedAndTitledThenSymbolsInterpolated) {
    Scene s;
    TitleWindow window;
    const film::AnmneuFilm f = two_frame_film();
    film::draw_anmneu_frame(f, s.canvas(), 0, 0, 1);
    film::show_frame_label_as_title(window, f, 0);
    ASSERT_EQ(s.dc.ops.size(), 3u);
    // (20.05, 50.05) is raster row 499500, raised by 33333 rows.
    EXPECT_EQ(s.dc.ops[0].kind, DrawOp::TextOut);
    EXPECT_EQ(s.dc.ops[0].x, 200);
    EXPECT_EQ(s.dc.ops[0].y, 466);
    EXPECT_EQ(s.dc.ops[0].text, "Kurbel phi = 0 Grad");
    EXPECT_EQ(window.title, "Kurbel phi = 0 Grad");
    expect_op(s.dc.ops[1], DrawOp::MoveTo, 100, 899);

    const film::SymbolPlacement half = film::interpolated_placement(f, 0, 0, 0.5);
    EXPECT_NEAR(half.x, 15.05, 1e-12);
    EXPECT_NEAR(half.y, 20.05, 1e-12);
    EXPECT_DOUBLE_EQ(half.phi, M_PI / 2);
    EXPECT_DOUBLE_EQ(half.sx, 2);
    EXPECT_DOUBLE_EQ(half.sy, 1);

    // Sub-step 3 of 10; frame 1 has no label, so the title stays.
    Scene s2;
    film::draw_anmneu_frame(f, s2.canvas(), 1, 3, 10);
    film::show_frame_label_as_title(window, f, 1);
    EXPECT_EQ(window.title, "Kurbel phi = 0 Grad");
    ASSERT_EQ(s2.dc.ops.size(), 2u);
    // After the last frame nothing follows: the picture holds frame 1 instead of sliding home.
    expect_op(s2.dc.ops[0], DrawOp::MoveTo, 200, 699);
}

TEST(DrawFrame, LabelNearTheTopStaysOnRowOne) {
    Scene s;
    film::AnmneuFilm f = two_frame_film();
    f.frames[0].c2 = 99.5;
    film::draw_anmneu_frame(f, s.canvas(), 0, 0, 1);
    EXPECT_EQ(s.dc.ops[0].y, 0);  // raster row 1 is pixel 0
}

}  // namespace
