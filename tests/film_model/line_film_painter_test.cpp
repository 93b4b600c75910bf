// Drawing of line-film records onto a recording canvas, with exact coordinates.
#include "film_model/line_film_painter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "mw31/recording_canvas.h"

namespace film {
namespace {

using mw31::DrawOp;
using mw31::RasterOp;
using mw31::Rect;

// A 1280-wide film on a 640-wide area: every film coordinate maps to half of itself.
struct FilmDrawingTest : ::testing::Test {
    FrameStore store;
    ColourTable colours;
    FilmView view;
    mw31::RecordingCanvas canvas{640, 512};

    FilmDrawingTest() { view.area = Rect{0, 0, 640, 512}; }
    // The records as frame 1, after an empty frame 0.
    void set_frame(const std::vector<FilmRecord>& records) {
        store.release_frames();
        store.add_frame({});
        store.add_frame(records);
    }
    const std::vector<DrawOp>& draw(const std::vector<FilmRecord>& records, int pen_width = 1,
                                    bool inverted = false) {
        set_frame(records);
        canvas.ops.clear();
        draw_film_frame(canvas, store, 1, view, colours, pen_width, inverted);
        return canvas.ops;
    }
};

TEST_F(FilmDrawingTest, MoveLineAndXorLineWithTheForegroundPen) {
    const auto& ops = draw({{kMoveTo, 100, 200}, {kLineTo, 301, -41}, {kXorLineTo, 0, 3}});
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, DrawOp::MoveTo);
    EXPECT_EQ(ops[0].x, 50);
    EXPECT_EQ(ops[0].y, 100);
    EXPECT_EQ(ops[1].kind, DrawOp::LineTo);
    EXPECT_EQ(ops[1].x, 150);
    EXPECT_EQ(ops[1].y, -20);
    EXPECT_EQ(ops[1].pen, foreground_pen(false));
    EXPECT_EQ(ops[1].op, RasterOp::Copy);
    EXPECT_EQ(ops[2].kind, DrawOp::LineTo);
    EXPECT_EQ(ops[2].from, (mw31::Point{150, -20}));
    EXPECT_EQ(ops[2].op, RasterOp::Xor);
    // Inverting: white in XOR flips the pixels, whatever the pen's colour; its width stays.
    EXPECT_EQ(ops[2].pen, (mw31::Pen{mw31::PenStyle::Solid, 1, {255, 255, 255}}));
    // Back to copy mode and the pen afterwards.
    draw({{kColour, 2, 0}, {kXorLineTo, 10, 10}, {kLineTo, 20, 20}}, 3);
    EXPECT_EQ(canvas.ops[0].pen, (mw31::Pen{mw31::PenStyle::Solid, 3, {255, 255, 255}}));
    EXPECT_EQ(canvas.ops[1].op, RasterOp::Copy);
    EXPECT_EQ(canvas.ops[1].pen, (mw31::Pen{mw31::PenStyle::Solid, 3, {255, 0, 0}}));
}

TEST_F(FilmDrawingTest, ColourRecordsSelectStockPensAtWidthOneAndCachedPensOtherwise) {
    const std::vector<FilmRecord> recs = {{kColour, 1, 0},   {kLineTo, 2, 2}, {kColour, 0, 0},
                                          {kLineTo, 4, 4},   {kColour, 2, 0}, {kLineTo, 6, 6},
                                          {kColour, 258, 0}, {kLineTo, 8, 8}};
    auto ops = draw(recs);
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0].pen, (mw31::Pen{mw31::PenStyle::Solid, 1, {0, 0, 0}}));
    EXPECT_EQ(ops[1].pen, (mw31::Pen{mw31::PenStyle::Solid, 1, {255, 255, 255}}));
    EXPECT_EQ(ops[2].pen, (mw31::Pen{mw31::PenStyle::Solid, 1, {255, 0, 0}}));
    EXPECT_EQ(ops[3].pen, ops[2].pen);  // numbers beyond the table wrap into it

    // Inverted at width 1: white foreground, black background pen.
    ops = draw(recs, 1, true);
    EXPECT_EQ(ops[0].pen.colour, (mw31::Rgb{255, 255, 255}));
    EXPECT_EQ(ops[1].pen.colour, (mw31::Rgb{0, 0, 0}));

    // Wider pens keep black (1) and white (0) with the display, inverted (table swapped) or
    // inverted back, so that thick black elements never vanish into the background.
    const mw31::Rgb black{0, 0, 0}, white{255, 255, 255};
    for (const int width : {2, 3}) {
        colours.swap_black_white();
        ops = draw(recs, width, true);
        EXPECT_EQ(ops[0].pen, (mw31::Pen{mw31::PenStyle::Solid, width, white})) << width;
        EXPECT_EQ(ops[1].pen, (mw31::Pen{mw31::PenStyle::Solid, width, black})) << width;
        EXPECT_EQ(ops[2].pen, (mw31::Pen{mw31::PenStyle::Solid, width, {255, 0, 0}})) << width;
        colours.swap_black_white();
        ops = draw(recs, width, false);
        EXPECT_EQ(ops[0].pen, (mw31::Pen{mw31::PenStyle::Solid, width, black})) << width;
        EXPECT_EQ(ops[1].pen, (mw31::Pen{mw31::PenStyle::Solid, width, white})) << width;
    }
}

TEST_F(FilmDrawingTest, FilledRectangleBetweenTheMappedCornersInTheBackgroundBrush) {
    const auto& ops = draw({{kColour, 2, 0}, {kFilledRect, 400, 300}, {kMoveTo, 200, 100}});
    ASSERT_EQ(ops.size(), 1u);  // the partner is not a move
    EXPECT_EQ(ops[0].kind, DrawOp::Rectangle);
    EXPECT_EQ(ops[0].rect, (Rect{100, 50, 200, 150}));
    EXPECT_EQ(ops[0].brush, background_brush(false));
    EXPECT_EQ(ops[0].pen.colour, (mw31::Rgb{255, 0, 0}));
    draw({{kFilledRect, 0, 0}, {kMoveTo, 20, 20}}, 1, true);
    EXPECT_EQ(canvas.ops[0].brush.colour, (mw31::Rgb{0, 0, 0}));
}

TEST_F(FilmDrawingTest, ArcStartsAtItsFirstPointAndSweepsByTheAngleDifference) {
    store.angle_divisor = 100000.0;
    // Centre (400, 400), radius 200 -> (200, 200) r 100; from 90 to 180 degrees.
    const auto& ops = draw({{kMoveTo, 0, 0}, {kArc, 400, 400}, {200, 9000000, 18000000}});
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[1].kind, DrawOp::MoveTo);
    EXPECT_EQ(ops[1].x, 200);
    EXPECT_EQ(ops[1].y, 100);  // y grows downwards: sin 90 lifts the start
    EXPECT_EQ(ops[2].kind, DrawOp::AngleArc);
    EXPECT_EQ(ops[2].x, 200);
    EXPECT_EQ(ops[2].y, 200);
    EXPECT_EQ(ops[2].radius, 100);
    EXPECT_DOUBLE_EQ(ops[2].start, 90.0);
    EXPECT_DOUBLE_EQ(ops[2].sweep, 90.0);
    EXPECT_EQ(ops[2].op, RasterOp::Copy);
}

TEST_F(FilmDrawingTest, StartPointRoundsHalfUpAndXorArcReturnsToCopyMode) {
    store.angle_divisor = 1000.0;
    // r = 100 at 30 degrees: 86.6 -> 87, 50.0 -> 50; at 210 degrees: -86.6 + 0.5 truncates to -86.
    const auto& ops = draw({{kXorArc, 200, 200},
                            {200, 30000, -60000},
                            {kArc, 200, 200},
                            {200, 210000, 211000},
                            {kLineTo, 0, 0}});
    ASSERT_EQ(ops.size(), 5u);
    EXPECT_EQ(ops[0].x, 100 + 87);
    EXPECT_EQ(ops[0].y, 100 - 50);
    EXPECT_EQ(ops[1].op, RasterOp::Xor);
    EXPECT_DOUBLE_EQ(ops[1].sweep, -90.0);
    EXPECT_EQ(ops[2].x, 100 - 86);
    EXPECT_EQ(ops[2].y, 100 + 49);  // -(trunc(-50 + 0.5)) = 49
    EXPECT_EQ(ops[3].op, RasterOp::Copy);
    EXPECT_EQ(ops[4].op, RasterOp::Copy);
}

TEST_F(FilmDrawingTest, PointRecordsAndCutOffPairsDrawNothing) {
    auto ops = draw({{kPoint, 5, 6}, {kLineTo, 7, 8}, {kMoveTo, 10, 10}});
    ASSERT_EQ(ops.size(), 1u);  // the partner of kind 12 is skipped, though it looks like a line
    EXPECT_EQ(ops[0].kind, DrawOp::MoveTo);
    EXPECT_TRUE(draw({{kArc, 5, 6}}).empty());
    EXPECT_TRUE(draw({{kFilledRect, 5, 6}}).empty());
    EXPECT_TRUE(draw({{kXorArc, 5, 6}}).empty());
    EXPECT_TRUE(draw({{99, 5, 6}, {0, 1, 1}}).empty());
}

TEST_F(FilmDrawingTest, ZoomedViewAndVirtualSizeReachTheMapping) {
    store.virtual_width = 640;
    view.fit = false;
    view.zoom = 2.0;
    view.x0 = -10;
    view.y0 = 7;
    const auto& ops = draw({{kMoveTo, 100, 100}});
    EXPECT_EQ(ops[0].x, 190);
    EXPECT_EQ(ops[0].y, 207);
}

TEST_F(FilmDrawingTest, FramesOutsideTheStoreDrawNothing) {
    set_frame({{kMoveTo, 1, 1}});
    draw_film_frame(canvas, store, 2, view, colours, 1, false);
    draw_film_frame(canvas, store, -1, view, colours, 1, false);
    EXPECT_TRUE(canvas.ops.empty());
}

TEST_F(FilmDrawingTest, EraseRectangleAndMarginsInTheBackgroundColour) {
    store.erase_rect = Rect{30, 40, 10, 20};
    fill_erase_rect(canvas, store, true);
    ASSERT_EQ(canvas.ops.size(), 1u);
    EXPECT_EQ(canvas.ops[0].kind, DrawOp::FillRect);
    EXPECT_EQ(canvas.ops[0].rect, (Rect{10, 20, 30, 40}));
    EXPECT_EQ(canvas.ops[0].brush, background_brush(true));
    store.erase_rect = Rect{};
    fill_erase_rect(canvas, store, false);
    EXPECT_EQ(canvas.ops.size(), 1u);

    canvas.ops.clear();
    clear_margins(canvas, Rect{0, 0, 800, 600}, Rect{0, 0, 750, 600}, false);
    ASSERT_EQ(canvas.ops.size(), 1u);
    EXPECT_EQ(canvas.ops[0].rect, (Rect{750, 0, 800, 600}));
    canvas.ops.clear();
    clear_margins(canvas, Rect{0, 0, 1000, 1000}, Rect{0, 0, 1000, 800}, false);
    ASSERT_EQ(canvas.ops.size(), 1u);
    EXPECT_EQ(canvas.ops[0].rect, (Rect{0, 800, 1000, 1000}));
}

TEST(FilmDrawingMapper, EraseRectangleMapsWithTheViewAndTheWidthInForce) {
    const EraseRectMapper map = erase_rect_mapper(fitted_view(800, 600));
    EXPECT_EQ(map(Rect{0, 0, 1280, 1024}, 1280), (Rect{0, 0, 750, 600}));
    EXPECT_EQ(map(Rect{0, 0, 640, 640}, 640), (Rect{0, 0, 750, 750}));
}

}  // namespace
}  // namespace film

namespace film {
namespace {

// Any records, however damaged, draw without faults and keep coordinates in range.
TEST(FilmDrawingDamage, ArbitraryRecordsDrawSafely) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> kind(-2, 14);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    std::vector<FilmRecord> recs;
    for (int i = 0; i < 5000; ++i)
        recs.push_back({i % 3 ? kind(rng) : any(rng), any(rng), any(rng)});
    FrameStore store;
    store.add_frame({});
    store.add_frame(recs);
    store.angle_divisor = 1e-300;
    ColourTable colours;
    for (bool fit : {true, false}) {
        FilmView view;
        view.area = Rect{0, 0, 800, 640};
        view.fit = fit;
        view.zoom = kMaxZoom;
        mw31::RecordingCanvas canvas;
        draw_film_frame(canvas, store, 1, view, colours, 3, false);
        ASSERT_FALSE(canvas.ops.empty());
        for (const DrawOp& op : canvas.ops) {
            ASSERT_LE(std::abs(int64_t(op.x)), kScreenLimit + int64_t(kScreenLimit));
            ASSERT_LE(std::abs(int64_t(op.rect.left)), kScreenLimit);
            ASSERT_LE(op.radius, int(kScreenLimit));
        }
    }
}

}  // namespace
}  // namespace film
