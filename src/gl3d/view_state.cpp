// Playback steps, timer periods, camera completion and the mouse's view maths of the 3D viewer.
#include "gl3d/view_state.h"

#include <algorithm>
#include <cmath>

#include "numeric/vec3.h"

namespace gl3d {

namespace {

using V3 = std::array<double, 3>;

bool unset(const double* v) {
    return std::fabs(v[0]) > 1e10 || std::fabs(v[1]) > 1e10 || std::fabs(v[2]) > 1e10 ||
           !std::isfinite(v[0] + v[1] + v[2]);
}

double len(const V3& v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

V3 cross3(const V3& a, const V3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

V3 turned(const V3& v, const double* axis, double angle) {
    V3 out;
    vec3_rotate_about_axis(v.data(), axis, angle, out.data());
    return out;
}

V3 part(const double* v) {
    return {v[0], v[1], v[2]};
}

void put(double* v, const V3& a) {
    v[0] = a[0];
    v[1] = a[1];
    v[2] = a[2];
}

}  // namespace

void start_playback(Playback* p, int frame_count) {
    p->count = frame_count;
    p->frame = frame_count - 1;
    p->speed = 1.0;
    p->direction = 1;
    p->stopped = false;
    p->single_step = false;
    p->running = true;
}

int playback_step(const Playback& p) {
    const double s = std::trunc(p.speed + 0.5);
    return s >= 1 && s < 1e9 ? int(s) : 1;
}

void step_frame(Playback* p, bool with_direction) {
    if (p->count <= 0) return;
    const int step = playback_step(*p) % p->count;
    const int dir = with_direction ? p->direction : -p->direction;
    if (dir > 0)
        p->frame = (p->frame + step) % p->count;
    else
        p->frame = (p->count + p->frame - step) % p->count;
    if (p->frame < 0) p->frame += p->count;  // a frame set from outside may be out of range
}

void step_frame(Playback* p) {
    step_frame(p, true);
}

int timer_period_ms(double speed) {
    if (speed > 1.999999) return 1;
    if (speed >= 0.999999) return 5;
    const double period = std::trunc(15 / speed);
    return period < 1e6 ? int(period) : 1000000;
}

bool on_play_tick(Playback* p, bool ctrl_held) {
    if (p->stopped || p->single_step || ctrl_held || p->count <= 0) return false;
    step_frame(p);
    return true;
}

bool wheel_step(Playback* p, int wheel_delta) {
    if (p->stopped || wheel_delta == 0 || p->count <= 0) return false;
    step_frame(p, wheel_delta < 0);
    return true;
}

Camera complete_camera(ViewRecord* view, const SceneBox& box) {
    Camera cam;
    double s = 0;
    for (int i = 0; i < 3; ++i) {
        s = std::max(s, box.max[size_t(i)] - box.min[size_t(i)]);
        cam.centre[size_t(i)] = (box.min[size_t(i)] + box.max[size_t(i)]) * 0.5;
    }
    if (box.empty()) cam.centre = {0, 0, 0};
    cam.size = std::max(s, 10.0);
    s = cam.size;
    const V3 c = cam.centre;
    double* v = view->data();
    if (unset(v)) put(v, {c[0], c[1] - 2 * s, c[2] + 2 * s});
    V3 eye = part(v);
    if (unset(v + 3)) put(v + 3, {c[0] - eye[0], c[1] - eye[1], c[2] - eye[2]});
    cam.distance = std::max({len(eye), s * 0.01, 0.1});

    V3 dir = part(v + 3);
    if (len(dir) < 1e-8) dir = {c[0] - eye[0], c[1] - eye[1], c[2] - eye[2]};
    if (len(dir) < 1e-8) dir = {-eye[0], -eye[1], -eye[2]};
    if (len(dir) < 1e-8) {
        eye = {0, 0, -3 * s};
        dir = {0, 0, 3 * s};
    }
    const double dl = len(dir);
    dir = {dir[0] / dl, dir[1] / dl, dir[2] / dl};

    V3 up = unset(v + 6) ? V3{0, 0, 1} : part(v + 6);
    auto perpendicular = [&](const V3& start) { return cross3(dir, cross3(start, dir)); };
    V3 u = perpendicular(up);
    if (len(u) < 1e-8) u = perpendicular({0, 0, 1});
    if (len(u) < 1e-8) u = perpendicular({0, 1, 0});
    double ul = len(u);
    if (ul < 1e-8) ul = 1e-8;
    u = {u[0] / ul, u[1] / ul, u[2] / ul};

    put(v, eye);
    put(v + 3, dir);
    put(v + 6, u);
    put(v + 9, cross3(dir, u));
    cam.eye = eye;
    cam.direction = dir;
    cam.up = u;
    cam.side = part(v + 9);
    cam.near_plane = s * 0.001;
    cam.far_plane = s * 1000;
    return cam;
}

void drag_scene(Placement* global, const ViewRecord& view, int dx, int dy, int client_height) {
    if (client_height <= 0) return;
    const double k = M_PI * 360 / client_height / 180;
    for (int a = 0; a < 3; ++a) {
        double* axis = global->data() + 3 + 3 * a;
        V3 v = turned(part(axis), view.data() + 9, dy * k);
        v = turned(v, view.data() + 6, dx * k);
        put(axis, v);
    }
}

void drag_view(ViewRecord* view, int dx, int dy, int client_height) {
    if (client_height <= 0) return;
    const double k = 45.0 / client_height * M_PI / 180;
    V3 d = turned(part(view->data() + 3), view->data() + 9, dy * k);
    d = turned(d, view->data() + 6, dx * k);
    put(view->data() + 3, d);
}

std::array<double, 3> cursor_ray(const ViewRecord& view, int x, int y, int client_width,
                                 int client_height) {
    const double h = client_height > 0 ? client_height : 1;
    const double per_pixel = 45.0 / h * M_PI / 180;
    const double vertical = (client_height * 0.5 - y) * per_pixel;
    const double horizontal = (x - client_width * 0.5) * per_pixel;
    V3 ray = turned(part(view.data() + 3), view.data() + 9, vertical);
    ray = turned(ray, view.data() + 6, -horizontal);
    const double l = len(ray);
    if (l > 0) ray = {ray[0] / l, ray[1] / l, ray[2] / l};
    return ray;
}

bool wheel_move(ViewRecord* view, double distance, int wheel_delta, int x, int y, int client_width,
                int client_height) {
    if (wheel_delta == 0) return false;
    const V3 ray = cursor_ray(*view, x, y, client_width, client_height);
    const double step = 0.2 * std::min(distance, len(part(view->data())));
    const double sign = wheel_delta > 0 ? -1 : 1;
    for (int i = 0; i < 3; ++i) (*view)[size_t(i)] += sign * step * ray[size_t(i)];
    return true;
}

std::vector<ToolbarButton> load_toolbar(bool with_info) {
    std::vector<ToolbarButton> bar;
    auto add = [&](int id, const char* bitmap) {
        ToolbarButton b;
        b.id = id;
        b.bitmap = bitmap;
        bar.push_back(b);
    };
    add(kButtonAvi, "anm_avi");
    add(kButtonEnd, "anm_ende");
    add(kButtonSingle, "anm_sngl");
    add(kButtonDirection, "anm_dir");
    add(kButtonFast, "anm_fast");
    add(kButtonSlow, "anm_slow");
    if (with_info) add(kButtonInfo, "anm_info");
    add(kButtonSave, "anm_save");
    return bar;
}

void swap_button(std::vector<ToolbarButton>* bar, int id, int new_id, const std::string& bitmap) {
    for (ToolbarButton& b : *bar)
        if (b.id == id) {
            b.id = new_id;
            b.bitmap = bitmap;
            return;
        }
}

void layout_toolbar(std::vector<ToolbarButton>* bar, int client_width, int client_height,
                    int bitmap_width, int bitmap_height) {
    int x = 1;
    for (ToolbarButton& b : *bar) {
        b.x = x;
        b.y = -1;
        x += bitmap_width;
        b.x0 = b.x < 0 ? client_width + b.x - bitmap_width : b.x;
        b.y0 = b.y < 0 ? client_height + b.y - bitmap_height : b.y;
        b.x1 = b.x0 + bitmap_width - 1;
        b.y1 = b.y0 + bitmap_height - 1;
    }
}

int button_at(const std::vector<ToolbarButton>& bar, int x, int y) {
    for (const ToolbarButton& b : bar)
        if (x >= b.x0 && x <= b.x1 && y >= b.y0 && y <= b.y1) return b.id;
    return -1;
}

bool press_button(int id, Playback* p, std::vector<ToolbarButton>* bar) {
    switch (id) {
        case kButtonEnd:
            p->running = false;
            return true;
        case kButtonStop:
            p->stopped = true;
            swap_button(bar, kButtonStop, kButtonGo, "anm_go");
            break;
        case kButtonGo:
            p->stopped = false;
            swap_button(bar, kButtonGo, kButtonStop, "anm_stop");
            break;
        case kButtonSingle:
            p->single_step = true;
            swap_button(bar, kButtonSingle, kButtonDoubleStep, "anm_dlf");
            break;
        case kButtonDoubleStep:
            p->single_step = false;
            swap_button(bar, kButtonDoubleStep, kButtonSingle, "anm_sngl");
            break;
        case kButtonDirection:
            p->direction = -p->direction;
            break;
        case kButtonFast:
            faster(p);
            break;
        case kButtonSlow:
            slower(p);
            break;
        default:
            break;
    }
    return false;
}

}  // namespace gl3d
