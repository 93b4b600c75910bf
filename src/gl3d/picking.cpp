// Picking: toolbar rectangles, GL selection of named parts, and ray hits on mesh bodies.
#include "gl3d/picking.h"

#include <GL/gl.h>

#include <cmath>

#include "gl3d/markers.h"
#include "numeric/vec3.h"

namespace gl3d {

int pick_name(PickMemory* memory, long long now_ms, const std::vector<ToolbarButton>& bar, int x,
              int y, const std::function<int(int x, int y)>& select, bool* changed) {
    *changed = false;
    if (memory->valid && now_ms - memory->time_ms < kPickReuseMs && now_ms >= memory->time_ms)
        return memory->last;
    int name = button_at(bar, x, y);
    if (name < 0 && select) name = select(x, y);
    *changed = !memory->valid || name != memory->last;
    memory->last = name;
    memory->time_ms = now_ms;
    memory->valid = true;
    return name;
}

int nearest_hit_name(const unsigned* buffer, int buffer_size, int hits) {
    // Where several parts lie under the cursor, the one nearest to the eye is meant: the
    // record with the smallest depth wins, not the last one drawn.
    int best = -1;
    unsigned best_depth = 0;
    int i = 0;
    for (int h = 0; h < hits || (hits < 0 && i < buffer_size); ++h) {
        if (i + 3 > buffer_size) break;
        const unsigned names = buffer[i];
        if (names > unsigned(buffer_size) || i + 3 + int(names) > buffer_size) break;
        const unsigned depth = buffer[i + 1];
        if (names > 0) {
            const unsigned name = buffer[i + 3 + int(names) - 1];
            if (name != 0xFFFFFFFFu && (best < 0 || depth < best_depth)) {
                best = int(name);
                best_depth = depth;
            }
        }
        i += 3 + int(names);
    }
    return best;
}

int select_part(Scene* scene, const RenderSettings& settings, int x, int y) {
    GLuint buffer[kSelectionBufferSize] = {0};
    glSelectBuffer(kSelectionBufferSize, buffer);
    glRenderMode(GL_SELECT);
    RenderSettings s = settings;
    s.selecting = true;
    s.pick_x = x;
    s.pick_y = y;
    render_scene(scene, s);
    // An overflowing buffer gives -1: the records that fit whole still count.
    const GLint hits = glRenderMode(GL_RENDER);
    return nearest_hit_name(buffer, kSelectionBufferSize, hits);
}

namespace {

using V = std::array<double, 3>;

// A column-major placement matrix: axis images in the first three columns, origin in the
// fourth.
V matrix_to_local(const Matrix4& m, const V& p, bool point) {
    V out{};
    frame_to_local(m.data(), m.data() + 4, m.data() + 8, point ? m.data() + 12 : nullptr, p.data(),
                   out.data());
    return out;
}

V matrix_to_global(const Matrix4& m, const V& p, bool point) {
    V out{};
    frame_to_global(m.data(), m.data() + 4, m.data() + 8, point ? m.data() + 12 : nullptr, p[0],
                    p[1], p[2], out.data());
    return out;
}

V unit(const V& v) {
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return l > 1e-300 ? V{v[0] / l, v[1] / l, v[2] / l} : v;
}

bool finite(const V& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

}  // namespace

std::array<double, 3> pixel_ray(const ViewRecord& view, int x, int y, int client_width,
                                int client_height) {
    const double half = client_height > 0 ? client_height * 0.5 : 0.5;
    const double t = std::tan(22.5 * M_PI / 180);
    const double right = (x + 0.5 - client_width * 0.5) / half * t;
    const double upward = (client_height * 0.5 - y - 0.5) / half * t;
    V r;
    for (size_t i = 0; i < 3; ++i) r[i] = view[3 + i] + right * view[9 + i] + upward * view[6 + i];
    return unit(r);
}

SurfaceHit surface_hit(const Scene& scene, const std::array<double, 3>& eye,
                       const std::array<double, 3>& ray, double tolerance, bool animation_loaded) {
    SurfaceHit best;
    if (!finite(eye) || !finite(ray)) return best;
    // Into the bodies' frame: the global placement undone (millimetres).
    const V eye_b = scene_to_body_point(scene.global, eye);
    const V ray_b = scene_to_body_direction(scene.global, ray);
    for (size_t i = 0; i < scene.bodies.size(); ++i) {
        const MeshBodyPart& b = scene.bodies[i];
        if (animation_loaded && !(b.flags & 2)) continue;
        // The body is drawn under its object's placement of the current frame; undoing it
        // finds the body where the user sees it.
        const V p_mm = matrix_to_local(b.matrix, eye_b, true);
        const V d = unit(matrix_to_local(b.matrix, ray_b, false));
        const double p[3] = {p_mm[0] * 0.001, p_mm[1] * 0.001, p_mm[2] * 0.001};
        double hit[3], normal[3], radius = 0;
        if (faces3_pick(b.body.get(), p, d.data(), hit, normal, tolerance, &radius) != 0) continue;
        const V hit_mm = {hit[0] * 1000, hit[1] * 1000, hit[2] * 1000};
        const V at = body_to_scene_point(scene.global, matrix_to_global(b.matrix, hit_mm, true));
        const V n = body_to_scene_direction(
            scene.global,
            unit(matrix_to_global(b.matrix, {normal[0], normal[1], normal[2]}, false)));
        const double distance =
            (at[0] - eye[0]) * ray[0] + (at[1] - eye[1]) * ray[1] + (at[2] - eye[2]) * ray[2];
        if (!(distance > 0) || !finite(at) || distance >= best.distance) continue;
        best.point = at;
        best.normal = n;
        best.body = int(i);
        best.distance = distance;
    }
    return best;
}

}  // namespace gl3d
