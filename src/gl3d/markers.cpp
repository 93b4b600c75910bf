// Marker table, status text and marker centre.
#include "gl3d/markers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "film_model/contour_text_line.h"
#include "mw31/format.h"
#include "numeric/vec3.h"

namespace gl3d {

namespace {

const char* const kEscapes[7] = {"%c200080080", "%c080200080", "%c080080200", "%c200200080",
                                 "%c200080200", "%c080200200", "%c200200200"};

Vec normalised(const Vec& v) {
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(l > 1e-300)) return v;
    return {v[0] / l, v[1] / l, v[2] / l};
}

bool circle_centre(const Vec& a, const Vec& b, const Vec& c, Vec* centre) {
    const Vec3 u = Vec3{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const Vec3 v = Vec3{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const Vec3 n = cross(u, v);
    const double nn = dot(n, n);
    // Collinear within rounding: relative to the spans, the triangle has no area.
    if (!(nn > 1e-20 * dot(u, u) * dot(v, v))) return false;
    const Vec3 o = (dot(u, u) * cross(v, n) + dot(v, v) * cross(n, u)) * (1 / (2 * nn));
    *centre = {a[0] + o.x, a[1] + o.y, a[2] + o.z};
    return true;
}

}  // namespace

const char* marker_colour_escape(int number) {
    return kEscapes[std::clamp(number, 1, 7) - 1];
}

Vec marker_colour(int number) {
    const char* e = marker_colour_escape(number) + 2;
    Vec c;
    for (int i = 0; i < 3; ++i)
        c[size_t(i)] =
            ((e[3 * i] - '0') * 100 + (e[3 * i + 1] - '0') * 10 + (e[3 * i + 2] - '0')) / 255.0;
    return c;
}

std::string marker_status_item(int number, const Marker& m) {
    return std::string("text ") + marker_colour_escape(number) +
           mw31::format_text(" Marker %d: ", number) +
           mw31::format_text(
               " %%c100100100 X = %12.6lf   Y = %12.6lf   Z = %12.6lf   NX = %9.6lf   "
               "NY = %9.6lf   NZ = %9.6lf;",
               m.point[0], m.point[1], m.point[2], m.normal[0], m.normal[1], m.normal[2]);
}

Vec scene_to_body_point(const Placement& g, const Vec& p) {
    Vec out{};
    frame_to_local(g.data() + 3, g.data() + 6, g.data() + 9, g.data(), p.data(), out.data());
    return out;
}

Vec scene_to_body_direction(const Placement& g, const Vec& d) {
    Vec out{};
    frame_to_local(g.data() + 3, g.data() + 6, g.data() + 9, nullptr, d.data(), out.data());
    return normalised(out);
}

Vec body_to_scene_point(const Placement& g, const Vec& p) {
    Vec out{};
    frame_to_global(g.data() + 3, g.data() + 6, g.data() + 9, g.data(), p[0], p[1], p[2],
                    out.data());
    return out;
}

Vec body_to_scene_direction(const Placement& g, const Vec& d) {
    Vec out{};
    frame_to_global(g.data() + 3, g.data() + 6, g.data() + 9, nullptr, d[0], d[1], d[2],
                    out.data());
    return normalised(out);
}

int add_marker(MarkerTable* t, const Placement& global, const Vec& point, const Vec& normal) {
    if (int(t->markers.size()) >= kMaxMarkers) return 1;
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(point[size_t(i)]) <= 1e30) || !(std::fabs(normal[size_t(i)]) <= 1e30))
            return 1;
    Marker m;
    m.point = scene_to_body_point(global, point);
    m.normal = scene_to_body_direction(global, normal);
    t->markers.push_back(m);
    t->status_text += marker_status_item(int(t->markers.size()), m);
    return 0;
}

void clear_markers(MarkerTable* t) {
    t->markers.clear();
    t->status_text.clear();
}

bool marker_centre(const MarkerTable& t, int limit, Vec* centre) {
    const int n = std::min(limit, int(t.markers.size()));
    if (n <= 0) return false;
    const auto& m = t.markers;
    if (n == 3 && circle_centre(m[0].point, m[1].point, m[2].point, centre)) return true;
    Vec mean{0, 0, 0};
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) mean[size_t(k)] += m[size_t(i)].point[size_t(k)] / n;
    *centre = mean;
    if (n >= 8) {
        std::vector<double> x(static_cast<size_t>(n)), y(x), z(x);
        for (int i = 0; i < n; ++i) {
            x[size_t(i)] = m[size_t(i)].point[0];
            y[size_t(i)] = m[size_t(i)].point[1];
            z[size_t(i)] = m[size_t(i)].point[2];
        }
        double c[3], radius = 0, spread = 0;
        if (faces3_fit_kreis(x.data(), y.data(), z.data(), n, mean.data(), 1e8, c, &radius,
                             &spread) == 0)
            *centre = {c[0], c[1], c[2]};
    }
    return true;
}

void right_click_markers(MarkerTable* t, const Placement& global, bool ctrl, bool shift, bool hit,
                         const Vec& point, const Vec& normal) {
    t->status_text.clear();
    if (ctrl && shift) {
        clear_markers(t);
        return;
    }
    if (!ctrl) clear_markers(t);
    // The status text lists every marker again, not only the new one.
    for (size_t i = 0; i < t->markers.size(); ++i)
        t->status_text += marker_status_item(int(i) + 1, t->markers[i]);
    if (hit) add_marker(t, global, point, normal);
}

double marker_size(double scene_size, double setting) {
    if (setting > 0.01 && setting < 1e10 && setting < scene_size) return setting;
    return scene_size;
}

double hit_tolerance(double scene_size, double setting) {
    return marker_size(scene_size, setting) * 0.01 * 0.001;
}

double read_marker_size_setting(const SettingLookup& lookup) {
    if (!lookup) return 0;
    const std::string text = lookup(kMarkerSizeSetting);
    return text.empty() ? 0 : film::parse_real(text);
}

double glyph_reference(const SceneBox& box, double scene_size) {
    double r = scene_size;
    if (box.empty()) return r;
    for (int i = 0; i < 3; ++i)
        r = std::max(r, std::fabs(box.min[size_t(i)] + box.max[size_t(i)]) * 0.5);
    return r;
}

}  // namespace gl3d
