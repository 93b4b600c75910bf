// One frame of a scene as a picture, drawn through an offscreen GL surface: no window and no
// display server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl3d/overlay_drawing.h"
#include "gl3d/renderer.h"

namespace gl3d {

struct ScenePicture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb_rows;  // top to bottom, R G B
    std::string renderer;           // GL_RENDERER | GL_VERSION
    Camera camera;
};

// What a picture without a window shows over the scene: the window's overlay with no marker set
// and no status text, that is the frame's overlay commands and the world axes.
struct PictureOverlays {
    double marker_size_setting = 0;  // KVGL_MARKERGROESSE, 0 when not set
    TextLineCache text_lines;        // kept over the pictures of a recording
};

// Draws the overlay of frame `frame` over the scene just drawn with `camera` into the current
// width x height surface, as the window does (text lines only from kOverlayMinTextWidth on).
void draw_picture_overlays(const Scene& scene, int frame, const Camera& camera, int width,
                           int height, PictureOverlays* overlays);

// Shows frame `frame` of the scene (as the window would, with `overlays` over it; the scene
// alone when null) and reads the picture.
// 0 on success; 1 with *error set when no offscreen context can be had.
int render_scene_picture(Scene* scene, int frame, const RenderSettings& settings, ScenePicture* out,
                         std::string* error, PictureOverlays* overlays = nullptr);

}  // namespace gl3d
