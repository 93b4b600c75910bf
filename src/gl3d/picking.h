// What lies under the cursor of the 3D window: a toolbar button or a named part (GL selection,
// reused for 100 ms), and the surface point of a mesh body hit by the cursor ray.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "gl3d/renderer.h"
#include "gl3d/scene.h"
#include "gl3d/view_state.h"

namespace gl3d {

constexpr int kPickReuseMs = 100;
constexpr int kPickRectangle = 10;  // pixels around the cursor
constexpr int kSelectionBufferSize = 256;

struct PickMemory {
    int last = -1;
    long long time_ms = 0;
    bool valid = false;
};

// The name for the cursor at (x, y) (y upwards from the bottom): within kPickReuseMs of the last
// computation the last result, else a toolbar button under the cursor, else select() (the
// scene drawn in selection mode). *changed tells whether the result differs from the last.
int pick_name(PickMemory* memory, long long now_ms, const std::vector<ToolbarButton>& bar, int x,
              int y, const std::function<int(int x, int y)>& select, bool* changed);

// The name of a selection buffer's nearest hit record (smallest depth) that carries a part's
// name, or -1. Records that do not fit the buffer whole are ignored.
int nearest_hit_name(const unsigned* buffer, int buffer_size, int hits);

// Draws the scene in selection mode into the current context through a 10 x 10 pixel pick
// rectangle around (x, y) (y upwards) and returns the nearest part id, or -1.
int select_part(Scene* scene, const RenderSettings& settings, int x, int y);

struct SurfaceHit {
    std::array<double, 3> point = {kUnset, kUnset, kUnset};   // scene millimetres
    std::array<double, 3> normal = {kUnset, kUnset, kUnset};  // unit, scene frame
    int body = -1;                                            // index into scene.bodies
    double distance = kUnset;                                 // along the ray, millimetres
    bool hit() const { return body >= 0; }
};

// The unit ray from the eye through the centre of the client pixel (x, y; y down) as the
// 45 degree perspective projects it, so that a click marks what lies under the cursor.
std::array<double, 3> pixel_ray(const ViewRecord& view, int x, int y, int client_width,
                                int client_height);

// The ray from the eye (scene millimetres) along the unit direction, against every mesh body
// (only those whose flags have the value 2 while an animation is loaded) where it is drawn:
// the ray is taken into the bodies' metres by undoing the global placement and the body's own
// placement. tolerance is in metres (snapping of the library's pick). The nearest hit in
// front of the eye wins; its point and outward normal come back in scene coordinates.
SurfaceHit surface_hit(const Scene& scene, const std::array<double, 3>& eye,
                       const std::array<double, 3>& ray, double tolerance, bool animation_loaded);

}  // namespace gl3d
