// Pictures of a scene through the seam's offscreen GL surface.
#include "gl3d/scene_picture.h"

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

}  // namespace gl3d
