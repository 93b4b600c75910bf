// Motion tables and drawings. Every number goes through the formatting engine, so no decimal
// comma of a locale reaches a file.
#include "film_out/motion_export.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "mw31/atomic_file.h"
#include "mw31/format.h"
#include "mw31/messages.h"
#include "mw31/picture.h"

namespace film_out {

namespace {

std::string number(double v) {
    return mw31::format_text("%.6lf", v);
}

int write_text(const std::string& path, const std::string& text) {
    std::string error;
    if (mw31::write_file_atomically(path, text, &error)) return 0;
    mw31::message_printf(
        "Kann Datei nicht zum Schreiben oeffnen / Cannot open file for write:\n%s"
        "\n%s",
        path.c_str(), error.c_str());
    return 1;
}

// Colours told apart on white, for the traces of an SVG.
constexpr const char* kTraceColours[] = {"#c00000", "#0000c0", "#008000",
                                         "#c000c0", "#c08000", "#008080"};

}  // namespace

std::string trace_csv_text(const std::vector<film::MotionTrace>& traces) {
    std::string out = "frame,angle";
    for (size_t t = 0; t < traces.size(); ++t)
        out += mw31::format_text(",x%d,y%d", int(t + 1), int(t + 1));
    out += '\n';
    const size_t rows = traces.empty() ? 0 : traces[0].points.size();
    for (size_t k = 0; k < rows; ++k) {
        const film::TracePoint& first = traces[0].points[k];
        out += mw31::format_text("%d,", first.frame) + number(first.angle);
        for (const film::MotionTrace& trace : traces) {
            out += ',';
            if (k < trace.points.size() && trace.points[k].valid)
                out += number(trace.points[k].x) + ',' + number(trace.points[k].y);
            else
                out += ',';
        }
        out += '\n';
    }
    return out;
}

std::string track_csv_text(const film::MotionTrack& track) {
    std::string out = "frame,angle,distance,direction\n";
    for (const film::TrackSample& s : track.samples)
        out += mw31::format_text("%d,", s.frame) + number(s.angle) + ',' + number(s.distance) +
               ',' + number(s.direction) + '\n';
    return out;
}

std::string trace_svg_text(const std::vector<film::MotionTrace>& traces) {
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    const auto svg_y = [](const film::MotionTrace& t, double y) { return t.y_down ? y : -y; };
    for (const film::MotionTrace& t : traces)
        for (const film::TracePoint& p : t.points) {
            if (!p.valid) continue;
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, svg_y(t, p.y));
            y1 = std::max(y1, svg_y(t, p.y));
        }
    if (x0 > x1) x0 = y0 = 0, x1 = y1 = 1;
    // A margin of a twentieth, and some size even for a point that does not move.
    const double span = std::max({x1 - x0, y1 - y0, 1e-6});
    const double margin = span / 20;
    x0 -= margin;
    y0 -= margin;
    const double w = x1 - x0 + margin, h = y1 - y0 + margin;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" + number(x0) + ' ' + number(y0) +
           ' ' + number(w) + ' ' + number(h) + "\" width=\"800\" height=\"" +
           mw31::format_text("%d", std::max(1, int(std::lround(800 * h / w)))) + "\">\n";
    out +=
        "<g fill=\"none\" stroke-width=\"" + number(span / 400) + "\" stroke-linejoin=\"round\">\n";
    for (size_t t = 0; t < traces.size(); ++t) {
        const film::MotionTrace& trace = traces[t];
        const char* colour = kTraceColours[t % std::size(kTraceColours)];
        std::string points;
        const auto flush = [&] {
            if (!points.empty())
                out += mw31::format_text("<polyline class=\"trace%d\" stroke=\"%s\" points=\"",
                                         int(t + 1), colour) +
                       points + "\"/>\n";
            points.clear();
        };
        for (const film::TracePoint& p : trace.points) {
            if (!p.valid) {
                flush();
                continue;
            }
            if (!points.empty()) points += ' ';
            points += number(p.x) + ',' + number(svg_y(trace, p.y));
        }
        flush();
    }
    out += "</g>\n</svg>\n";
    return out;
}

int write_trace_csv(const std::string& path, const std::vector<film::MotionTrace>& traces) {
    return write_text(path, trace_csv_text(traces));
}

int write_track_csv(const std::string& path, const film::MotionTrack& track) {
    return write_text(path, track_csv_text(track));
}

int write_trace_svg(const std::string& path, const std::vector<film::MotionTrace>& traces) {
    return write_text(path, trace_svg_text(traces));
}

int TrackChartLayout::x_of(double angle) const {
    const double f = angle_max > angle_min ? (angle - angle_min) / (angle_max - angle_min) : 0.5;
    return plot.left + int(std::lround(f * (plot.width() - 1)));
}

int TrackChartLayout::y_of_distance(double d) const {
    const double f =
        distance_max > distance_min ? (d - distance_min) / (distance_max - distance_min) : 0.5;
    return plot.bottom - 1 - int(std::lround(f * (plot.height() - 1)));
}

int TrackChartLayout::y_of_direction(double d) const {
    const double f =
        direction_max > direction_min ? (d - direction_min) / (direction_max - direction_min) : 0.5;
    return plot.bottom - 1 - int(std::lround(f * (plot.height() - 1)));
}

TrackChartLayout track_chart_layout(const film::MotionTrack& track, int width, int height) {
    TrackChartLayout l;
    // Room for the scales at the sides, the title above and the angle scale below.
    l.plot = mw31::Rect{80, 40, std::max(81, width - 80), std::max(41, height - 50)};
    if (track.samples.empty()) return l;
    l.angle_min = l.angle_max = track.samples[0].angle;
    l.direction_min = l.direction_max = track.samples[0].direction;
    for (const film::TrackSample& s : track.samples) {
        l.angle_min = std::min(l.angle_min, s.angle);
        l.angle_max = std::max(l.angle_max, s.angle);
        l.direction_min = std::min(l.direction_min, s.direction);
        l.direction_max = std::max(l.direction_max, s.direction);
    }
    l.distance_min = track.samples[size_t(track.min_index)].distance;
    l.distance_max = track.samples[size_t(track.max_index)].distance;
    // A constant distance still gets a band to sit in, so that it lies mid-height.
    const double pad = std::max((l.distance_max - l.distance_min) * 0.05,
                                1e-3 * std::max(1.0, std::fabs(l.distance_max)));
    l.distance_min -= pad;
    l.distance_max += pad;
    const double dpad = std::max((l.direction_max - l.direction_min) * 0.05, 0.5);
    l.direction_min -= dpad;
    l.direction_max += dpad;
    return l;
}

void draw_track_chart(mw31::Canvas& canvas, int width, int height, const film::MotionTrack& track) {
    const mw31::Rgb black{0, 0, 0}, blue{0, 0, 192}, green{0, 128, 0}, red{200, 0, 0};
    canvas.fill_rect(mw31::Rect{0, 0, width, height}, mw31::Brush{{255, 255, 255}, false});
    canvas.set_text_transparent(true);
    const TrackChartLayout l = track_chart_layout(track, width, height);
    const mw31::Rect& r = l.plot;

    canvas.select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, black});
    canvas.select_brush(mw31::Brush{{255, 255, 255}, true});
    canvas.rectangle(r);
    canvas.set_text_colour(black);
    canvas.text_out(r.left, 10,
                    "Abstand / distance (links / left), Richtung / direction "
                    "(rechts / right) ueber / over phi");
    if (track.samples.empty()) {
        canvas.text_out(r.left + 10, r.top + 10, "keine Werte / no samples");
        return;
    }
    // Scales: both ends of each.
    const int th = canvas.text_height();
    canvas.text_out(r.left, r.bottom + 6, mw31::format_text("%.1lf", l.angle_min));
    const std::string amax = mw31::format_text("%.1lf Grad", l.angle_max);
    canvas.text_out(r.right - canvas.text_width(amax), r.bottom + 6, amax);
    canvas.set_text_colour(blue);
    for (double d : {l.distance_min, l.distance_max}) {
        const std::string t = mw31::format_text("%.3lf", d);
        canvas.text_out(r.left - 6 - canvas.text_width(t), l.y_of_distance(d) - th / 2, t);
    }
    canvas.set_text_colour(green);
    for (double d : {l.direction_min, l.direction_max})
        canvas.text_out(r.right + 6, l.y_of_direction(d) - th / 2, mw31::format_text("%.1lf", d));

    // Direction first, so the distance lies over it.
    canvas.select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, green});
    for (size_t k = 0; k < track.samples.size(); ++k) {
        const film::TrackSample& s = track.samples[k];
        if (k == 0)
            canvas.move_to(l.x_of(s.angle), l.y_of_direction(s.direction));
        else
            canvas.line_to(l.x_of(s.angle), l.y_of_direction(s.direction));
    }
    canvas.select_pen(mw31::Pen{mw31::PenStyle::Solid, 2, blue});
    for (size_t k = 0; k < track.samples.size(); ++k) {
        const film::TrackSample& s = track.samples[k];
        if (k == 0)
            canvas.move_to(l.x_of(s.angle), l.y_of_distance(s.distance));
        else
            canvas.line_to(l.x_of(s.angle), l.y_of_distance(s.distance));
    }

    canvas.select_pen(mw31::Pen{mw31::PenStyle::Solid, 2, red});
    canvas.set_text_colour(red);
    const auto mark = [&](int index, const char* what, int dy) {
        const film::TrackSample& s = track.samples[size_t(index)];
        const int x = l.x_of(s.angle), y = l.y_of_distance(s.distance);
        canvas.move_to(x + 6, y);
        canvas.angle_arc(x, y, 6, 0, 360);
        const std::string t =
            mw31::format_text("%s %.3lf (Bild / frame %d)", what, s.distance, s.frame);
        const int tx = std::min(x + 10, width - canvas.text_width(t) - 2);
        canvas.text_out(std::max(tx, 2), y + dy, t);
    };
    mark(track.min_index, "min", -th - 8);
    mark(track.max_index, "max", 8);
}

int write_track_chart(const std::string& path, const film::MotionTrack& track, int width,
                      int height) {
    const std::unique_ptr<mw31::Picture> picture = mw31::create_picture(width, height);
    if (!picture) {
        mw31::message_printf("kann Bild nicht anlegen / cannot make a picture of %d x %d", width,
                             height);
        return 1;
    }
    draw_track_chart(picture->canvas(), width, height, track);
    if (!picture->save_png(path)) {
        mw31::message_printf("kann Bild nicht schreiben / cannot write picture %s", path.c_str());
        return 1;
    }
    return 0;
}

}  // namespace film_out
