// The motion analysis files a film window writes with the program's outputs: traces picked
// with t and a click written as CSV and SVG with w, the followed measurement's numbers and
// chart from its window, each under the name given to the save dialog and nothing beside it;
// and a line film's trace tied to the nearest record.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "film/anmneu_player.h"
#include "film/line_film_player.h"
#include "film/measuring_window.h"
#include "film/motion_chart.h"
#include "film/motion_window.h"
#include "main/motion_outputs.h"
#include "mw31/dialogs.h"
#include "support/qt_test_events.h"

namespace {

namespace fs = std::filesystem;
namespace qt = mw31::qt_test;

const std::string kExamples = std::string(KV_SOURCE_DIR) + "/examples";
const mw31::Rgb kWhite{255, 255, 255};

std::function<void(film::FilmWindow&, const mw31::Picture&, int)>* g_on_frame = nullptr;
int g_frames = 0;

void observe_anmneu(film::FilmWindow& fw, const mw31::Picture& p, int, void*) {
    ++g_frames;
    if (g_on_frame) (*g_on_frame)(fw, p, g_frames);
}
void observe_line(film::FilmWindow& fw, const mw31::Picture& p, void*) {
    ++g_frames;
    if (g_on_frame) (*g_on_frame)(fw, p, g_frames);
}

template <typename Options>
void prepare(Options* o, const std::string& film) {
    o->film_name = film;
    o->passes = 20;
    o->pause_ms = 1;
    o->window.show = mw31::ShowMode::Normal;
    o->window.client_width = 650;
    o->window.client_height = 520;
    kurvlab::add_motion_outputs(&o->window.outputs);
}

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);) out.push_back(line);
    return out;
}

void type(mw31::Window& w, const char* key, bool shift, const char* text) {
    EXPECT_TRUE(qt::send_key(w, key, shift, false, text));
}

void click(film::FilmWindow& fw, mw31::Point p) {
    using mw31::MessageKind;
    EXPECT_TRUE(
        qt::send_mouse(*fw.window, MessageKind::MouseDown, mw31::MouseButton::Left, p.x, p.y));
    EXPECT_TRUE(
        qt::send_mouse(*fw.window, MessageKind::MouseUp, mw31::MouseButton::Left, p.x, p.y));
}

void answer_save(const fs::path& p) {
    mw31::queue_dialog_answer(mw31::CannedAnswer{mw31::BoxAnswer::Ok, {p.string()}, ""});
}

// Drawn pixels whose parts move: tied by the model to different anchors whose paths differ.
std::vector<mw31::Point> moving_points(film::FilmWindow& fw, const mw31::Picture& picture,
                                       size_t count) {
    const film::WorldPicture map = film::window_world_picture(fw, fw.view);
    std::vector<mw31::Point> found;
    std::vector<std::pair<int, int>> anchors;
    mw31::Canvas& c = const_cast<mw31::Picture&>(picture).canvas();
    for (int y = 40; y < picture.height() - 60 && found.size() < count; y += 5)
        for (int x = 5; x < picture.width() - 5 && found.size() < count; x += 5) {
            if (c.get_pixel(x, y) == kWhite) continue;
            double wx, wy;
            map.world_of(x, y, &wx, &wy);
            const film::MotionAnchor a = fw.motion.source.pick(fw.state.index, wx, wy);
            if (a.kind == film::MotionAnchor::kNone) continue;
            const std::pair<int, int> id{a.symbol, a.record};
            if (std::find(anchors.begin(), anchors.end(), id) != anchors.end()) continue;
            const film::MotionTrace t = fw.motion.source.trace(a);
            double lo = 1e300, hi = -1e300;
            for (const film::TracePoint& p : t.points)
                if (p.valid) lo = std::min(lo, p.x + p.y), hi = std::max(hi, p.x + p.y);
            if (!(hi - lo > 1e-6)) continue;
            anchors.push_back(id);
            found.push_back({x, y});
        }
    return found;
}

class MotionFiles : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("kv_motion_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    size_t files_in_dir() const {
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(dir)) n += e.is_regular_file();
        return n;
    }
};

TEST_F(MotionFiles, TracesAndTheFollowedMeasurementAreWrittenUnderTheNamesGiven) {
    std::vector<film::MotionTrace> traces;
    film::MotionTrack track;
    bool found = false;
    std::function<void(film::FilmWindow&, const mw31::Picture&, int)> on_frame =
        [&](film::FilmWindow& fw, const mw31::Picture& picture, int n) {
            mw31::Window& w = *fw.window;
            switch (n) {
                case 3: {
                    const std::vector<mw31::Point> at = moving_points(fw, picture, 2);
                    found = at.size() == 2;
                    if (!found) {
                        fw.state.end = true;
                        break;
                    }
                    type(w, "T", false, "t");
                    click(fw, at[0]);
                    type(w, "T", false, "t");
                    click(fw, at[1]);
                    type(w, "Z", false, "z");
                    click(fw, at[0]);
                    type(w, "R", false, "r");
                    click(fw, at[1]);
                    type(w, "F", false, "f");
                    break;
                }
                case 6:
                    traces = fw.motion.traces;
                    track = fw.motion.followed.track;
                    answer_save(dir / "traces.csv");
                    type(w, "W", false, "w");
                    break;
                case 8:
                    answer_save(dir / "traces.svg");
                    type(w, "W", false, "w");
                    break;
                case 10:
                    if (!fw.motion.chart) break;
                    answer_save(dir / "chart.csv");
                    type(*fw.motion.chart->window, "W", false, "w");
                    break;
                case 12:
                    if (!fw.motion.chart) break;
                    answer_save(dir / "chart.png");
                    type(*fw.motion.chart->window, "W", false, "w");
                    break;
                case 14:
                    fw.state.end = true;
                    break;
                default:
                    break;
            }
        };
    film::AnmneuOptions options;
    prepare(&options, kExamples + "/fourbar_anmneu.anm");
    options.frame_observer = observe_anmneu;
    g_on_frame = &on_frame;
    g_frames = 0;
    EXPECT_EQ(film::anmneu_film(options), 0);
    g_on_frame = nullptr;
    ASSERT_TRUE(found);
    ASSERT_EQ(traces.size(), 2u);
    ASSERT_EQ(track.samples.size(), 72u);

    // A row per frame with both traces' points, as the traces hold them.
    const std::vector<std::string> csv = lines_of(read_all(dir / "traces.csv"));
    ASSERT_EQ(csv.size(), 73u);
    EXPECT_EQ(csv[0], "frame,angle,x1,y1,x2,y2");
    char row[256];
    const film::TracePoint& p = traces[0].points[10];
    const film::TracePoint& q = traces[1].points[10];
    std::snprintf(row, sizeof row, "%d,%.6f,%.6f,%.6f,%.6f,%.6f", p.frame, p.angle, p.x, p.y, q.x,
                  q.y);
    EXPECT_EQ(csv[11], row);

    const std::string svg = read_all(dir / "traces.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_EQ(svg.find("<polyline") != std::string::npos, true);
    EXPECT_NE(svg.find("<polyline", svg.find("<polyline") + 1), std::string::npos)
        << "one path per trace";

    const std::vector<std::string> chart = lines_of(read_all(dir / "chart.csv"));
    ASSERT_EQ(chart.size(), 73u);
    EXPECT_EQ(chart[0], "frame,angle,distance,direction");
    const film::TrackSample& s = track.samples[size_t(track.max_index)];
    std::snprintf(row, sizeof row, "%d,%.6f,%.6f,%.6f", s.frame, s.angle, s.distance, s.direction);
    EXPECT_EQ(chart[size_t(track.max_index) + 1], row);

    const std::string png = read_all(dir / "chart.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(files_in_dir(), 4u) << "no temporary file left beside them";
}

TEST_F(MotionFiles, ALineFilmsTraceFollowsTheNearestRecordInFilmUnits) {
    std::vector<film::MotionTrace> traces;
    int drawn = 0;
    std::function<void(film::FilmWindow&, const mw31::Picture&, int)> on_frame =
        [&](film::FilmWindow& fw, const mw31::Picture& picture, int n) {
            if (n == 3) {
                const std::vector<mw31::Point> at = moving_points(fw, picture, 1);
                if (at.empty()) {
                    fw.state.end = true;
                    return;
                }
                type(*fw.window, "T", false, "t");
                click(fw, at[0]);
            } else if (n == 6) {
                traces = fw.motion.traces;
                // The path in the first trace colour, where the film units put it.
                const film::WorldPicture map = film::window_world_picture(fw, fw.view);
                mw31::Canvas& c = const_cast<mw31::Picture&>(picture).canvas();
                for (size_t k = 0; !traces.empty() && k + 1 < traces[0].points.size(); ++k) {
                    const film::TracePoint& p = traces[0].points[k];
                    if (!p.valid || p.frame == fw.state.index) continue;
                    const mw31::Point s = map.at(p.x, p.y);
                    drawn += c.get_pixel(s.x, s.y) == film::trace_colours()[0];
                }
                answer_save(dir / "line.csv");
                type(*fw.window, "W", false, "w");
            } else if (n == 8) {
                fw.state.end = true;
            }
        };
    film::LineFilmOptions options;
    prepare(&options, kExamples + "/fourbar_text.anm");
    options.frame_observer = observe_line;
    g_on_frame = &on_frame;
    g_frames = 0;
    EXPECT_EQ(film::play_line_film(options), 0);
    g_on_frame = nullptr;
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(traces[0].anchor.kind, film::MotionAnchor::kRecord);
    EXPECT_TRUE(traces[0].y_down);
    ASSERT_GT(traces[0].points.size(), 10u);
    EXPECT_GE(drawn, int(traces[0].points.size()) - 3);
    const std::vector<std::string> csv = lines_of(read_all(dir / "line.csv"));
    EXPECT_EQ(csv.size(), traces[0].points.size() + 1);
    EXPECT_EQ(files_in_dir(), 1u);
}

}  // namespace
