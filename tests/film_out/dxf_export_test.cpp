// DXF export: the text layout against a stored head, and frames of ANMNEU and line films read
// back by ezdxf and compared with entities computed here from the films' own numbers.
#include "film_out/dxf_export.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "film_model/anmneu_reader.h"
#include "film_model/line_film_painter.h"
#include "film_model/usercoor_painter.h"
#include "film_model/usercoor_reader.h"
#include "film_out/dxf_probe.h"
#include "film_out/dxf_writer.h"
#include "mw31/dialogs.h"
#include "support/comma_locale.h"

namespace {

namespace fs = std::filesystem;
using kvtest::DxfEntity;
using kvtest::DxfProbe;
using kvtest::probe_dxf;

constexpr double kPi = 3.14159265358979323846;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> files_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

using kv_test::CommaLocale;

class DxfTest : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("kv_dxf_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        setenv("TMPDIR", dir.c_str(), 1);  // the reader's info text goes here
        mw31::clear_dialog_hooks();
    }
    void TearDown() override {
        mw31::clear_dialog_hooks();
        fs::remove_all(dir);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string write_film(const std::string& text) const {
        const std::string p = path("film.anm");
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
};

// What a frame should give, from the numbers written into the film.
struct Expected {
    std::vector<DxfEntity> entities;
    void line(double x1, double y1, double x2, double y2) {
        DxfEntity e;
        e.kind = "LINE";
        e.v[0] = x1, e.v[1] = y1, e.v[2] = x2, e.v[3] = y2;
        entities.push_back(e);
    }
    void arc(double cx, double cy, double r, double a1, double a2) {
        DxfEntity e;
        e.kind = "ARC";
        e.v[0] = cx, e.v[1] = cy, e.v[2] = r, e.v[3] = std::min(a1, a2), e.v[4] = std::max(a1, a2);
        entities.push_back(e);
    }
};

void expect_entities(const DxfProbe& probe, const Expected& expected) {
    ASSERT_TRUE(probe.ran) << "ezdxf did not run";
    ASSERT_EQ(probe.failure, "");
    EXPECT_EQ(probe.audit_errors, 0);
    ASSERT_EQ(probe.entities.size(), expected.entities.size());
    for (size_t i = 0; i < expected.entities.size(); ++i) {
        const DxfEntity& got = probe.entities[i];
        const DxfEntity& want = expected.entities[i];
        EXPECT_EQ(got.kind, want.kind) << "entity " << i;
        EXPECT_EQ(got.layer, "TARVO");
        EXPECT_EQ(got.linetype, "DURCHGEZOGEN");
        EXPECT_EQ(got.colour, 0);
        EXPECT_EQ(got.z[0], 0);
        EXPECT_EQ(got.z[1], 0);
        for (int k = 0; k < 5; ++k)
            EXPECT_NEAR(got.v[k], want.v[k], 2e-6) << got.kind << " " << i << " value " << k;
    }
}

const std::string kHeadFile = std::string(KV_TEST_DATA) + "/film_out/data/dxf_head.txt";
const std::string kTail = "  0\nENDSEC\n  0\nEOF\n";

// --- the text -----------------------------------------------------------------------------

TEST_F(DxfTest, EmptyDrawingIsTheStoredHeadThenTheTail) {
    const std::string head = slurp(kHeadFile);
    ASSERT_FALSE(head.empty()) << kHeadFile;
    EXPECT_EQ(film_out::dxf_head_text(), head);

    film_out::DxfFile file;
    ASSERT_TRUE(file.open(path("empty.dxf")));
    film_out::dxf_write_head(&file);
    ASSERT_EQ(film_out::dxf_write_tail(&file), 0);
    EXPECT_EQ(slurp(path("empty.dxf")), head + kTail);

    const DxfProbe probe = probe_dxf(path("empty.dxf"));
    expect_entities(probe, Expected{});
    for (const char* name : {"DURCHGEZOGEN", "GESTRICHELT", "STRICHPUNKTIERT", "PUNKTIERT"})
        EXPECT_NE(std::find(probe.line_types.begin(), probe.line_types.end(), name),
                  probe.line_types.end())
            << name;
    EXPECT_NE(std::find(probe.layers.begin(), probe.layers.end(), "TARVO:1:DURCHGEZOGEN"),
              probe.layers.end());
}

TEST_F(DxfTest, EntitiesAreGroupsOfTwoLinesWithFixedAttributes) {
    film_out::DxfFile file;
    ASSERT_TRUE(file.open(path("e.dxf")));
    EXPECT_EQ(film_out::dxf_write_line(&file, 1.5, -2, 3.25, 1e6), 0);
    // Start above end: the two are exchanged.
    EXPECT_EQ(film_out::dxf_write_arc(&file, 10, 20, 270, 45.5, 7), 0);
    ASSERT_EQ(film_out::dxf_write_tail(&file), 0);
    EXPECT_EQ(slurp(path("e.dxf")),
              "  0\nLINE\n  8\nTARVO\n  6\nDURCHGEZOGEN\n 62\n     0\n"
              " 10\n1.500000\n 20\n-2.000000\n 30\n0.000000\n"
              " 11\n3.250000\n 21\n1000000.000000\n 31\n0.000000\n"
              "  0\nARC\n  8\nTARVO\n  6\nDURCHGEZOGEN\n 62\n     0\n"
              " 10\n10.000000\n 20\n20.000000\n 30\n0.000000\n"
              " 40\n7.000000\n 50\n45.500000\n 51\n270.000000\n" +
                  kTail);
}

TEST_F(DxfTest, WritersWithoutAnOpenFileReportOne) {
    EXPECT_EQ(film_out::dxf_write_line(nullptr, 0, 0, 1, 1), 1);
    EXPECT_EQ(film_out::dxf_write_arc(nullptr, 0, 0, 0, 90, 1), 1);
    EXPECT_EQ(film_out::dxf_write_tail(nullptr), 1);
    film_out::DxfFile never_opened;
    film_out::dxf_write_head(&never_opened);
    EXPECT_EQ(film_out::dxf_write_line(&never_opened, 0, 0, 1, 1), 1);
    EXPECT_EQ(film_out::dxf_write_tail(&never_opened), 1);
}

// A NaN would make the whole file unreadable for a CAD program; such entities are left out.
TEST_F(DxfTest, EntitiesWithoutFiniteNumbersAreLeftOut) {
    film_out::DxfFile file;
    ASSERT_TRUE(file.open(path("nan.dxf")));
    film_out::dxf_write_head(&file);
    film_out::dxf_write_line(&file, 0, NAN, 1, 1);
    film_out::dxf_write_arc(&file, 0, 0, 0, INFINITY, 1);
    film_out::dxf_write_line(&file, 0, 0, 1, 1);
    ASSERT_EQ(film_out::dxf_write_tail(&file), 0);
    Expected e;
    e.line(0, 0, 1, 1);
    expect_entities(probe_dxf(path("nan.dxf")), e);
}

// Read and written under the user's locale: numbers in files keep their decimal point.
TEST_F(DxfTest, NumbersKeepTheDecimalPointUnderACommaLocale) {
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    film::AnmneuFilm film;
    ASSERT_EQ(film::read_anmneu_film(
                  write_film("ANMNEU\n1\n1\n0\n10\n0\n10\n--- Symbol-Dateien ---\n"
                             "begin 1\nTeil\n-\nrot\nm 0 0\nd 1.25 0\nc 0 0 0.5 0 90\nend\n"
                             "#0\n2.5 3.5\n"),
                  &film),
              1);
    film_out::DxfFile file;
    ASSERT_TRUE(file.open(path("komma.dxf")));
    film_out::dxf_write_head(&file);
    film_out::dxf_write_anmneu_entities(film, 0, &file, film_out::DxfExportOptions{});
    ASSERT_EQ(film_out::dxf_write_tail(&file), 0);
    setlocale(LC_ALL, "C");
    const std::string text = slurp(path("komma.dxf"));
    EXPECT_EQ(text.find(','), std::string::npos);
    EXPECT_NE(text.find("\n3.750000\n"), std::string::npos);
    Expected e;
    e.line(2.5, 3.5, 3.75, 3.5);
    e.arc(2.5, 3.5, 0.5, 0, 90);
    expect_entities(probe_dxf(path("komma.dxf")), e);
}

// --- ANMNEU frames ------------------------------------------------------------------------

// Symbol 1: a line and a quarter arc; symbol 2: an arc given from 90 down to 0 degrees and a
// line after it; symbol 3 is never defined. Frame 1 turns symbol 1 by a quarter turn.
const char* kFilm =
    "ANMNEU Test\n3\n2\n-50\n50\n-40\n40\n--- Symbol-Dateien ---\n"
    "begin 1\nKurbel\n-\nrot\nm 0 0\nd 30 0\nc 0 0 2 0 90\nend\n"
    "begin 2\nKoppel\n-\nBlau\nm 5 0\nc 0 0 5 90 0\nd 10 10\nend\n"
    "#0\n0 0\n1 1\n"
    "#1\n10 20 1.5707963267948966\n-3 4 0.25\n";

TEST_F(DxfTest, AnmneuFrameReadsBackAsItsSymbolsPlaced) {
    const std::string film = write_film(kFilm);
    film_out::DxfExportOptions options;
    options.file = path("frame1.dxf");
    ASSERT_EQ(film_out::dxf_export_anmneu_frame(film, 1, options), 0);

    Expected e;
    // Symbol 1 at (10, 20) turned by pi/2: the line points up; the arc's angles are 90/180.
    e.line(10, 20, 10, 50);
    e.arc(10, 20, 2, 90, 180);
    // Symbol 2 at (-3, 4) turned by 0.25: its arc from 90 down to 0 degrees is written from
    // 0.25 rad to 90 degrees + 0.25 rad; the line then starts at the arc's end.
    const double phi = 0.25, c = std::cos(phi), s = std::sin(phi);
    auto px = [&](double x, double y) { return -3 + x * c - y * s; };
    auto py = [&](double x, double y) { return 4 + x * s + y * c; };
    const double deg = 180 / kPi;
    e.arc(-3, 4, 5, (phi + kPi / 2) * deg, phi * deg);
    e.line(-3 + 5 * std::cos(phi), 4 + 5 * std::sin(phi), px(10, 10), py(10, 10));
    expect_entities(probe_dxf(options.file), e);

    // The arc's angles as the text has them.
    const std::string text = slurp(options.file);
    EXPECT_NE(text.find(" 50\n90.000000\n 51\n180.000000\n"), std::string::npos);
}

TEST_F(DxfTest, FrameWithoutSymbolsGivesHeadAndTailOnly) {
    const std::string film =
        write_film("ANMNEU\n1\n1\n0\n1\n0\n1\n--- Symbol-Dateien ---\n#0\n1 1\n");
    film_out::DxfExportOptions options;
    options.file = path("none.dxf");
    ASSERT_EQ(film_out::dxf_export_anmneu_frame(film, 0, options), 0);
    EXPECT_EQ(slurp(options.file), slurp(kHeadFile) + kTail);
}

// sx = 2: the arc is no circle in the world any more and becomes a chain of chords, every
// point on the placed ellipse, from the start angle to the end angle.
TEST_F(DxfTest, ScaledPlacementWritesArcsAsChainsOfLines) {
    const std::string film = write_film(
        "ANMNEU\n1\n1\n-100\n100\n-80\n80\n--- Symbol-Dateien ---\n"
        "begin 1\nT\n-\nrot\nc 1 2 10 30 200\nend\n#0\n5 6 0.5 2 1\n");
    auto chords = [&](double pixel_width) {
        film_out::DxfExportOptions options;
        options.file = path("scaled.dxf");
        options.pixel_width = pixel_width;
        EXPECT_EQ(film_out::dxf_export_anmneu_frame(film, 0, options), 0);
        return probe_dxf(options.file);
    };
    const DxfProbe probe = chords(800);
    ASSERT_EQ(probe.audit_errors, 0) << probe.failure;
    ASSERT_GT(probe.entities.size(), 4u);
    const double phi = 0.5, c = std::cos(phi), s = std::sin(phi);
    // Back into the symbol: unturned, unscaled, relative to the arc's centre.
    auto angle_of = [&](double x, double y) {
        const double lx = (x - 5) * c + (y - 6) * s, ly = -(x - 5) * s + (y - 6) * c;
        const double u = lx / 2 - 1, v = ly - 2;
        EXPECT_NEAR(std::hypot(u, v), 10, 1e-5) << "point off the placed arc";
        double a = std::atan2(v, u) * 180 / kPi;
        return a < 0 ? a + 360 : a;
    };
    for (size_t i = 0; i < probe.entities.size(); ++i) {
        const DxfEntity& e = probe.entities[i];
        ASSERT_EQ(e.kind, "LINE");
        angle_of(e.v[0], e.v[1]);
        angle_of(e.v[2], e.v[3]);
        if (i > 0) {
            EXPECT_NEAR(e.v[0], probe.entities[i - 1].v[2], 1e-6) << "chain broken at " << i;
            EXPECT_NEAR(e.v[1], probe.entities[i - 1].v[3], 1e-6);
        }
    }
    EXPECT_NEAR(angle_of(probe.entities.front().v[0], probe.entities.front().v[1]), 30, 1e-4);
    EXPECT_NEAR(angle_of(probe.entities.back().v[2], probe.entities.back().v[3]), 200, 1e-4);
    // A wider window draws the arc with more chords, as the screen does.
    EXPECT_GT(chords(8000).entities.size(), probe.entities.size());
}

TEST_F(DxfTest, SaveDialogNamesTheFileAndCancelWritesNothing) {
    const std::string film = write_film(kFilm);
    mw31::CannedAnswer cancel;
    cancel.answer = mw31::BoxAnswer::Cancel;
    mw31::queue_dialog_answer(cancel);
    testing::internal::CaptureStderr();
    EXPECT_EQ(film_out::dxf_export_anmneu_frame(film, 0, film_out::DxfExportOptions{}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a cancel says nothing";
    ASSERT_EQ(mw31::shown_dialogs().size(), 1u);
    EXPECT_EQ(mw31::shown_dialogs()[0].kind, "save");
    EXPECT_EQ(mw31::shown_dialogs()[0].title, "kurvlab    Datei speichern / Save file");
    EXPECT_EQ(files_in(dir), (std::vector<std::string>{"film.anm"}));

    mw31::CannedAnswer chosen;
    chosen.files = {path("chosen.dxf")};
    mw31::queue_dialog_answer(chosen);
    EXPECT_EQ(film_out::dxf_export_anmneu_frame(film, 0, film_out::DxfExportOptions{}), 0);
    EXPECT_EQ(probe_dxf(path("chosen.dxf")).entities.size(), 4u);
}

TEST_F(DxfTest, UnreadableFilmOrUnwritableTargetGivesTheMessage) {
    film_out::DxfExportOptions options;
    options.file = path("out.dxf");
    testing::internal::CaptureStderr();
    EXPECT_EQ(film_out::dxf_export_anmneu_frame(path("missing.anm"), 0, options), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n" +
                  path("missing.anm")),
              std::string::npos);
    EXPECT_EQ(mw31::shown_dialogs().size(), 0u) << "no dialog before the film was read";

    const std::string film = write_film(kFilm);
    options.file = path("no/such/dir/out.dxf");
    testing::internal::CaptureStderr();
    EXPECT_EQ(film_out::dxf_export_anmneu_frame(film, 0, options), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Kann Datei nicht zum Schreiben oeffnen / Cannot open file for write:\n" +
                  options.file + "\n");
}

// A full disk, made by a file size limit in a child process: the message is given, the
// earlier drawing stays as it was and no temporary is left beside it.
TEST_F(DxfTest, WriteFailureKeepsTheEarlierFile) {
    std::vector<film::FilmRecord> records;
    for (int i = 0; i < 3000; ++i) {
        records.push_back({film::kMoveTo, i, 0});
        records.push_back({film::kLineTo, i, 1000});
    }
    film::FrameStore store;
    store.add_frame(records);
    const film::LineFilmFramePainter painter(store, 0);
    const fs::path target = dir / "earlier.dxf";
    std::ofstream(target) << "an earlier drawing";

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead
        rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        film_out::DxfExportOptions options;
        options.file = target.string();
        testing::internal::CaptureStderr();
        const int result = film_out::dxf_export_line_film_frame(painter, 1024, options);
        const std::string said = testing::internal::GetCapturedStderr();
        _exit((result == 1 ? 0 : 10) +
              (said.rfind("Kann Datei nicht zum Schreiben oeffnen", 0) == 0 ? 0 : 1));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: the export did not fail; 1: no message";
    EXPECT_EQ(slurp(target), "an earlier drawing");
    EXPECT_EQ(files_in(dir), (std::vector<std::string>{"earlier.dxf"}));
}

// --- line films ---------------------------------------------------------------------------

// Film units with y turned upwards about the virtual height; the arc's angles stay, the line
// after it starts at its end, rectangles are outlined and inverting lines are lines too.
TEST_F(DxfTest, LineFilmFrameInFilmUnitsWithYUp) {
    film::FrameStore store;
    store.virtual_height = 1000;
    store.add_frame({{film::kColour, 3, 0},
                     {film::kMoveTo, 100, 200},
                     {film::kLineTo, 300, 200},
                     {film::kXorLineTo, 300, 400},
                     {film::kArc, 500, 500},
                     {50, 0, 9000000},  // radius, start and end in 1/100000 degrees
                     {film::kLineTo, 600, 600},
                     {film::kFilledRect, 10, 20},
                     {film::kMoveTo, 30, 50},
                     {film::kPoint, 1, 2},
                     {3, 4, 5}});
    const film::LineFilmFramePainter painter(store, 0);
    film_out::DxfExportOptions options;
    options.file = path("line.dxf");
    ASSERT_EQ(film_out::dxf_export_line_film_frame(painter, store.virtual_height, options), 0);
    Expected e;
    e.line(100, 800, 300, 800);
    e.line(300, 800, 300, 600);
    e.arc(500, 500, 50, 0, 90);
    e.line(500, 550, 600, 400);
    e.line(10, 980, 30, 980);
    e.line(30, 980, 30, 950);
    e.line(30, 950, 10, 950);
    e.line(10, 950, 10, 980);
    expect_entities(probe_dxf(options.file), e);
}

// --- User-coordinates frames --------------------------------------------------------------

// Moves, lines and the arcs of `h` and `b` are exported; inverting lines and arcs and filled
// rectangles write nothing and leave the current point where it was.
TEST_F(DxfTest, UsercoorFrameExportsItsPlainRecordsInWorldUnits) {
    const std::string text =
        "usercoor\na-65,65,-50,50\nf\n"
        "c2\nl-10,0,30,0\ni0,0,10,10\nd30,20\n"  // i moves to (0, 0), its line writes nothing
        "h10,5,0,90,10\ng0,0,0,90,5\nb1,2,180,270,3\nw1,1,2,2\ns20,-20,Hallo\nx0,0,0,0\n";
    film::MemoryByteSource source(text.data(), text.size());
    film::UsercoorFilm film;
    ASSERT_EQ(film::read_usercoor_film(source, &film), 0);
    ASSERT_EQ(film.frame_count(), 1);
    const film::UsercoorFramePainter painter(film, 0);
    film_out::DxfExportOptions options;
    options.file = path("usercoor.dxf");
    ASSERT_EQ(film_out::dxf_export_usercoor_frame(painter, options), 0);

    Expected e;
    e.line(-10, 0, 30, 0);
    e.line(0, 0, 30, 20);
    e.arc(10, 5, 10, 0, 90);
    e.arc(1, 2, 3, 180, 270);
    expect_entities(probe_dxf(options.file), e);
}

}  // namespace
