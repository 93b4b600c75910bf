// The 3D viewer's playback and view state as plain data, and what timer ticks, buttons, keys,
// drags and the wheel do to it. No GL and no window here.
#pragma once

#include <array>

#include "gl3d/scene.h"

namespace gl3d {

// Timer numbers of the 3D window.
constexpr int kPlayTimer = 2000;
constexpr int kNeighbourTimer = 2001;
constexpr int kRedrawTimer = 2002;

struct Playback {
    int frame = 0;
    int count = 0;
    double speed = 1.0;
    int direction = 1;
    bool stopped = false;
    bool single_step = false;
    bool running = false;
};

// Speed 1, forward, at the last frame so that the first step shows frame 0.
void start_playback(Playback* p, int frame_count);
// trunc(speed + 0.5), at least 1.
int playback_step(const Playback& p);
// One step in the playback direction (with wrap-around); nothing without frames.
void step_frame(Playback* p);
// One step against (forward = false) or with the direction.
void step_frame(Playback* p, bool with_direction);
// Period of the play timer: 1 ms above speed 2, 5 ms from 1 to 2, trunc(15 / speed) below.
int timer_period_ms(double speed);
// A tick of the play timer: advances unless stopped, single-stepping or Ctrl is held.
// True when the frame changed.
bool on_play_tick(Playback* p, bool ctrl_held);
inline void faster(Playback* p) {
    p->speed *= 1.5;
}
inline void slower(Playback* p) {
    p->speed /= 1.5;
}
// The wheel with Ctrl held: a positive delta steps against the direction, a negative one with
// it; nothing while stopped or for a zero delta. True when the frame changed.
bool wheel_step(Playback* p, int wheel_delta);

// The completed camera of one redraw.
struct Camera {
    double size = 10;                // largest extent of the scene box, at least 10
    std::array<double, 3> centre{};  // of the scene box
    std::array<double, 3> eye{}, direction{}, up{}, side{};
    double distance = 1000;  // along the direction to the look-at target
    double near_plane = 0.01, far_plane = 10000;
    std::array<double, 3> target() const {
        return {eye[0] + distance * direction[0], eye[1] + distance * direction[1],
                eye[2] + distance * direction[2]};
    }
};

// Fills unset values of the view record from the scene box, normalises direction and up,
// recomputes the side vector (all written back into *view) and returns the camera.
Camera complete_camera(ViewRecord* view, const SceneBox& box);

// Left drag: the global placement's axis images turn about the side vector by dy * k, then
// about the up vector by dx * k, k = 2 pi / client height per pixel.
void drag_scene(Placement* global, const ViewRecord& view, int dx, int dy, int client_height);
// Middle drag: the view direction turns the same way with 45 degrees per client height.
void drag_view(ViewRecord* view, int dx, int dy, int client_height);
// The unit ray from the eye through the client pixel (x, y; y down) within the 45 degree
// field of view.
std::array<double, 3> cursor_ray(const ViewRecord& view, int x, int y, int client_width,
                                 int client_height);
// The wheel without Ctrl: the eye moves along the cursor ray by 0.2 * min(distance, |eye|),
// away from the scene for a positive delta. False (nothing moved) for a zero delta.
bool wheel_move(ViewRecord* view, double distance, int wheel_delta, int x, int y, int client_width,
                int client_height);

// Toolbar buttons of the 3D window.
enum ToolbarId {
    kButtonEnd = 900000001,
    kButtonStop = 900000002,
    kButtonSingle = 900000003,
    kButtonDirection = 900000004,
    kButtonFast = 900000005,
    kButtonSlow = 900000006,
    kButtonInfo = 900000007,
    kButtonAvi = 900000008,
    kButtonGo = 900000009,
    kButtonDoubleStep = 900000010,
    kButtonSave = 900000011,
};

struct ToolbarButton {
    int id = 0;
    std::string bitmap;
    int x = 0, y = -1;                   // requested; negative counts from the right or top edge
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // drawn rectangle, y upwards from the bottom
};

// The row the loader makes; "anm_info" only with an info text.
std::vector<ToolbarButton> load_toolbar(bool with_info);
// Replaces the button `id` by `new_id` with its bitmap at the same position.
void swap_button(std::vector<ToolbarButton>* bar, int id, int new_id, const std::string& bitmap);
// Computes the drawn rectangles for a client area and bitmap sizes.
void layout_toolbar(std::vector<ToolbarButton>* bar, int client_width, int client_height,
                    int bitmap_width, int bitmap_height);
// The id of the button under (x, y) (y upwards from the bottom), or -1.
int button_at(const std::vector<ToolbarButton>& bar, int x, int y);

// What a left click on a button does to the playback state and the bar. Returns true when the
// viewer is to end (kButtonEnd); AVI, info and save are left to the window.
bool press_button(int id, Playback* p, std::vector<ToolbarButton>* bar);

}  // namespace gl3d
