// Pictures of a scene through the seam's offscreen GL surface.
#include "gl3d/scene_picture.h"

#include <GL/gl.h>

#include <cstring>

#include "mw31/egl/offscreen_gl.h"

namespace gl3d {

int render_scene_picture(Scene* scene, int frame, const RenderSettings& settings, ScenePicture* out,
                         std::string* error) {
    auto gl = mw31::OffscreenGl::create(settings.width, settings.height, error);
    if (!gl) return 1;
    setup_context(settings.lights);
    scene->current_frame = frame;
    apply_frame(scene, frame);
    out->camera = render_scene(scene, settings);
    out->width = gl->width();
    out->height = gl->height();
    out->rgb_rows = gl->read_rgb_rows();
    out->renderer = gl->renderer();
    // The lists belong to this context, which ends here.
    release_display_lists(scene);
    return 0;
}

std::vector<uint8_t> read_gl_rows(int width, int height, bool front_buffer) {
    const size_t row = size_t(width) * 3;
    std::vector<uint8_t> bottom_up(row * size_t(height));
    glFinish();
    // Errors of earlier drawing are not this read's.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    glReadBuffer(front_buffer ? GL_FRONT : GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    glReadBuffer(GL_BACK);
    if (glGetError() != GL_NO_ERROR) return {};
    std::vector<uint8_t> rows(bottom_up.size());
    for (int y = 0; y < height; ++y)
        std::memcpy(rows.data() + size_t(y) * row, bottom_up.data() + size_t(height - 1 - y) * row,
                    row);
    return rows;
}

}  // namespace gl3d
