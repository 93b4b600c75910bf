// --info loads the animation and prints the scene, the completed camera and the messages the
// loader gave; --output draws frame N through the offscreen GL surface, as the window would
// (the frame's overlay included); --record records one pass as the window's recording does,
// through that surface. Otherwise the scene plays in the 3D window, or with -n and no display
// through the offscreen surface, frame by frame, for the passes asked for.
#include "main/scene_branch.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "gl3d/markers.h"
#include "gl3d/scene_loader.h"
#include "gl3d/scene_picture.h"
#include "gl3d/viewer_recording.h"
#include "gl3d/viewer_window.h"
#include "main/batch_output.h"
#include "mw31/app_state.h"
#include "mw31/backend.h"
#include "mw31/egl/offscreen_gl.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"
#include "mw31/picture.h"
#include "mw31/temp_names.h"
#include "video/video_file.h"

namespace kurvlab {

namespace {

void print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
}

int load(const std::string& film_name, gl3d::Scene* scene, std::vector<std::string>* messages) {
    gl3d::LoadOptions options;
    options.report = [messages](const std::string& m) { messages->push_back(m); };
    return gl3d::load_scene(film_name, scene, options);
}

void print_messages(const std::vector<std::string>& messages) {
    for (std::string m : messages) {
        while (!m.empty() && m.back() == '\n') m.pop_back();
        std::printf("message: %s\n", m.c_str());
    }
}

int print_info(const std::string& film_name) {
    gl3d::Scene scene;
    std::vector<std::string> messages;
    const int result = load(film_name, &scene, &messages);
    std::printf("file: %s\nkind: ANM3D animation\n", film_name.c_str());
    if (result != 0) {
        print_messages(messages);
        return 1;
    }
    const gl3d::SceneCounts c = gl3d::scene_counts(scene);
    std::printf("scene objects: %d (header %d)\n", int(scene.objects.size()), scene.object_count);
    std::printf(
        "parts: %d polygons, %d cylinders and tubes, %d boxes, %d mesh bodies, %d vector "
        "graphics\n",
        c.polygons, c.cylinders, c.boxes, c.bodies, c.vector_graphics);
    for (size_t i = 0; i < scene.bodies.size(); ++i) {
        const gl3d::MeshBodyPart& b = scene.bodies[i];
        std::printf("body %zu: part %d, %d triangles, flags %d, object %s\n", i + 1, b.part_id,
                    faces3_anzahl_dreiecke(b.body.get()), b.flags, b.object_name.c_str());
    }
    std::printf("triangles: %lld\n", c.triangles);
    std::printf("frames: %d (declared %d)\n", scene.frame_count(), scene.declared_frames);
    if (scene.box.empty())
        print("scene box: empty\n");
    else
        print(mw31::format_text("scene box: %lg %lg %lg to %lg %lg %lg\n", scene.box.min[0],
                                scene.box.min[1], scene.box.min[2], scene.box.max[0],
                                scene.box.max[1], scene.box.max[2]));
    const gl3d::Camera cam = gl3d::complete_camera(&scene.view, scene.box);
    print(mw31::format_text(
        "camera: eye %lg %lg %lg, direction %lg %lg %lg, up %lg %lg %lg, distance %lg\n",
        cam.eye[0], cam.eye[1], cam.eye[2], cam.direction[0], cam.direction[1], cam.direction[2],
        cam.up[0], cam.up[1], cam.up[2], cam.distance));
    std::printf("info text: %s\n", scene.info_text_present ? "yes" : "no");
    print_messages(messages);
    // The loader wrote the info text for a viewer that is not going to show it.
    std::remove(mw31::temp_info_name().c_str());
    return 0;
}

// An offscreen surface with the window's lights set up in it; null after a message.
std::unique_ptr<mw31::OffscreenGl> offscreen_for(const std::string& film_name, int width,
                                                 int height, gl3d::RenderSettings* settings) {
    std::string error;
    auto gl = mw31::OffscreenGl::create(width, height, &error);
    if (!gl) {
        mw31::message_printf("%s: kein OpenGL ohne Bildschirm / no offscreen OpenGL: %s",
                             film_name.c_str(), error.c_str());
        return nullptr;
    }
    settings->width = gl->width();
    settings->height = gl->height();
    settings->lights = gl3d::read_light_settings(gl3d::environment_then_profile());
    gl3d::setup_context(settings->lights);
    return gl;
}

int draw_picture(const std::string& film_name, const BatchRequest& batch) {
    gl3d::Scene scene;
    std::vector<std::string> messages;
    const int result = load(film_name, &scene, &messages);
    std::remove(mw31::temp_info_name().c_str());
    print_messages(messages);
    if (result != 0) return 1;
    const int last = scene.frame_count() > 0 ? scene.frame_count() - 1 : 0;
    if (batch.frame < 0 || batch.frame > last) {
        mw31::message_printf("%s: kein Bild %d / no frame %d (the film has frames 0 to %d)",
                             film_name.c_str(), batch.frame, batch.frame, last);
        return 1;
    }
    gl3d::RenderSettings settings;
    settings.width = batch.width;
    settings.height = batch.height;
    settings.lights = gl3d::read_light_settings(gl3d::environment_then_profile());
    gl3d::PictureOverlays overlays;
    overlays.marker_size_setting = gl3d::read_marker_size_setting(gl3d::environment_then_profile());
    gl3d::ScenePicture picture;
    std::string error;
    if (gl3d::render_scene_picture(&scene, batch.frame, settings, &picture, &error, &overlays) !=
        0) {
        mw31::message_printf("kein OpenGL ohne Bildschirm / no offscreen OpenGL: %s",
                             error.c_str());
        return 1;
    }
    auto out = mw31::create_picture(picture.width, picture.height);
    if (out) {
        mw31::Canvas& canvas = out->canvas();
        const uint8_t* p = picture.rgb_rows.data();
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x, p += 3)
                canvas.set_pixel(x, y, mw31::Rgb{p[0], p[1], p[2]});
    }
    return save_batch_picture(out.get(), batch.output_png);
}

// The offscreen surface draws as the window does (without its buttons) and is read whole; its
// pictures are those of --output for the same frames.
class OffscreenSurface final : public gl3d::RecordingSurface {
  public:
    OffscreenSurface(gl3d::Scene* scene, const gl3d::RenderSettings& settings,
                     mw31::OffscreenGl* gl, double marker_size_setting)
        : scene_(scene), settings_(settings), gl_(gl) {
        overlays_.marker_size_setting = marker_size_setting;
    }
    void draw(const gl3d::Playback& p) override {
        if (scene_->frame_count() > 0) gl3d::apply_frame(scene_, p.frame);
        scene_->current_frame = p.frame;
        const gl3d::Camera camera = gl3d::render_scene(scene_, settings_);
        gl3d::draw_picture_overlays(*scene_, p.frame, camera, gl_->width(), gl_->height(),
                                    &overlays_);
    }
    bool capture(int width, int height, std::vector<uint8_t>* rgb_rows) override {
        if (width != gl_->width() || height != gl_->height()) return false;
        *rgb_rows = gl_->read_rgb_rows();
        return rgb_rows->size() == size_t(width) * size_t(height) * 3;
    }

  private:
    gl3d::Scene* scene_;
    gl3d::RenderSettings settings_;
    mw31::OffscreenGl* gl_;
    gl3d::PictureOverlays overlays_;
};

// 3D pictures have 24 bits: "raw" and "raw24" are uncompressed, anything else (the default
// among them) is the window's preset, Video 1.
video::AviCodec scene_record_codec(const std::string& name) {
    return name == "raw" || name == "raw24" ? video::AviCodec::kRaw24 : video::AviCodec::kMsvc;
}

// One pass of the window's recording at the --size of the picture, --step as the speed.
int record_scene(const std::string& film_name, const BatchRequest& batch) {
    gl3d::RecordTarget target;
    target.path = batch.record;
    target.codec = scene_record_codec(batch.record_codec);
    const video::VideoContainer container = video::video_container_for(target.path);
    if (!gl3d::recording_is_avi(target.path) && !video::video_container_available(container)) {
        mw31::message_printf("%s\n%s: this build cannot write this format (no FFmpeg)",
                             gl3d::kRecordFailedMessage, target.path.c_str());
        return 1;
    }
    gl3d::Scene scene;
    std::vector<std::string> messages;
    const int result = load(film_name, &scene, &messages);
    std::remove(mw31::temp_info_name().c_str());
    print_messages(messages);
    if (result != 0) return 1;
    gl3d::RenderSettings settings;
    const auto gl = offscreen_for(film_name, batch.width, batch.height, &settings);
    if (!gl) return 1;
    gl3d::Playback playback;
    gl3d::start_playback(&playback, scene.frame_count());
    playback.speed = batch.record_step;
    OffscreenSurface surface(&scene, settings, gl.get(),
                             gl3d::read_marker_size_setting(gl3d::environment_then_profile()));
    const int pictures = gl3d::record_pass(&playback, &surface, target, gl->width(), gl->height());
    gl3d::release_display_lists(&scene);
    if (pictures < 0) return 1;
    std::printf("%s: %d pictures\n", target.path.c_str(), pictures);
    return 0;
}

// Loads for playing: the loader's messages go to the user, as in the window's own run.
int load_for_play(const std::string& film_name, gl3d::Scene* scene) {
    return gl3d::load_scene(film_name, scene);
}

// Every frame the timer would show, drawn into an offscreen surface of the window's default
// size: a check (and a timing) of the playback where nobody can watch it.
int play_offscreen(const std::string& film_name, gl3d::Scene* scene, int passes) {
    gl3d::RenderSettings settings;
    const auto gl = offscreen_for(film_name, 1024, 768, &settings);
    if (!gl) return 1;
    gl3d::PictureOverlays overlays;
    overlays.marker_size_setting = gl3d::read_marker_size_setting(gl3d::environment_then_profile());
    gl3d::Playback p;
    gl3d::start_playback(&p, scene->frame_count());
    for (int pass = 0; pass < passes && !mw31::quit_requested(); ++pass)
        for (int i = 0; i < std::max(1, scene->frame_count()); ++i) {
            gl3d::step_frame(&p);
            if (scene->frame_count() > 0) gl3d::apply_frame(scene, p.frame);
            scene->current_frame = p.frame;
            const gl3d::Camera camera = gl3d::render_scene(scene, settings);
            gl3d::draw_picture_overlays(*scene, p.frame, camera, gl->width(), gl->height(),
                                        &overlays);
            mw31::service_messages();
        }
    (void)gl->read_rgb_rows();  // waits for the drawing to finish
    gl3d::release_display_lists(scene);
    return 0;
}

int play_in_window(const std::string& film_name, gl3d::Scene* scene, int passes) {
    gl3d::Viewer viewer;
    gl3d::ViewerOptions options;
    options.passes = passes;
    std::string error;
    if (gl3d::create_viewer(&viewer, scene, options, &error) != 0) {
        if (gl3d::viewer_switched_off()) {
            mw31::terminal_printf(
                "kvgl: 3D-Fenster abgeschaltet (KVGL_OFF) / 3D window switched off (KVGL_OFF)\n");
            return 0;
        }
        mw31::message_printf("mw31_film: %s: kein 3D-Fenster / no 3D window: %s", film_name.c_str(),
                             error.c_str());
        return 1;
    }
    while (!gl3d::viewer_done(viewer) && !mw31::quit_requested()) {
        const mw31::Message m = mw31::get_message();
        if (m.kind == mw31::MessageKind::Quit) {
            mw31::set_quit_requested(true);
            break;
        }
        mw31::dispatch_message(m);
    }
    gl3d::close_viewer(&viewer);
    return 0;
}

}  // namespace

int play_scene_branch(const std::string& film_name, const FilmOptions& options,
                      const BatchRequest& batch) {
    if (batch.info) return print_info(film_name);
    if (!batch.output_png.empty()) return draw_picture(film_name, batch);
    if (!batch.record.empty()) return record_scene(film_name, batch);
    gl3d::recording_options().factor = options.record_factor;
    // A -n given on purpose plays without a display; otherwise nobody would see a million
    // passes.
    mw31::Backend* backend = mw31::backend();
    const bool display = backend && backend->has_display();
    if (!display && !options.passes_given) return no_display_to_play(film_name);
    gl3d::Scene scene;
    if (load_for_play(film_name, &scene) != 0) return 1;
    const int passes = std::max(1, options.passes);
    if (!display) return play_offscreen(film_name, &scene, passes);
    return play_in_window(film_name, &scene, passes);
}

}  // namespace kurvlab
