// The sweep picture against single frames drawn as --output draws them: every frame's lines
// are in it, it holds far more than any one frame, and a trace lies over it in its own colour.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "film_model/colour_table.h"
#include "film_model/contour_element.h"
#include "film_model/paint_basics.h"
#include "main/motion_branch.h"

namespace kurvlab {
namespace {

constexpr int kWidth = 520, kHeight = 400;

struct Pixels {
    std::vector<uint8_t> rgb;
    int width = 0;
    bool ink(int x, int y) const {
        const size_t at = (size_t(y) * size_t(width) + size_t(x)) * 3;
        return rgb[at] != 255 || rgb[at + 1] != 255 || rgb[at + 2] != 255;
    }
    mw31::Rgb at(int x, int y) const {
        const size_t i = (size_t(y) * size_t(width) + size_t(x)) * 3;
        return mw31::Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

Pixels pixels_of(const mw31::Picture& p) {
    return Pixels{p.rgb_rows(), p.width()};
}

MotionFilm fourbar() {
    MotionFilm film;
    film.kind = MotionFilm::kAnmneu;
    EXPECT_GT(film::read_anmneu_film(std::string(KV_SOURCE_DIR) + "/examples/fourbar_anmneu.anm",
                                     &film.anmneu),
              0);
    film.frames = film::anmneu_motion_frames(film.anmneu);
    return film;
}

TEST(MotionSweep, HoldsEveryFrameOfThePass) {
    MotionFilm film = fourbar();
    const auto sweep = sweep_picture(film, kWidth, kHeight, {});
    ASSERT_TRUE(sweep);
    const Pixels s = pixels_of(*sweep);
    int sweep_ink = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) sweep_ink += s.ink(x, y);

    // Single frames without their label and caption, which the sweep leaves out.
    film::AnmneuFilm bare = film.anmneu;
    for (film::AnmneuFrame& f : bare.frames) {
        f.label.clear();
        f.caption.clear();
    }
    const film::ColourTable colours;
    const mw31::Rect area = film::fitted_view(kWidth, kHeight).area;
    for (int frame : {0, 17, 36, 71}) {
        const auto single = film::render_anmneu_frame(bare, frame, 0, 1, kWidth, kHeight, colours);
        ASSERT_TRUE(single);
        const Pixels f = pixels_of(*single);
        int ink = 0, missing = 0;
        // Below the sweep's own line of text at the top.
        for (int y = 25; y < area.bottom - 20; ++y)
            for (int x = area.left; x < area.right; ++x) {
                if (!f.ink(x, y)) continue;
                ++ink;
                missing += !s.ink(x, y);
            }
        ASSERT_GT(ink, 500) << "frame " << frame;
        EXPECT_EQ(missing, 0) << "frame " << frame << ": " << missing << " of " << ink;
        EXPECT_GT(sweep_ink, 4 * ink) << "frame " << frame;
    }
}

TEST(MotionSweep, TraceLiesOverTheFrames) {
    MotionFilm film = fourbar();
    const film::MotionTrace coupler = trace_motion_point(film, 0, 61.67, 71.801);
    ASSERT_EQ(coupler.anchor.kind, film::MotionAnchor::kSymbol);
    const auto plain = sweep_picture(film, kWidth, kHeight, {});
    const auto traced = sweep_picture(film, kWidth, kHeight, {coupler});
    ASSERT_TRUE(plain && traced);
    const Pixels a = pixels_of(*plain), b = pixels_of(*traced);
    const film::ColourTable colours;
    const mw31::Rgb trace_colour =
        film::to_screen_rgb(colours.lookup(film::colour_from_name(kTraceColourName)));
    const mw31::Rect area = film::fitted_view(kWidth, kHeight).area;
    const film::FilmToScreen to_screen(film::fitted_view(kWidth, kHeight),
                                       film::kAnmneuRasterWidth);
    int on_trace = 0;
    for (const film::TracePoint& p : coupler.points) {
        const film::RasterPoint r = film::world_to_raster(film.anmneu.window, p.x, p.y);
        const int x = to_screen.x(r.x), y = to_screen.y(r.y);
        ASSERT_TRUE(x >= area.left && x < area.right && y >= area.top && y < area.bottom);
        on_trace += b.at(x, y) == trace_colour;
    }
    // A line leaves its end pixel unpainted, as GDI lines do: the last point is not drawn.
    EXPECT_EQ(on_trace, int(coupler.points.size()) - 1);
    int changed = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) changed += a.rgb[i] != b.rgb[i];
    EXPECT_GT(changed, 0);
}

}  // namespace
}  // namespace kurvlab
