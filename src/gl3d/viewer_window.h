// The 3D window: creating it, its window procedure (which only sequences the playback and view
// state and the renderer) and the question the film player asks while it pumps messages.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gl3d/light_settings.h"
#include "gl3d/markers.h"
#include "gl3d/neighbour_timer.h"
#include "gl3d/overlay_drawing.h"
#include "gl3d/picking.h"
#include "gl3d/renderer.h"
#include "gl3d/scene.h"
#include "gl3d/view_state.h"
#include "mw31/gl_window.h"

namespace gl3d {

constexpr const char* kViewerTitle = "KELVARINTHOS (R) OpenGL";
constexpr int kRedrawPeriodMs = 200;

struct ViewerOptions {
    // Playback ends by itself after this many passes (unattended runs and tests).
    int passes = 1000000;
};

struct Viewer {
    Scene* scene = nullptr;  // the caller's; it outlives the viewer
    std::unique_ptr<mw31::GlWindow> window;
    bool alive = false;
    Playback playback;
    std::vector<ToolbarButton> toolbar;
    std::map<std::string, mw31::ButtonImage> bitmaps;
    LightSettings lights;
    LightEditor editor;
    bool triangle_edges = false;
    Camera camera;  // of the last redraw

    int passes = 1000000;
    int passes_done = 0;
    bool first_tick = true;
    int redraws = 0;
    // A key down in single-step mode advanced already; its character does not step again.
    bool stepped_on_key = false;

    // Mouse: last cursor position and the drags under way.
    int last_x = 0, last_y = 0;
    bool left_drag = false, middle_drag = false;

    // Picking, markers and the overlay.
    PickMemory pick;
    int pick_result = -1;            // the part under the cursor (its polygon is drawn red)
    MarkerTable markers;             // markers.status_text is the window's status text
    double marker_size_setting = 0;  // KVGL_MARKERGROESSE, 0 when not set
    NeighbourJob neighbours;
    TextLineCache text_lines;
    // Milliseconds of a steady clock; tests set their own.
    std::function<long long()> clock;

    std::string caption_shown;  // the frame caption set as title last
    std::string title_set;      // the editor line set as title last
    std::string title;          // what the window's title is now
    mw31::Rect rect_seen;
    std::string geometry_name;  // "<DATEN>/glgrafic.size"
};

// "<DATEN or the configuration folder>/glgrafic.size".
std::string geometry_file_name();
// Left, top, right, bottom from the four lines left, right, top, bottom; 0, 0, 1024, 768 when
// the file is missing or unreadable.
mw31::Rect read_window_geometry(const std::string& file_name);
// Writes left, right, top and bottom, one a line (replacing the file only when complete).
bool write_window_geometry(const std::string& file_name, const mw31::Rect& r);

// True when KVGL_OFF holds a non-zero integer.
bool viewer_switched_off();

// Opens the window on the loaded scene and starts playback. 0 on success; 1 when KVGL_OFF
// switches the window off or no GL window can be had (*error says which).
int create_viewer(Viewer* viewer, Scene* scene, const ViewerOptions& options, std::string* error);
// The window is gone or playback has ended.
bool viewer_done(const Viewer& viewer);
// Draws the current frame with the toolbar and swaps buffers.
void redraw(Viewer* viewer);
// Stops playback: timers killed, the window hidden, the alive flag cleared. The window object
// itself goes in close_viewer, outside its own window procedure.
void end_viewer(Viewer* viewer);
// Ends the viewer if needed, lets go of the scene's display lists and destroys the window.
void close_viewer(Viewer* viewer);
// The overlay's text lines of the current frame: the frame's extra text, then the status text,
// then the neighbour computation's progress while it runs.
std::vector<std::vector<mw31::TextRun>> overlay_text_lines(const Viewer& viewer, Overlay* overlay);
// The part id (or button id) under the client pixel (x, y; y down), reused for 100 ms; the
// window is redrawn when it changed.
int pick_at(Viewer* viewer, int x, int y);
// A right click at the client pixel (x, y; y down): the surface point under the cursor is
// marked (ctrl adds, shift + ctrl clears) and the window redrawn.
void mark_at(Viewer* viewer, int x, int y, bool ctrl, bool shift);
// The window procedure (user is the Viewer).
void viewer_proc(mw31::Window& window, const mw31::Message& message, void* user);

}  // namespace gl3d
