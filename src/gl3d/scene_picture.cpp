// Pictures of a scene through the seam's offscreen GL surface.
#include "gl3d/scene_picture.h"

#include "gl3d/markers.h"
#include "mw31/egl/offscreen_gl.h"

namespace gl3d {

void draw_picture_overlays(const Scene& scene, int frame, const Camera& camera, int width,
                           int height, PictureOverlays* overlays) {
    Overlay overlay;
    if (frame >= 0 && frame < scene.frame_count()) {
        const FrameRecord& f = scene.frames[size_t(frame)];
        if (f.has_extra) parse_overlay(f.extra, &overlay);
    }
    std::vector<std::vector<mw31::TextRun>> lines;
    lines.reserve(overlay.texts.size());
    for (OverlayTextLine& t : overlay.texts) lines.push_back(std::move(t.runs));
    // No window, so nobody could have set a marker: the table stays empty.
    const MarkerTable no_markers;
    draw_scene_glyphs(scene, camera, overlay, no_markers,
                      marker_size(camera.size, overlays->marker_size_setting),
                      glyph_reference(scene.box, camera.size));
    draw_text_lines(lines, width, height, &overlays->text_lines);
}

int render_scene_picture(Scene* scene, int frame, const RenderSettings& settings, ScenePicture* out,
                         std::string* error, PictureOverlays* overlays) {
    auto gl = mw31::OffscreenGl::create(settings.width, settings.height, error);
    if (!gl) return 1;
    setup_context(settings.lights);
    scene->current_frame = frame;
    apply_frame(scene, frame);
    out->camera = render_scene(scene, settings);
    if (overlays)
        draw_picture_overlays(*scene, frame, out->camera, gl->width(), gl->height(), overlays);
    out->width = gl->width();
    out->height = gl->height();
    out->rgb_rows = gl->read_rgb_rows();
    out->renderer = gl->renderer();
    // The lists belong to this context, which ends here.
    release_display_lists(scene);
    return 0;
}

}  // namespace gl3d
