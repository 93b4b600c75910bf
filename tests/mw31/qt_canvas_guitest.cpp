// The Qt picture canvas checked on its real pixels: GDI line ends, rectangles, angle arcs,
// XOR, text and pixel access.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "mw31/backend.h"
#include "mw31/picture.h"
#include "mw31/recording_canvas.h"

namespace mw31 {
namespace {

const Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{255, 0, 0}, kBlue{0, 0, 255};

std::unique_ptr<Picture> white_picture(int w, int h) {
    auto p = create_picture(w, h);
    if (p) p->canvas().fill_rect(Rect{0, 0, w, h}, Brush{kWhite});
    return p;
}

// True when a pixel of the colour lies within `reach` pixels of (x, y): arcs are rasterised
// by Qt, so their end pixels may sit one pixel beside the exact point.
bool near(const Canvas& c, int x, int y, Rgb colour, int reach = 1) {
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (c.get_pixel(x + dx, y + dy) == colour) return true;
    return false;
}

int count(const Canvas& c, Rgb colour) {
    int n = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) n += c.get_pixel(x, y) == colour;
    return n;
}

TEST(QtPicture, CreationPixelsAndExport) {
    EXPECT_EQ(create_picture(0, 10), nullptr);
    EXPECT_EQ(create_picture(10, -1), nullptr);
    auto p = create_picture(7, 3);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->width(), 7);
    EXPECT_EQ(p->height(), 3);
    Canvas& c = p->canvas();
    EXPECT_EQ(c.get_pixel(0, 0), kWhite) << "a new picture starts white";
    c.set_pixel(6, 2, Rgb{10, 20, 30});
    c.set_pixel(7, 0, kRed);   // outside: ignored
    c.set_pixel(-1, 0, kRed);  // outside: ignored
    EXPECT_EQ(c.get_pixel(6, 2), (Rgb{10, 20, 30}));
    EXPECT_EQ(c.get_pixel(7, 0), kBlack) << "outside reads black";
    EXPECT_EQ(c.get_pixel(0, -1), kBlack);
    EXPECT_EQ(count(c, kRed), 0);

    const std::vector<uint8_t> rows = p->rgb_rows();
    ASSERT_EQ(rows.size(), 7u * 3u * 3u);
    const size_t last = (2 * 7 + 6) * 3;
    EXPECT_EQ(rows[last], 10);
    EXPECT_EQ(rows[last + 1], 20);
    EXPECT_EQ(rows[last + 2], 30);
    EXPECT_EQ(rows[0], 255);

    const std::string path = std::string(KV_BINARY_DIR) + "/qt_canvas_guitest.png";
    std::remove(path.c_str());
    ASSERT_TRUE(p->save_png(path));
    std::ifstream in(path, std::ios::binary);
    char sig[8] = {};
    in.read(sig, 8);
    EXPECT_EQ(std::string(sig + 1, 3), "PNG");
    EXPECT_FALSE(p->save_png("/nonexistent-dir/x.png"));
}

// The file format follows the name; a name Qt cannot write is refused without touching the
// file, and a replaced picture keeps the old file's permissions.
TEST(QtPicture, SavedInTheFormatOfTheNameAndReplacedWhole) {
    auto p = white_picture(5, 4);
    ASSERT_TRUE(p);
    const std::string base = std::string(KV_BINARY_DIR) + "/qt_picture_save_guitest";
    const auto head = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        char sig[4] = {};
        in.read(sig, 4);
        return std::string(sig, 4);
    };
    ASSERT_TRUE(p->save_png(base + ".bmp"));
    EXPECT_EQ(head(base + ".bmp").substr(0, 2), "BM");
    ASSERT_TRUE(p->save_png(base));  // no extension: PNG
    EXPECT_EQ(head(base).substr(1, 3), "PNG");

    std::ofstream(base + ".anm") << "a film";
    EXPECT_FALSE(p->save_png(base + ".anm"));
    EXPECT_EQ(head(base + ".anm"), "a fi");

    ::chmod((base + ".bmp").c_str(), 0604);
    ASSERT_TRUE(p->save_png(base + ".bmp"));
    struct stat st {};
    ::stat((base + ".bmp").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    for (const char* ext : {".bmp", "", ".anm"}) std::remove((base + ext).c_str());
}

TEST(QtCanvas, LineToLeavesOutTheLastPixel) {
    auto p = white_picture(30, 30);
    Canvas& c = p->canvas();
    c.select_pen(Pen{PenStyle::Solid, 1, kBlack});
    c.move_to(2, 5);
    c.line_to(10, 5);
    for (int x = 2; x < 10; ++x) EXPECT_EQ(c.get_pixel(x, 5), kBlack) << x;
    EXPECT_EQ(c.get_pixel(10, 5), kWhite);
    EXPECT_EQ(c.get_pixel(1, 5), kWhite);
    EXPECT_EQ(c.current_position(), (Point{10, 5}));

    // Diagonal and backwards: still the start drawn, the end not.
    c.move_to(20, 20);
    c.line_to(12, 12);
    EXPECT_EQ(c.get_pixel(20, 20), kBlack);
    EXPECT_EQ(c.get_pixel(13, 13), kBlack);
    EXPECT_EQ(c.get_pixel(12, 12), kWhite);

    // A polyline joins without gaps: the next segment draws the corner.
    c.move_to(2, 25);
    c.line_to(6, 25);
    c.line_to(6, 28);
    EXPECT_EQ(c.get_pixel(6, 25), kBlack);
    EXPECT_EQ(c.get_pixel(6, 28), kWhite);

    const int before = count(c, kBlack);
    c.line_to(6, 28);  // zero length
    EXPECT_EQ(count(c, kBlack), before);
}

TEST(QtCanvas, LinesReachingFarOutsideAreClipped) {
    auto p = white_picture(50, 40);
    Canvas& c = p->canvas();
    c.select_pen(Pen{PenStyle::Solid, 1, kRed});
    c.move_to(-2000000000, 10);
    c.line_to(2000000000, 10);
    for (int x = 0; x < 50; ++x) ASSERT_EQ(c.get_pixel(x, 10), kRed) << x;
    c.move_to(7, 5);
    c.line_to(7, 1500000000);
    EXPECT_EQ(c.get_pixel(7, 5), kRed);
    EXPECT_EQ(c.get_pixel(7, 39), kRed);
    EXPECT_EQ(c.get_pixel(7, 4), kWhite);
    // Steep and far: the visible part lies on the true line within a pixel.
    c.move_to(-40000000, -30000000);
    c.line_to(40000000, 30000000);
    EXPECT_TRUE(near(c, 20, 15, kRed));
    EXPECT_TRUE(near(c, 40, 30, kRed));
    const std::vector<uint8_t> before = p->rgb_rows();
    c.move_to(-100, -100);
    c.line_to(-5, 300);  // wholly outside
    c.line_to(-5, -3000000);
    EXPECT_EQ(p->rgb_rows(), before);
}

TEST(QtCanvas, PenWidthStyleAndNullPen) {
    auto p = white_picture(40, 40);
    Canvas& c = p->canvas();
    c.select_pen(Pen{PenStyle::Solid, 3, kRed});
    c.move_to(5, 10);
    c.line_to(30, 10);
    for (int y = 9; y <= 11; ++y) EXPECT_EQ(c.get_pixel(15, y), kRed) << y;
    EXPECT_EQ(c.get_pixel(15, 8), kWhite);
    EXPECT_EQ(c.get_pixel(15, 12), kWhite);

    // Two pixels: the line and the row below; corners of a polyline are filled.
    c.select_pen(Pen{PenStyle::Solid, 2, kBlack});
    c.move_to(5, 30);
    c.line_to(20, 30);
    c.line_to(20, 38);
    EXPECT_EQ(c.get_pixel(10, 30), kBlack);
    EXPECT_EQ(c.get_pixel(10, 31), kBlack);
    EXPECT_EQ(c.get_pixel(10, 29), kWhite);
    EXPECT_EQ(c.get_pixel(10, 32), kWhite);
    EXPECT_EQ(c.get_pixel(21, 30), kBlack) << "corner";
    EXPECT_EQ(c.get_pixel(21, 35), kBlack);
    EXPECT_EQ(c.get_pixel(22, 35), kWhite);
    c.fill_rect(Rect{0, 28, 40, 40}, Brush{kWhite});

    c.select_pen(Pen{PenStyle::Null, 1, kBlue});
    c.move_to(5, 20);
    c.line_to(30, 20);
    EXPECT_EQ(count(c, kBlue), 0);
    EXPECT_EQ(c.current_position(), (Point{30, 20})) << "a null pen still moves";

    c.select_pen(Pen{PenStyle::Dot, 1, kBlue});
    c.move_to(0, 30);
    c.line_to(40, 30);
    int dots = 0;
    for (int x = 0; x < 39; ++x) dots += c.get_pixel(x, 30) == kBlue;
    EXPECT_GT(dots, 5);
    EXPECT_LT(dots, 35) << "a dotted line has gaps";
}

TEST(QtCanvas, RectangleIsFilledAndOutlinedWithRightAndBottomExclusive) {
    auto p = white_picture(30, 30);
    Canvas& c = p->canvas();
    c.select_pen(Pen{PenStyle::Solid, 1, kBlack});
    c.select_brush(Brush{kRed});
    c.rectangle(Rect{2, 3, 12, 9});
    for (const Point q : {Point{2, 3}, Point{11, 3}, Point{2, 8}, Point{11, 8}, Point{6, 3},
                          Point{2, 6}, Point{11, 6}, Point{6, 8}})
        EXPECT_EQ(c.get_pixel(q.x, q.y), kBlack) << q.x << "," << q.y;
    EXPECT_EQ(c.get_pixel(12, 5), kWhite);
    EXPECT_EQ(c.get_pixel(6, 9), kWhite);
    EXPECT_EQ(c.get_pixel(1, 5), kWhite);
    EXPECT_EQ(c.get_pixel(6, 2), kWhite);
    EXPECT_EQ(count(c, kRed), 8 * 4) << "the inside is filled with the brush";

    // Corners given the other way round make the same rectangle.
    auto q = white_picture(30, 30);
    q->canvas().select_pen(Pen{PenStyle::Solid, 1, kBlack});
    q->canvas().select_brush(Brush{kRed});
    q->canvas().rectangle(Rect{12, 9, 2, 3});
    EXPECT_EQ(q->rgb_rows(), p->rgb_rows());

    c.select_brush(Brush{kBlue, true});
    c.select_pen(Pen{PenStyle::Solid, 1, kBlue});
    c.rectangle(Rect{15, 15, 25, 25});
    EXPECT_EQ(c.get_pixel(20, 20), kWhite) << "a hollow brush fills nothing";
    EXPECT_EQ(c.get_pixel(24, 24), kBlue);

    c.select_brush(Brush{kBlue});
    c.select_pen(Pen{PenStyle::Null});
    c.rectangle(Rect{0, 26, 4, 28});
    EXPECT_EQ(c.get_pixel(0, 26), kBlue);
    EXPECT_EQ(c.get_pixel(3, 27), kBlue);
    EXPECT_EQ(c.get_pixel(4, 27), kWhite);
}

TEST(QtCanvas, FillRectCopiesEvenInXorMode) {
    auto p = white_picture(20, 20);
    Canvas& c = p->canvas();
    c.set_raster_op(RasterOp::Xor);
    c.fill_rect(Rect{2, 2, 6, 5}, Brush{kRed});
    c.fill_rect(Rect{2, 2, 6, 5}, Brush{kRed});
    EXPECT_EQ(c.get_pixel(2, 2), kRed);
    EXPECT_EQ(c.get_pixel(5, 4), kRed);
    EXPECT_EQ(c.get_pixel(6, 4), kWhite);
    EXPECT_EQ(c.get_pixel(5, 5), kWhite);
    c.fill_rect(Rect{8, 8, 12, 12}, Brush{kBlue, true});
    EXPECT_EQ(count(c, kBlue), 0);
}

struct ArcCase {
    double start, sweep;
};

TEST(QtCanvas, AngleArcJoinsTheCurrentPositionAndRunsCounterClockwise) {
    auto p = white_picture(100, 100);
    Canvas& c = p->canvas();
    c.select_pen(Pen{PenStyle::Solid, 1, kBlack});
    c.move_to(10, 10);
    c.angle_arc(50, 50, 20, 0.0, 90.0);
    EXPECT_EQ(c.current_position(), (Point{50, 30})) << "ends at the top of the circle";
    EXPECT_EQ(c.get_pixel(40, 30), kBlack) << "line from the old position to the arc start";
    EXPECT_EQ(c.get_pixel(70, 50), kBlack) << "arc start at three o'clock";
    EXPECT_EQ(c.get_pixel(50, 30), kWhite) << "the end pixel is left for what follows";
    EXPECT_TRUE(near(c, 50, 30, kBlack)) << "arc end at twelve o'clock";
    EXPECT_TRUE(near(c, 64, 36, kBlack)) << "upper right quarter: counter-clockwise on screen";
    EXPECT_FALSE(near(c, 64, 64, kBlack, 2)) << "the lower right quarter is not drawn";
    EXPECT_FALSE(near(c, 36, 64, kBlack, 2));
    EXPECT_FALSE(near(c, 30, 50, kBlack, 2));

    // A negative sweep runs clockwise on screen.
    auto q = white_picture(100, 100);
    Canvas& d = q->canvas();
    d.select_pen(Pen{PenStyle::Solid, 1, kBlack});
    d.move_to(70, 50);
    d.angle_arc(50, 50, 20, 0.0, -90.0);
    EXPECT_EQ(d.current_position(), (Point{50, 70}));
    EXPECT_TRUE(near(d, 64, 64, kBlack));
    EXPECT_FALSE(near(d, 64, 36, kBlack, 2));

    // Ends off the pixel grid: the same rounding as the recording canvas, whose positions
    // the players' tests rely on.
    for (const ArcCase a : {ArcCase{0, 30}, ArcCase{10, 200}, ArcCase{-45, -100}, ArcCase{90, 720},
                            ArcCase{33.3, 0.5}}) {
        RecordingCanvas rec;
        rec.move_to(3, 4);
        rec.angle_arc(47, 52, 17, a.start, a.sweep);
        d.move_to(3, 4);
        d.angle_arc(47, 52, 17, a.start, a.sweep);
        EXPECT_EQ(d.current_position(), rec.current_position()) << a.start << " " << a.sweep;
    }
}

TEST(QtCanvas, AngleArcFullCircleAndDegenerateRadius) {
    auto p = white_picture(60, 60);
    Canvas& c = p->canvas();
    c.select_pen(Pen{PenStyle::Solid, 1, kBlue});
    c.move_to(50, 30);
    c.angle_arc(30, 30, 20, 0, 360);
    for (const Point q : {Point{50, 30}, Point{30, 10}, Point{10, 30}, Point{30, 50}})
        EXPECT_TRUE(near(c, q.x, q.y, kBlue)) << q.x << "," << q.y;
    EXPECT_EQ(c.get_pixel(30, 30), kWhite);

    c.move_to(5, 5);
    c.angle_arc(5, 5, -3, 0, 90);  // refused like the platform does: nothing changes
    EXPECT_EQ(c.current_position(), (Point{5, 5}));
    c.angle_arc(5, 5, 10, std::nan(""), 90);
    EXPECT_EQ(c.current_position(), (Point{5, 5}));
}

TEST(QtCanvas, WideAndDashedPensDrawArcsAndOutlines) {
    auto p = white_picture(100, 100);
    Canvas& c = p->canvas();
    c.select_pen(Pen{PenStyle::Solid, 4, kRed});
    c.move_to(70, 50);
    c.angle_arc(50, 50, 20, 0, 90);
    EXPECT_EQ(c.current_position(), (Point{50, 30}));
    EXPECT_EQ(c.get_pixel(64, 36), kRed);
    EXPECT_EQ(c.get_pixel(65, 37), kRed) << "four pixels wide";
    EXPECT_FALSE(near(c, 64, 64, kRed, 3));

    c.select_pen(Pen{PenStyle::Dash, 1, kBlue});
    c.move_to(50, 80);
    c.angle_arc(50, 50, 30, 270, 180);
    EXPECT_EQ(c.current_position(), (Point{50, 20}));
    const int blue = count(c, kBlue);
    EXPECT_GT(blue, 20);
    EXPECT_LT(blue, 95) << "dashes leave gaps on a half circle of about 94 pixels";

    c.select_pen(Pen{PenStyle::Solid, 3, kBlack});
    c.select_brush(Brush{kBlue, true});
    c.rectangle(Rect{5, 5, 25, 25});
    EXPECT_EQ(c.get_pixel(5, 15), kBlack);
    EXPECT_EQ(c.get_pixel(6, 15), kBlack);
    EXPECT_EQ(c.get_pixel(15, 15), kWhite);
}

TEST(QtCanvas, XorTwiceRestoresThePicture) {
    auto p = white_picture(80, 60);
    Canvas& c = p->canvas();
    // Something that is not uniform underneath.
    c.fill_rect(Rect{0, 0, 40, 60}, Brush{Rgb{12, 200, 99}});
    c.set_text_colour(kBlack);
    c.text_out(2, 2, "XOR");
    const std::vector<uint8_t> before = p->rgb_rows();

    const Rgb pen{255, 0, 128};
    auto draw = [&] {
        c.select_pen(Pen{PenStyle::Solid, 1, pen});
        c.move_to(1, 1);
        c.line_to(75, 55);
        c.line_to(75, 5);
        c.move_to(40, 30);
        c.angle_arc(40, 30, 15, 30, 200);
        c.select_brush(Brush{kBlue});
        c.rectangle(Rect{50, 40, 70, 58});
    };
    c.set_raster_op(RasterOp::Xor);
    draw();
    c.select_pen(Pen{PenStyle::Solid, 3, Rgb{0, 255, 255}});
    c.move_to(2, 58);
    c.line_to(60, 40);
    const std::vector<uint8_t> once = p->rgb_rows();
    EXPECT_NE(once, before);
    // XOR combines the pen colour with what is there.
    EXPECT_EQ(c.get_pixel(75, 20), (Rgb{255 ^ 255, 0 ^ 255, 128 ^ 255}));
    EXPECT_EQ(c.get_pixel(30, 22).r, 12 ^ 255);
    draw();
    c.select_pen(Pen{PenStyle::Solid, 3, Rgb{0, 255, 255}});
    c.move_to(2, 58);
    c.line_to(60, 40);
    EXPECT_EQ(p->rgb_rows(), before);

    // Text in between does not end XOR mode.
    c.text_out(50, 2, "x");
    const std::vector<uint8_t> with_text = p->rgb_rows();
    draw();
    draw();
    EXPECT_EQ(p->rgb_rows(), with_text);

    c.set_raster_op(RasterOp::Copy);
    c.select_pen(Pen{PenStyle::Solid, 1, pen});
    c.move_to(0, 50);
    c.line_to(10, 50);
    EXPECT_EQ(c.get_pixel(5, 50), pen) << "back in copy mode";
}

TEST(QtCanvas, TextOutPaintsOpaqueFixedPitchText) {
    auto p = white_picture(200, 40);
    Canvas& c = p->canvas();
    const int h = c.text_height(), w1 = c.text_width("W");
    ASSERT_GT(h, 5);
    ASSERT_GT(w1, 3);
    EXPECT_EQ(c.text_width("Wi.W"), 4 * w1) << "fixed pitch";
    EXPECT_EQ(c.text_width(""), 0);

    c.set_text_colour(kRed);
    c.set_text_background(kBlue);
    c.set_raster_op(RasterOp::Xor);  // text ignores the raster operation
    c.text_out(10, 5, "Hello");
    const int width = c.text_width("Hello");
    int red = 0, blue = 0, other = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            const Rgb px = c.get_pixel(x, y);
            const bool inside = x >= 10 && x < 10 + width && y >= 5 && y < 5 + h;
            if (px == kRed) ++red;
            if (px == kBlue) ++blue;
            if (!inside && px != kWhite) ++other;
            if (inside) {
                EXPECT_TRUE(px == kRed || px == kBlue) << x << "," << y;
            }
        }
    EXPECT_GT(red, 20) << "glyphs drawn";
    EXPECT_GT(blue, red) << "opaque background behind them";
    EXPECT_EQ(other, 0) << "nothing outside the text box";
    EXPECT_EQ(c.current_position(), (Point{0, 0})) << "text does not move the position";

    // Non-UTF-8 bytes (Latin-1 film texts) still come out.
    const std::vector<uint8_t> before = p->rgb_rows();
    c.text_out(10, 22, "Gr\xfc\xdf");
    EXPECT_NE(p->rgb_rows(), before);
}

TEST(QtCanvas, FittedFontKeepsEveryGlyphInsideItsCell) {
    auto p = white_picture(200, 100);
    ASSERT_TRUE(p);
    Canvas& c = p->canvas();
    for (const auto& [h, w] : {std::pair{30, 8}, std::pair{10, 12}, std::pair{6, 4}}) {
        c.fill_rect(Rect{0, 0, 200, 100}, Brush{kWhite});
        c.set_font(h, w);
        EXPECT_EQ(c.text_height(), h);
        EXPECT_EQ(c.text_width("WMW"), 3 * w);
        c.set_text_colour(kBlack);
        c.set_text_background(kRed);
        c.text_out(10, 20, "WMW");
        int outside = 0, inked = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) {
                const bool in_cells = x >= 10 && x < 10 + 3 * w && y >= 20 && y < 20 + h;
                const Rgb px = c.get_pixel(x, y);
                if (!in_cells && px != kWhite) ++outside;
                if (in_cells && px == kBlack) ++inked;
            }
        EXPECT_EQ(outside, 0) << h << "x" << w;
        EXPECT_GT(inked, 0) << h << "x" << w;
    }
    // Back to the default font.
    c.set_font(0, 0);
    EXPECT_GT(c.text_height(), 6);
}

}  // namespace
}  // namespace mw31
