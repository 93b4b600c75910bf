// The film window's Hardcopy and DXF commands with the outputs the program composes: a film
// plays, the commands come mid-pass, the dialogs are answered by their hooks, and the files
// equal what the batch print and export make of the same frame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "film/anmneu_player.h"
#include "film/line_film_player.h"
#include "film/playback_state.h"
#include "film/usercoor_player.h"
#include "film_model/usercoor_reader.h"
#include "film_out/dxf_probe.h"
#include "film_out/pdf_probe.h"
#include "film_out/print_frame.h"
#include "main/batch_print.h"
#include "main/film_outputs_setup.h"
#include "mw31/dialogs.h"
#include "mw31/printer.h"

namespace {

namespace fs = std::filesystem;

const std::string kExamples = std::string(KV_SOURCE_DIR) + "/examples";

struct Seen {
    int commanded_at = -1;  // the frame shown when the commands were given
    film::FilmView view_before{}, view_after{};
    int pictures = 0;
};
Seen* g_seen = nullptr;
std::string g_csv;  // where a test's observer writes the traces

// On the third picture: print and export; on the next, note the view again.
void command_on_third(film::FilmWindow& fw) {
    ++g_seen->pictures;
    if (g_seen->pictures == 3) {
        g_seen->commanded_at = fw.state.index;
        g_seen->view_before = fw.view;
        film::film_window_command(fw, film::kCmdHardcopy);
        film::film_window_command(fw, film::kCmdDxf);
    } else if (g_seen->pictures == 5) {
        g_seen->view_after = fw.view;
        fw.state.end = true;
    }
}

class WindowOutputs : public ::testing::Test {
  protected:
    fs::path dir;
    Seen seen;
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("kv_outputs_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        g_seen = &seen;
        film_out::forget_printer_font();
        mw31::clear_dialog_hooks();
        mw31::clear_print_hooks();
        mw31::CannedPrintAnswer print;
        print.pdf.file = path("window.pdf");
        mw31::queue_print_answer(print);
        mw31::CannedAnswer save;
        save.files = {path("window.dxf")};
        mw31::queue_dialog_answer(save);
    }
    void TearDown() override {
        g_seen = nullptr;
        mw31::clear_dialog_hooks();
        mw31::clear_print_hooks();
        fs::remove_all(dir);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    template <typename Options>
    void set_up_window(Options& options, const std::string& film) {
        options.film_name = film;
        options.passes = 1;
        options.pause_ms = 1;
        options.window.show = mw31::ShowMode::Normal;
        options.window.client_width = 640;
        options.window.client_height = 512;
        options.window.outputs = kurvlab::film_window_outputs(film);
    }

    // The window's files against the batch's of the frame it showed, for a window of the
    // same size: the DXF byte for byte, the PDF page pixel for pixel.
    void expect_files_of_the_frame(int (*batch_output)(const std::string&,
                                                       const kurvlab::BatchRequest&),
                                   const std::string& film) {
        ASSERT_GE(seen.commanded_at, 0) << "the commands were never given";
        EXPECT_EQ(seen.view_after.area, seen.view_before.area);
        EXPECT_EQ(seen.view_after.x0, seen.view_before.x0);
        EXPECT_EQ(seen.view_after.zoom, seen.view_before.zoom);
        EXPECT_EQ(kvtest::pdfinfo_field(path("window.pdf"), "Pages"), "1");
        EXPECT_EQ(mw31::shown_print_dialogs().size(), 1u);
        ASSERT_EQ(mw31::shown_dialogs().size(), 1u);
        EXPECT_EQ(mw31::shown_dialogs()[0].kind, "save");
        const kvtest::DxfProbe probe = kvtest::probe_dxf(path("window.dxf"));
        EXPECT_EQ(probe.audit_errors, 0) << probe.failure;
        EXPECT_GT(probe.entities.size(), 20u);

        kurvlab::BatchRequest batch;
        batch.frame = seen.commanded_at;
        batch.width = 640;
        batch.height = 512;
        batch.output_pdf = path("batch.pdf");
        batch.output_dxf = path("batch.dxf");
        ASSERT_EQ(batch_output(film, batch), 0);
        EXPECT_EQ(kvtest::run_output("cat '" + path("window.dxf") + "'"),
                  kvtest::run_output("cat '" + path("batch.dxf") + "'"));
        const kvtest::GreyPage window_page = kvtest::render_page(path("window.pdf"), 40);
        const kvtest::GreyPage batch_page = kvtest::render_page(path("batch.pdf"), 40);
        ASSERT_GT(window_page.width, 0);
        EXPECT_TRUE(window_page.pixels == batch_page.pixels);
    }
};

TEST_F(WindowOutputs, LineFilmPrintsAndExportsTheFrameShown) {
    film::LineFilmOptions options;
    set_up_window(options, kExamples + "/fourbar_text.anm");
    options.frame_observer = [](film::FilmWindow& fw, const mw31::Picture&, void*) {
        command_on_third(fw);
    };
    EXPECT_EQ(film::play_line_film(options), 0);
    expect_files_of_the_frame(kurvlab::line_film_print_or_dxf, options.film_name);
}

TEST_F(WindowOutputs, AnmneuFilmPrintsAndExportsTheFrameShown) {
    film::AnmneuOptions options;
    set_up_window(options, kExamples + "/fourbar_anmneu.anm");
    options.frame_observer = [](film::FilmWindow& fw, const mw31::Picture&, int, void*) {
        command_on_third(fw);
    };
    EXPECT_EQ(film::anmneu_film(options), 0);
    expect_files_of_the_frame(kurvlab::anmneu_print_or_dxf, options.film_name);
    // The export's arcs are the joints of the frame that was shown.
    int arcs = 0;
    for (const kvtest::DxfEntity& e : kvtest::probe_dxf(path("window.dxf")).entities)
        arcs += e.kind == "ARC";
    EXPECT_GT(arcs, 0);
}

TEST_F(WindowOutputs, TracesGoIntoTheWindowsDxfAndItsTraceFiles) {
    film::AnmneuOptions options;
    set_up_window(options, kExamples + "/fourbar_anmneu.anm");
    mw31::clear_dialog_hooks();
    mw31::CannedAnswer save;
    save.files = {path("window.dxf")};
    mw31::queue_dialog_answer(save);
    g_csv = path("traces.csv");
    options.frame_observer = [](film::FilmWindow& fw, const mw31::Picture&, int, void*) {
        ++g_seen->pictures;
        if (g_seen->pictures == 4) fw.state.end = true;  // the export was served meanwhile
        if (g_seen->pictures != 2) return;
        // A point on whatever part lies nearest the middle of the film's window.
        const film::WorldWindow& w = *fw.world_window;
        const film::MotionAnchor anchor =
            fw.motion.source.pick(fw.state.index, (w.xl + w.xr) / 2, (w.yb + w.yt) / 2);
        ASSERT_NE(anchor.kind, film::MotionAnchor::kNone);
        fw.motion.traces.push_back(fw.motion.source.trace(anchor));
        film::film_window_command(fw, film::kCmdDxf);
        ASSERT_TRUE(fw.outputs.trace_csv);
        EXPECT_EQ(fw.outputs.trace_csv(g_csv, fw.motion.traces), 0);
    };
    EXPECT_EQ(film::anmneu_film(options), 0);
    int polylines = 0;
    for (const kvtest::DxfEntity& e : kvtest::probe_dxf(path("window.dxf")).entities)
        polylines += e.kind == "POLYLINE";
    EXPECT_EQ(polylines, 1);
    EXPECT_GT(fs::file_size(path("traces.csv")), 100u);
}

int usercoor_print_or_dxf_file(const std::string& film, const kurvlab::BatchRequest& batch) {
    film::UsercoorFilm read;
    if (film::read_usercoor_film_file(film, &read) != 0) return 1;
    return kurvlab::usercoor_print_or_dxf(read, film, batch);
}

TEST_F(WindowOutputs, UsercoorFilmPrintsAndExportsTheFrameShown) {
    film::UsercoorPlayOptions options;
    set_up_window(options, kExamples + "/cam_usercoor.anm");
    options.frame_observer = [](film::FilmWindow& fw, const mw31::Picture&, void*) {
        command_on_third(fw);
    };
    EXPECT_EQ(film::usercoor_film(options), 0);
    expect_files_of_the_frame(usercoor_print_or_dxf_file, options.film_name);
}

}  // namespace
