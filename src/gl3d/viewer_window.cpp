// The 3D window's procedure: messages are turned into changes of the playback, view and light
// state (view_state, light_settings) and a redraw through the renderer; nothing else is kept
// here.
#include "gl3d/viewer_window.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "gl3d/scene_save.h"
#include "gl3d/viewer_recording.h"
#include "mw31/atomic_file.h"
#include "mw31/backend.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"
#include "mw31/process.h"
#include "mw31/temp_names.h"
#include "mw31/terminal.h"

namespace gl3d {

namespace {

constexpr mw31::Rect kDefaultGeometry{0, 0, 1024, 768};
constexpr int kDefaultButtonWidth = 32, kDefaultButtonHeight = 24;

// The configuration folder stands in for DATEN when it is not set; made when first written.
std::string config_folder() {
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/kurvlab";
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/kurvlab";
    return ".";
}

void make_folder(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0755);
}

void set_title(Viewer* v, const std::string& title) {
    v->title = title;
    if (v->window) v->window->set_title(title);
}

// The light editor's line becomes the title when it changed.
void refresh_editor_title(Viewer* v) {
    const std::string line = editor_line(v->editor, v->lights);
    if (line != v->title_set) {
        v->title_set = line;
        set_title(v, line);
    }
}

// Before every message: a moved or resized window is written to the geometry file, and the
// title follows the light editor.
void before_message(Viewer* v) {
    const mw31::Rect r = v->window->window_rect();
    if (!(r == v->rect_seen)) {
        v->rect_seen = r;
        write_window_geometry(v->geometry_name, r);
    }
    refresh_editor_title(v);
}

// One tick's or step's advance; a wrap past the end of the film ends a pass. The first step
// (from the last frame to frame 0) only starts the first pass.
void count_pass(Viewer* v, int before) {
    const Playback& p = v->playback;
    const bool wrapped = p.count <= 1 || (p.direction > 0 ? p.frame < before : p.frame > before);
    if (v->first_tick) {
        v->first_tick = false;
        return;
    }
    if (wrapped && ++v->passes_done >= v->passes) v->playback.running = false;
}

void step_and_redraw(Viewer* v, bool with_direction) {
    const int before = v->playback.frame;
    step_frame(&v->playback, with_direction);
    count_pass(v, before);
    redraw(v);
}

// The view record needs its up and side vectors before a drag or the wheel can use them.
void complete_view(Viewer* v) {
    v->camera = complete_camera(&v->scene->view, v->scene->box);
}

void open_info_text() {
    mw31::open_in_text_editor(mw31::temp_info_name());
}

void save_light_settings(const LightSettings& lights) {
    mw31::Backend* b = mw31::backend();
    if (!b) return;
    for (const auto& [name, value] : light_setting_values(lights))
        b->profile_set("KURVLAB", name, value);
}

// "anm_save": the loaded file again, with the view as the user has it now.
void save_with_view(Viewer* v) {
    if (v->scene->file_name.empty()) return;
    mw31::SaveFileRequest request;
    request.title = "Animation mit Ansicht speichern / Save animation with view";
    request.filter = "ANM-Dateien|*.anm|Alle Dateien|*.*|";
    // Timer messages would pile up while the dialog waits and race the film on afterwards.
    v->window->kill_timer(kPlayTimer);
    v->window->kill_timer(kRedrawTimer);
    const std::string chosen = mw31::save_file_dialog(request);
    if (v->alive) {
        v->window->set_timer(kPlayTimer, timer_period_ms(v->playback.speed));
        v->window->set_timer(kRedrawTimer, kRedrawPeriodMs);
    }
    if (chosen.empty()) return;
    save_scene_with_view(v->scene->file_name, with_scene_extension(chosen), v->scene->view,
                         v->scene->global);
}

void toggle_single_step(Viewer* v) {
    press_button(v->playback.single_step ? kButtonDoubleStep : kButtonSingle, &v->playback,
                 &v->toolbar);
}

void on_button(Viewer* v, int id) {
    if (id == kButtonAvi) {
        record_viewer(v);
        return;
    }
    if (press_button(id, &v->playback, &v->toolbar)) {
        end_viewer(v);
        return;
    }
    if (id == kButtonInfo && v->scene->info_text_present) open_info_text();
    if (id == kButtonSave) save_with_view(v);
    redraw(v);
}

void on_char(Viewer* v, int key) {
    const bool stepped = v->stepped_on_key;
    v->stepped_on_key = false;
    switch (key) {
        case '?':
            open_info_text();
            return;
        case 'q':
            record_viewer_quick(v);
            return;
        case 'p':
            mw31::terminal_type_key('p');
            return;
        case 'Q':
            v->window->move_resize(mw31::Rect{100, 100, 900, 700});
            return;
        case 'e':
            end_viewer(v);
            return;
        case 'i':
            v->scene->view = unset_view();
            redraw(v);
            return;
        case 'g':
            v->triangle_edges = !v->triangle_edges;
            if (v->triangle_edges) {
                start_neighbours(&v->neighbours, *v->scene);
                v->window->set_timer(kNeighbourTimer, kNeighbourPeriodMs);
            }
            redraw(v);
            return;
        case 's':
            if (v->playback.running) {
                toggle_single_step(v);
                redraw(v);
                return;
            }
            break;
        default:
            break;
    }
    switch (light_editor_key(&v->editor, &v->lights, char(key), v->playback.running)) {
        case EditorResult::Changed:
            if (v->window->make_current()) apply_lighting(v->lights);
            redraw(v);
            return;
        case EditorResult::Save:
            save_light_settings(v->lights);
            return;
        case EditorResult::Handled:
            return;
        case EditorResult::NotMine:
            break;
    }
    // Any other character steps in single-step mode.
    if (v->playback.single_step && !v->playback.stopped && !stepped) step_and_redraw(v, true);
}

void on_key_down(Viewer* v, const mw31::Message& m) {
    if (v->playback.running) {
        if (m.key == mw31::vk::Left) v->playback.direction = -1;
        if (m.key == mw31::vk::Right) v->playback.direction = 1;
    }
    if (v->playback.single_step && !v->playback.stopped) {
        step_and_redraw(v, true);
        v->stepped_on_key = true;
    }
}

void on_mouse_down(Viewer* v, const mw31::Message& m) {
    v->last_x = m.x;
    v->last_y = m.y;
    if (m.button == mw31::MouseButton::Left) {
        const int h = v->window->client_rect().height();
        const int id = button_at(v->toolbar, m.x, h - 1 - m.y);
        if (id >= 0)
            on_button(v, id);
        else
            v->left_drag = true;
    } else if (m.button == mw31::MouseButton::Middle) {
        v->middle_drag = true;
    }
    if (m.button == mw31::MouseButton::Right) mark_at(v, m.x, m.y, m.ctrl, m.shift);
}

void on_mouse_move(Viewer* v, const mw31::Message& m) {
    const int dx = m.x - v->last_x, dy = m.y - v->last_y;
    v->last_x = m.x;
    v->last_y = m.y;
    if (!v->left_drag && !v->middle_drag) {
        pick_at(v, m.x, m.y);
        return;
    }
    if (dx == 0 && dy == 0) return;
    complete_view(v);
    const int h = v->window->client_rect().height();
    if (v->left_drag) drag_scene(&v->scene->global, v->scene->view, dx, dy, h);
    if (v->middle_drag) drag_view(&v->scene->view, dx, dy, h);
    redraw(v);
}

void on_wheel(Viewer* v, const mw31::Message& m) {
    if (m.ctrl || v->window->ctrl_held()) {
        const int before = v->playback.frame;
        if (wheel_step(&v->playback, m.wheel)) {
            count_pass(v, before);
            redraw(v);
        }
        return;
    }
    complete_view(v);
    const mw31::Rect c = v->window->client_rect();
    if (wheel_move(&v->scene->view, v->camera.distance, m.wheel, m.x, m.y, c.width(), c.height()))
        redraw(v);
}

void on_timer(Viewer* v, int id) {
    if (id == kPlayTimer) {
        const int before = v->playback.frame;
        const bool held = v->window->ctrl_held();
        if (on_play_tick(&v->playback, held)) {
            count_pass(v, before);
            redraw(v);
        } else if (v->playback.count <= 0 && !v->playback.stopped && !v->playback.single_step &&
                   !held) {
            count_pass(v, before);  // a scene without frames: every tick is a whole pass
        }
        if (v->alive && v->playback.running)
            v->window->set_timer(kPlayTimer, timer_period_ms(v->playback.speed));
    } else if (id == kNeighbourTimer) {
        if (!neighbour_tick(&v->neighbours, v->scene)) v->window->kill_timer(kNeighbourTimer);
        redraw(v);
    } else if (id == kRedrawTimer) {
        redraw(v);
        if (v->alive) v->window->set_timer(kRedrawTimer, kRedrawPeriodMs);
    }
}

}  // namespace

std::string geometry_file_name() {
    const char* daten = std::getenv("DATEN");
    const std::string folder = daten && *daten ? std::string(daten) : config_folder();
    return folder + "/glgrafic.size";
}

mw31::Rect read_window_geometry(const std::string& file_name) {
    std::FILE* f = std::fopen(file_name.c_str(), "r");
    if (!f) return kDefaultGeometry;
    int left = 0, right = 0, top = 0, bottom = 0;
    const int n = std::fscanf(f, "%d %d %d %d", &left, &right, &top, &bottom);
    std::fclose(f);
    // A rectangle the window could not take counts as no geometry at all.
    if (n != 4 || right <= left || bottom <= top) return kDefaultGeometry;
    return mw31::Rect{left, top, right, bottom};
}

bool write_window_geometry(const std::string& file_name, const mw31::Rect& r) {
    if (!std::getenv("DATEN") || !*std::getenv("DATEN")) make_folder(config_folder());
    mw31::AtomicFile out;
    if (!out.begin(file_name)) return false;
    out.write(mw31::format_text("%d\n%d\n%d\n%d\n", r.left, r.right, r.top, r.bottom));
    return out.commit();
}

bool viewer_switched_off() {
    const char* off = std::getenv("KVGL_OFF");
    return off && std::atoi(off) != 0;
}

int create_viewer(Viewer* v, Scene* scene, const ViewerOptions& options, std::string* error) {
    if (viewer_switched_off()) {
        *error = "KVGL_OFF";
        return 1;
    }
    // A scene loaded into a viewer that still lives reuses its window.
    if (v->window && v->alive) {
        v->window->make_current();
        if (v->scene && v->scene != scene) release_display_lists(v->scene);
    } else {
        close_viewer(v);
        v->geometry_name = geometry_file_name();
        mw31::GlWindowSpec window_spec;
        window_spec.title = kViewerTitle;
        window_spec.outer = read_window_geometry(v->geometry_name);
        window_spec.icon = "kelvarinthos_opengl";
        window_spec.proc = viewer_proc;
        window_spec.user = v;
        v->window = mw31::create_gl_window(window_spec, error);
        if (!v->window) return 1;
        v->title = kViewerTitle;
        v->lights = read_light_settings(environment_then_profile());
        v->marker_size_setting = read_marker_size_setting(environment_then_profile());
        v->editor = LightEditor{};
        v->title_set.clear();
        v->caption_shown.clear();
        setup_context(v->lights);
    }
    v->scene = scene;
    v->alive = true;
    v->passes = options.passes > 0 ? options.passes : 1;
    v->passes_done = 0;
    v->first_tick = true;
    v->stepped_on_key = false;
    v->left_drag = v->middle_drag = false;
    v->triangle_edges = false;
    v->window->kill_timer(kNeighbourTimer);
    v->neighbours = NeighbourJob{};
    v->pick = PickMemory{};
    v->pick_result = -1;
    clear_markers(&v->markers);
    v->toolbar = load_toolbar(scene->info_text_present);
    start_playback(&v->playback, scene->frame_count());
    v->window->show(mw31::ShowMode::Normal);
    v->rect_seen = v->window->window_rect();
    v->window->set_timer(kPlayTimer, timer_period_ms(v->playback.speed));
    v->window->set_timer(kRedrawTimer, kRedrawPeriodMs);
    return 0;
}

bool viewer_done(const Viewer& v) {
    return !v.window || !v.alive || !v.playback.running;
}

void redraw(Viewer* v) {
    if (!v->alive || !v->window || !v->scene || !v->window->make_current()) return;
    Scene* scene = v->scene;
    const mw31::Rect c = v->window->client_rect();
    if (scene->frame_count() > 0) {
        scene->current_frame = v->playback.frame;
        apply_frame(scene, v->playback.frame);
    }
    RenderSettings settings;
    settings.width = c.width();
    settings.height = c.height();
    settings.lights = v->lights;
    settings.triangle_edges = v->triangle_edges;
    settings.pick_result = v->pick_result;
    v->camera = render_scene(scene, settings);
    Overlay overlay;
    const auto text_lines = overlay_text_lines(*v, &overlay);
    draw_scene_glyphs(*scene, v->camera, overlay, v->markers,
                      marker_size(v->camera.size, v->marker_size_setting),
                      glyph_reference(scene->box, v->camera.size));
    draw_text_lines(text_lines, c.width(), c.height(), &v->text_lines);

    std::vector<ButtonBitmap> images;
    int bw = kDefaultButtonWidth, bh = kDefaultButtonHeight;
    for (const ToolbarButton& b : v->toolbar) {
        auto it = v->bitmaps.find(b.bitmap);
        if (it == v->bitmaps.end())
            it = v->bitmaps.emplace(b.bitmap, mw31::button_image(b.bitmap)).first;
        if (it->second.width > 0) bw = it->second.width, bh = it->second.height;
    }
    layout_toolbar(&v->toolbar, c.width(), c.height(), bw, bh);
    for (const ToolbarButton& b : v->toolbar) {
        const mw31::ButtonImage& img = v->bitmaps[b.bitmap];
        if (img.width != bw || img.height != bh) continue;
        images.push_back(ButtonBitmap{b.x0, b.y0, img.width, img.height, &img.rgb_rows});
    }
    draw_buttons(images, c.width(), c.height());
    v->window->swap_buffers();
    ++v->redraws;

    if (scene->frame_count() > 0) {
        const std::string& caption = scene->frames[size_t(v->playback.frame)].caption;
        if (caption != v->caption_shown) {
            v->caption_shown = caption;
            if (v->editor.group == kGroupNone) set_title(v, caption);
        }
    }
}

std::vector<std::vector<mw31::TextRun>> overlay_text_lines(const Viewer& v, Overlay* overlay) {
    const Scene* scene = v.scene;
    if (scene && scene->frame_count() > 0 && v.playback.frame >= 0 &&
        v.playback.frame < scene->frame_count()) {
        const FrameRecord& f = scene->frames[size_t(v.playback.frame)];
        if (f.has_extra) parse_overlay(f.extra, overlay);
    }
    // The status text's lines follow the frame's, so that neither covers the other.
    parse_overlay(v.markers.status_text, overlay);
    std::vector<std::vector<mw31::TextRun>> lines;
    lines.reserve(overlay->texts.size() + 1);
    for (OverlayTextLine& t : overlay->texts) lines.push_back(std::move(t.runs));
    overlay->texts.clear();
    if (v.neighbours.active) lines.push_back(neighbour_progress_runs(v.neighbours));
    return lines;
}

int pick_at(Viewer* v, int x, int y) {
    if (!v->window || !v->scene || !v->alive) return -1;
    const mw31::Rect c = v->window->client_rect();
    const long long now = v->clock ? v->clock() : mw31::tick_count();
    auto select = [&](int px, int py) {
        if (!v->window->make_current()) return -1;
        RenderSettings s;
        s.width = c.width();
        s.height = c.height();
        s.lights = v->lights;
        s.triangle_edges = v->triangle_edges;
        return select_part(v->scene, s, px, py);
    };
    bool changed = false;
    const int name = pick_name(&v->pick, now, v->toolbar, x, c.height() - 1 - y, select, &changed);
    v->pick_result = name;
    if (changed) redraw(v);
    return name;
}

void mark_at(Viewer* v, int x, int y, bool ctrl, bool shift) {
    if (!v->window || !v->scene || !v->alive) return;
    complete_view(v);
    const mw31::Rect c = v->window->client_rect();
    const ViewRecord& view = v->scene->view;
    const std::array<double, 3> eye = {view[0], view[1], view[2]};
    const auto ray = pixel_ray(view, x, y, c.width(), c.height());
    const double tolerance = hit_tolerance(v->camera.size, v->marker_size_setting);
    const SurfaceHit hit =
        surface_hit(*v->scene, eye, ray, tolerance, !v->scene->file_name.empty());
    right_click_markers(&v->markers, v->scene->global, ctrl, shift, hit.hit(), hit.point,
                        hit.normal);
    redraw(v);
}

void end_viewer(Viewer* v) {
    v->playback.running = false;
    v->alive = false;
    if (!v->window) return;
    v->window->kill_timer(kPlayTimer);
    v->window->kill_timer(kRedrawTimer);
    v->window->kill_timer(kNeighbourTimer);
    v->neighbours.active = false;
    v->window->show(mw31::ShowMode::Hidden);
}

void close_viewer(Viewer* v) {
    if (!v->window) return;
    end_viewer(v);
    if (v->scene && v->window->make_current()) release_display_lists(v->scene);
    v->window.reset();
}

void viewer_proc(mw31::Window&, const mw31::Message& m, void* user) {
    auto* v = static_cast<Viewer*>(user);
    if (!v || !v->window || !v->alive) return;
    before_message(v);
    // A key's character follows its key down at once; anything else in between is a new key.
    if (m.kind != mw31::MessageKind::Char) v->stepped_on_key = false;
    switch (m.kind) {
        case mw31::MessageKind::Close:
            end_viewer(v);
            break;
        case mw31::MessageKind::Size:
            redraw(v);
            break;
        case mw31::MessageKind::Timer:
            on_timer(v, m.command);
            break;
        case mw31::MessageKind::Char:
            on_char(v, m.key);
            break;
        case mw31::MessageKind::KeyDown:
            on_key_down(v, m);
            break;
        case mw31::MessageKind::MouseDown:
            on_mouse_down(v, m);
            break;
        case mw31::MessageKind::MouseUp:
            if (m.button == mw31::MouseButton::Left) v->left_drag = false;
            if (m.button == mw31::MouseButton::Middle) v->middle_drag = false;
            break;
        case mw31::MessageKind::MouseMove:
            on_mouse_move(v, m);
            break;
        case mw31::MessageKind::Wheel:
            on_wheel(v, m);
            break;
        default:
            break;
    }
    // The editor's line shows at once, not only with the next message.
    if (v->alive) refresh_editor_title(v);
}

}  // namespace gl3d
