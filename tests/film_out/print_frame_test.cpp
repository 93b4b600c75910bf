// Printing frames onto a recorded page: where the film lands on landscape and portrait pages,
// the finer positions, pens and colours for paper, the printer font, arcs, and failures.
#include "film_out/print_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "film_model/frame_store.h"
#include "film_model/line_film_painter.h"
#include "film_model/paint_basics.h"
#include "film_model/usercoor_painter.h"
#include "film_model/usercoor_reader.h"
#include "mw31/dialogs.h"
#include "mw31/recording_canvas.h"

namespace {

using mw31::DrawOp;

constexpr double kPi = 3.14159265358979323846;

// What a fake printer saw; it outlives the printer, which the print drops at its end.
struct PrintLog {
    std::string document;
    int pages = 0;
    bool ended = false, aborted = false;
    std::vector<std::vector<int>> fonts;  // height, width, escapement
    std::vector<DrawOp> ops;
    mw31::Rgb text_colour{1, 2, 3}, text_background{1, 2, 3};
};

class FakePrinter final : public mw31::Printer {
  public:
    FakePrinter(double width_mm, double height_mm, int width_px, int height_px, PrintLog* log)
        : w_mm_(width_mm), h_mm_(height_mm), canvas_(width_px, height_px), log_(log) {}
    ~FakePrinter() override {
        log_->ops = canvas_.ops;
        log_->text_colour = canvas_.text_colour();
        log_->text_background = canvas_.text_background();
    }
    bool fail_begin = false, fail_end = false;

    double width_mm() const override { return w_mm_; }
    double height_mm() const override { return h_mm_; }
    int width_pixels() const override { return canvas_.width(); }
    int height_pixels() const override { return canvas_.height(); }
    bool begin_document(const std::string& name) override {
        log_->document = name;
        return !fail_begin;
    }
    bool begin_page() override {
        ++log_->pages;
        return true;
    }
    mw31::Canvas& page() override { return canvas_; }
    bool end_page() override { return true; }
    bool end_document() override {
        log_->ended = !fail_end;
        return !fail_end;
    }
    void abort_document() override { log_->aborted = true; }
    void select_font(int height, int width, int escapement) override {
        log_->fonts.push_back({height, width, escapement});
    }
    std::string error() const override { return "disk full"; }
    std::string target() const override { return "fake.pdf"; }

  private:
    double w_mm_, h_mm_;
    mw31::RecordingCanvas canvas_;
    PrintLog* log_;
};

// A4 at ten pixels a millimetre.
film_out::PrinterChoice landscape(PrintLog* log, bool fail_begin = false, bool fail_end = false) {
    return [=]() -> std::unique_ptr<mw31::Printer> {
        auto p = std::make_unique<FakePrinter>(297, 210, 2970, 2100, log);
        p->fail_begin = fail_begin;
        p->fail_end = fail_end;
        return p;
    };
}
film_out::PrinterChoice portrait(PrintLog* log, int scale = 10) {
    return [=]() -> std::unique_ptr<mw31::Printer> {
        return std::make_unique<FakePrinter>(210, 297, 210 * scale, 297 * scale, log);
    };
}

class PrintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        film_out::forget_printer_font();
        mw31::clear_dialog_hooks();
    }
    void TearDown() override { mw31::clear_dialog_hooks(); }

    film::ColourTable colours;
    film::PaintStyle style{1, false, &colours};
    film::FilmView view = film::fitted_view(800, 600);  // a 750 x 600 drawing area
};

std::vector<DrawOp> of_kind(const std::vector<DrawOp>& ops, DrawOp::Kind kind) {
    std::vector<DrawOp> out;
    for (const DrawOp& op : ops)
        if (op.kind == kind) out.push_back(op);
    return out;
}

// The frame fills the print area 2625 x 2100 (1280:1024 of the 2970 x 2100 page) from the
// top-left corner: one film unit of a 1280 wide film is 2625 / 1280 page pixels.
constexpr double kFilmToPage = 2625.0 / 1280;

film::FrameStore one_frame(const std::vector<film::FilmRecord>& records) {
    film::FrameStore store;
    store.add_frame(records);
    return store;
}

TEST(FitPageRectangle, ShrinksToTheProportionsOfTheFilm) {
    int x1 = 0, y1 = 0, x2 = 2970, y2 = 2100;
    film_out::fit_page_rectangle(&x1, &y1, &x2, &y2);
    EXPECT_EQ(std::vector<int>({x1, y1, x2, y2}), std::vector<int>({0, 0, 2625, 2100}));
    x2 = 1000, y2 = 1000;
    film_out::fit_page_rectangle(&x1, &y1, &x2, &y2);
    EXPECT_EQ(std::vector<int>({x2, y2}), std::vector<int>({1000, 800}));
    x1 = 10, y1 = 20, x2 = 1290, y2 = 1044;  // already 1280:1024
    film_out::fit_page_rectangle(&x1, &y1, &x2, &y2);
    EXPECT_EQ(std::vector<int>({x1, y1, x2, y2}), std::vector<int>({10, 20, 1290, 1044}));
}

// k = trunc(|sweep| / 2) + 1 chords, counter-clockwise, rounded to the nearest pixel; the
// page is here the plane itself with y turned down.
TEST(PrintArc, ChordsOfTwoDegreesAtMostFromAMove) {
    mw31::RecordingCanvas dc;
    const film_out::PagePoint to_page = [](double x, double y) {
        return mw31::Point{int(std::floor(x + 0.5)), int(std::floor(-y + 0.5))};
    };
    film_out::print_arc(dc, to_page, 100, -100, 50, 50, 0, 90);
    ASSERT_EQ(dc.ops.size(), 47u);
    EXPECT_EQ(dc.ops[0].kind, DrawOp::MoveTo);
    EXPECT_EQ(dc.ops[0].x, 150);
    EXPECT_EQ(dc.ops[0].y, 100);
    EXPECT_EQ(dc.ops.back().x, 100);
    EXPECT_EQ(dc.ops.back().y, 50);  // a quarter turn up on the page
    for (size_t j = 1; j < dc.ops.size(); ++j) {
        EXPECT_EQ(dc.ops[j].kind, DrawOp::LineTo);
        EXPECT_NEAR(std::hypot(dc.ops[j].x - 100, dc.ops[j].y - 100), 50, 0.75);
    }

    // Scaled by 2 along x and turned by 90 degrees: the start goes from (+x) to (+y), twice
    // as far; a negative sweep runs clockwise.
    dc.ops.clear();
    film_out::print_arc(dc, to_page, 0, 0, 10, 10, 0, -3, 90, 2, 1);
    ASSERT_EQ(dc.ops.size(), 3u);
    EXPECT_EQ(dc.ops[0].x, 0);
    EXPECT_EQ(dc.ops[0].y, -20);
    EXPECT_EQ(dc.ops[2].x, int(std::floor(10 * std::sin(3 * kPi / 180) + 0.5)));
}

TEST_F(PrintTest, LineFilmOnALandscapePageFillsThePrintArea) {
    const film::FrameStore store = one_frame({{film::kColour, 1, 0},
                                              {film::kMoveTo, 0, 0},
                                              {film::kLineTo, 1280, 1024},
                                              {film::kMoveTo, 640, 100},
                                              {film::kLineTo, 100, 900}});
    const film::LineFilmFramePainter painter(store, 0);
    PrintLog log;
    EXPECT_EQ(film_out::plot_filmstellung(painter, view, style, 1280, landscape(&log)), 0);
    EXPECT_EQ(log.document, "Filmbild");
    EXPECT_EQ(log.pages, 1);
    EXPECT_TRUE(log.ended);
    const auto lines = of_kind(log.ops, DrawOp::LineTo);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].from, (mw31::Point{0, 0}));
    EXPECT_NEAR(lines[0].x, 2625, 1);
    EXPECT_NEAR(lines[0].y, 2100, 1);
    EXPECT_NEAR(lines[1].from.x, 640 * kFilmToPage, 1);
    EXPECT_NEAR(lines[1].from.y, 100 * kFilmToPage, 1);
    EXPECT_NEAR(lines[1].x, 100 * kFilmToPage, 1);
    EXPECT_NEAR(lines[1].y, 900 * kFilmToPage, 1);
    // Colour 1 prints black with a pen two pixels wide; text black on white.
    EXPECT_EQ(lines[0].pen, (mw31::Pen{mw31::PenStyle::Solid, 2, {0, 0, 0}}));
    EXPECT_EQ(log.text_colour, (mw31::Rgb{0, 0, 0}));
    EXPECT_EQ(log.text_background, (mw31::Rgb{255, 255, 255}));
}

// Portrait: the long side is the height; (x, y) of the landscape print goes to (y, D - x),
// a quarter turn counter-clockwise, arcs included.
TEST_F(PrintTest, PortraitPageTurnsTheFrameAndItsArcs) {
    const film::FrameStore store = one_frame({{film::kMoveTo, 100, 200},
                                              {film::kLineTo, 300, 200},
                                              {film::kArc, 640, 512},
                                              {100, 0, 9000000}});
    const film::LineFilmFramePainter painter(store, 0);
    PrintLog log;
    EXPECT_EQ(film_out::plot_filmstellung(painter, view, style, 1280, portrait(&log)), 0);
    auto turned = [](double x, double y) {
        return std::pair<double, double>{y * kFilmToPage, 2970 - x * kFilmToPage};
    };
    const auto moves = of_kind(log.ops, DrawOp::MoveTo);
    const auto lines = of_kind(log.ops, DrawOp::LineTo);
    ASSERT_EQ(moves.size(), 2u);
    ASSERT_EQ(lines.size(), 1u + 46u);
    EXPECT_NEAR(lines[0].from.x, turned(100, 200).first, 1);
    EXPECT_NEAR(lines[0].from.y, turned(100, 200).second, 1);
    EXPECT_NEAR(lines[0].x, turned(300, 200).first, 1);
    EXPECT_NEAR(lines[0].y, turned(300, 200).second, 1);
    // The quarter arc starts right of its centre on the screen and ends above it.
    EXPECT_NEAR(moves[1].x, turned(740, 512).first, 1.5);
    EXPECT_NEAR(moves[1].y, turned(740, 512).second, 1.5);
    EXPECT_NEAR(lines.back().x, turned(640, 412).first, 1.5);
    EXPECT_NEAR(lines.back().y, turned(640, 412).second, 1.5);
}

TEST_F(PrintTest, PaperExchangesBlackAndWhiteWhateverTheDisplay) {
    const film::FrameStore store = one_frame({{film::kColour, 0, 0},
                                              {film::kLineTo, 10, 10},
                                              {film::kColour, 1, 0},
                                              {film::kLineTo, 20, 20},
                                              {film::kColour, 2, 0},
                                              {film::kLineTo, 30, 30},
                                              {film::kColour, 257, 0},
                                              {film::kLineTo, 40, 40}});
    const film::LineFilmFramePainter painter(store, 0);
    for (bool inverted : {false, true}) {
        film::ColourTable table;
        if (inverted) table.swap_black_white();  // what the inverted display does
        PrintLog log;
        film_out::plot_filmstellung(painter, view, film::PaintStyle{2, inverted, &table}, 1280,
                                    landscape(&log));
        const auto lines = of_kind(log.ops, DrawOp::LineTo);
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0].pen.colour, (mw31::Rgb{255, 255, 255})) << inverted;
        EXPECT_EQ(lines[1].pen.colour, (mw31::Rgb{0, 0, 0})) << inverted;
        EXPECT_EQ(lines[2].pen.colour, (mw31::Rgb{255, 0, 0})) << inverted;
        EXPECT_EQ(lines[3].pen.colour, (mw31::Rgb{0, 0, 0})) << "257 is colour 1";
    }
}

// Inverting lines flip the paper under them, so they print dark like on the screen.
TEST_F(PrintTest, InvertingLinesFlipThePaper) {
    const film::FrameStore store =
        one_frame({{film::kColour, 1, 0}, {film::kXorLineTo, 10, 10}, {film::kLineTo, 20, 20}});
    const film::LineFilmFramePainter painter(store, 0);
    PrintLog log;
    film_out::plot_filmstellung(painter, view, style, 1280, landscape(&log));
    const auto lines = of_kind(log.ops, DrawOp::LineTo);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].op, mw31::RasterOp::Xor);
    EXPECT_EQ(lines[0].pen.colour, (mw31::Rgb{255, 255, 255}));
    EXPECT_EQ(lines[1].op, mw31::RasterOp::Copy);
    EXPECT_EQ(lines[1].pen.colour, (mw31::Rgb{0, 0, 0}));
}

// A small window would put film units 0..6 on its pixel 0; ten times finer positions keep them
// apart on paper. Zoom and offsets are followed as the window shows them.
TEST_F(PrintTest, PositionsAreTenTimesFinerAndFollowTheZoom) {
    const film::FrameStore store = one_frame({{film::kMoveTo, 7, 7}, {film::kLineTo, 640, 512}});
    const film::LineFilmFramePainter painter(store, 0);
    PrintLog log;
    film_out::plot_filmstellung(painter, film::fitted_view(80, 64), style, 1280, landscape(&log));
    auto lines = of_kind(log.ops, DrawOp::LineTo);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lines[0].from.x, 7 * kFilmToPage, 1.5);
    EXPECT_GT(lines[0].from.x, 0);

    film::FilmView zoomed = view;
    zoomed.fit = false;
    zoomed.zoom = 2;
    zoomed.x0 = -100;
    zoomed.y0 = -50;
    const film::FilmView before = zoomed;
    log = PrintLog{};
    film_out::plot_filmstellung(painter, zoomed, style, 1280, landscape(&log));
    lines = of_kind(log.ops, DrawOp::LineTo);
    ASSERT_EQ(lines.size(), 1u);
    // (640, 512) is at window pixel (650, 550) of the 750 x 600 area.
    EXPECT_NEAR(lines[0].x, 650 * 2625.0 / 750, 1);
    EXPECT_NEAR(lines[0].y, 550 * 2100.0 / 600, 1);
    EXPECT_EQ(zoomed.area, before.area);
    EXPECT_EQ(zoomed.x0, before.x0);
}

// The font is made at the first print from that page and kept, even for a portrait page of
// another resolution.
TEST_F(PrintTest, PrinterFontIsMadeOnceFromTheFirstPage) {
    const film::FrameStore store = one_frame({{film::kLineTo, 10, 10}});
    const film::LineFilmFramePainter painter(store, 0);
    EXPECT_EQ(film_out::printer_font(), nullptr);
    PrintLog first, second;
    film_out::plot_filmstellung(painter, view, style, 1280, landscape(&first));
    film_out::plot_filmstellung(painter, view, style, 1280, portrait(&second, 24));
    const std::vector<int> font{45, 21, 0};  // 0.015 and 0.007 of 2970, rounded
    ASSERT_EQ(first.fonts.size(), 1u);
    EXPECT_EQ(first.fonts[0], font);
    ASSERT_EQ(second.fonts.size(), 1u);
    EXPECT_EQ(second.fonts[0], font);

    film_out::forget_printer_font();
    PrintLog upright;
    film_out::plot_filmstellung(painter, view, style, 1280, portrait(&upright));
    ASSERT_EQ(upright.fonts.size(), 1u);
    EXPECT_EQ(upright.fonts[0], (std::vector<int>{45, 21, 900}));
}

TEST_F(PrintTest, NoPrinterGivesTheMessageAndAFailedStartNone) {
    const film::FrameStore store = one_frame({{film::kLineTo, 10, 10}});
    const film::LineFilmFramePainter painter(store, 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(film_out::plot_filmstellung(painter, view, style, 1280, [] { return nullptr; }), 1);
    const film::AnmneuFilm film;
    EXPECT_EQ(film_out::anmneu_plot_filmstellung(film, 0, view, style, [] { return nullptr; }), 1);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(mw31::shown_dialogs().size(), 2u);
    EXPECT_EQ(mw31::shown_dialogs()[0].text, "plot_filmstellung: kann DC nicht beschaffen");
    EXPECT_EQ(mw31::shown_dialogs()[1].text, "anmneu_plot_filmstellung: kann DC nicht beschaffen");

    PrintLog log;
    EXPECT_EQ(film_out::plot_filmstellung(painter, view, style, 1280, landscape(&log, true)), 1);
    EXPECT_TRUE(log.aborted);
    EXPECT_EQ(log.pages, 0);
    EXPECT_TRUE(log.ops.empty());
    EXPECT_EQ(mw31::shown_dialogs().size(), 2u) << "a document that cannot start is silent";

    // A document that cannot be finished (a PDF that cannot be written) is reported.
    testing::internal::CaptureStderr();
    EXPECT_EQ(film_out::plot_filmstellung(painter, view, style, 1280, landscape(&log, false, true)),
              1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("fake.pdf (disk full)"),
              std::string::npos);
}

// --- ANMNEU -------------------------------------------------------------------------------

film::ContourElement element(film::ContourKind kind, double x, double y, double r = 0,
                             double start = 0, double end = 0) {
    return film::ContourElement{double(kind), x, y, r, start, end};
}

// A world window of aspect 1.3 (130 x 100) fills the print area: 2625 / 130 pixels a unit,
// x to the right from xl and y downwards from yt.
constexpr double kWorldToPage = 2625.0 / 130;
double page_x(double x) {
    return (x + 65) * kWorldToPage;
}
double page_y(double y) {
    return (50 - y) * kWorldToPage;
}

film::AnmneuFilm small_anmneu_film() {
    film::AnmneuFilm film;
    film.frame_count = 1;
    film.window = film.initial = film.file_window = film::WorldWindow{-65, 65, -50, 50};
    film::FilmSymbol crank;
    crank.colour = 1;
    crank.elements = {element(film::kContourMove, 0, 0),
                      element(film::kContourDraw, 20, 0),
                      element(film::kContourArc, 0, 0, 10, 0, kPi / 2),
                      element(film::kContourColour, 0, 0),
                      element(film::kContourMove, 0, 0),
                      element(film::kContourDraw, 0, -20)};
    film::FilmSymbol oval;
    oval.colour = 2;
    oval.elements = {element(film::kContourArc, 0, 0, 10, 0, kPi)};
    film.symbols = {crank, oval};
    film::AnmneuFrame frame;
    frame.present = true;
    frame.label = "Stellung 1";
    frame.c1 = 30, frame.c2 = 30;
    frame.placements = {film::SymbolPlacement{10, 5, 0, 1, 1},
                        film::SymbolPlacement{-20, -10, kPi / 2, 2, 1}};
    film.frames = {frame};
    return film;
}

TEST_F(PrintTest, AnmneuFrameInTheWorldWindowWithLabelAndPens) {
    const film::AnmneuFilm film = small_anmneu_film();
    PrintLog log;
    EXPECT_EQ(film_out::anmneu_plot_filmstellung(film, 0, view, style, landscape(&log)), 0);
    EXPECT_EQ(log.document, "Filmbild");

    // The label near the lower left corner of the world window, wherever the film put it.
    const auto texts = of_kind(log.ops, DrawOp::TextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Stellung 1");
    EXPECT_NEAR(texts[0].x, page_x(-65 + 6.5), 1);
    EXPECT_NEAR(texts[0].y, page_y(-50 + 5), 1);

    const auto lines = of_kind(log.ops, DrawOp::LineTo);
    // Crank: its line, the quarter arc in 45 + 1 chords, the line in colour 0.
    ASSERT_GE(lines.size(), 48u);
    EXPECT_NEAR(lines[0].from.x, page_x(10), 1);
    EXPECT_NEAR(lines[0].from.y, page_y(5), 1);
    EXPECT_NEAR(lines[0].x, page_x(30), 1);
    EXPECT_NEAR(lines[0].y, page_y(5), 1);
    // Pens of the window's width + 2; colour 1 black, the colour element 0 white.
    EXPECT_EQ(lines[0].pen, (mw31::Pen{mw31::PenStyle::Solid, 3, {0, 0, 0}}));
    for (size_t j = 1; j <= 46; ++j)
        EXPECT_NEAR(std::hypot(lines[j].x - page_x(10), lines[j].y - page_y(5)), 10 * kWorldToPage,
                    1.5);
    EXPECT_NEAR(lines[46].x, page_x(10), 1.5);  // ends above the centre
    EXPECT_NEAR(lines[46].y, page_y(15), 1.5);
    EXPECT_EQ(lines[47].pen.colour, (mw31::Rgb{255, 255, 255}));
    EXPECT_NEAR(lines[47].y, page_y(-15), 1);

    // Oval: a half circle scaled by 2 along its x, turned a quarter: every point lies on the
    // ellipse with the long axis upright, and it is red.
    const std::vector<DrawOp> oval(lines.begin() + 48, lines.end());
    ASSERT_EQ(oval.size(), 91u);
    for (const DrawOp& op : oval) {
        EXPECT_EQ(op.pen.colour, (mw31::Rgb{255, 0, 0}));
        const double u = (op.x - page_x(-20)) / kWorldToPage;  // world x offset: sy = 1 axis
        const double v = (page_y(-10) - op.y) / kWorldToPage;  // world y offset: sx = 2 axis
        EXPECT_NEAR(std::hypot(u / 10, v / 20), 1, 0.01);
    }
    EXPECT_NEAR(oval.back().y, page_y(-10 - 20), 1.5) << "ends at the bottom of the ellipse";
}

// --- User-coordinates frames --------------------------------------------------------------

// The world window is stretched onto the whole print area (2625 x 2100), as the screen
// stretches it onto the drawing area: 2625 / 130 pixels a unit across, 2100 / 100 down.
TEST_F(PrintTest, UsercoorFrameStretchedOntoThePrintArea) {
    const std::string text =
        "usercoor\na-65,65,-50,50\nf\n"
        "c2\nl-10,0,30,0\nh10,5,0,90,10\ng0,0,0,90,5\nw1,1,2,2\ns20,-20,Hallo\nx0,0,0,0\n";
    film::MemoryByteSource source(text.data(), text.size());
    film::UsercoorFilm film;
    ASSERT_EQ(film::read_usercoor_film(source, &film), 0);
    const film::UsercoorFramePainter painter(film, 0);
    colours.reset_usercoor();
    PrintLog log;
    ASSERT_EQ(
        film_out::usercoor_plot_filmstellung(painter, film.window, view, style, landscape(&log)),
        0);
    EXPECT_EQ(log.document, "Filmbild");
    const auto ux = [](double x) { return (x + 65) * 2625.0 / 130; };
    const auto uy = [](double y) { return (50 - y) * 2100.0 / 100; };

    const auto texts = of_kind(log.ops, DrawOp::TextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Hallo");
    EXPECT_NEAR(texts[0].x, ux(20), 1);
    EXPECT_NEAR(texts[0].y, uy(-20), 1);

    // The red line, then the quarter arc of h in 45 + 1 chords on its ellipse; the inverting
    // arc of g and the filled rectangle print nothing.
    const auto lines = of_kind(log.ops, DrawOp::LineTo);
    ASSERT_EQ(lines.size(), 1u + 46u);
    EXPECT_NEAR(lines[0].from.x, ux(-10), 1);
    EXPECT_NEAR(lines[0].from.y, uy(0), 1);
    EXPECT_NEAR(lines[0].x, ux(30), 1);
    EXPECT_EQ(lines[0].pen.colour, (mw31::Rgb{255, 0, 0}));
    for (size_t j = 1; j < lines.size(); ++j) {
        const double u = (lines[j].x - ux(10)) / (2625.0 / 130), v = (uy(5) - lines[j].y) / 21.0;
        EXPECT_NEAR(std::hypot(u, v), 10, 0.1) << j;
    }
    EXPECT_NEAR(lines.back().x, ux(10), 1.5);  // ends above the centre
    EXPECT_NEAR(lines.back().y, uy(15), 1.5);
}

}  // namespace
