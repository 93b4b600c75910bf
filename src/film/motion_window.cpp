// The film window's side of traces, followed measurements and the onion skin.
#include "film/motion_window.h"

#include <cctype>
#include <iterator>
#include <string>

#include "film/measuring.h"
#include "film/measuring_window.h"
#include "film/motion_chart.h"
#include "film/overlays.h"
#include "film_model/paint_basics.h"
#include "mw31/cursor.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"
#include "mw31/picture.h"
#include "mw31/process.h"
#include "mw31/program_title.h"

namespace film {

namespace {

constexpr int kPointSquare = 2;  // half the side of the current point's square

void request_redraw(FilmWindow& fw) {
    if (fw.state.drag == kDragIdle) fw.state.drag = kDragRedraw;
}

void set_cursor(FilmWindow& fw, const char* shape) {
    if (fw.window) fw.window->set_cursor(mw31::cursor_shape_for(shape));
}

bool ends_with(const std::string& name, const char* ext) {
    const std::string e(ext);
    if (name.size() < e.size()) return false;
    for (size_t k = 0; k < e.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - e.size() + k])) != e[k])
            return false;
    return true;
}

void write_traces(FilmWindow& fw) {
    const FilmOutputs& out = fw.outputs;
    if (fw.motion.traces.empty()) {
        mw31::message_printf("Keine Spuren (t) / no traces (t)");
        return;
    }
    if (!out.trace_csv && !out.trace_svg) return;
    mw31::SaveFileRequest request;
    request.title = std::string(mw31::kProgramTitle) + "    Spuren speichern / Save traces";
    request.filter = "CSV-Dateien|*.csv|SVG-Dateien|*.svg|";
    request.overwrite_prompt = true;
    const std::string name = mw31::save_file_dialog(request);
    if (name.empty()) return;
    if (ends_with(name, ".svg")) {
        if (out.trace_svg) out.trace_svg(name, fw.motion.traces);
    } else if (out.trace_csv) {
        out.trace_csv(name, fw.motion.traces);
    }
}

// f: the measured points tied to the parts under them and followed; again: off.
void toggle_followed(FilmWindow& fw) {
    MotionWindowState& mo = fw.motion;
    if (mo.followed.on) {
        mo.followed = FollowedMeasurement{};
        if (mo.chart && mo.chart->window) {
            mo.chart->closed = true;
            mo.chart->window->show(mw31::ShowMode::Hidden);
        }
        request_redraw(fw);
        return;
    }
    const MeasureState& m = fw.measuring.state;
    if (!mo.source.pick || !mo.source.trace) return;
    if (!reference_set(m) || !direction_set(m)) {
        mw31::message_printf(
            "Erst Bezugs- und Richtungspunkt waehlen (z, r) / pick the reference and the "
            "direction point first (z, r)");
        return;
    }
    const int frame = fw.state.index;
    const MotionAnchor a = mo.source.pick(frame, m.ref_x, m.ref_y);
    const MotionAnchor b = mo.source.pick(frame, m.dir_x, m.dir_y);
    if (a.kind == MotionAnchor::kNone || b.kind == MotionAnchor::kNone) {
        mw31::message_printf("Kein Teil unter dem Punkt / no part under the point");
        return;
    }
    FollowedMeasurement& f = mo.followed;
    f.reference = mo.source.trace(a);
    f.direction = mo.source.trace(b);
    f.track = track_distance(f.reference, f.direction);
    f.on = true;
    if (mo.chart)
        set_chart_track(*mo.chart, f.track);
    else
        mo.chart = open_motion_chart(f.track);
    if (mo.chart) mo.chart->write_csv = fw.outputs.track_csv;
    request_redraw(fw);
}

const TracePoint* point_of(const MotionTrace& trace, int frame) {
    for (const TracePoint& p : trace.points)
        if (p.frame == frame) return p.valid ? &p : nullptr;
    return nullptr;
}

OnionKey onion_key(const FilmWindow& fw, const FilmView& view, int step) {
    OnionKey k;
    k.area = view.area;
    k.fit = view.fit;
    k.zoom = view.zoom;
    k.x0 = view.x0;
    k.y0 = view.y0;
    if (fw.world_window) k.world = *fw.world_window;
    k.inverted = fw.state.invert;
    k.pen_width = fw.state.pen_width;
    k.step = step;
    k.first = fw.state.first_index;
    k.frame_count = fw.state.frame_count;
    k.film = fw.screen.painter;
    return k;
}

bool same_view(const FilmView& a, const FilmView& b) {
    return a.area == b.area && a.fit == b.fit && a.zoom == b.zoom && a.x0 == b.x0 && a.y0 == b.y0;
}

}  // namespace

const std::vector<mw31::Rgb>& trace_colours() {
    static const std::vector<mw31::Rgb> colours = {
        {0, 96, 255},  {230, 120, 0}, {0, 170, 60},  {200, 0, 200},
        {0, 170, 190}, {140, 80, 20}, {110, 0, 230}, {240, 0, 110},
    };
    return colours;
}

int next_onion_step(int step) {
    constexpr int n = int(std::size(kOnionSteps));
    for (int k = 0; k < n; ++k)
        if (kOnionSteps[k] == step) return kOnionSteps[(k + 1) % n];
    return kOnionSteps[0];
}

std::vector<int> onion_frames(int first, int frame_count, int step) {
    std::vector<int> frames;
    if (step <= 0) return frames;
    for (int f = first < 0 ? 0 : first; f < frame_count; f += step) frames.push_back(f);
    return frames;
}

mw31::Rgb faded_colour(mw31::Rgb c, mw31::Rgb bg, int strength) {
    auto mix = [strength](int v, int b) { return uint8_t(b + (v - b) * strength / 256); };
    return mw31::Rgb{mix(c.r, bg.r), mix(c.g, bg.g), mix(c.b, bg.b)};
}

bool make_onion_skin(OnionSkin* onion, const MotionSource& source, const FilmView& view,
                     const PaintStyle& style, const std::vector<int>& frames) {
    onion->offsets.clear();
    onion->colours.clear();
    onion->made = false;
    ++onion->makings;
    if (!source.paint_frame) return false;
    std::unique_ptr<mw31::Picture> picture = make_area_picture(view, style.inverted);
    if (!picture) return false;
    mw31::Canvas& canvas = picture->canvas();
    for (int f : frames) source.paint_frame(canvas, view, style, f);
    const mw31::Rgb bg = background_brush(style.inverted).colour;
    const int w = picture->width(), h = picture->height();
    ptrdiff_t stride = 0;
    const uint32_t* pixels = picture->rgb32_pixels(&stride);
    const uint32_t bg_word = mw31::pack_rgb(bg);
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = pixels ? reinterpret_cast<const uint32_t*>(
                                           reinterpret_cast<const char*>(pixels) + y * stride)
                                     : nullptr;
        for (int x = 0; x < w; ++x) {
            const uint32_t word =
                row ? (row[x] & 0xffffffu) : mw31::pack_rgb(canvas.get_pixel(x, y));
            if (word == bg_word) continue;
            onion->offsets.push_back(uint32_t(y) * uint32_t(w) + uint32_t(x));
            onion->colours.push_back(faded_colour(mw31::unpack_rgb(word), bg));
        }
    }
    onion->width = w;
    onion->made = true;
    return true;
}

void draw_onion_skin(mw31::Canvas& canvas, const OnionSkin& onion) {
    if (!onion.made || onion.width <= 0) return;
    const uint32_t w = uint32_t(onion.width);
    for (size_t k = 0; k < onion.offsets.size(); ++k)
        canvas.set_pixel(int(onion.offsets[k] % w), int(onion.offsets[k] / w), onion.colours[k]);
}

void draw_trace(mw31::Canvas& canvas, const WorldPicture& map, const MotionTrace& trace,
                mw31::Rgb colour, int pen_width, int frame) {
    canvas.select_pen(mw31::Pen{mw31::PenStyle::Solid, pen_width, colour});
    bool open = false;
    for (const TracePoint& p : trace.points) {
        if (!p.valid) {
            open = false;
            continue;
        }
        const mw31::Point at = map.at(p.x, p.y);
        if (open)
            canvas.line_to(at.x, at.y);
        else
            canvas.move_to(at.x, at.y);
        open = true;
    }
    if (const TracePoint* p = point_of(trace, frame)) {
        const mw31::Point at = map.at(p->x, p->y);
        canvas.fill_rect(mw31::Rect{at.x - kPointSquare, at.y - kPointSquare,
                                    at.x + kPointSquare + 1, at.y + kPointSquare + 1},
                         mw31::Brush{colour, false});
    }
}

void motion_command(FilmWindow& fw, int command) {
    MotionWindowState& mo = fw.motion;
    switch (command) {
        case kKeyTrace:
            if (!mo.source.pick || !mo.source.trace) return;
            mo.trace_armed = true;
            set_cursor(fw, "cross");
            break;
        case kKeyClearTraces:
            mo.traces.clear();
            mo.trace_armed = false;
            set_cursor(fw, "arrow");
            break;
        case kKeyOnion:
            mo.onion.step = next_onion_step(mo.onion.step);
            mo.onion.made = false;
            break;
        case kKeyFollow:
            toggle_followed(fw);
            return;
        case kKeyWriteMotion:
            write_traces(fw);
            return;
        default:
            return;
    }
    request_redraw(fw);
}

bool motion_press(FilmWindow& fw, int x, int y) {
    MotionWindowState& mo = fw.motion;
    if (!mo.trace_armed) return false;
    mo.trace_armed = false;
    set_cursor(fw, "arrow");
    double wx, wy;
    window_world_picture(fw, fw.view).world_of(x, y, &wx, &wy);
    const MotionAnchor anchor = mo.source.pick(fw.state.index, wx, wy);
    if (anchor.kind != MotionAnchor::kNone) mo.traces.push_back(mo.source.trace(anchor));
    request_redraw(fw);
    return true;
}

void paint_onion(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view) {
    const int step = fw.motion.onion.step;
    if (step <= 0) return;
    OnionSkin& onion = same_view(view, fw.view) ? fw.motion.onion : fw.motion.recorded_onion;
    const OnionKey key = onion_key(fw, view, step);
    if (!onion.made || !(onion.key == key)) {
        make_onion_skin(&onion, fw.motion.source, view, paint_style(fw),
                        onion_frames(fw.state.first_index, fw.state.frame_count, step));
        onion.key = key;
    }
    draw_onion_skin(canvas, onion);
}

void paint_motion_over(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view) {
    const MotionWindowState& mo = fw.motion;
    if (mo.traces.empty() && !mo.followed.on) return;
    const WorldPicture map = window_world_picture(fw, view);
    const int frame = fw.state.index;
    const std::vector<mw31::Rgb>& colours = trace_colours();
    for (size_t k = 0; k < mo.traces.size(); ++k)
        draw_trace(canvas, map, mo.traces[k], colours[k % colours.size()], fw.state.pen_width,
                   frame);
    if (!mo.followed.on) return;
    const TracePoint* a = point_of(mo.followed.reference, frame);
    const TracePoint* b = point_of(mo.followed.direction, frame);
    if (!a || !b) return;
    const OverlayStyle style = overlay_style(paint_style(fw));
    const mw31::Point pa = map.at(a->x, a->y), pb = map.at(b->x, b->y);
    canvas.select_pen(mw31::Pen{mw31::PenStyle::Solid, fw.state.pen_width, style.measure});
    canvas.move_to(pa.x, pa.y);
    canvas.line_to(pb.x, pb.y);
    // Line films count y downwards; the text gives the length and angle as seen.
    const double dy = mo.followed.reference.y_down ? a->y - b->y : b->y - a->y;
    canvas.set_text_transparent(true);
    canvas.set_text_colour(style.measure);
    canvas.text_out((pa.x + pb.x) / 2, (pa.y + pb.y) / 2 + canvas.text_height(),
                    length_angle_text(b->x - a->x, dy));
    canvas.set_text_transparent(false);
}

void motion_frame_shown(FilmWindow& fw) {
    if (fw.motion.chart && fw.motion.followed.on)
        show_chart_frame(*fw.motion.chart, fw.state.index);
}

}  // namespace film
