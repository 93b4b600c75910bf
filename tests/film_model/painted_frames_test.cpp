// Every frame of every example film painted on the recording canvas, call by call, against
// what the painters drew before they were built on the frame walk (tests/film_model/data/
// painted, gzip-compressed text, one line per drawing call).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "film_model/line_film_painter.h"
#include "film_model/line_film_reader.h"
#include "mw31/recording_canvas.h"
#include "support/draw_op_text.h"

namespace film {
namespace {

const std::string kExamples = std::string(KV_SOURCE_DIR) + "/examples/";

std::vector<std::string> expected_lines(const std::string& name) {
    const std::string path = std::string(KV_TEST_DATA) + "/film_model/data/painted/" + name;
    std::vector<std::string> lines;
    FILE* pipe = popen(("gzip -dc '" + path + "'").c_str(), "r");
    if (!pipe) return lines;
    std::string line;
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        if (c != '\n') {
            line += char(c);
            continue;
        }
        lines.push_back(line);
        line.clear();
    }
    pclose(pipe);
    return lines;
}

void add_ops(const mw31::RecordingCanvas& c, std::vector<std::string>* lines) {
    for (const mw31::DrawOp& op : c.ops) lines->push_back(kv_test::draw_op_text(op));
}

// Compared line by line, so that a failure names the first call that differs.
void expect_same(const std::vector<std::string>& actual, const std::string& name) {
    const std::vector<std::string> expected = expected_lines(name);
    ASSERT_GT(expected.size(), 100u) << name;
    const size_t n = std::min(actual.size(), expected.size());
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(actual[i], expected[i]) << name << " line " << i + 1;
    EXPECT_EQ(actual.size(), expected.size()) << name;
}

void paint(const FramePainter& painter, const FilmView& view, const PaintStyle& style,
           std::vector<std::string>* lines) {
    mw31::RecordingCanvas c;
    painter.paint_background(c, view, style);
    painter.paint(c, view, style);
    add_ops(c, lines);
}

TEST(PaintedFrames, LineFilmsInBothEncodingsFittedAndZoomedWithThickInvertedPens) {
    const FilmView fit = fitted_view(800, 600);
    FilmView zoom = fit;
    zoom.fit = false;
    zoom.zoom = 2.5;
    zoom.x0 = -310;
    zoom.y0 = -170;
    const ColourTable colours;
    for (const char* film : {"fourbar", "slidercrank"})
        for (const char* encoding : {"text", "binary"}) {
            FrameStore store;
            ASSERT_EQ(read_line_film_file(kExamples + film + "_" + encoding + ".anm", &store,
                                          erase_rect_mapper(fit)),
                      0);
            for (const bool zoomed : {false, true}) {
                std::vector<std::string> lines;
                const PaintStyle style{zoomed ? 3 : 1, zoomed, &colours};
                for (int i = 0; i < store.frame_count(); ++i) {
                    lines.push_back("frame " + std::to_string(i));
                    paint(LineFilmFramePainter(store, i), zoomed ? zoom : fit, style, &lines);
                }
                expect_same(lines,
                            std::string(film) + (zoomed ? "_line_zoom" : "_line_fit") + ".txt.gz");
            }
        }
}

TEST(PaintedFrames, AnmneuFilmsFittedAndInBetweenPicturesOfAZoomedWorldWindow) {
    const FilmView view = fitted_view(800, 600);
    const ColourTable colours;
    for (const char* name : {"fourbar", "slidercrank", "cam"}) {
        AnmneuFilm film;
        const int frames = read_anmneu_film(kExamples + name + "_anmneu.anm", &film);
        ASSERT_GT(frames, 2);
        std::vector<std::string> lines;
        for (int i = 0; i < frames; ++i) {
            lines.push_back("frame " + std::to_string(i) + " substep 0");
            paint(AnmneuFramePainter(film, AnmneuPicture{i, 0, 1}), view,
                  PaintStyle{1, false, &colours}, &lines);
        }
        expect_same(lines, std::string(name) + "_anmneu_fit.txt.gz");

        const WorldWindow w = film.window;
        const double cx = (w.xl + w.xr) / 2, cy = (w.yb + w.yt) / 2;
        film.window = WorldWindow{cx - 0.3 * (w.xr - w.xl), cx + 0.1 * (w.xr - w.xl),
                                  cy - 0.3 * (w.yt - w.yb), cy + 0.1 * (w.yt - w.yb)};
        lines.clear();
        for (const int i : {0, 1, frames / 2, frames - 1})
            for (int q = 0; q < 10; ++q) {
                lines.push_back("frame " + std::to_string(i) + " substep " + std::to_string(q));
                paint(AnmneuFramePainter(film, AnmneuPicture{i, q, 10}), view,
                      PaintStyle{2, true, &colours}, &lines);
            }
        expect_same(lines, std::string(name) + "_anmneu_zoom.txt.gz");
    }
}

}  // namespace
}  // namespace film
