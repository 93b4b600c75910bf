// Motion outputs read back by the programs others use: CSV by Python's csv module, SVG by
// xml.etree, DXF polylines by ezdxf (Debian's /usr/bin/python3); the chart through a
// recording canvas.
#include "film_out/motion_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "film_model/anmneu_reader.h"
#include "film_model/line_film_painter.h"
#include "film_out/dxf_export.h"
#include "mw31/recording_canvas.h"

namespace {

std::string temp_path(const std::string& name) {
    return testing::TempDir() + "motion_" + name;
}

std::string read_whole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs a Python script on a file; its standard output split into lines.
std::vector<std::string> python_lines(const std::string& script, const std::string& file) {
    const std::string script_path = file + ".py";
    std::ofstream(script_path) << script;
    FILE* p = popen(("/usr/bin/python3 '" + script_path + "' '" + file + "' 2>&1").c_str(), "r");
    std::vector<std::string> lines;
    if (!p) return lines;
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    std::remove(script_path.c_str());
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, sep)) parts.push_back(part);
    if (!s.empty() && s.back() == sep) parts.push_back("");
    return parts;
}

film::MotionTrace make_trace(std::vector<std::pair<double, double>> xy, bool y_down = false) {
    film::MotionTrace t;
    t.y_down = y_down;
    for (size_t k = 0; k < xy.size(); ++k)
        t.points.push_back(
            film::TracePoint{int(k), 90.0 * double(k), xy[k].first, xy[k].second, true});
    return t;
}

TEST(MotionExport, CsvReadsBackWithPythonsCsvModule) {
    film::MotionTrace a = make_trace({{1.5, -2.25}, {3.125, 4}, {-0.000001, 1e5}});
    film::MotionTrace b = make_trace({{10, 20}, {11, 21}, {12, 22}});
    b.points[1].valid = false;
    const std::string path = temp_path("trace.csv");
    ASSERT_EQ(film_out::write_trace_csv(path, {a, b}), 0);
    const auto rows = python_lines(
        "import csv, sys\n"
        "for row in csv.reader(open(sys.argv[1], newline='')):\n"
        "    print('|'.join(row))\n",
        path);
    ASSERT_EQ(rows.size(), 4u) << (rows.empty() ? "" : rows[0]);
    EXPECT_EQ(rows[0], "frame|angle|x1|y1|x2|y2");
    for (size_t k = 0; k < 3; ++k) {
        const auto cells = split(rows[k + 1], '|');
        ASSERT_EQ(cells.size(), 6u) << rows[k + 1];
        EXPECT_EQ(std::stoi(cells[0]), int(k));
        EXPECT_DOUBLE_EQ(std::stod(cells[1]), 90.0 * double(k));
        EXPECT_NEAR(std::stod(cells[2]), a.points[k].x, 1e-6);
        EXPECT_NEAR(std::stod(cells[3]), a.points[k].y, 1e-6);
        if (k == 1) {
            EXPECT_EQ(cells[4], "");
            EXPECT_EQ(cells[5], "");
        } else {
            EXPECT_NEAR(std::stod(cells[4]), b.points[k].x, 1e-6);
            EXPECT_NEAR(std::stod(cells[5]), b.points[k].y, 1e-6);
        }
    }

    film::MotionTrack track;
    track.samples = {{0, 0, 60, 0}, {36, 180, 140.5, -179.25}};
    track.min_index = 0;
    track.max_index = 1;
    const std::string tpath = temp_path("track.csv");
    ASSERT_EQ(film_out::write_track_csv(tpath, track), 0);
    const auto trows = python_lines(
        "import csv, sys\n"
        "for row in csv.DictReader(open(sys.argv[1], newline='')):\n"
        "    print(row['frame'], float(row['angle']), float(row['distance']),"
        " float(row['direction']))\n",
        tpath);
    ASSERT_EQ(trows.size(), 2u) << (trows.empty() ? "" : trows[0]);
    EXPECT_EQ(trows[0], "0 0.0 60.0 0.0");
    EXPECT_EQ(trows[1], "36 180.0 140.5 -179.25");

    // A file that cannot be written leaves nothing and says so.
    EXPECT_EQ(film_out::write_trace_csv(temp_path("no/such/folder/t.csv"), {a}), 1);
}

TEST(MotionExport, SvgPolylinesAreTheTracesWithYTurned) {
    film::MotionTrace up = make_trace({{0, 0}, {10, 5}, {20, -5}, {30, 0}});
    up.points[2].valid = false;  // two runs
    const film::MotionTrace down = make_trace({{100, 200}, {110, 190}}, true);
    const std::string path = temp_path("trace.svg");
    ASSERT_EQ(film_out::write_trace_svg(path, {up, down}), 0);
    const auto lines = python_lines(
        "import sys, xml.etree.ElementTree as ET\n"
        "root = ET.parse(sys.argv[1]).getroot()\n"
        "print(root.tag, root.get('viewBox'))\n"
        "for p in root.iter('{http://www.w3.org/2000/svg}polyline'):\n"
        "    print(p.get('class'), p.get('points'))\n",
        path);
    ASSERT_EQ(lines.size(), 4u) << (lines.empty() ? "" : lines[0]);
    EXPECT_EQ(lines[0].rfind("{http://www.w3.org/2000/svg}svg ", 0), 0u) << lines[0];
    std::istringstream box(lines[0].substr(lines[0].find(' ') + 1));
    double vx, vy, vw, vh;
    box >> vx >> vy >> vw >> vh;

    const auto points_of = [](const std::string& line) {
        std::vector<std::pair<double, double>> pts;
        for (const std::string& xy : split(line.substr(line.find(' ') + 1), ' ')) {
            const auto c = split(xy, ',');
            pts.emplace_back(std::stod(c.at(0)), std::stod(c.at(1)));
        }
        return pts;
    };
    const std::vector<std::pair<std::string, std::vector<std::pair<double, double>>>> want = {
        {"trace1", {{0, 0}, {10, -5}}},
        {"trace1", {{30, 0}}},
        {"trace2", {{100, 200}, {110, 190}}}};
    for (size_t i = 0; i < want.size(); ++i) {
        const std::string& line = lines[i + 1];
        EXPECT_EQ(line.substr(0, line.find(' ')), want[i].first);
        const auto pts = points_of(line);
        ASSERT_EQ(pts.size(), want[i].second.size()) << line;
        for (size_t k = 0; k < pts.size(); ++k) {
            EXPECT_NEAR(pts[k].first, want[i].second[k].first, 1e-6) << line;
            EXPECT_NEAR(pts[k].second, want[i].second[k].second, 1e-6) << line;
            EXPECT_GT(pts[k].first, vx);
            EXPECT_LT(pts[k].first, vx + vw);
            EXPECT_GT(pts[k].second, vy);
            EXPECT_LT(pts[k].second, vy + vh);
        }
    }
}

// The POLYLINE vertices ezdxf reads, one line per polyline.
const char* kPolylineScript = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print("AUDIT", len(doc.audit().errors))
for e in doc.modelspace():
    if e.dxftype() == "POLYLINE":
        print(e.dxf.layer, " ".join("%.6f,%.6f" % (v.dxf.location[0], v.dxf.location[1])
                                    for v in e.vertices))
)";

TEST(MotionExport, DxfTracesArePolylinesAfterTheFrame) {
    film::AnmneuFilm fourbar;
    const std::string film_name = std::string(KV_SOURCE_DIR) + "/examples/fourbar_anmneu.anm";
    ASSERT_GT(film::read_anmneu_film(film_name, &fourbar), 0);
    const film::MotionFrames frames = film::anmneu_motion_frames(fourbar);
    film::MotionTrace coupler =
        film::trace_anmneu(fourbar, film::pick_anmneu_anchor(fourbar, 0, 61.67, 71.801), frames);
    ASSERT_EQ(coupler.points.size(), 72u);

    film_out::DxfExportOptions plain;
    plain.file = temp_path("plain.dxf");
    ASSERT_EQ(film_out::dxf_export_anmneu_frame(film_name, 5, plain), 0);
    film_out::DxfExportOptions traced = plain;
    traced.file = temp_path("traced.dxf");
    film::MotionTrace broken = coupler;
    broken.points[40].valid = false;
    traced.traces = {broken};
    ASSERT_EQ(film_out::dxf_export_anmneu_frame(film_name, 5, traced), 0);

    // The frame's entities stay as they were; the traces come after them.
    const std::string tail = "  0\nENDSEC\n  0\nEOF\n";
    const std::string a = read_whole(plain.file), b = read_whole(traced.file);
    ASSERT_GT(a.size(), tail.size());
    EXPECT_EQ(b.compare(0, a.size() - tail.size(), a, 0, a.size() - tail.size()), 0);
    EXPECT_EQ(b.substr(b.size() - tail.size()), tail);

    const auto lines = python_lines(kPolylineScript, traced.file);
    ASSERT_EQ(lines.size(), 3u) << (lines.empty() ? "" : lines[0]);
    EXPECT_EQ(lines[0], "AUDIT 0");
    size_t k = 0;
    for (size_t run = 0; run < 2; ++run) {
        const std::string& line = lines[run + 1];
        EXPECT_EQ(line.substr(0, line.find(' ')), film_out::kDxfLayer);
        for (const std::string& xy : split(line.substr(line.find(' ') + 1), ' ')) {
            if (k == 40) ++k;
            const auto c = split(xy, ',');
            EXPECT_NEAR(std::stod(c.at(0)), coupler.points[k].x, 1e-6) << k;
            EXPECT_NEAR(std::stod(c.at(1)), coupler.points[k].y, 1e-6) << k;
            ++k;
        }
    }
    EXPECT_EQ(k, 72u);
}

// Line films keep y downwards; their DXF turns it up about the film's height, traces too.
TEST(MotionExport, LineFilmTracesTurnUpWithTheFrame) {
    film::FrameStore store;
    store.virtual_height = 1000;
    store.add_frame({{film::kMoveTo, 10, 100}, {film::kLineTo, 50, 300}});
    const film::LineFilmFramePainter painter(store, 0);
    film_out::DxfExportOptions options;
    options.file = temp_path("line.dxf");
    options.traces = {make_trace({{50, 300}, {60, 250}}, true)};
    ASSERT_EQ(film_out::dxf_export_line_film_frame(painter, store.virtual_height, options), 0);
    const auto lines = python_lines(kPolylineScript, options.file);
    ASSERT_EQ(lines.size(), 2u) << (lines.empty() ? "" : lines[0]);
    EXPECT_EQ(lines[1], "TARVO 50.000000,700.000000 60.000000,750.000000");
}

TEST(MotionExport, ChartMarksLeastAndGreatestDistance) {
    film::MotionTrack track;
    for (int f = 0; f < 8; ++f)
        track.samples.push_back({f, 45.0 * f, 100 - 40 * std::cos(f * M_PI / 4), 10.0 * f - 30});
    track.min_index = 0;
    track.max_index = 4;
    mw31::RecordingCanvas canvas(640, 480);
    film_out::draw_track_chart(canvas, 640, 480, track);
    const film_out::TrackChartLayout l = film_out::track_chart_layout(track, 640, 480);

    // Rings about the least (frame 0, left end, bottom) and the greatest (frame 4) distance.
    std::vector<mw31::Point> rings;
    for (const mw31::DrawOp& op : canvas.ops)
        if (op.kind == mw31::DrawOp::AngleArc && op.sweep == 360) rings.push_back({op.x, op.y});
    ASSERT_EQ(rings.size(), 2u);
    EXPECT_EQ(rings[0], (mw31::Point{l.plot.left, l.y_of_distance(60)}));
    EXPECT_EQ(rings[1].x, l.x_of(180));
    EXPECT_LT(rings[1].y, rings[0].y);  // greater distance, higher up
    EXPECT_GT(rings[0].y, l.plot.top);
    EXPECT_LT(rings[0].y, l.plot.bottom);
    EXPECT_GE(rings[1].y, l.plot.top);

    // The distance curve runs through every sample, its labels name the frames.
    std::vector<mw31::Point> thick;
    bool min_label = false, max_label = false;
    for (const mw31::DrawOp& op : canvas.ops) {
        if ((op.kind == mw31::DrawOp::LineTo || op.kind == mw31::DrawOp::MoveTo) &&
            op.pen.width == 2 && op.pen.colour == mw31::Rgb{0, 0, 192})
            thick.push_back({op.x, op.y});
        if (op.kind == mw31::DrawOp::TextOut) {
            min_label |= op.text == "min 60.000 (Bild / frame 0)";
            max_label |= op.text == "max 140.000 (Bild / frame 4)";
        }
    }
    ASSERT_EQ(thick.size(), track.samples.size());
    for (size_t k = 0; k < thick.size(); ++k)
        EXPECT_EQ(thick[k], (mw31::Point{l.x_of(track.samples[k].angle),
                                         l.y_of_distance(track.samples[k].distance)}));
    EXPECT_TRUE(min_label);
    EXPECT_TRUE(max_label);

    // A constant distance sits mid-height rather than on an edge.
    film::MotionTrack flat;
    flat.samples = {{0, 0, 100, 0}, {1, 180, 100, 0}};
    flat.min_index = flat.max_index = 0;
    const film_out::TrackChartLayout fl = film_out::track_chart_layout(flat, 640, 480);
    EXPECT_NEAR(fl.y_of_distance(100), (fl.plot.top + fl.plot.bottom) / 2, 2);
}

}  // namespace
