// Picking walks the frame as the painter does, with a sink that measures instead of drawing;
// tracing places the picked point with the painter's own placement.
#include "film_model/motion_trace.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "film_model/contour_placement.h"
#include "film_model/frame_walk.h"
#include "mw31/text_services.h"

namespace film {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

double segment_distance(double ax, double ay, double bx, double by, double px, double py) {
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return std::hypot(ax + t * dx - px, ay + t * dy - py);
}

// Distance from the point to the nearest of everything the walk draws; moves, colours and
// labels draw nothing a point could lie on.
class NearestSink final : public FrameSink {
  public:
    NearestSink(double x, double y, double pixel_width, double world_width)
        : px_(x), py_(y), pixel_width_(pixel_width), world_width_(world_width) {}

    double best() const { return best_; }
    void reset() { best_ = kInf; }

    void colour(int) override {}
    void move_to(double x, double y) override {
        x_ = x;
        y_ = y;
    }
    void line_to(double x, double y, bool) override { segment_to(x, y); }
    void arc(const FrameArc& a, bool) override {
        const double r = std::fabs(a.r);
        const double d = std::hypot(px_ - a.cx, py_ - a.cy);
        const double end_deg = a.start_deg + a.sweep_deg;
        const double ex = a.cx + r * std::cos(end_deg * M_PI / 180);
        const double ey = a.cy + r * std::sin(end_deg * M_PI / 180);
        const double sx = a.cx + r * std::cos(a.start_deg * M_PI / 180);
        const double sy = a.cy + r * std::sin(a.start_deg * M_PI / 180);
        bool on_arc = std::fabs(a.sweep_deg) >= 360 || d == 0;
        if (!on_arc) {
            const double at = std::atan2(py_ - a.cy, px_ - a.cx) * 180 / M_PI;
            double rel = a.sweep_deg >= 0 ? at - a.start_deg : a.start_deg - at;
            rel = std::fmod(rel, 360.0);
            if (rel < 0) rel += 360;
            on_arc = rel <= std::fabs(a.sweep_deg);
        }
        take(on_arc ? std::fabs(d - r)
                    : std::min(std::hypot(px_ - sx, py_ - sy), std::hypot(px_ - ex, py_ - ey)));
        x_ = ex;
        y_ = ey;
    }
    void placed_arc(const PlacedArc& a) override {
        const ContourElement& e = *a.element;
        arc_polyline(e.x, e.y, e.r, e.start * 180 / M_PI, e.end * 180 / M_PI, a.placement,
                     pixel_width_, world_width_, &chords_);
        if (chords_.empty()) return;
        x_ = chords_[0].x;
        y_ = chords_[0].y;
        for (size_t k = 1; k < chords_.size(); ++k) segment_to(chords_[k].x, chords_[k].y);
    }
    void filled_rect(double x1, double y1, double x2, double y2) override {
        take(segment_distance(x1, y1, x2, y1, px_, py_));
        take(segment_distance(x2, y1, x2, y2, px_, py_));
        take(segment_distance(x2, y2, x1, y2, px_, py_));
        take(segment_distance(x1, y2, x1, y1, px_, py_));
    }
    void label(double, double, const std::string&) override {}

  private:
    void take(double d) {
        if (d < best_) best_ = d;
    }
    void segment_to(double x, double y) {
        take(segment_distance(x_, y_, x, y, px_, py_));
        x_ = x;
        y_ = y;
    }

    double px_, py_, pixel_width_, world_width_;
    double x_ = 0, y_ = 0;
    double best_ = kInf;
    std::vector<WorldPoint> chords_;
};

// What a record's point stands for; a trace only follows a record of the same class.
enum RecordClass { kNoPoint = 0, kEndPoint = 1, kArcCentre = 2, kCorner = 3 };

RecordClass line_record_class(int32_t kind) {
    switch (kind) {
        case kMoveTo:
        case kLineTo:
        case kXorLineTo:
            return kEndPoint;
        case kArc:
        case kXorArc:
            return kArcCentre;
        case kFilledRect:
            return kCorner;
        default:
            return kNoPoint;
    }
}

bool line_record_is_pair(int32_t kind) {
    return kind == kFilledRect || kind == kArc || kind == kXorArc || kind == kPoint;
}

int usercoor_kind(const UsercoorRecord& r) {
    return r.kind >= -1 && r.kind <= 15 && r.kind == std::floor(r.kind) ? int(r.kind) : 0;
}

RecordClass usercoor_record_class(int kind) {
    switch (kind) {
        case kUcMoveTo:
        case kUcLineTo:
        case kUcXorLineTo:
            return kEndPoint;
        case kUcArc:
        case kUcXorArc5:
        case kUcArc5:
            return kArcCentre;
        case kUcFilledRect:
            return kCorner;
        default:
            return kNoPoint;
    }
}

bool usercoor_record_is_pair(int kind) {
    return kind == kUcText || kind == kUcFilledRect || kind == kUcArc || kind == kUcXorArc5 ||
           kind == kUcArc5;
}

// Calls visit(index, class, x, y) for every record of a frame that carries a point; the second
// records of pairs are stepped over, as the walk steps over them.
template <typename Records, typename KindOf, typename ClassOf, typename IsPair, typename Visit>
void visit_record_points(const Records& records, KindOf kind_of, ClassOf class_of, IsPair is_pair,
                         Visit visit) {
    for (size_t i = 0; i < records.size(); ++i) {
        const auto kind = kind_of(records[i]);
        const RecordClass c = class_of(kind);
        if (c != kNoPoint && !visit(i, c, double(records[i].a), double(records[i].b))) return;
        if (is_pair(kind)) ++i;
    }
}

template <typename Records, typename KindOf, typename ClassOf, typename IsPair>
MotionAnchor pick_record(const Records& records, KindOf kind_of, ClassOf class_of, IsPair is_pair,
                         double x, double y) {
    MotionAnchor anchor;
    double best = kInf;
    visit_record_points(records, kind_of, class_of, is_pair,
                        [&](size_t i, RecordClass c, double rx, double ry) {
                            const double d = std::hypot(rx - x, ry - y);
                            if (d < best) {
                                best = d;
                                anchor.kind = MotionAnchor::kRecord;
                                anchor.record = int(i);
                                anchor.record_class = c;
                                anchor.distance = d;
                            }
                            return true;
                        });
    return anchor;
}

template <typename Records, typename KindOf, typename ClassOf, typename IsPair>
bool record_point(const Records& records, KindOf kind_of, ClassOf class_of, IsPair is_pair,
                  const MotionAnchor& anchor, double* x, double* y) {
    bool found = false;
    visit_record_points(records, kind_of, class_of, is_pair,
                        [&](size_t i, RecordClass c, double rx, double ry) {
                            if (int(i) < anchor.record) return true;
                            if (int(i) == anchor.record && c == anchor.record_class) {
                                *x = rx;
                                *y = ry;
                                found = true;
                            }
                            return false;
                        });
    return found;
}

MotionTrace empty_trace(const MotionAnchor& anchor, const MotionFrames& frames) {
    MotionTrace trace;
    trace.anchor = anchor;
    trace.points.resize(frames.frames.size());
    for (size_t k = 0; k < frames.frames.size(); ++k) {
        trace.points[k].frame = frames.frames[k];
        trace.points[k].angle = k < frames.angles.size() ? frames.angles[k] : 0;
        trace.points[k].valid = false;
    }
    return trace;
}

}  // namespace

bool label_phi_angle(const std::string& label, double* degrees) {
    const char* p = std::strstr(label.c_str(), "phi");
    if (!p) return false;
    p += 3;
    while (*p == ' ') ++p;
    if (*p != '=') return false;
    ++p;
    char* end = nullptr;
    const double v = mw31::strtod_c(p, &end);
    if (end == p || !std::isfinite(v)) return false;
    *degrees = v;
    return true;
}

MotionFrames cycle_motion_frames(const std::vector<int>& frames) {
    MotionFrames m;
    m.frames = frames;
    const size_t n = frames.size();
    for (size_t k = 0; k < n; ++k) m.angles.push_back(360.0 * double(k) / double(n));
    return m;
}

MotionFrames anmneu_motion_frames(const AnmneuFilm& film) {
    std::vector<int> frames;
    for (int i = 0; i < film.frame_count; ++i) frames.push_back(i);
    MotionFrames m = cycle_motion_frames(frames);
    std::vector<double> labelled;
    for (int i : frames) {
        double a = 0;
        if (size_t(i) >= film.frames.size() || !label_phi_angle(film.frames[size_t(i)].label, &a))
            return m;
        labelled.push_back(a);
    }
    if (labelled.empty()) return m;
    m.angles = labelled;
    m.angles_from_labels = true;
    return m;
}

MotionAnchor pick_anmneu_anchor(const AnmneuFilm& film, int frame, double x, double y) {
    MotionAnchor anchor;
    if (frame < 0 || frame >= film.frame_count) return anchor;
    const double world_width = film.initial.xr - film.initial.xl;
    // Arcs of scaled symbols are chords as on a window of the usual width.
    NearestSink sink(x, y, 800, world_width);
    const double tie = std::fabs(world_width) * kPickTieFraction;
    std::vector<double> distance(size_t(film.symbol_count()), kInf);
    double best = kInf;
    for (int s = 0; s < film.symbol_count(); ++s) {
        const SymbolPlacement p = interpolated_placement(film, frame, s, 0);
        if (p.sx == 0 || p.sy == 0 || !std::isfinite(p.sx) || !std::isfinite(p.sy)) continue;
        const FilmSymbol& symbol = film.symbols[size_t(s)];
        sink.reset();
        walk_symbol(symbol.elements.data(), int(symbol.elements.size()), p, symbol.colour, sink);
        distance[size_t(s)] = sink.best();
        if (sink.best() < best) best = sink.best();
    }
    if (!std::isfinite(best)) return anchor;
    // The part on top is drawn last.
    for (int s = film.symbol_count() - 1; s >= 0; --s) {
        if (!(distance[size_t(s)] <= best + tie)) continue;
        const SymbolPlacement p = interpolated_placement(film, frame, s, 0);
        const double c = std::cos(p.phi), sn = std::sin(p.phi);
        const double dx = x - p.x, dy = y - p.y;
        anchor.kind = MotionAnchor::kSymbol;
        anchor.symbol = s;
        anchor.local_x = (c * dx + sn * dy) / p.sx;
        anchor.local_y = (-sn * dx + c * dy) / p.sy;
        anchor.distance = distance[size_t(s)];
        break;
    }
    return anchor;
}

MotionTrace trace_anmneu(const AnmneuFilm& film, const MotionAnchor& anchor,
                         const MotionFrames& frames) {
    MotionTrace trace = empty_trace(anchor, frames);
    if (anchor.kind != MotionAnchor::kSymbol || anchor.symbol < 0 ||
        anchor.symbol >= film.symbol_count())
        return trace;
    for (TracePoint& t : trace.points) {
        if (t.frame < 0 || size_t(t.frame) >= film.frames.size()) continue;
        const WorldPoint w = Placer(interpolated_placement(film, t.frame, anchor.symbol, 0))(
            anchor.local_x, anchor.local_y);
        t.x = w.x;
        t.y = w.y;
        t.valid = true;
    }
    return trace;
}

MotionAnchor pick_line_film_anchor(const FrameStore& store, int frame, double x, double y) {
    if (frame < 0 || frame >= store.frame_count()) return {};
    return pick_record(
        store.frame(frame), [](const FilmRecord& r) { return r.kind; }, line_record_class,
        line_record_is_pair, x, y);
}

MotionTrace trace_line_film(const FrameStore& store, const MotionAnchor& anchor,
                            const MotionFrames& frames) {
    MotionTrace trace = empty_trace(anchor, frames);
    trace.y_down = true;
    if (anchor.kind != MotionAnchor::kRecord) return trace;
    for (TracePoint& t : trace.points) {
        if (t.frame < 0 || t.frame >= store.frame_count()) continue;
        t.valid = record_point(
            store.frame(t.frame), [](const FilmRecord& r) { return r.kind; }, line_record_class,
            line_record_is_pair, anchor, &t.x, &t.y);
    }
    return trace;
}

MotionAnchor pick_usercoor_anchor(const UsercoorFilm& film, int frame, double x, double y) {
    if (frame < 0 || frame >= film.frame_count()) return {};
    return pick_record(film.frame(frame), usercoor_kind, usercoor_record_class,
                       usercoor_record_is_pair, x, y);
}

MotionTrace trace_usercoor(const UsercoorFilm& film, const MotionAnchor& anchor,
                           const MotionFrames& frames) {
    MotionTrace trace = empty_trace(anchor, frames);
    if (anchor.kind != MotionAnchor::kRecord) return trace;
    for (TracePoint& t : trace.points) {
        if (t.frame < 0 || t.frame >= film.frame_count()) continue;
        t.valid = record_point(film.frame(t.frame), usercoor_kind, usercoor_record_class,
                               usercoor_record_is_pair, anchor, &t.x, &t.y);
    }
    return trace;
}

}  // namespace film
