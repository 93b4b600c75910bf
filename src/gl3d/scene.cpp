// The 3D scene's stores and the small functions on them (clearing, colours, frame placements).
#include "gl3d/scene.h"

#include <algorithm>
#include <cmath>

namespace gl3d {

Matrix4 identity_matrix() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix4 placement_matrix(const Placement& p) {
    return {p[3], p[4], p[5], 0, p[6], p[7], p[8], 0, p[9], p[10], p[11], 0, p[0], p[1], p[2], 1};
}

ViewRecord unset_view() {
    ViewRecord v;
    v.fill(kUnset);
    v[9] = 1;
    v[10] = 0;
    v[11] = 0;
    return v;
}

void SceneBox::widen(double x, double y, double z) {
    const double p[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        min[i] = std::min(min[i], p[i]);
        max[i] = std::max(max[i], p[i]);
    }
}

void Scene::clear() {
    for (MeshBodyPart& b : bodies)
        for (unsigned list : b.display_lists)
            if (list) retired_display_lists.push_back(list);
    objects.clear();
    bodies.clear();
    vector_graphics.clear();
    polygons.clear();
    cylinders.clear();
    boxes.clear();
    frames.clear();
    global = kIdentityPlacement;
    view = unset_view();
    box = SceneBox{};
    object_count = 0;
    declared_frames = 0;
    current_frame = 0;
    file_name.clear();
    info_text_present = false;
    extra_text_room = 0;
    frame_records_found = 0;
}

int packed_colour(double r, double g, double b) {
    if (!(r >= 0) || !(g >= 0) || !(b >= 0)) return kBodyColour;  // NaN too
    auto component = [](double c) { return int(std::min(c, 1.0) * 255.99999); };
    return component(r) << 16 | component(g) << 8 | component(b);
}

const Placement& object_placement(const Scene& scene, int frame, int object) {
    if (frame < 0 || frame >= scene.frame_count() || object < 0) return kIdentityPlacement;
    const FrameRecord& f = scene.frames[size_t(frame)];
    return size_t(object) < f.positions.size() ? f.positions[size_t(object)] : kIdentityPlacement;
}

void apply_frame(Scene* scene, int frame) {
    for (size_t o = 0; o < scene->objects.size(); ++o) {
        const Matrix4 m = placement_matrix(object_placement(*scene, frame, int(o)));
        for (const PartRef& ref : scene->objects[o].parts) {
            const size_t i = size_t(ref.index);
            switch (ref.kind) {
                case kPartBody:
                    scene->bodies[i].matrix = m;
                    break;
                case kPartVector:
                    scene->vector_graphics[i].matrix = m;
                    break;
                case kPartCylinder:
                    scene->cylinders[i].matrix = m;
                    break;
                case kPartBox:
                    scene->boxes[i].matrix = m;
                    break;
                default:
                    break;  // polygons are drawn under the object's placement directly
            }
        }
    }
}

SceneCounts scene_counts(const Scene& scene) {
    SceneCounts c;
    c.polygons = int(scene.polygons.size());
    c.boxes = int(scene.boxes.size());
    c.bodies = int(scene.bodies.size());
    c.vector_graphics = int(scene.vector_graphics.size());
    c.cylinders = int(scene.cylinders.size());
    for (const MeshBodyPart& b : scene.bodies) c.triangles += faces3_anzahl_dreiecke(b.body.get());
    return c;
}

}  // namespace gl3d
