// The followed measurement's chart and its window.
#include "film/motion_chart.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "mw31/dialogs.h"
#include "mw31/format.h"
#include "mw31/program_title.h"

namespace film {

namespace {

constexpr int kMarginLeft = 60, kMarginRight = 60, kMarginTop = 40, kMarginBottom = 30;

int scaled(double v, double lo, double hi, int from, int to) {
    if (!(hi > lo)) return (from + to) / 2;
    return from + int(std::lround((v - lo) / (hi - lo) * (to - from)));
}

void line(mw31::Canvas& c, int x0, int y0, int x1, int y1) {
    c.move_to(x0, y0);
    c.line_to(x1, y1);
}

void text_at(mw31::Canvas& c, int x, int y, const std::string& text, mw31::Rgb colour) {
    c.set_text_colour(colour);
    c.text_out(x, y, text);
}

// One curve; a jump of the angle across +-180 is not drawn as a line across the chart.
template <typename YOf>
void curve(mw31::Canvas& c, const ChartLayout& l, const MotionTrack& track, mw31::Rgb colour,
           YOf y_of, bool wraps) {
    c.select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, colour});
    const auto& s = track.samples;
    for (size_t k = 0; k < s.size(); ++k) {
        const int x = l.x_of(s[k].angle);
        const int y = y_of(s[k]);
        const bool jump = k > 0 && wraps && std::fabs(s[k].direction - s[k - 1].direction) > 180;
        if (k == 0 || jump)
            c.move_to(x, y);
        else
            c.line_to(x, y);
    }
}

void ring(mw31::Canvas& c, int x, int y, mw31::Rgb colour) {
    c.select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, colour});
    c.select_brush(mw31::Brush{{255, 255, 255}, true});
    c.rectangle(mw31::Rect{x - 3, y - 3, x + 4, y + 4});
}

}  // namespace

int ChartLayout::x_of(double angle) const {
    return scaled(angle, angle_lo, angle_hi, plot.left, plot.right - 1);
}
int ChartLayout::y_of_length(double length) const {
    return scaled(length, length_lo, length_hi, plot.bottom - 1, plot.top);
}
int ChartLayout::y_of_direction(double direction) const {
    return scaled(direction, direction_lo, direction_hi, plot.bottom - 1, plot.top);
}

ChartLayout chart_layout(const MotionTrack& track, int width, int height) {
    ChartLayout l;
    l.plot = mw31::Rect{kMarginLeft, kMarginTop, std::max(kMarginLeft + 1, width - kMarginRight),
                        std::max(kMarginTop + 1, height - kMarginBottom)};
    const auto& s = track.samples;
    if (s.empty()) return l;
    const auto [a_lo, a_hi] = std::minmax_element(
        s.begin(), s.end(), [](const auto& a, const auto& b) { return a.angle < b.angle; });
    l.angle_lo = a_lo->angle;
    l.angle_hi = a_hi->angle > a_lo->angle ? a_hi->angle : a_lo->angle + 1;
    l.length_lo = s[size_t(track.min_index)].distance;
    l.length_hi = s[size_t(track.max_index)].distance;
    // A length that never changes sits in the middle of a band around it.
    if (!(l.length_hi > l.length_lo)) {
        const double pad = std::max(1e-9, std::fabs(l.length_lo) * 0.05 + 1e-9);
        l.length_lo -= pad;
        l.length_hi += pad;
    }
    return l;
}

int chart_sample_of(const MotionTrack& track, int frame) {
    for (size_t k = 0; k < track.samples.size(); ++k)
        if (track.samples[k].frame == frame) return int(k);
    return -1;
}

std::string chart_min_text(const MotionTrack& track) {
    if (track.min_index < 0) return {};
    const TrackSample& s = track.samples[size_t(track.min_index)];
    return mw31::format_text("min l=%.3lf (Bild/frame %d)", s.distance, s.frame);
}

std::string chart_max_text(const MotionTrack& track) {
    if (track.max_index < 0) return {};
    const TrackSample& s = track.samples[size_t(track.max_index)];
    return mw31::format_text("max l=%.3lf (Bild/frame %d)", s.distance, s.frame);
}

std::string chart_current_text(const MotionTrack& track, int frame) {
    const int k = chart_sample_of(track, frame);
    if (k < 0) return {};
    const TrackSample& s = track.samples[size_t(k)];
    return mw31::format_text("Bild/frame %d: l=%.3lf w=%.3lf Grad", s.frame, s.distance,
                             s.direction);
}

void draw_motion_chart(mw31::Canvas& c, int width, int height, const MotionTrack& track,
                       int frame) {
    const mw31::Rgb black{0, 0, 0};
    c.fill_rect(mw31::Rect{0, 0, width, height}, mw31::Brush{{255, 255, 255}, false});
    const ChartLayout l = chart_layout(track, width, height);
    c.set_text_transparent(true);
    c.select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, black});
    c.select_brush(mw31::Brush{{255, 255, 255}, true});
    c.rectangle(l.plot);
    text_at(c, 4, l.plot.top - 4, mw31::format_text("%.3lf", l.length_hi), kChartLengthColour);
    text_at(c, 4, l.plot.bottom, mw31::format_text("%.3lf", l.length_lo), kChartLengthColour);
    text_at(c, l.plot.right + 4, l.plot.top + 10, "180", kChartDirectionColour);
    text_at(c, l.plot.right + 4, l.plot.bottom, "-180", kChartDirectionColour);
    text_at(c, l.plot.left, height - 4, mw31::format_text("%.1lf\xC2\xB0", l.angle_lo), black);
    const std::string hi = mw31::format_text("%.1lf\xC2\xB0", l.angle_hi);
    text_at(c, l.plot.right - c.text_width(hi), height - 4, hi, black);
    if (!track.samples.empty()) {
        curve(
            c, l, track, kChartDirectionColour,
            [&](const TrackSample& s) { return l.y_of_direction(s.direction); }, true);
        curve(
            c, l, track, kChartLengthColour,
            [&](const TrackSample& s) { return l.y_of_length(s.distance); }, false);
        const TrackSample& lo = track.samples[size_t(track.min_index)];
        const TrackSample& hi_s = track.samples[size_t(track.max_index)];
        ring(c, l.x_of(lo.angle), l.y_of_length(lo.distance), kChartLengthColour);
        ring(c, l.x_of(hi_s.angle), l.y_of_length(hi_s.distance), kChartLengthColour);
    }
    text_at(c, 4, 14, chart_min_text(track), kChartLengthColour);
    text_at(c, width / 2, 14, chart_max_text(track), kChartLengthColour);
    const int k = chart_sample_of(track, frame);
    if (k >= 0) {
        const int x = l.x_of(track.samples[size_t(k)].angle);
        c.select_pen(mw31::Pen{mw31::PenStyle::Solid, 1, kChartMarkColour});
        line(c, x, l.plot.top, x, l.plot.bottom - 1);
        text_at(c, 4, 30, chart_current_text(track, frame), kChartMarkColour);
    }
    c.set_text_transparent(false);
}

namespace {

MotionChartWindow& chart_of(void* user) {
    return *static_cast<MotionChartWindow*>(user);
}

void chart_proc(mw31::Window&, const mw31::Message& m, void* user) {
    MotionChartWindow& chart = chart_of(user);
    switch (m.kind) {
        case mw31::MessageKind::Char:
            if (m.key == 'w' || m.key == 'W') save_motion_chart(chart);
            break;
        case mw31::MessageKind::Close:
            chart.closed = true;
            chart.window->show(mw31::ShowMode::Hidden);
            break;
        case mw31::MessageKind::Size:
            chart.shown_frame = -2;  // the picture stays; it is copied again at the next frame
            break;
        default:
            break;
    }
}

bool ends_with_png(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char ch) { return char(std::tolower(ch)); });
    return tail == ".png";
}

}  // namespace

std::shared_ptr<MotionChartWindow> open_motion_chart(const MotionTrack& track) {
    auto chart = std::make_shared<MotionChartWindow>();
    chart->track = track;
    mw31::WindowSpec setup;
    setup.title = std::string(mw31::kProgramTitle) + "    Messen / measurement over the cycle";
    setup.client_width = kChartWidth;
    setup.client_height = kChartHeight;
    setup.icon = "kvfilm";
    setup.proc = chart_proc;
    setup.user = chart.get();
    chart->window = mw31::create_window(setup);
    chart->picture = mw31::create_picture(kChartWidth, kChartHeight);
    if (!chart->window || !chart->picture) {
        mw31::message_printf("kann Diagrammfenster nicht oeffnen / cannot open the chart window");
        return nullptr;
    }
    chart->window->show(mw31::ShowMode::Normal);
    return chart;
}

void set_chart_track(MotionChartWindow& chart, const MotionTrack& track) {
    chart.track = track;
    chart.shown_frame = -2;
    if (chart.closed && chart.window) {
        chart.closed = false;
        chart.window->show(mw31::ShowMode::Normal);
    }
}

void show_chart_frame(MotionChartWindow& chart, int frame) {
    if (chart.closed || !chart.window || !chart.picture || frame == chart.shown_frame) return;
    draw_motion_chart(chart.picture->canvas(), chart.picture->width(), chart.picture->height(),
                      chart.track, frame);
    chart.window->copy_picture(*chart.picture, 0, 0);
    chart.shown_frame = frame;
}

void save_motion_chart(MotionChartWindow& chart) {
    mw31::SaveFileRequest request;
    request.title = std::string(mw31::kProgramTitle) + "    Messung speichern / Save measurement";
    request.filter = chart.write_csv ? "CSV-Dateien|*.csv|PNG-Bilder|*.png|" : "PNG-Bilder|*.png|";
    request.overwrite_prompt = true;
    const std::string name = mw31::save_file_dialog(request);
    if (name.empty()) return;
    if (ends_with_png(name) || !chart.write_csv) {
        if (!chart.picture || !chart.picture->save_png(name))
            mw31::message_printf("Kann Datei nicht schreiben / Cannot write file:\n%s",
                                 name.c_str());
        return;
    }
    chart.write_csv(name, chart.track);
}

}  // namespace film
