// Printing into PDF files through the Qt printer: poppler reads the page count, size and
// orientation, and the rendered page has its ink exactly where the frame's lines are.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "film_model/frame_store.h"
#include "film_model/line_film_painter.h"
#include "film_model/paint_basics.h"
#include "film_out/pdf_probe.h"
#include "film_out/print_frame.h"
#include "mw31/dialogs.h"
#include "mw31/printer.h"

namespace {

namespace fs = std::filesystem;
using kvtest::GreyPage;
using kvtest::pdfinfo_field;
using kvtest::render_page;

constexpr int kDpi = 50;

struct Segment {
    double x1, y1, x2, y2;  // film units
};

// Colour 1 (black on paper): a cross; colour 0 (white on paper): a line that must not show;
// an inverting line flips the paper whatever the pen.
const std::vector<Segment> kInk = {
    {100, 512, 1180, 512}, {640, 100, 640, 900}, {200, 800, 1000, 800}};
const std::vector<film::FilmRecord> kCross = {
    {film::kColour, 1, 0},        {film::kMoveTo, 100, 512},  {film::kLineTo, 1180, 512},
    {film::kMoveTo, 640, 100},    {film::kLineTo, 640, 900},  {film::kColour, 0, 0},
    {film::kMoveTo, 100, 200},    {film::kLineTo, 1180, 200}, {film::kMoveTo, 200, 800},
    {film::kXorLineTo, 1000, 800}};

// Where a film point lands on a page of w x h points, in pixels of the rendering: the frame
// fills the 1280:1024 print area along the long side from the corner, turned a quarter
// counter-clockwise on a portrait page.
struct PageModel {
    double w, h;
    bool landscape() const { return w >= h; }
    std::pair<double, double> at(double x, double y) const {
        const double long_side = std::max(w, h), short_side = std::min(w, h);
        const double unit = std::min(long_side, short_side * 1280 / 1024) / 1280;
        double px = x * unit, py = y * unit;
        if (!landscape()) {
            const double turned = long_side - px;
            px = py;
            py = turned;
        }
        return {px * kDpi / 72, py * kDpi / 72};
    }
};

double distance_to(const std::pair<double, double>& p, const std::pair<double, double>& a,
                   const std::pair<double, double>& b) {
    const double dx = b.first - a.first, dy = b.second - a.second;
    double t = ((p.first - a.first) * dx + (p.second - a.second) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.first - a.first - t * dx, p.second - a.second - t * dy);
}

// Every stretch of each line is inked, and no ink lies away from the lines.
void expect_ink_on(const GreyPage& page, const PageModel& model, const std::vector<Segment>& ink) {
    ASSERT_GT(page.width, 0) << "the page could not be rendered";
    for (const Segment& s : ink) {
        for (double t = 0.02; t < 0.99; t += 0.04) {
            const auto p = model.at(s.x1 + t * (s.x2 - s.x1), s.y1 + t * (s.y2 - s.y1));
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = page.ink(int(p.first) + dx, int(p.second) + dy);
            EXPECT_TRUE(found) << "no ink at " << p.first << ", " << p.second;
        }
    }
    int stray = 0;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            if (!page.ink(x, y)) continue;
            double nearest = 1e9;
            for (const Segment& s : ink)
                nearest = std::min(nearest, distance_to({x + 0.5, y + 0.5}, model.at(s.x1, s.y1),
                                                        model.at(s.x2, s.y2)));
            if (nearest > 2.5) ++stray;
        }
    }
    EXPECT_EQ(stray, 0) << "pixels inked away from the frame's lines";
}

class PdfPrintTest : public ::testing::Test {
  protected:
    fs::path dir;
    film::ColourTable colours;
    film::PaintStyle style{1, false, &colours};
    film::FilmView view = film::fitted_view(800, 600);

    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("kv_pdf_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        film_out::forget_printer_font();
        mw31::clear_dialog_hooks();
        mw31::clear_print_hooks();
    }
    void TearDown() override {
        mw31::clear_print_hooks();
        mw31::clear_dialog_hooks();
        fs::remove_all(dir);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    static film_out::PrinterChoice pdf(const std::string& file, mw31::PaperSize paper,
                                       bool landscape) {
        return [=] {
            mw31::PdfTarget target;
            target.file = file;
            target.paper = paper;
            target.landscape = landscape;
            return mw31::pdf_printer(target);
        };
    }
    int print_cross(const film_out::PrinterChoice& choice) {
        film::FrameStore store;
        store.add_frame(kCross);
        const film::LineFilmFramePainter painter(store, 0);
        return film_out::plot_filmstellung(painter, view, style, 1280, choice);
    }
};

TEST_F(PdfPrintTest, OnePageOfTheChosenSizeWithInkOnTheLines) {
    struct Case {
        mw31::PaperSize paper;
        bool landscape;
        const char* size;
        PageModel model;
    };
    const Case cases[] = {
        {mw31::PaperSize::A4, true, "842 x 595 pts (A4)", {842, 595}},
        {mw31::PaperSize::A4, false, "595 x 842 pts (A4)", {595, 842}},
        {mw31::PaperSize::A3, true, "1191 x 842 pts (A3)", {1191, 842}},
        {mw31::PaperSize::Letter, false, "612 x 792 pts (letter)", {612, 792}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string file = path(std::string("cross_") + (c.landscape ? "l" : "p") + ".pdf");
        ASSERT_EQ(print_cross(pdf(file, c.paper, c.landscape)), 0);
        EXPECT_EQ(pdfinfo_field(file, "Pages"), "1");
        EXPECT_EQ(pdfinfo_field(file, "Page size"), c.size);
        EXPECT_EQ(pdfinfo_field(file, "Title"), "Filmbild");
        expect_ink_on(render_page(file, kDpi), c.model, kInk);
    }
}

// An ANMNEU film with nothing but its label: the ink is the label's text. Its bounding box
// is wide when the text runs along the page and tall when it runs upwards.
TEST_F(PdfPrintTest, TheFontOfTheFirstPrintIsKeptWithItsTurn) {
    film::AnmneuFilm film;
    film.frame_count = 1;
    film.window = film.initial = film.file_window = film::WorldWindow{-65, 65, -50, 50};
    film::AnmneuFrame frame;
    frame.label = "Kurbelwinkel 30 Grad";
    film.frames = {frame};
    auto label_box = [&](const std::string& file, bool landscape) {
        EXPECT_EQ(film_out::anmneu_plot_filmstellung(film, 0, view, style,
                                                     pdf(file, mw31::PaperSize::A4, landscape)),
                  0);
        const GreyPage page = render_page(file, kDpi);
        int x0 = page.width, x1 = -1, y0 = page.height, y1 = -1;
        for (int y = 0; y < page.height; ++y)
            for (int x = 0; x < page.width; ++x)
                if (page.ink(x, y)) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                    y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
        return std::pair<int, int>{x1 - x0 + 1, y1 - y0 + 1};
    };
    const auto upright = label_box(path("first_portrait.pdf"), false);
    EXPECT_GT(upright.second, 2 * upright.first) << "text turned upwards on a portrait page";
    const auto kept = label_box(path("then_landscape.pdf"), true);
    EXPECT_GT(kept.second, 2 * kept.first) << "the first print's font is kept";
    ASSERT_NE(film_out::printer_font(), nullptr);
    EXPECT_EQ(film_out::printer_font()->escapement, 900);

    film_out::forget_printer_font();
    const auto along = label_box(path("fresh_landscape.pdf"), true);
    EXPECT_GT(along.first, 2 * along.second) << "a fresh landscape font runs along the page";
}

TEST_F(PdfPrintTest, PrintDialogIsAnsweredByItsHook) {
    mw31::CannedPrintAnswer answer;
    answer.pdf.file = path("chosen.pdf");
    answer.pdf.paper = mw31::PaperSize::A3;
    mw31::queue_print_answer(answer);
    ASSERT_EQ(print_cross(film_out::choose_printer), 0);
    ASSERT_EQ(mw31::shown_print_dialogs().size(), 1u);
    const mw31::PrintDialogRequest& shown = mw31::shown_print_dialogs()[0];
    EXPECT_EQ(shown.copies, 1);
    EXPECT_FALSE(shown.page_numbers);
    EXPECT_TRUE(shown.collate);
    EXPECT_EQ(pdfinfo_field(answer.pdf.file, "Page size"), "1191 x 842 pts (A3)");

    // Cancelled: the message of the print, and nothing written.
    mw31::CannedPrintAnswer cancel;
    cancel.cancel = true;
    mw31::queue_print_answer(cancel);
    testing::internal::CaptureStderr();
    EXPECT_EQ(print_cross(film_out::choose_printer), 1);
    testing::internal::GetCapturedStderr();
    ASSERT_FALSE(mw31::shown_dialogs().empty());
    EXPECT_EQ(mw31::shown_dialogs().back().text, "plot_filmstellung: kann DC nicht beschaffen");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(PdfPrintTest, UnwritableTargetGivesTheMessageAndKeepsTheEarlierFile) {
    std::string why;
    mw31::PdfTarget missing;
    missing.file = path("no/such/dir/x.pdf");
    EXPECT_EQ(mw31::pdf_printer(missing, &why), nullptr);
    EXPECT_NE(why, "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(print_cross(pdf(missing.file, mw31::PaperSize::A4, true)), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(mw31::shown_dialogs().back().text, "plot_filmstellung: kann DC nicht beschaffen");

    // A full disk while the document is written, made by a file size limit in a child.
    const fs::path target = dir / "earlier.pdf";
    std::ofstream(target) << "an earlier print";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead
        rlimit limit{1024, 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        testing::internal::CaptureStderr();
        const int result = print_cross(pdf(target.string(), mw31::PaperSize::A4, true));
        const std::string said = testing::internal::GetCapturedStderr();
        _exit((result == 1 ? 0 : 10) +
              (said.find("plot_filmstellung: Dokument nicht fertig") != std::string::npos ? 0 : 1));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: the print did not fail; 1: no message";
    EXPECT_EQ(kvtest::run_output("cat '" + target.string() + "'"), "an earlier print");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "a temporary was left behind";
}

}  // namespace
