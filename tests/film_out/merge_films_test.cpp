// The merge itself: two example films merged with copies, shifts, a rotation and a phase and
// read back by the player's reader; entry colours; short tables; every failure leaves no
// output, the older output as it was, and no scratch file anywhere.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "film_model/anmneu_reader.h"
#include "film_model/contour_element.h"
#include "film_model/contour_reader.h"
#include "film_out/film_merge.h"
#include "film_out/merge_definition.h"
#include "film_out/merge_source.h"
#include "mw31/temp_names.h"

namespace {

namespace fs = std::filesystem;
using film_out::MergeEntry;
using film_out::vereinigung_flm_files;

const std::string kExamples = std::string(KV_SOURCE_DIR) + "/examples/";

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::set<std::string> listing(const fs::path& dir) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec)) names.insert(e.path().string());
    return names;
}

// A film of one part with rows x = j, y = 2 j, phi = 0.1 j (or as given).
std::string small_film(int frames, int rows, const std::string& body = "m 0 0\nf red\nd 1 0\n",
                       const std::string& extra_row_line = {}) {
    std::string s = "ANMNEU\n1\n" + std::to_string(frames) +
                    "\n0\n10\n0\n10\n--- Start Infotext ---\nsmall film\n--- Ende Infotext ---\n"
                    "--- Symbol-Dateien ---\nbegin 1 rest of line\nname\ndescription\nred\n" +
                    body + "end\n";
    for (int j = 0; j < rows; ++j) {
        s += "#" + std::to_string(j) + "\nx caption " + std::to_string(j) + "\nc 1 2:phi\n";
        s += std::to_string(j) + " " + std::to_string(2 * j) + " " + std::to_string(0.1 * j) +
             "\n" + extra_row_line;
    }
    return s;
}

class Merge : public testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fs::path(testing::TempDir()) /
            ("merge_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Earlier tests in this program may leave TMPDIR naming a folder they removed.
        setenv("TMPDIR", testing::TempDir().c_str(), 1);
    }
    std::string write(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    std::string out() const { return (dir_ / "out.flm").string(); }
    static film::AnmneuFilm read_back(const std::string& name) {
        film::AnmneuFilm f;
        std::string said;
        const int frames =
            film::read_anmneu_film(name, &f, [&](const std::string& m) { said += m; });
        EXPECT_EQ(said, "") << name;
        EXPECT_GE(frames, 0);
        return f;
    }
    fs::path dir_;
};

// Independently: the film's placement at cycle angle theta, straight from its frames.
film::SymbolPlacement expected_at(const film::AnmneuFilm& f, int part, double theta) {
    const int n = f.frame_count;
    double u = theta;
    if (u < 0 || u > 360) {  // by whole cycles into 0 .. 360
        u = std::fmod(u, 360.0);
        if (u < 0) u += 360.0;
    }
    u = u * n / 360.0;
    const int j = int(std::floor(u));
    const double r = u - j;
    const film::SymbolPlacement a = film::anmneu_placement(f, j, part);
    const film::SymbolPlacement b = film::anmneu_placement(f, j + 1, part);
    return {a.x + (b.x - a.x) * r, a.y + (b.y - a.y) * r, a.phi + (b.phi - a.phi) * r,
            a.sx + (b.sx - a.sx) * r, a.sy + (b.sy - a.sy) * r};
}

TEST_F(Merge, TwoExampleFilmsWithCopiesShiftsRotationAndPhase) {
    // The example definition, with the output in the test's folder.
    std::string output = out();
    ASSERT_EQ(
        film_out::merge_definition_run(kExamples + "merge_fourbar_slidercrank.txt", &output, 0), 0);
    EXPECT_EQ(output, out());
    const film::AnmneuFilm fourbar = read_back(kExamples + "fourbar_anmneu.anm");
    const film::AnmneuFilm slider = read_back(kExamples + "slidercrank_anmneu.anm");
    // Read from a folder without the example contours: the includes must have been written out.
    const film::AnmneuFilm merged = read_back(output);

    // fourbar F = 72 at i = 1, slider-crank F = 120 at i = 2: 241 steps wanted, 360 taken.
    ASSERT_EQ(merged.frame_count, 360);
    ASSERT_EQ(merged.frames.size(), 361u);
    EXPECT_TRUE(merged.frames[360].present);
    ASSERT_EQ(merged.symbol_count(), 8 + 2 * 9);

    struct Placed {
        const film::AnmneuFilm* film;
        double dx, dy, dw, i, phase;
    };
    const double dw = 30 * M_PI / 180;
    const Placed entries[3] = {
        {&fourbar, 0, 0, 0, 1, 0}, {&slider, 400, 50, dw, 2, 45}, {&slider, 400, 50, dw, 2, 225}};

    // The window: every film's corners turned and shifted, fitted to 1.3.
    double xmin = 1e38, xmax = -1e38, ymin = 1e38, ymax = -1e38;
    for (const Placed& e : entries) {
        const film::WorldWindow& w = e.film->file_window;
        for (double x : {w.xl, w.xr})
            for (double y : {w.yb, w.yt}) {
                const double X = std::cos(e.dw) * x - std::sin(e.dw) * y + e.dx;
                const double Y = std::sin(e.dw) * x + std::cos(e.dw) * y + e.dy;
                xmin = std::min(xmin, X), xmax = std::max(xmax, X);
                ymin = std::min(ymin, Y), ymax = std::max(ymax, Y);
            }
    }
    const double hx0 = (xmax - xmin) / 2, hy0 = (ymax - ymin) / 2;
    ASSERT_GT(hx0, 1.3 * hy0);  // this layout is wide
    const double cy = (ymin + ymax) / 2;
    EXPECT_NEAR(merged.file_window.xl, xmin, 1e-5);
    EXPECT_NEAR(merged.file_window.xr, xmax, 1e-5);
    EXPECT_NEAR(merged.file_window.yb, cy - hx0 / 1.3, 1e-5);
    EXPECT_NEAR(merged.file_window.yt, cy + hx0 / 1.3, 1e-5);

    for (int s : {0, 1, 7, 77, 200, 333, 359, 360}) {
        const double cycle = 360.0 * s / 360;
        int part = 0;
        for (const Placed& e : entries)
            for (int p = 0; p < e.film->symbol_count(); ++p, ++part) {
                const film::SymbolPlacement want = expected_at(*e.film, p, cycle * e.i + e.phase);
                const film::SymbolPlacement got = film::anmneu_placement(merged, s, part);
                const double X = std::cos(e.dw) * want.x - std::sin(e.dw) * want.y + e.dx;
                const double Y = std::sin(e.dw) * want.x + std::cos(e.dw) * want.y + e.dy;
                EXPECT_NEAR(got.x, X, 2e-6) << "frame " << s << " part " << part;
                EXPECT_NEAR(got.y, Y, 2e-6) << "frame " << s << " part " << part;
                EXPECT_NEAR(got.phi, want.phi + e.dw, 2e-6) << "frame " << s << " part " << part;
                EXPECT_NEAR(got.sx, want.sx, 2e-6) << "frame " << s << " part " << part;
                EXPECT_NEAR(got.sy, want.sy, 2e-6) << "frame " << s << " part " << part;
            }
    }
    EXPECT_EQ(merged.frames[90].label, "out.flm   phi = 90.000 Grad");

    // Each entry in its colour; the contours as the films draw them, less their own colours.
    const int colours[3] = {film::colour_from_name("black"), film::colour_from_name("green"),
                            film::colour_from_name("red")};
    int part = 0;
    for (int k = 0; k < 3; ++k)
        for (int p = 0; p < entries[k].film->symbol_count(); ++p, ++part) {
            EXPECT_EQ(merged.symbols[size_t(part)].colour, colours[k]) << part;
            std::vector<film::ContourElement> want;
            for (const auto& el : entries[k].film->symbols[size_t(p)].elements)
                if (el.kind != double(film::kContourColour)) want.push_back(el);
            const auto& got = merged.symbols[size_t(part)].elements;
            ASSERT_EQ(got.size(), want.size()) << part;
            for (size_t m = 0; m < got.size(); ++m) {
                EXPECT_EQ(got[m].kind, want[m].kind) << part << "/" << m;
                EXPECT_NEAR(got[m].x, want[m].x, 1e-9) << part << "/" << m;
                EXPECT_NEAR(got[m].y, want[m].y, 1e-9) << part << "/" << m;
                EXPECT_NEAR(got[m].r, want[m].r, 1e-9) << part << "/" << m;
            }
        }

    // Info text: each film once, headed with its colour, then the entries.
    const std::string text = slurp(output);
    const std::string four = kExamples + "fourbar_anmneu.anm";
    const std::string slide = kExamples + "slidercrank_anmneu.anm";
    EXPECT_NE(text.find(four + " (black):\n--------------------------------------------------\n\n"
                               "Viergelenkgetriebe"),
              std::string::npos);
    EXPECT_NE(text.find(slide + " (green):\n"), std::string::npos);
    EXPECT_EQ(text.find(slide + " (red):\n"), std::string::npos);
    EXPECT_NE(text.find("\n\n--------------------------------------------------\n"
                        "Einzelne Filmdateien:\n\n"
                        "dx=0.000 dy=0.000 dw=0.000 i=1.000 dphi=0.000 film=" +
                        four +
                        "\n"
                        "dx=400.000 dy=50.000 dw=30.000 i=2.000 dphi=45.000 film=" +
                        slide +
                        "\n"
                        "dx=400.000 dy=50.000 dw=30.000 i=2.000 dphi=225.000 film=" +
                        slide + "\n--- Ende Infotext ---\n"),
              std::string::npos);
    EXPECT_EQ(text.find("\ni "), std::string::npos);  // no include line left
    EXPECT_NE(text.find("\nbegin 9 \n"), std::string::npos);
}

TEST_F(Merge, EntryColoursCycleAndColourCommandsGoOnlyWithSeveralFilms) {
    const std::string film = write("a.anm", small_film(4, 5));
    std::vector<MergeEntry> entries(9);
    for (auto& e : entries) e.film = film;
    ASSERT_EQ(vereinigung_flm_files(entries, out(), 0), 0);
    film::AnmneuFilm merged = read_back(out());
    ASSERT_EQ(merged.symbol_count(), 9);
    EXPECT_EQ(merged.frame_count, 120);
    const char* names[] = {"black", "green",  "red",  "cyan", "yellow",
                           "blue",  "orange", "pink", "black"};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(merged.symbols[size_t(k)].colour, film::colour_from_name(names[k])) << k;
        EXPECT_EQ(merged.symbols[size_t(k)].elements.size(), 2u) << k;  // "f red" dropped
    }
    EXPECT_NE(slurp(out()).find("begin 9 rest of line\nname\ndescription\nblack\nm 0 0\nd 1 0\n"
                                "end\n"),
              std::string::npos);

    ASSERT_EQ(vereinigung_flm_files({entries[0]}, out(), 0), 0);
    merged = read_back(out());
    ASSERT_EQ(merged.symbol_count(), 1);
    EXPECT_EQ(merged.symbols[0].colour, film::colour_from_name("red"));
    EXPECT_EQ(merged.symbols[0].elements.size(), 3u);
    EXPECT_NE(slurp(out()).find("--- Start Infotext ---\n" + film +
                                ":\n--------------------------------------------------\n\n"
                                "small film\n"),
              std::string::npos);
}

TEST_F(Merge, StepCountFollowsTheRatio) {
    MergeEntry e;
    e.film = write("a.anm", small_film(100, 101));
    ASSERT_EQ(vereinigung_flm_files({e}, out(), 0), 0);
    EXPECT_EQ(read_back(out()).frame_count, 120);
    e.i = 2;  // 201 steps wanted
    ASSERT_EQ(vereinigung_flm_files({e}, out(), 0), 0);
    EXPECT_EQ(read_back(out()).frame_count, 360);
    ASSERT_EQ(vereinigung_flm_files({e}, out(), 17), 0);
    const film::AnmneuFilm f = read_back(out());
    EXPECT_EQ(f.frame_count, 17);
    // Two cycles: x runs 0 .. 100 twice; frame 4 is at 2 * 4/17 of the film's cycle.
    EXPECT_NEAR(film::anmneu_placement(f, 4, 0).x, 100.0 * 2 * 4 / 17, 1e-5);
    EXPECT_NEAR(film::anmneu_placement(f, 13, 0).x, 100.0 * 2 * 13 / 17 - 100, 1e-5);
}

TEST_F(Merge, AShortTableClosesTheCycleFromItsFirstRow) {
    // F = 4 but only rows 0 and 1 (t = 0, 90): the cycle runs back to row 0 at 360.
    std::string film = small_film(4, 2);
    film.replace(film.find("1 2 0.100000"), 12, "1 2 6.000000");
    MergeEntry e;
    e.film = write("short.anm", film);
    ASSERT_EQ(vereinigung_flm_files({e}, out(), 8), 0);
    const film::AnmneuFilm f = read_back(out());
    EXPECT_NEAR(film::anmneu_placement(f, 2, 0).x, 1, 1e-6);          // t = 90
    EXPECT_NEAR(film::anmneu_placement(f, 4, 0).x, 2.0 / 3.0, 1e-6);  // t = 180
    EXPECT_NEAR(film::anmneu_placement(f, 8, 0).x, 0, 1e-6);          // t = 360
    // The part turns on to a full turn rather than back to 0.
    EXPECT_NEAR(film::anmneu_placement(f, 5, 0).phi, 6 + (2 * M_PI - 6) * 0.5, 1e-6);
    EXPECT_NEAR(film::anmneu_placement(f, 8, 0).phi, 2 * M_PI, 1e-6);
}

TEST_F(Merge, LongLinesAndNumbersThatAreNotFinite) {
    const std::string longline = std::string(400, 'z');
    std::string film = small_film(3, 4, "m 0 0\n* " + longline + "\nd 1 0\n", "-nan -inf\n");
    film.replace(film.find("2 4 0.200000"), 12, "-nan inf -inf +nan 1e999");
    film.replace(film.find("small film"), 10, longline);
    MergeEntry e;
    e.film = write("odd.anm", film);
    e.i = 1e300;
    ASSERT_EQ(vereinigung_flm_files({e, e}, out(), 0), 0);
    const std::string text = slurp(out());
    EXPECT_EQ(text.find("nan"), std::string::npos);
    EXPECT_EQ(text.find("inf"), std::string::npos);
    EXPECT_NE(text.find(longline + "\n"), std::string::npos);
}

TEST_F(Merge, CadExportsAreUnwrappedIntoATemporaryFileThatGoes) {
    const std::string plain = small_film(4, 5);
    std::string wrapped = "# CAD-Export --- kurvlab\n# Start ANMNEU-Datei\n";
    std::istringstream lines(plain);
    for (std::string l; std::getline(lines, l);) wrapped += "# " + l + "\n";
    wrapped += "# Ende ANMNEU-Datei\n";
    MergeEntry e;
    e.film = write("cad.txt", wrapped);
    const std::set<std::string> temp_before = listing(mw31::temp_directory());
    ASSERT_EQ(vereinigung_flm_files({e}, out(), 0), 0);
    EXPECT_EQ(listing(mw31::temp_directory()), temp_before);
    const film::AnmneuFilm f = read_back(out());
    EXPECT_EQ(f.symbol_count(), 1);
    EXPECT_NEAR(film::anmneu_placement(f, 30, 0).x, 1, 1e-6);
    EXPECT_NE(slurp(out()).find(e.film + ":\n"), std::string::npos);  // the user's name
}

TEST_F(Merge, FailuresWriteNothingAndLeaveNoScratchFiles) {
    const std::string good = write("good.anm", small_film(4, 5));
    const std::string film = small_film(4, 5);
    struct Case {
        std::string name, text, message;
    };
    const std::vector<Case> cases = {
        {"nohead.anm", "ANMNUE\n" + film.substr(7),
         "vereinigung_flm_files: %: ist keine FLM-Datei / is no FLM file"},
        {"noframes.anm", "ANMNEU\n1\n0\n" + film.substr(film.find("0\n10\n")),
         "vereinigung_flm_files: %: keine Getriebestellungen / no frames (F = 0)"},
        {"noinfo.anm", "ANMNEU\n1\n4\n0\n1\n0\n1\n--- Symbol-Dateien ---\n",
         "%: Infotext fehlt / missing infotext"},
        {"nobegin.anm", film.substr(0, film.find("begin")) + "xbegin 1\n",
         "%: begin erwartet / begin expected"},
        {"notable.anm", film.substr(0, film.find("#0")),
         "vereinigung_flm_files: %: Koordinatentabelle fehlt / coordinate table missing"},
        {"cad.anm", "# CAD-Export --- x\nnothing\n", "kein ANMNEU-Film in der CAD-Datei"},
        {"cad2.anm", "# CAD-Export---x\n# Start ANMNEU-Datei\n", "%: ist keine FLM-Datei"},
    };
    const fs::path cwd = fs::current_path();
    const std::set<std::string> cwd_before = listing(cwd);
    const std::set<std::string> temp_before = listing(mw31::temp_directory());
    write("out.flm", "older output\n");
    const auto fails = [&](const std::vector<MergeEntry>& entries, const std::string& message) {
        const std::set<std::string> dir_files = listing(dir_);
        testing::internal::CaptureStderr();
        EXPECT_EQ(vereinigung_flm_files(entries, out(), 0), 1) << message;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(message), std::string::npos) << said;
        EXPECT_EQ(slurp(out()), "older output\n");
        EXPECT_EQ(listing(dir_), dir_files);
        EXPECT_EQ(listing(cwd), cwd_before);
        EXPECT_EQ(listing(mw31::temp_directory()), temp_before);
        EXPECT_FALSE(fs::exists(cwd / "infotext.tmp"));
        EXPECT_FALSE(fs::exists(cwd / "bauteile.tmp"));
    };
    for (const Case& c : cases) {
        MergeEntry bad;
        bad.film = write(c.name, c.text);
        std::string message = c.message;
        if (message.find('%') != std::string::npos) message.replace(message.find('%'), 1, bad.film);
        MergeEntry ok;
        ok.film = good;
        fails({ok, bad}, message);  // a later film failing stops the whole merge
    }
    MergeEntry e;
    fails({e}, "Leerer Filmdateiverweis / Empty animation file reference");
    e.film = (dir_ / "missing.anm").string();
    fails({e}, "kann Datei nicht oeffnen / cannot open " + e.film);
    e.film = dir_.string();  // not a plain file: never read
    fails({e}, "kann Datei nicht oeffnen / cannot open " + e.film);
    fails({}, "vereinigung_flm_files: keine Filmdateien / no animation files");
    e.film = good;
    fails(std::vector<MergeEntry>(1025, e),
          "vereinigung_flm_files: zu viele Filmdateien / too many animation files");

    // Too many parts, within one film and over copies of one.
    std::string many =
        "ANMNEU\n10001\n1\n0\n1\n0\n1\n--- Start Infotext ---\n--- Ende Infotext "
        "---\n--- Symbol-Dateien ---\n";
    for (int p = 1; p <= 10001; ++p) many += "begin " + std::to_string(p) + "\na\nb\nred\nend\n";
    many += "#0\n";
    e.film = write("many.anm", many);
    fails({e, e}, "vereinigung_flm_files: zu viele Bauteile / too many parts");
    MergeEntry two = e;
    two.film = write("many2.anm", many);
    fails({e, two}, "vereinigung_flm_files: zu viele Bauteile / too many parts");
    fs::remove(e.film);
    fs::remove(two.film);

    // The output may not replace a film being merged, whatever it is called.
    e.film = good;
    const std::string before = slurp(good);
    testing::internal::CaptureStderr();
    EXPECT_EQ(vereinigung_flm_files({e}, (dir_ / "." / "good.anm").string(), 0), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "Ausgabedatei ist einer der Filme / the output file is one of the animations"),
              std::string::npos);
    EXPECT_EQ(slurp(good), before);

    testing::internal::CaptureStderr();
    EXPECT_EQ(vereinigung_flm_files({e}, (dir_ / "no" / "such.flm").string(), 0), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("kann Datei nicht oeffnen / cannot open "
                                                          "file " +
                                                          (dir_ / "no/such.flm").string()),
              std::string::npos);
}

}  // namespace

namespace {

std::vector<film::ContourElement> contour_of(const std::vector<std::string>& lines,
                                             const std::string& dir) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    text += "end\n";
    std::vector<film::ContourElement> elements(4096);
    int count = 0;
    FILE* f = fmemopen(text.data(), text.size(), "r");
    film::ContourReading reading;
    reading.include_directory = dir;
    reading.report = [](const std::string&) {};
    film::do_load_detail_def(f, elements.data(), &count, int(elements.size()), reading);
    std::fclose(f);
    elements.resize(size_t(count));
    return elements;
}

TEST_F(Merge, IncludesWrittenOutDrawAsTheIncludingContour) {
    // Transforms in force around and inside the includes, in both modes and both units.
    write("inner.ctr", "t 5 5 0\nm 0 0\nq 1 0 0\nd 1 1\nc 0 0 2 0 90\nend\nm 99 99\n");
    write("outer.ctr", "grad\nT 1 2 30\nm 1 0\ni inner.ctr\nd 2 0\nf blue\nend\n");
    write("self.ctr", "m 0 0\ni self.ctr\nend\n");
    const std::vector<std::string> lines = {"grad",  "t 10 0 90", "m 1 0",           "i outer.ctr",
                                            "d 1 1", "q 1 1 90",  "i \"inner.ctr\"", "d 2 2",
                                            "rad",   "T 0 1 1.5", "i missing.ctr",   "i self.ctr",
                                            "d 3 3"};
    const std::string dir = dir_.string();
    const std::vector<std::string> out = film_out::merge_contour_lines(lines, dir);
    for (const std::string& l : out)
        if (!l.empty() && l[0] == 'i') {
            EXPECT_TRUE(l == "i missing.ctr" || l == "i self.ctr") << l;  // only what is left
        }
    // Read from elsewhere: only the written-out lines can give the same elements.
    const auto want = contour_of(lines, dir);
    const auto got = contour_of(out, "/nonexistent");
    ASSERT_GT(want.size(), 10u);
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k) {
        EXPECT_EQ(got[k].kind, want[k].kind) << k;
        EXPECT_NEAR(got[k].x, want[k].x, 1e-9) << k;
        EXPECT_NEAR(got[k].y, want[k].y, 1e-9) << k;
        EXPECT_NEAR(got[k].start, want[k].start, 1e-9) << k;
        EXPECT_NEAR(got[k].end, want[k].end, 1e-9) << k;
    }
}

}  // namespace
