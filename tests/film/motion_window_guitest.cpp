// Motion analysis in a real film window of the four-bar example, driven with key presses and
// clicks: traces picked with t and a click drawn along their paths and cleared with T, the
// onion skin's faded frames behind the current one and kept until the view changes, and the
// chart window of a followed measurement marking the frame shown and saving its picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "film/anmneu_player.h"
#include "film/frame_presenter.h"
#include "film/measuring_window.h"
#include "film/motion_chart.h"
#include "film/motion_sources.h"
#include "film/motion_window.h"
#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "film_model/paint_basics.h"
#include "mw31/dialogs.h"
#include "mw31/picture.h"
#include "support/private_temp.h"
#include "support/qt_test_events.h"

namespace film {
namespace {

namespace qt = mw31::qt_test;
using mw31::MessageKind;
using mw31::MouseButton;

constexpr int kWidth = 650, kHeight = 520;  // the drawing area is the whole client

std::function<void(FilmWindow&, const mw31::Picture&, int)>* g_on_frame = nullptr;
int g_frames = 0;

void observe(FilmWindow& fw, const mw31::Picture& picture, int, void*) {
    ++g_frames;
    if (g_on_frame) (*g_on_frame)(fw, picture, g_frames);
}

// What the DXF export was handed: the count of traces, -1 for none.
int g_dxf_traces = -2;

int play(std::function<void(FilmWindow&, const mw31::Picture&, int)> on_frame) {
    AnmneuOptions options;
    g_dxf_traces = -2;
    options.window.outputs.dxf_frame = [](const FrameOutput& out) {
        g_dxf_traces = out.traces ? int(out.traces->size()) : -1;
    };
    options.film_name = std::string(KV_SOURCE_DIR) + "/examples/fourbar_anmneu.anm";
    options.passes = 20;
    options.pause_ms = 1;
    options.window.show = mw31::ShowMode::Normal;
    options.window.client_width = kWidth;
    options.window.client_height = kHeight;
    options.frame_observer = observe;
    g_on_frame = &on_frame;
    g_frames = 0;
    const int rc = anmneu_film(options);
    g_on_frame = nullptr;
    return rc;
}

struct Pixels {
    int w = 0, h = 0;
    std::vector<uint8_t> rows;
    explicit Pixels(const mw31::Picture& p) : w(p.width()), h(p.height()), rows(p.rgb_rows()) {}
    mw31::Rgb at(int x, int y) const {
        if (x < 0 || y < 0 || x >= w || y >= h) return {1, 2, 3};
        const size_t k = (size_t(y) * size_t(w) + size_t(x)) * 3;
        return mw31::Rgb{rows[k], rows[k + 1], rows[k + 2]};
    }
};

const mw31::Rgb kWhite{255, 255, 255};

void type(FilmWindow& fw, const char* key, bool shift, const char* text) {
    EXPECT_TRUE(qt::send_key(*fw.window, key, shift, false, text));
}

void click(FilmWindow& fw, mw31::Point p) {
    EXPECT_TRUE(qt::send_mouse(*fw.window, MessageKind::MouseDown, MouseButton::Left, p.x, p.y));
    EXPECT_TRUE(qt::send_mouse(*fw.window, MessageKind::MouseUp, MouseButton::Left, p.x, p.y));
}

// Pixels on moving parts of the frame: the model ties each to a part whose path spans more
// than 40 pixels. One per part, at most `count`.
std::vector<mw31::Point> moving_points(FilmWindow& fw, const mw31::Picture& picture, int count) {
    const Pixels px(picture);
    const WorldPicture map = window_world_picture(fw, fw.view);
    std::vector<mw31::Point> found;
    std::vector<int> symbols;
    for (int y = 40; y < px.h - 40 && int(found.size()) < count; y += 5)
        for (int x = 5; x < px.w - 5 && int(found.size()) < count; x += 5) {
            if (px.at(x, y) == kWhite) continue;
            double wx, wy;
            map.world_of(x, y, &wx, &wy);
            const MotionAnchor a = fw.motion.source.pick(fw.state.index, wx, wy);
            if (a.kind != MotionAnchor::kSymbol) continue;
            if (std::find(symbols.begin(), symbols.end(), a.symbol) != symbols.end()) continue;
            const MotionTrace t = fw.motion.source.trace(a);
            int lo = 1 << 30, hi = -(1 << 30);
            for (const TracePoint& p : t.points) {
                const mw31::Point s = map.at(p.x, p.y);
                lo = std::min(lo, s.x + s.y);
                hi = std::max(hi, s.x + s.y);
            }
            if (hi - lo < 40) continue;
            symbols.push_back(a.symbol);
            found.push_back({x, y});
        }
    return found;
}

// Of the trace's points (but its last, where the path ends), those the picture shows in the
// colour (or in the colour of a trace drawn over it), and how many were looked at; the
// current frame's square is left out.
std::pair<int, int> path_pixels(FilmWindow& fw, const Pixels& px, const MotionTrace& t,
                                mw31::Rgb colour, mw31::Rgb over = mw31::Rgb{1, 2, 3}) {
    const WorldPicture map = window_world_picture(fw, fw.view);
    int hits = 0, looked = 0;
    for (size_t k = 0; k + 1 < t.points.size(); ++k) {
        if (!t.points[k].valid || t.points[k].frame == fw.state.index) continue;
        const mw31::Point s = map.at(t.points[k].x, t.points[k].y);
        ++looked;
        hits += px.at(s.x, s.y) == colour || px.at(s.x, s.y) == over;
    }
    return {hits, looked};
}

int count_colour(const Pixels& px, mw31::Rgb colour) {
    int n = 0;
    for (int y = 0; y < px.h; ++y)
        for (int x = 0; x < px.w; ++x) n += px.at(x, y) == colour;
    return n;
}

TEST(MotionWindow, TracesFollowTheirPartsInTheirOwnColoursAndTClearsThem) {
    std::vector<mw31::Point> picks;
    std::vector<MotionTrace> traces;
    std::pair<int, int> first_path{}, second_path{};
    int first_colour = -1, second_colour = -1, after_clear = -1;
    bool armed_after_t = false;
    mw31::CursorShape armed_cursor = mw31::CursorShape::Arrow;
    const auto& colours = trace_colours();
    ASSERT_EQ(play([&](FilmWindow& fw, const mw31::Picture& picture, int n) {
                  switch (n) {
                      case 3:
                          type(fw, "T", false, "t");
                          break;
                      case 4:
                          armed_after_t = fw.motion.trace_armed;
                          armed_cursor = qt::client_cursor(*fw.window);
                          // Both picked in the frame shown: the events come before the next.
                          picks = moving_points(fw, picture, 2);
                          if (picks.size() < 2) {
                              fw.state.end = true;
                              break;
                          }
                          click(fw, picks[0]);
                          type(fw, "T", false, "t");
                          click(fw, picks[1]);
                          break;
                      case 9: {
                          traces = fw.motion.traces;
                          if (traces.size() != 2) break;
                          const Pixels px(picture);
                          // The second trace is drawn over the first where they cross.
                          first_path = path_pixels(fw, px, traces[0], colours[0], colours[1]);
                          second_path = path_pixels(fw, px, traces[1], colours[1]);
                          first_colour = count_colour(px, colours[0]);
                          second_colour = count_colour(px, colours[1]);
                          type(fw, "X", false, "x");
                          break;
                      }
                      case 10:
                          type(fw, "T", true, "T");
                          break;
                      case 12:
                          after_clear = count_colour(Pixels(picture), colours[0]) +
                                        count_colour(Pixels(picture), colours[1]);
                          fw.state.end = true;
                          break;
                      default:
                          break;
                  }
              }),
              0);
    ASSERT_EQ(picks.size(), 2u) << "no moving part found in the picture";
    EXPECT_TRUE(armed_after_t);
    EXPECT_EQ(armed_cursor, mw31::CursorShape::Cross);
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_EQ(traces[0].anchor.kind, MotionAnchor::kSymbol);
    EXPECT_NE(traces[0].anchor.symbol, traces[1].anchor.symbol);
    EXPECT_EQ(traces[0].points.size(), 72u);
    // Every point of both paths is drawn in its trace's colour.
    EXPECT_GT(first_path.second, 60);
    EXPECT_EQ(first_path.first, first_path.second);
    EXPECT_EQ(second_path.first, second_path.second);
    EXPECT_GT(first_colour, 100);
    EXPECT_GT(second_colour, 100);
    EXPECT_EQ(after_clear, 0);
    EXPECT_EQ(g_dxf_traces, 2);
}

TEST(MotionWindow, OnionSkinShowsEveryKthFrameFadedBehindTheCurrentOneAndKeepsItsPicture) {
    struct Look {
        int step = -1;
        int faded = 0, kept_dark = 0, looked = 0;  // onion frame's pixels not under the frame
        int current_same = 0, current_looked = 0;  // the current frame's own pixels
    };
    std::vector<Look> looks;
    std::vector<int> makings;
    auto look = [&](FilmWindow& fw, const mw31::Picture& picture) {
        Look l;
        l.step = fw.motion.onion.step;
        const Pixels px(picture);
        const PaintStyle style = paint_style(fw);
        auto alone = [&](int frame) {
            auto p = mw31::create_picture(picture.width(), picture.height());
            p->canvas().fill_rect(mw31::Rect{0, 0, p->width(), p->height()},
                                  mw31::Brush{kWhite, false});
            fw.motion.source.paint_frame(p->canvas(), fw.view, style, frame);
            return Pixels(*p);
        };
        const Pixels current = alone(fw.state.index);
        // Frame 0 is faded for every step.
        const Pixels onion = alone(0);
        for (int y = 30; y < px.h - 60; ++y)
            for (int x = 0; x < px.w; ++x) {
                const mw31::Rgb c = current.at(x, y);
                if (!(c == kWhite)) {
                    ++l.current_looked;
                    l.current_same += px.at(x, y) == c;
                    continue;
                }
                const mw31::Rgb o = onion.at(x, y);
                if (o == kWhite || (o.r > 200 && o.g > 200 && o.b > 200)) continue;
                ++l.looked;
                const mw31::Rgb s = px.at(x, y);
                const bool lighter = s.r >= o.r && s.g >= o.g && s.b >= o.b &&
                                     s.r + s.g + s.b > o.r + o.g + o.b && !(s == kWhite);
                l.faded += lighter;
                l.kept_dark += s == o;
            }
        looks.push_back(l);
    };
    ASSERT_EQ(play([&](FilmWindow& fw, const mw31::Picture& picture, int n) {
                  switch (n) {
                      case 3:
                          look(fw, picture);
                          type(fw, "O", false, "o");
                          break;
                      case 5:
                      case 7:
                      case 9:
                          look(fw, picture);
                          makings.push_back(fw.motion.onion.makings);
                          type(fw, "O", false, "o");
                          break;
                      case 11:
                          look(fw, picture);
                          type(fw, "O", false, "o");  // 10 again
                          break;
                      case 13:
                      case 14:
                          makings.push_back(fw.motion.onion.makings);
                          if (n == 14) type(fw, "AsciiTilde", true, "~");
                          break;
                      case 16:
                          makings.push_back(fw.motion.onion.makings);
                          fw.window->move_resize(mw31::Rect{50, 50, 50 + 500, 50 + 450});
                          break;
                      case 19:
                          makings.push_back(fw.motion.onion.makings);
                          fw.state.end = true;
                          break;
                      default:
                          break;
                  }
              }),
              0);
    ASSERT_EQ(looks.size(), 5u);
    EXPECT_EQ(looks[0].step, 0);
    EXPECT_EQ(looks[1].step, 10);
    EXPECT_EQ(looks[2].step, 5);
    EXPECT_EQ(looks[3].step, 2);
    EXPECT_EQ(looks[4].step, 0);
    for (const Look& l : looks) {
        // The current frame is drawn over everything, in its own colours.
        EXPECT_GT(l.current_looked, 500);
        EXPECT_GE(l.current_same, l.current_looked * 98 / 100) << l.step;
    }
    for (int k : {1, 2, 3}) {
        // Where only frame 0 draws, its lines show lighter; later faded frames may cover some.
        EXPECT_GT(looks[size_t(k)].looked, 200);
        EXPECT_GE(looks[size_t(k)].faded, looks[size_t(k)].looked * 8 / 10) << k;
        EXPECT_EQ(looks[size_t(k)].kept_dark, 0) << k;
    }
    for (int k : {0, 4}) EXPECT_EQ(looks[size_t(k)].faded, 0) << "onion skin off";
    // Made once per step, then kept over frames; made again for the inverted display and for
    // the new size.
    ASSERT_EQ(makings.size(), 7u);
    EXPECT_EQ(makings[0], 1);
    EXPECT_EQ(makings[1], 2);
    EXPECT_EQ(makings[2], 3);
    EXPECT_EQ(makings[3], 4);
    EXPECT_EQ(makings[4], 4);
    EXPECT_EQ(makings[5], 5);
    EXPECT_EQ(makings[6], 6);
}

TEST(MotionWindow, FollowedMeasurementChartMarksTheFrameShownAndSavesItsPicture) {
    kvtest::use_private_temp_dir();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kv_chart_" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string png = (folder / "chart.png").string();
    std::vector<mw31::Point> picks;
    MotionTrack track;
    MotionTrace a, b;
    struct Mark {
        int frame = -1, shown = -1, x = -1;
        bool red_at_x = false;
        int red_elsewhere = 0;
    };
    std::vector<Mark> marks;
    bool chart_open = false, hidden_after_f = false;
    ASSERT_EQ(play([&](FilmWindow& fw, const mw31::Picture& picture, int n) {
                  switch (n) {
                      case 3:
                          picks = moving_points(fw, picture, 2);
                          if (picks.size() < 2) {
                              fw.state.end = true;
                              break;
                          }
                          type(fw, "Z", false, "z");
                          click(fw, picks[0]);
                          type(fw, "R", false, "r");
                          click(fw, picks[1]);
                          type(fw, "F", false, "f");
                          break;
                      case 5:
                          chart_open = fw.motion.chart && fw.motion.followed.on;
                          if (!chart_open) {
                              fw.state.end = true;
                              break;
                          }
                          track = fw.motion.followed.track;
                          a = fw.motion.followed.reference;
                          b = fw.motion.followed.direction;
                          break;
                      case 8:
                      case 12:
                      case 16: {
                          MotionChartWindow& chart = *fw.motion.chart;
                          Mark m;
                          m.frame = fw.state.index;
                          m.shown = chart.shown_frame;
                          const int k = chart_sample_of(chart.track, m.frame);
                          const ChartLayout l =
                              chart_layout(chart.track, kChartWidth, kChartHeight);
                          const Pixels px(*chart.picture);
                          const int ymid = (l.plot.top + l.plot.bottom) / 2;
                          if (k >= 0) {
                              m.x = l.x_of(chart.track.samples[size_t(k)].angle);
                              m.red_at_x = px.at(m.x, ymid) == kChartMarkColour &&
                                           px.at(m.x, l.plot.top + 3) == kChartMarkColour;
                          }
                          for (int x = l.plot.left + 1; x < l.plot.right - 1; ++x)
                              if (x != m.x) m.red_elsewhere += px.at(x, ymid) == kChartMarkColour;
                          marks.push_back(m);
                          if (n == 16) {
                              mw31::queue_dialog_answer(
                                  mw31::CannedAnswer{mw31::BoxAnswer::Ok, {png}, ""});
                              EXPECT_TRUE(qt::send_key(*chart.window, "W", false, false, "w"));
                          }
                          break;
                      }
                      case 19:
                          type(fw, "F", false, "f");
                          break;
                      case 21:
                          hidden_after_f =
                              !fw.motion.followed.on && fw.motion.chart && fw.motion.chart->closed;
                          fw.state.end = true;
                          break;
                      default:
                          break;
                  }
              }),
              0);
    ASSERT_EQ(picks.size(), 2u);
    ASSERT_TRUE(chart_open);
    // The track is the distance of the two followed points, frame by frame.
    ASSERT_EQ(track.samples.size(), 72u);
    double lo = 1e300, hi = -1e300;
    int lo_frame = -1, hi_frame = -1;
    for (size_t k = 0; k < a.points.size(); ++k) {
        const double d = std::hypot(b.points[k].x - a.points[k].x, b.points[k].y - a.points[k].y);
        EXPECT_NEAR(track.samples[k].distance, d, 1e-9);
        if (d < lo) lo = d, lo_frame = a.points[k].frame;
        if (d > hi) hi = d, hi_frame = a.points[k].frame;
    }
    EXPECT_GT(hi - lo, 1.0) << "two parts that move against each other";
    char text[128];
    std::snprintf(text, sizeof text, "min l=%.3f (Bild/frame %d)", lo, lo_frame);
    EXPECT_EQ(chart_min_text(track), text);
    std::snprintf(text, sizeof text, "max l=%.3f (Bild/frame %d)", hi, hi_frame);
    EXPECT_EQ(chart_max_text(track), text);

    // The chart marks the frame the film window shows, and only that one.
    ASSERT_EQ(marks.size(), 3u);
    for (const Mark& m : marks) {
        EXPECT_EQ(m.shown, m.frame);
        EXPECT_TRUE(m.red_at_x) << m.frame;
        EXPECT_EQ(m.red_elsewhere, 0) << m.frame;
    }
    EXPECT_NE(marks[0].x, marks[1].x);
    EXPECT_NE(marks[1].x, marks[2].x);

    // The picture went in whole under its name; nothing else is left in the folder.
    std::ifstream in(png, std::ios::binary);
    char sig[8] = {};
    in.read(sig, 8);
    EXPECT_EQ(std::string(sig + 1, 3), "PNG");
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1u);
    EXPECT_TRUE(hidden_after_f);
    std::filesystem::remove_all(folder);
}

TEST(MotionWindow, ARecordingsLargerPictureKeepsAnOnionSkinOfItsOwn) {
    AnmneuFilm film;
    ASSERT_GT(read_anmneu_film(std::string(KV_SOURCE_DIR) + "/examples/fourbar_anmneu.anm", &film,
                               [](const std::string&) {}),
              0);
    AnmneuFramePainter painter(film, AnmneuPicture{});
    FilmWindow fw;
    fw.colours = &film_colour_table();
    fw.view = fitted_view(400, 320);
    fw.world_mode = WorldMode::Anmneu;
    fw.world_window = &film.window;
    fw.screen.painter = &painter;
    fw.state.frame_count = int(film.frames.size());
    fw.motion.source = anmneu_motion_source(film);
    fw.motion.onion.step = 10;
    const FilmView big = scaled_view(fw.view, 2.0);
    auto small_picture = make_area_picture(fw.view, false);
    auto big_picture = make_area_picture(big, false);
    const mw31::Rgb faded_black = faded_colour(mw31::Rgb{0, 0, 0}, kWhite);
    for (int frame : {3, 4, 5}) {
        fw.state.index = frame;
        painter.set_picture(AnmneuPicture{frame, 0, 1});
        paint_composed(fw, small_picture->canvas(), fw.view);
        paint_composed(fw, big_picture->canvas(), big);
    }
    EXPECT_EQ(fw.motion.onion.makings, 1);
    EXPECT_EQ(fw.motion.recorded_onion.makings, 1);
    EXPECT_EQ(fw.motion.onion.width, 400);
    EXPECT_EQ(fw.motion.recorded_onion.width, 800);
    // The larger skin is the same frames drawn larger: about twice the pixels along the lines.
    const double ratio =
        double(fw.motion.recorded_onion.offsets.size()) / double(fw.motion.onion.offsets.size());
    EXPECT_GT(ratio, 1.5);
    EXPECT_LT(ratio, 3.0);
    EXPECT_GT(count_colour(Pixels(*big_picture), faded_black), 100);
}

}  // namespace
}  // namespace film
