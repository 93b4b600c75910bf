// Drawing user-coordinates frames on a recording canvas: the direct world-to-area mapping,
// pens of the user-coordinates colours, inverting records, arcs, texts and the title.
#include "film_model/usercoor_painter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "film_model/byte_source.h"
#include "film_model/usercoor_reader.h"
#include "mw31/recording_canvas.h"

namespace film {
namespace {

using mw31::DrawOp;
using mw31::RasterOp;
using mw31::Rect;

UsercoorFilm film_of(const std::string& text) {
    MemoryByteSource source(text.data(), text.size());
    UsercoorFilm film;
    EXPECT_EQ(read_usercoor_film(source, &film), 0);
    return film;
}

// The window 0..130 x 0..100 on a 650 x 500 area: 5 pixels a unit. Points lie half a pixel
// off the grid, so that truncation and rounding give different pixels.
struct UsercoorDrawing : ::testing::Test {
    ColourTable colours;
    FilmView view;
    mw31::RecordingCanvas canvas{650, 500};

    UsercoorDrawing() {
        colours.reset_usercoor();
        view.area = Rect{0, 0, 650, 500};
    }
    const std::vector<DrawOp>& paint(const UsercoorFilm& film, int frame = 0,
                                     bool inverted = false) {
        canvas.ops.clear();
        const UsercoorFramePainter painter(film, frame);
        painter.paint(canvas, view, PaintStyle{1, inverted, &colours});
        return canvas.ops;
    }
};

void expect_op(const DrawOp& op, DrawOp::Kind kind, int x, int y, const char* what) {
    EXPECT_EQ(op.kind, kind) << what;
    EXPECT_EQ(op.x, x) << what;
    EXPECT_EQ(op.y, y) << what;
}

TEST_F(UsercoorDrawing, LinesRectanglesAndXorLinesMappedDirectly) {
    const UsercoorFilm film = film_of(
        "a0,130,0,100\nf\nc2\nl10.1,20.1,30.1,40.1\ni0.1,0.1,13.1,10.1\n"
        "w10.1,10.1,20.1,30.1\nm1.1,1.1\nd2.1,2.1\nx\n");
    const auto& ops = paint(film);
    ASSERT_EQ(ops.size(), 7u);
    expect_op(ops[0], DrawOp::MoveTo, 50, 399, "line start");
    expect_op(ops[1], DrawOp::LineTo, 150, 299, "line end");
    EXPECT_EQ(ops[1].pen.colour, (mw31::Rgb{255, 0, 0}));
    EXPECT_EQ(ops[1].op, RasterOp::Copy);
    expect_op(ops[2], DrawOp::MoveTo, 0, 499, "xor start");
    expect_op(ops[3], DrawOp::LineTo, 65, 449, "xor end");
    EXPECT_EQ(ops[3].op, RasterOp::Xor);
    EXPECT_EQ(ops[3].pen.colour, (mw31::Rgb{255, 255, 255}));  // flips whatever is there
    EXPECT_EQ(ops[4].kind, DrawOp::Rectangle);
    EXPECT_EQ(ops[4].rect, (Rect{50, 349, 100, 449}));
    EXPECT_EQ(ops[4].op, RasterOp::Copy);
    EXPECT_EQ(ops[4].brush, (mw31::Brush{{255, 255, 255}, false}));
    EXPECT_EQ(ops[4].pen.colour, (mw31::Rgb{0, 0, 0}));  // the i left colour 1 selected
    expect_op(ops[5], DrawOp::MoveTo, 5, 494, "move");
    expect_op(ops[6], DrawOp::LineTo, 10, 489, "draw");
}

TEST_F(UsercoorDrawing, ArcsStartAtTheirMappedStartPoint) {
    const UsercoorFilm film = film_of(
        "a0,130,0,100\nf\nc5\nh65.05,50.1,0,90,10.05\ng65.05,50.1,90,180,10.05\n"
        "o0.05,0.1,20.05,0,45\n"
        "b0.1,0.1,90,45,20.1\nx\n");
    const auto& ops = paint(film);
    ASSERT_EQ(ops.size(), 8u);
    expect_op(ops[0], DrawOp::MoveTo, 375, 249, "h start point");
    expect_op(ops[1], DrawOp::AngleArc, 325, 249, "h centre");
    EXPECT_EQ(ops[1].radius, 50);
    EXPECT_EQ(ops[1].start, 0);
    EXPECT_EQ(ops[1].sweep, 90);
    EXPECT_EQ(ops[1].pen.colour, (mw31::Rgb{40, 80, 90}));  // entry 5 of these films
    EXPECT_EQ(ops[1].op, RasterOp::Copy);
    expect_op(ops[2], DrawOp::MoveTo, 325, 199, "g start point");
    expect_op(ops[3], DrawOp::AngleArc, 325, 249, "g centre");
    EXPECT_EQ(ops[3].op, RasterOp::Xor);
    EXPECT_EQ(ops[3].start, 90);
    EXPECT_EQ(ops[3].sweep, 90);
    expect_op(ops[4], DrawOp::MoveTo, 100, 499, "o start point");
    expect_op(ops[5], DrawOp::AngleArc, 0, 499, "o centre");
    EXPECT_EQ(ops[5].radius, 100);
    EXPECT_EQ(ops[5].sweep, 45);
    EXPECT_EQ(ops[5].op, RasterOp::Copy);
    EXPECT_EQ(ops[7].start, 90);
    EXPECT_EQ(ops[7].sweep, -45);  // the end angle may lie before the start
    EXPECT_EQ(ops[7].op, RasterOp::Copy);
}

TEST_F(UsercoorDrawing, FollowsTheZoomedWindowAndTheColours) {
    UsercoorFilm film = film_of("a0,130,0,100\nf\nc9\nl10.15,20.15,30.15,40.15\nc15\nd0,0\nx\n");
    film.window = WorldWindow{0, 65, 0, 50};  // zoomed in twice about the lower left corner
    const auto& ops = paint(film);
    ASSERT_EQ(ops.size(), 3u);
    expect_op(ops[0], DrawOp::MoveTo, 101, 298, "zoomed start");
    expect_op(ops[1], DrawOp::LineTo, 301, 98, "zoomed end");
    EXPECT_EQ(ops[1].pen.colour, (mw31::Rgb{127, 127, 0}));
    EXPECT_EQ(ops[2].pen.colour, (mw31::Rgb{255, 255, 255}));
    // Inverted: black and white follow the display, the rest stays.
    const UsercoorFilm plain = film_of("a0,130,0,100\nf\nc1\nd1,1\nc0\nd2,2\nc10\nd3,3\nx\n");
    const auto& inv = paint(plain, 0, true);
    ASSERT_EQ(inv.size(), 3u);
    EXPECT_EQ(inv[0].pen.colour, (mw31::Rgb{255, 255, 255}));
    EXPECT_EQ(inv[1].pen.colour, (mw31::Rgb{0, 0, 0}));
    EXPECT_EQ(inv[2].pen.colour, (mw31::Rgb{127, 255, 0}));
}

TEST_F(UsercoorDrawing, TextOnlyFrameShowsItsTextAndTitle) {
    const UsercoorFilm film = film_of(
        "a0,130,0,100\nf\ns20.1,50.1,Stellung 1\nx\ns100.1,0.1,unten\ns-5,120,oben\nl0,0,1,1\nx\n"
        "l0,0,1,1\nx\n");
    ASSERT_EQ(film.frame_count(), 3);
    const auto& ops = paint(film, 0);
    ASSERT_EQ(ops.size(), 1u);
    expect_op(ops[0], DrawOp::TextOut, 100, 249, "text at its point");
    EXPECT_EQ(ops[0].text, "Stellung 1");
    EXPECT_EQ(canvas.text_colour(), (mw31::Rgb{0, 0, 0}));
    EXPECT_EQ(usercoor_frame_title(film, 0), "Stellung 1");

    // Texts at the edges are moved in so that they stay in the picture (7 x 15 per letter).
    const auto& edge = paint(film, 1);
    ASSERT_GE(edge.size(), 2u);
    expect_op(edge[0], DrawOp::TextOut, 500, 485, "bottom edge");
    expect_op(edge[1], DrawOp::TextOut, 0, 0, "beyond the top left");
    EXPECT_EQ(usercoor_frame_title(film, 1), "oben");  // the last text of the frame
    EXPECT_EQ(usercoor_frame_title(film, 2), "");
    EXPECT_EQ(usercoor_frame_title(film, 3), "");
}

TEST_F(UsercoorDrawing, BackgroundAndFramesOutsideTheFilm) {
    const UsercoorFilm film = film_of("a0,130,0,100\nf\nl0,0,1,1\nx\n");
    view.area = Rect{10, 20, 660, 520};
    const UsercoorFramePainter painter(film, 0);
    painter.paint_background(canvas, view, PaintStyle{1, true, &colours});
    ASSERT_EQ(canvas.ops.size(), 1u);
    EXPECT_EQ(canvas.ops[0].kind, DrawOp::FillRect);
    EXPECT_EQ(canvas.ops[0].rect, view.area);
    EXPECT_EQ(canvas.ops[0].brush.colour, (mw31::Rgb{0, 0, 0}));
    EXPECT_TRUE(paint(film, 1).empty());
    EXPECT_TRUE(paint(film, -1).empty());
    // The mapping starts at the area's corner.
    const auto& ops = paint(film, 0);
    ASSERT_EQ(ops.size(), 2u);
    expect_op(ops[0], DrawOp::MoveTo, 10, 520, "area corner");
}

// Records that no reader makes (NaN, infinities, pairs cut off) still draw within limits.
TEST_F(UsercoorDrawing, ValuesBeyondAnyScreenAreHeld) {
    UsercoorFilm film = film_of(
        "a0,130,0,100\nf\nl1e999,-1e999,0,0\nh0,0,1e999,5,1\n"
        "h0,0,0,90,1e999\nx\n");
    const double nan = std::nan("");
    film.records.push_back({kUcMoveTo, nan, nan});
    film.records.push_back({kUcColour, nan, 0});
    film.records.push_back({nan, 1, 2});
    film.records.push_back({kUcArc, 0, 0});  // its second half is missing
    film.frame_ends.back() = film.records.size();
    const auto& ops = paint(film);
    for (const DrawOp& op : ops) {
        EXPECT_LE(std::abs(op.x), 1 << 28);
        EXPECT_LE(std::abs(op.y), 1 << 28);
    }
    // The arc with an infinite start angle is skipped; the infinite radius is held.
    int arcs = 0;
    for (const DrawOp& op : ops) arcs += op.kind == DrawOp::AngleArc;
    EXPECT_EQ(arcs, 1);
    EXPECT_EQ(ops.back().kind, DrawOp::MoveTo);
    EXPECT_EQ(ops.back().x, 0);  // NaN gives 0
}

// The walk hands texts and arcs over in world units; arcs carry their start in radians too.
TEST(UsercoorWalk, ArcsAndTextsInWorldUnits) {
    struct Sink final : FrameSink {
        std::vector<FrameArc> arcs;
        std::vector<bool> inverting;
        std::vector<std::string> labels;
        double label_x = 0, label_y = 0;
        void colour(int) override {}
        void move_to(double, double) override {}
        void line_to(double, double, bool) override {}
        void arc(const FrameArc& a, bool inv) override {
            arcs.push_back(a);
            inverting.push_back(inv);
        }
        void placed_arc(const PlacedArc&) override {}
        void filled_rect(double, double, double, double) override {}
        void label(double x, double y, const std::string& text) override {
            labels.push_back(text);
            label_x = x;
            label_y = y;
        }
    } sink;
    const UsercoorFilm film = film_of("f\ns1.5,-2.5,T\nh1,2,30,120,4\ng1,2,30,120,4\nx\n");
    walk_usercoor_frame(film, 0, sink);
    ASSERT_EQ(sink.arcs.size(), 2u);
    EXPECT_EQ(sink.arcs[0].cx, 1);
    EXPECT_EQ(sink.arcs[0].cy, 2);
    EXPECT_EQ(sink.arcs[0].r, 4);
    EXPECT_EQ(sink.arcs[0].start_deg, 30);
    EXPECT_EQ(sink.arcs[0].sweep_deg, 90);
    EXPECT_NEAR(sink.arcs[0].start_rad, 0.5235987755982988, 1e-15);
    EXPECT_EQ(sink.inverting, (std::vector<bool>{false, true}));
    EXPECT_EQ(sink.labels, (std::vector<std::string>{"T"}));
    EXPECT_EQ(sink.label_x, 1.5);
    EXPECT_EQ(sink.label_y, -2.5);
}

TEST(UsercoorColours, DifferFromLineFilmsInFourEntries) {
    ColourTable line, user;
    user.reset_usercoor();
    EXPECT_EQ(user.lookup(5), (Rgb{40, 80, 90}));
    EXPECT_EQ(user.lookup(9), (Rgb{127, 127, 0}));
    EXPECT_EQ(user.lookup(10), (Rgb{127, 255, 0}));
    EXPECT_EQ(user.lookup(15), (Rgb{255, 255, 255}));
    for (int i = 0; i < ColourTable::kSize; ++i) {
        if (i != 5 && i != 9 && i != 10 && i != 15) {
            EXPECT_EQ(user.lookup(i), line.lookup(i)) << i;
        }
    }
    user.reset();
    EXPECT_EQ(user.lookup(5), line.lookup(5));
}

}  // namespace
}  // namespace film
