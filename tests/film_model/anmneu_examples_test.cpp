// The example ANMNEU films in examples/: they match their generator, read cleanly, move as
// the mechanisms they show, and a four-bar frame puts its pivot circles where the linkage's
// geometry says.
#include "../../tools/anmneu_examples.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "mw31/recording_canvas.h"
#include "mw31/temp_names.h"

namespace {

using film::ContourElement;

std::string read_whole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The films are read from another directory than their own, so their includes must be found
// beside the film; the info text goes to a private temporary directory.
class InOtherDir {
  public:
    InOtherDir() {
        char buf[4096];
        if (getcwd(buf, sizeof buf)) old_cwd_ = buf;
        if (const char* t = std::getenv("TMPDIR")) old_tmp_ = t;
        had_tmp_ = std::getenv("TMPDIR") != nullptr;
        std::string pattern = testing::TempDir() + "kv_examples_XXXXXX";
        if (mkdtemp(pattern.data())) tmp_ = pattern;
        ok_ = !tmp_.empty() && setenv("TMPDIR", tmp_.c_str(), 1) == 0 && chdir(tmp_.c_str()) == 0;
    }
    ~InOtherDir() {
        if (!old_cwd_.empty() && chdir(old_cwd_.c_str()) != 0) std::perror("chdir");
        if (had_tmp_) {
            setenv("TMPDIR", old_tmp_.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
        if (!tmp_.empty()) {
            std::remove(mw31::temp_info_name().c_str());
            rmdir(tmp_.c_str());
        }
    }
    bool ok() const { return ok_; }
    std::string info_text() const { return read_whole(mw31::temp_info_name()); }

  private:
    std::string old_cwd_, old_tmp_, tmp_;
    bool had_tmp_ = false, ok_ = false;
};

struct Point {
    double x, y;
};

Point place(const film::SymbolPlacement& p, double px, double py) {
    const double c = std::cos(p.phi), s = std::sin(p.phi);
    return {p.x + p.sx * px * c - p.sy * py * s, p.y + p.sx * px * s + p.sy * py * c};
}

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

double distance_to_segment(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::max(0.0, std::min(1.0, t));
    return distance(p, {a.x + t * dx, a.y + t * dy});
}

std::string angle_label(const char* what, int k, int frames) {
    char buf[100];
    std::snprintf(buf, sizeof buf, "%s phi = %.1f Grad", what, 360.0 * k / frames);
    return buf;
}

bool has_arc(const film::FilmSymbol& s, double x, double y, double r) {
    for (const ContourElement& e : s.elements) {
        if (film::contour_kind(e) == film::kContourArc && std::fabs(e.x - x) < 1e-9 &&
            std::fabs(e.y - y) < 1e-9 && std::fabs(e.r - r) < 1e-9) {
            return true;
        }
    }
    return false;
}

struct FilmCase {
    const char* file;
    int symbols;
    int frames;
    const char* label_word;
    const char* first_caption;
    const char* second_caption;
    const char* info_start;
};

const FilmCase kFilms[] = {
    {"fourbar_anmneu.anm", 8, 72, "Kurbelwinkel", "Koppelpunkt P = (", "Schwingenwinkel psi = ",
     "Viergelenkgetriebe (Kurbelschwinge)\nKurbel A0A = 40 mm, Koppel AB = 120 mm, "},
    {"slidercrank_anmneu.anm", 9, 120, "Kurbelwinkel", "Kolbenweg s = ", "Federlaenge l = ",
     "Schubkurbel (zentrisch)\nKurbel A0A = 50 mm, Schubstange AB = 150 mm\n"},
    {"cam_anmneu.anm", 6, 90, "Nockenwinkel",
     "Hub s = ", "Phase: ", "Kurvenscheibe mit Rollenstoessel"},
};

TEST(AnmneuExamples, CommittedFilesAreWhatTheGeneratorWritesAndStaySmall) {
    const std::vector<tools::ExampleFile> files = tools::anmneu_example_files();
    ASSERT_EQ(files.size(), 6u);
    for (const tools::ExampleFile& f : files) {
        SCOPED_TRACE(f.path);
        const std::string committed = read_whole(std::string(KV_SOURCE_DIR "/examples/") + f.path);
        if (committed != f.text) {
            size_t at = 0;
            while (at < committed.size() && at < f.text.size() && committed[at] == f.text[at]) {
                ++at;
            }
            const size_t line = size_t(std::count(f.text.begin(), f.text.begin() + at, '\n')) + 1;
            ADD_FAILURE() << "examples/" << f.path << " is stale from line " << line
                          << "; run make_anmneu_examples examples";
        }
        EXPECT_LT(f.text.size(), 200u * 1024);
        std::istringstream lines(f.text);
        std::string l;
        while (std::getline(lines, l)) ASSERT_LT(l.size(), 256u) << l;
    }
}

TEST(AnmneuExamples, ReadWithSymbolsFramesCaptionsLabelsAndInfoText) {
    InOtherDir here;
    ASSERT_TRUE(here.ok());
    for (const FilmCase& c : kFilms) {
        SCOPED_TRACE(c.file);
        film::AnmneuFilm film;
        ASSERT_EQ(film::read_anmneu_film(std::string(KV_SOURCE_DIR "/examples/") + c.file, &film),
                  c.frames);
        EXPECT_EQ(film.symbol_count(), c.symbols);
        EXPECT_TRUE(film.has_info_text);
        EXPECT_EQ(here.info_text().rfind(c.info_start, 0), 0u) << here.info_text();
        EXPECT_NE(here.info_text().find("\nBerechnet mit tools/make_anmneu_examples\n"),
                  std::string::npos);
        // One frame beyond the played ones: the full turn the last in-between pictures aim at.
        ASSERT_EQ(film.frames.size(), size_t(c.frames) + 1);
        for (int k = 0; k <= c.frames; ++k) {
            const film::AnmneuFrame& f = film.frames[size_t(k)];
            ASSERT_TRUE(f.present) << k;
            EXPECT_EQ(f.label, angle_label(c.label_word, k, c.frames));
            EXPECT_EQ(f.caption.rfind(std::string("text ") + c.first_caption, 0), 0u) << f.caption;
            EXPECT_NE(f.caption.find(std::string(";text ") + c.second_caption), std::string::npos)
                << f.caption;
            ASSERT_EQ(f.placements.size(), size_t(c.symbols)) << k;
            // The label sits inside the window.
            EXPECT_GT(f.c1, film.file_window.xl);
            EXPECT_LT(f.c2, film.file_window.yt);
        }
        for (const film::FilmSymbol& s : film.symbols) EXPECT_FALSE(s.elements.empty());
        // Symbol 1 of every film is the hatched bearing; its pivot circle comes from the
        // include nested in the bearing's include.
        EXPECT_TRUE(has_arc(film.symbols[0], 0, 0, tools::kPivotRadius));
        EXPECT_EQ(film.symbols[0].colour, 4);
    }
}

TEST(AnmneuExamples, FourBarPlacementsKeepTheLinksJoinedAndTraceTheCouplerCurve) {
    InOtherDir here;
    ASSERT_TRUE(here.ok());
    film::AnmneuFilm film;
    ASSERT_EQ(film::read_anmneu_film(KV_SOURCE_DIR "/examples/fourbar_anmneu.anm", &film), 72);
    const std::vector<ContourElement>& curve = film.symbols[2].elements;
    ASSERT_EQ(curve.size(), 73u);
    for (int k = 0; k <= 72; ++k) {
        SCOPED_TRACE(k);
        auto at = [&](int s) { return film::anmneu_placement(film, k, s); };
        const Point a = place(at(3), 40, 0);   // crank end
        const Point b = place(at(4), 120, 0);  // coupler end
        EXPECT_NEAR(distance(a, {at(4).x, at(4).y}), 0, 2e-3);
        EXPECT_NEAR(distance(b, place(at(5), 80, 0)), 0, 2e-3);
        EXPECT_NEAR(distance(a, {at(6).x, at(6).y}), 0, 2e-3);
        EXPECT_NEAR(distance(b, {at(7).x, at(7).y}), 0, 2e-3);
        const Point p = place(at(4), 60, 45);
        EXPECT_NEAR(distance(p, {curve[size_t(k)].x, curve[size_t(k)].y}), 0, 2e-3);
        EXPECT_NEAR(at(3).phi, 2 * M_PI * k / 72, 1e-6);
        if (k > 0) {
            // Neighbouring frames turn the coupler and rocker a little, never a whole turn,
            // so in-between pictures do not spin.
            EXPECT_LT(std::fabs(at(4).phi - film::anmneu_placement(film, k - 1, 4).phi), 0.3);
            EXPECT_LT(std::fabs(at(5).phi - film::anmneu_placement(film, k - 1, 5).phi), 0.3);
        }
    }
    // Halfway between the last frame and the full turn the crank stands at 357.5 degrees,
    // not swinging back towards 0.
    EXPECT_NEAR(film::interpolated_placement(film, 71, 3, 0.5).phi, 2 * M_PI * 71.5 / 72, 1e-6);
    EXPECT_NEAR(
        film::interpolated_placement(film, 71, 4, 0.5).phi,
        0.5 * (film::anmneu_placement(film, 71, 4).phi + film::anmneu_placement(film, 0, 4).phi),
        0.05);
}

TEST(AnmneuExamples, SliderCrankSpringIsStretchedBetweenBlockAndWall) {
    InOtherDir here;
    ASSERT_TRUE(here.ok());
    film::AnmneuFilm film;
    ASSERT_EQ(film::read_anmneu_film(KV_SOURCE_DIR "/examples/slidercrank_anmneu.anm", &film), 120);
    int scaled = 0;
    for (int k = 0; k <= 120; ++k) {
        SCOPED_TRACE(k);
        auto at = [&](int s) { return film::anmneu_placement(film, k, s); };
        const Point b = place(at(3), 50, 0);
        const Point c = place(at(4), 150, 0);
        EXPECT_NEAR(distance(b, {at(4).x, at(4).y}), 0, 2e-3);
        EXPECT_NEAR(c.y, 0, 2e-3);  // the slider stays on its guide
        EXPECT_NEAR(distance(c, {at(5).x, at(5).y}), 0, 2e-3);
        // The spring starts at the block's face and ends at the wall.
        const film::SymbolPlacement spring = at(6);
        EXPECT_NEAR(spring.x, at(5).x + tools::kBlockHalfLength, 2e-3);
        EXPECT_NEAR(place(spring, 1, 0).x, tools::kSpringWall, 2e-3);
        EXPECT_DOUBLE_EQ(spring.sy, 1);
        scaled += std::fabs(spring.sx - 1) >= 1e-6;
    }
    EXPECT_EQ(scaled, 121);
    // The block travels twice the crank between its dead centres.
    EXPECT_NEAR(film::anmneu_placement(film, 0, 5).x, 200, 1e-3);
    EXPECT_NEAR(film::anmneu_placement(film, 60, 5).x, 100, 1e-3);
}

TEST(AnmneuExamples, CamTouchesTheRollerAndLiftsItCycloidally) {
    InOtherDir here;
    ASSERT_TRUE(here.ok());
    film::AnmneuFilm film;
    ASSERT_EQ(film::read_anmneu_film(KV_SOURCE_DIR "/examples/cam_anmneu.anm", &film), 90);
    const std::vector<ContourElement>& cam = film.symbols[1].elements;
    for (int k = 0; k <= 90; ++k) {
        SCOPED_TRACE(k);
        const film::SymbolPlacement disc = film::anmneu_placement(film, k, 1);
        const film::SymbolPlacement roller = film::anmneu_placement(film, k, 2);
        const Point centre{roller.x, roller.y};
        // Nearest approach of the cam outline (its polyline) to the roller centre: the roller
        // radius, neither a gap nor an overlap.
        double nearest = 1e300;
        for (size_t e = 1; e < cam.size(); ++e) {
            if (film::contour_kind(cam[e]) != film::kContourDraw ||
                film::contour_kind(cam[e - 1]) > film::kContourDraw) {
                continue;
            }
            nearest = std::min(nearest,
                               distance_to_segment(centre, place(disc, cam[e - 1].x, cam[e - 1].y),
                                                   place(disc, cam[e].x, cam[e].y)));
        }
        EXPECT_NEAR(nearest, 10, 0.03);
        EXPECT_DOUBLE_EQ(roller.x, 0);
        // Spring from the seat of the stem up to the fixed support.
        const film::SymbolPlacement spring = film::anmneu_placement(film, k, 5);
        EXPECT_NEAR(place(spring, 1, 0).y, tools::kSpringSupport, 2e-3);
        EXPECT_NEAR(place(spring, 1, 0).x, 0, 2e-3);
    }
    // Lift over base circle 40 + roller 10: half the lift of 30 halfway through the rise and
    // the return, all of it in the upper dwell, none in the lower.
    auto height = [&](int k) { return film::anmneu_placement(film, k, 2).y; };
    EXPECT_NEAR(height(0), 50, 1e-3);
    EXPECT_NEAR(height(15), 65, 1e-3);  // 60 degrees
    EXPECT_NEAR(height(38), 80, 1e-3);  // 152 degrees
    EXPECT_NEAR(height(60), 65, 1e-3);  // 240 degrees
    EXPECT_NEAR(height(80), 50, 1e-3);  // 320 degrees
    EXPECT_LT(height(5), height(10));
}

// Four-bar with ground pivots A0 (0, 0) and B0 (100, 0), crank 40, coupler 120, rocker 80,
// assembled with the coupler above the ground line.
struct FourBarJoints {
    Point a0, b0, a, b, p;
};

FourBarJoints four_bar_at(double crank_degrees) {
    const double t = crank_degrees * M_PI / 180;
    FourBarJoints j{{0, 0}, {100, 0}, {40 * std::cos(t), 40 * std::sin(t)}, {}, {}};
    // B on the rocker circle about B0 at coupler length from A: the angle at B0 between B0A
    // and B0B from the law of cosines; of the two closures take the upper one.
    const double d = distance(j.a, j.b0);
    const double towards_a = std::atan2(j.a.y - j.b0.y, j.a.x - j.b0.x);
    const double gamma = std::acos((80.0 * 80 + d * d - 120.0 * 120) / (2 * 80 * d));
    for (double g : {gamma, -gamma}) {
        const Point b{j.b0.x + 80 * std::cos(towards_a + g), j.b0.y + 80 * std::sin(towards_a + g)};
        if (b.y > j.b.y) j.b = b;
    }
    const double ux = (j.b.x - j.a.x) / 120, uy = (j.b.y - j.a.y) / 120;
    j.p = {j.a.x + 60 * ux - 45 * uy, j.a.y + 60 * uy + 45 * ux};
    return j;
}

TEST(AnmneuExamples, FourBarFramePutsThePivotCirclesOnTheJoints) {
    InOtherDir here;
    ASSERT_TRUE(here.ok());
    film::AnmneuFilm film;
    ASSERT_EQ(film::read_anmneu_film(KV_SOURCE_DIR "/examples/fourbar_anmneu.anm", &film), 72);
    for (int k : {7, 31, 50}) {
        SCOPED_TRACE(k);
        mw31::RecordingCanvas dc(780, 600);
        film::ColourTable colours;
        film::FilmView view;
        view.area = {0, 0, 780, 600};
        const film::SymbolCanvas canvas =
            film::make_symbol_canvas(dc, film.window, view, 1, false, colours);
        film::draw_anmneu_frame(film, canvas, k, 0, 1);

        const film::WorldWindow& w = film.window;
        const double scale = 780 / (w.xr - w.xl);
        ASSERT_NEAR(600 / (w.yt - w.yb), scale, 1e-9);  // the window has the picture's aspect
        auto pixel = [&](Point p) { return Point{(p.x - w.xl) * scale, (w.yt - p.y) * scale}; };
        const int pivot_radius = int(std::lround(tools::kPivotRadius * scale));

        std::vector<Point> circles;
        bool label = false;
        for (const mw31::DrawOp& op : dc.ops) {
            if (op.kind == mw31::DrawOp::AngleArc && std::fabs(op.sweep) == 360 &&
                std::abs(op.radius - pivot_radius) <= 1) {
                circles.push_back({double(op.x), double(op.y)});
            }
            if (op.kind == mw31::DrawOp::TextOut)
                label = op.text == angle_label("Kurbelwinkel", k, 72);
        }
        EXPECT_TRUE(label);
        const FourBarJoints j = four_bar_at(5.0 * k);
        ASSERT_EQ(circles.size(), 4u);
        for (Point joint : {j.a0, j.b0, j.a, j.b}) {
            const Point want = pixel(joint);
            bool found = false;
            for (Point c : circles) found = found || distance(c, want) <= 1.5;
            EXPECT_TRUE(found) << "no pivot circle at (" << want.x << ", " << want.y << ")";
        }
        // The caption names the coupler point the geometry gives.
        double px = 0, py = 0;
        ASSERT_EQ(std::sscanf(film.frames[size_t(k)].caption.c_str(),
                              "text Koppelpunkt P = (%lf, %lf)", &px, &py),
                  2);
        EXPECT_NEAR(px, j.p.x, 0.051);
        EXPECT_NEAR(py, j.p.y, 0.051);
    }
}

}  // namespace
