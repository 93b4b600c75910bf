// One frame of a scene as a picture, drawn through an offscreen GL surface: no window and no
// display server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl3d/renderer.h"

namespace gl3d {

struct ScenePicture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb_rows;  // top to bottom, R G B
    std::string renderer;           // GL_RENDERER | GL_VERSION
    Camera camera;
};

// Shows frame `frame` of the scene (as the window would) and reads the picture.
// 0 on success; 1 with *error set when no offscreen context can be had.
int render_scene_picture(Scene* scene, int frame, const RenderSettings& settings, ScenePicture* out,
                         std::string* error);

}  // namespace gl3d
