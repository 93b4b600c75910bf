// Runs the built program with --pdf and --dxf on the example films: the PDF page has its ink
// where the same frame's picture has its lines, the DXF opens in ezdxf within the film's
// extent, and failures end with a message and a non-zero exit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "film_out/dxf_probe.h"
#include "film_out/pdf_probe.h"
#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;
using kvtest::ProgramRun;
using kvtest::run;

const std::string kAnmneu = kvtest::kExamples + "/fourbar_anmneu.anm";
const std::string kLineFilm = kvtest::kExamples + "/fourbar_text.anm";

class PrintDxfProgram : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kv_print_e2e_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string out(const std::string& name) const { return (dir / name).string(); }
    ProgramRun kurvlab(const std::string& args) const {
        return run(args, KV_SOURCE_DIR, (dir / "tmp").string());
    }
};

// The share of the page's ink that lies within `reach` pixels of ink in the picture.
double ink_near_picture(const kvtest::GreyPage& page, const kvtest::GreyPage& picture, int reach) {
    int ink = 0, near = 0;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            if (!page.ink(x, y)) continue;
            ++ink;
            bool found = false;
            for (int dy = -reach; dy <= reach && !found; ++dy)
                for (int dx = -reach; dx <= reach && !found; ++dx)
                    found = picture.at(x + dx, y + dy) < 250;
            near += found;
        }
    }
    return ink == 0 ? 0 : double(near) / ink;
}

kvtest::GreyPage grey_picture(const std::string& png) {
    const std::string pgm = png + ".pgm";
    kvtest::run_output("ffmpeg -loglevel error -y -i '" + png + "' -pix_fmt gray '" + pgm + "'");
    kvtest::GreyPage p;
    std::ifstream in(pgm, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> p.width >> p.height >> maxval;
    in.get();
    if (magic != "P5") return kvtest::GreyPage{};
    p.pixels.resize(size_t(p.width) * size_t(p.height));
    in.read(reinterpret_cast<char*>(p.pixels.data()), std::streamsize(p.pixels.size()));
    return p;
}

// Rendered so that the print area of an A4 landscape page (743.75 points wide) is as wide as
// the picture's 750 x 600 drawing area, the page's ink lies on the picture's lines.
TEST_F(PrintDxfProgram, PdfPageShowsTheFramesPicture) {
    for (const std::string& film : {kAnmneu, kLineFilm}) {
        SCOPED_TRACE(film);
        const ProgramRun printed = kurvlab(film + " --pdf " + out("f.pdf") + " --frame 5");
        ASSERT_EQ(printed.exit_code, 0) << printed.out;
        EXPECT_EQ(kvtest::pdfinfo_field(out("f.pdf"), "Pages"), "1");
        EXPECT_EQ(kvtest::pdfinfo_field(out("f.pdf"), "Page size"), "842 x 595 pts (A4)");
        const ProgramRun drawn =
            kurvlab(film + " --output " + out("f.png") + " --frame 5 --size 750x600");
        ASSERT_EQ(drawn.exit_code, 0) << drawn.out;
        const kvtest::GreyPage page = kvtest::render_page(out("f.pdf"), 72 * 750 / 743.75);
        const kvtest::GreyPage picture = grey_picture(out("f.png"));
        ASSERT_EQ(picture.width, 750);
        const double share = ink_near_picture(page, picture, 3);
        EXPECT_GT(share, 0.9);
        // The other frame's picture does not match as well: the test can tell frames apart.
        const ProgramRun other =
            kurvlab(film + " --output " + out("g.png") + " --frame 30 --size 750x600");
        ASSERT_EQ(other.exit_code, 0) << other.out;
        EXPECT_LT(ink_near_picture(page, grey_picture(out("g.png")), 3), share - 0.2);
    }
}

TEST_F(PrintDxfProgram, PdfPaperAndOrientationFromTheOptions) {
    const ProgramRun r =
        kurvlab(kLineFilm + " --pdf " + out("p.pdf") + " --frame 2 --paper Letter --portrait");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(kvtest::pdfinfo_field(out("p.pdf"), "Page size"), "612 x 792 pts (letter)");
    EXPECT_EQ(kvtest::pdfinfo_field(out("p.pdf"), "Title"), "Filmbild");
    const ProgramRun a3 = kurvlab(kAnmneu + " --pdf " + out("a3.pdf") + " --paper A3");
    ASSERT_EQ(a3.exit_code, 0) << a3.out;
    EXPECT_EQ(kvtest::pdfinfo_field(out("a3.pdf"), "Page size"), "1191 x 842 pts (A3)");
    EXPECT_EQ(kurvlab(kAnmneu + " --pdf " + out("b5.pdf") + " --paper B5").exit_code, 2);
    EXPECT_FALSE(fs::exists(out("b5.pdf")));
}

// Every entity lies within the film's extent: the file's world window for ANMNEU films (the
// ground hatching reaches a little below it), the virtual size with y upwards for line films.
TEST_F(PrintDxfProgram, DxfOpensInEzdxfWithinTheFilm) {
    struct Case {
        std::string film;
        double xl, xr, yb, yt;
    };
    for (const Case& c : {Case{kAnmneu, -75, 185, -80, 130}, Case{kLineFilm, 0, 1280, 0, 1024}}) {
        SCOPED_TRACE(c.film);
        const ProgramRun r = kurvlab(c.film + " --dxf " + out("f.dxf") + " --frame 5");
        ASSERT_EQ(r.exit_code, 0) << r.out;
        const kvtest::DxfProbe probe = kvtest::probe_dxf(out("f.dxf"));
        ASSERT_EQ(probe.failure, "");
        EXPECT_EQ(probe.audit_errors, 0);
        ASSERT_GT(probe.entities.size(), 20u);
        int arcs = 0;
        for (const kvtest::DxfEntity& e : probe.entities) {
            ASSERT_TRUE(e.kind == "LINE" || e.kind == "ARC") << e.kind;
            const bool arc = e.kind == "ARC";
            arcs += arc;
            for (int k = 0; k < (arc ? 1 : 2); ++k) {
                const double x = e.v[2 * k], y = e.v[2 * k + 1];
                EXPECT_TRUE(x >= c.xl && x <= c.xr && y >= c.yb && y <= c.yt)
                    << e.kind << " at " << x << ", " << y;
            }
        }
        EXPECT_GT(arcs, 0) << "the joints are arcs";
    }
}

TEST_F(PrintDxfProgram, FailuresEndWithAMessageAndLeaveFilesAlone) {
    std::ofstream(out("keep.dxf")) << "earlier";
    const ProgramRun past = kurvlab(kAnmneu + " --dxf " + out("keep.dxf") + " --frame 72");
    EXPECT_EQ(past.exit_code, 1);
    EXPECT_NE(past.out.find("no frame 72"), std::string::npos) << past.out;
    EXPECT_EQ(kvtest::slurp(out("keep.dxf")), "earlier");

    const std::string nowhere = out("missing/x.dxf");
    const ProgramRun dxf = kurvlab(kLineFilm + " --dxf " + nowhere);
    EXPECT_EQ(dxf.exit_code, 1);
    EXPECT_NE(dxf.out.find("Cannot open file for write:\n" + nowhere), std::string::npos)
        << dxf.out;

    const ProgramRun pdf = kurvlab(kAnmneu + " --pdf " + out("missing/x.pdf"));
    EXPECT_EQ(pdf.exit_code, 1);
    EXPECT_NE(pdf.out.find("anmneu_plot_filmstellung: kann DC nicht beschaffen"), std::string::npos)
        << pdf.out;

    const ProgramRun no_film = kurvlab(out("absent.anm") + " --pdf " + out("y.pdf"));
    EXPECT_NE(no_film.exit_code, 0);
    EXPECT_FALSE(fs::exists(out("y.pdf")));
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir)) left.push_back(e.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"keep.dxf", "tmp"}));
}

}  // namespace
