// The example ANMNEU films against their user-coordinates conversions: each picture walked
// both ways must draw the same lines and arcs within a pixel of an 800 x 600 window, in the
// same colours as each player's own colour table gives them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "film_model/anmneu_reader.h"
#include "film_model/colour_table.h"
#include "film_model/contour_placement.h"
#include "film_model/frame_walk.h"
#include "film_model/paint_basics.h"
#include "film_model/usercoor_reader.h"
#include "film_model/usercoor_walk.h"
#include "film_out/usercoor_conversion.h"

namespace {

using film::FrameArc;
using film::Rgb;

constexpr int kWindowWidth = 800, kWindowHeight = 600;

// What a picture draws, in world units: visible segments (from the pen's position to its
// target) and arcs, each with the colour it is drawn in, and the labels.
struct Drawn {
    struct Segment {
        double x1, y1, x2, y2;
        int number;  // colour number
        Rgb colour;
    };
    struct Arc {
        double cx, cy, r, start, sweep;  // normalised: sweep in [0, 360], start in [0, 360)
        int number;
        Rgb colour;
    };
    struct Label {
        double x, y;
        std::string text;
    };
    std::vector<Segment> segments;
    std::vector<Arc> arcs;
    std::vector<Label> labels;
};

// Collects a walk the way a raster painter would draw it: a line runs from the pen's current
// position, and an angle arc leaves the pen at the arc's end.
class Collector final : public film::FrameSink {
  public:
    Collector(const film::ColourTable& colours, Drawn* out) : colours_(colours), out_(out) {}
    void colour(int c) override {
        number_ = film::ColourTable::index_of(c);
        colour_ = colours_.lookup(c);
    }
    void move_to(double x, double y) override {
        x_ = x;
        y_ = y;
    }
    void line_to(double x, double y, bool) override {
        if (x != x_ || y != y_) out_->segments.push_back({x_, y_, x, y, number_, colour_});
        move_to(x, y);
    }
    void arc(const FrameArc& a, bool) override {
        double start = a.start_deg, sweep = a.sweep_deg;
        if (sweep < 0) {
            start += sweep;
            sweep = -sweep;
        }
        if (sweep >= 360) {
            start = 0;
            sweep = 360;
        }
        start = std::fmod(start, 360.0);
        if (start < 0) start += 360;
        out_->arcs.push_back({a.cx, a.cy, a.r, start, sweep, number_, colour_});
        const double end = (a.start_deg + a.sweep_deg) * M_PI / 180;
        move_to(a.cx + a.r * std::cos(end), a.cy + a.r * std::sin(end));
    }
    // Scaled arcs are drawn as chords by both players.
    void placed_arc(const film::PlacedArc& a) override {
        std::vector<film::WorldPoint> chords;
        const film::ContourElement& e = *a.element;
        film::arc_polyline(e.x, e.y, e.r, e.start * 180 / M_PI, e.end * 180 / M_PI, a.placement,
                           pixel_width_, world_width_, &chords);
        for (size_t k = 0; k < chords.size(); ++k) {
            if (k == 0) {
                move_to(chords[k].x, chords[k].y);
            } else {
                line_to(chords[k].x, chords[k].y, false);
            }
        }
    }
    void filled_rect(double, double, double, double) override {}
    void label(double x, double y, const std::string& text) override {
        out_->labels.push_back({x, y, text});
    }
    double pixel_width_ = 0, world_width_ = 0;

  private:
    const film::ColourTable& colours_;
    Drawn* out_;
    int number_ = 1;
    Rgb colour_{0, 0, 0};
    double x_ = 0, y_ = 0;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> example_films() {
    std::vector<std::string> films;
    for (const auto& entry : std::filesystem::directory_iterator(KV_SOURCE_DIR "/examples")) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 11 && name.substr(name.size() - 11) == "_anmneu.anm")
            films.push_back(entry.path().string());
    }
    std::sort(films.begin(), films.end());
    return films;
}

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct Pair {
    film::AnmneuFilm anmneu;
    film::UsercoorFilm user;
    std::string text;  // the conversion as written
};

class UsercoorCrossCheck : public testing::Test {
  protected:
    void SetUp() override {
        setenv("TMPDIR", testing::TempDir().c_str(), 1);
        // The film's symbols are named relative to the example folder.
        before_ = std::filesystem::current_path();
        std::filesystem::current_path(KV_SOURCE_DIR "/examples");
    }
    void TearDown() override { std::filesystem::current_path(before_); }
    std::filesystem::path before_;

    // The drawing-area width of the 800 x 600 window, which the ANMNEU player makes its chords
    // for; the conversion is given the same.
    static int area_width() { return film::fitted_view(kWindowWidth, kWindowHeight).area.width(); }

    static void convert(const std::string& path, Pair* p) {
        ASSERT_GE(film::read_anmneu_film(path, &p->anmneu, [](const std::string&) {}), 1) << path;
        const std::string out = testing::TempDir() + "cross_check.usercoor";
        film_out::UsercoorOptions options;
        options.pixel_width = area_width();
        ASSERT_EQ(film_out::film_to_usercoor(p->anmneu, out.c_str(), options), 0) << path;
        p->text = slurp(out);
        std::vector<std::string> messages;
        film::ReaderHooks hooks;
        hooks.report = [&](const std::string& m) { messages.push_back(m); };
        ASSERT_EQ(film::read_usercoor_film_file(out, &p->user, hooks), 0) << path;
        EXPECT_TRUE(messages.empty()) << path;
    }
};

TEST_F(UsercoorCrossCheck, ConversionsOfTheExamplesReadWithAllTheirFrames) {
    const std::vector<std::string> films = example_films();
    ASSERT_GE(films.size(), 3u);
    for (const std::string& path : films) {
        Pair p;
        convert(path, &p);
        // Every frame the writer ended is read, and none is lost to the resynchronisation.
        EXPECT_EQ(p.user.frame_count(), count_of(p.text, "\nx0,0,0,0\n")) << path;
        EXPECT_GT(p.user.frame_count(), 0) << path;
        EXPECT_LE(p.user.frame_count(), p.anmneu.frame_count) << path;
        // The window as written with six digits, fitted again.
        const double tolerance = (p.anmneu.initial.xr - p.anmneu.initial.xl) * 1e-5;
        EXPECT_NEAR(p.user.window.xl, p.anmneu.initial.xl, tolerance) << path;
        EXPECT_NEAR(p.user.window.xr, p.anmneu.initial.xr, tolerance) << path;
        EXPECT_NEAR(p.user.window.yb, p.anmneu.initial.yb, tolerance) << path;
        EXPECT_NEAR(p.user.window.yt, p.anmneu.initial.yt, tolerance) << path;
        // The in-memory stream the player reads as "INMEM" holds the same frames.
        ASSERT_EQ(film_out::film_to_usercoor(p.anmneu, nullptr, film_out::UsercoorOptions()), 0);
        const std::string& bytes = film_out::usercoor_memory_stream().bytes;
        film::MemoryByteSource source(bytes.data(), bytes.size());
        film::UsercoorFilm in_memory;
        EXPECT_EQ(film::read_usercoor_film(source, &in_memory), 0);
        EXPECT_EQ(in_memory.frame_count(), p.user.frame_count()) << path;
        EXPECT_EQ(in_memory.texts, p.user.texts) << path;
    }
}

std::string describe(const Drawn::Segment& s) {
    std::ostringstream o;
    o << "(" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ") rgb " << int(s.colour.r)
      << "," << int(s.colour.g) << "," << int(s.colour.b);
    return o.str();
}

// The same colour number; its RGB may differ only where the user-coordinates table differs
// from the line films' one (entries 5, 9, 10 and 15), and such numbers are noted.
bool same_colour(int number_a, Rgb a, int number_u, Rgb u, std::set<int>* rgb_differs) {
    if (number_a != number_u) return false;
    if (a == u) return true;
    rgb_differs->insert(number_a);
    return number_a == 5 || number_a == 9 || number_a == 10 || number_a == 15;
}

TEST_F(UsercoorCrossCheck, PicturesDrawTheSameWithinAPixel) {
    film::ColourTable anmneu_colours, user_colours;
    user_colours.reset_usercoor();
    std::set<int> rgb_differs;
    for (const std::string& path : example_films()) {
        Pair p;
        convert(path, &p);
        // A pixel of the window in world units: the ANMNEU raster and the direct mapping both
        // stretch the window's width over the drawing area.
        const double world_width = p.anmneu.window.xr - p.anmneu.window.xl;
        const double pixel = world_width / area_width();
        const int frames = p.user.frame_count();
        for (int i : {0, 1, frames / 3, frames / 2, frames - 1}) {
            SCOPED_TRACE(path + " frame " + std::to_string(i));
            Drawn a, u;
            Collector ca(anmneu_colours, &a), cu(user_colours, &u);
            ca.pixel_width_ = area_width();
            ca.world_width_ = p.anmneu.initial.xr - p.anmneu.initial.xl;
            film::walk_anmneu_picture(p.anmneu, film::AnmneuPicture{i, 0, 1}, ca);
            film::walk_usercoor_frame(p.user, i, cu);

            ASSERT_EQ(a.segments.size(), u.segments.size());
            for (size_t k = 0; k < a.segments.size(); ++k) {
                const Drawn::Segment &s = a.segments[k], &t = u.segments[k];
                const bool near = std::fabs(s.x1 - t.x1) < pixel &&
                                  std::fabs(s.y1 - t.y1) < pixel &&
                                  std::fabs(s.x2 - t.x2) < pixel && std::fabs(s.y2 - t.y2) < pixel;
                EXPECT_TRUE(near) << "segment " << k << ": " << describe(s) << " / " << describe(t);
                EXPECT_TRUE(same_colour(s.number, s.colour, t.number, t.colour, &rgb_differs))
                    << "segment " << k << ": " << describe(s) << " / " << describe(t);
            }
            ASSERT_EQ(a.arcs.size(), u.arcs.size());
            for (size_t k = 0; k < a.arcs.size(); ++k) {
                const Drawn::Arc &s = a.arcs[k], &t = u.arcs[k];
                EXPECT_LT(std::fabs(s.cx - t.cx), pixel) << "arc " << k;
                EXPECT_LT(std::fabs(s.cy - t.cy), pixel) << "arc " << k;
                EXPECT_LT(std::fabs(s.r - t.r), pixel) << "arc " << k;
                // A degree of a full circle moves its ends by less than a pixel at this radius.
                const double degree = 180 / M_PI * pixel / std::max(s.r, pixel);
                // Where a full circle starts is of no account (six written digits may leave
                // its sweep a little short of 360).
                const bool full = s.sweep > 360 - degree && t.sweep > 360 - degree;
                const double ds = full ? 0 : std::fabs(std::remainder(s.start - t.start, 360.0));
                EXPECT_LT(ds, degree) << "arc " << k << " starts " << s.start << " / " << t.start;
                EXPECT_LT(std::fabs(s.sweep - t.sweep), degree) << "arc " << k;
                EXPECT_TRUE(same_colour(s.number, s.colour, t.number, t.colour, &rgb_differs))
                    << "arc " << k;
            }
            ASSERT_EQ(a.labels.size(), u.labels.size());
            for (size_t k = 0; k < a.labels.size(); ++k) {
                EXPECT_EQ(a.labels[k].text, u.labels[k].text);
                EXPECT_LT(std::fabs(a.labels[k].x - u.labels[k].x), pixel);
                // The writer lowers its texts by a thirtieth of the window's height.
                const double drop = (p.anmneu.window.yt - p.anmneu.window.yb) / 30;
                EXPECT_LT(std::fabs(a.labels[k].y - drop - u.labels[k].y), pixel);
            }
        }
    }
    std::string numbers;
    for (int n : rgb_differs) numbers += " " + std::to_string(n);
    RecordProperty("colour_numbers_drawn_in_other_rgb", numbers);
}

}  // namespace
