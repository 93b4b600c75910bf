// The 3D renderer: the only OpenGL 1.x and GLU calls of the viewer. It draws a scene and its view
// into whatever GL context is current (a window's or an offscreen surface's).
#pragma once

#include <cstdint>
#include <vector>

#include "gl3d/light_settings.h"
#include "gl3d/scene.h"
#include "gl3d/view_state.h"

namespace gl3d {

struct RenderSettings {
    int width = 800, height = 600;  // client area in pixels
    LightSettings lights;
    bool triangle_edges = false;  // the "g" display
    int pick_result = -1;         // the polygon with this part id is drawn red
    // Selection mode: the projection is narrowed to the pick rectangle around (pick_x, pick_y),
    // y upwards from the bottom.
    bool selecting = false;
    int pick_x = 0, pick_y = 0;
    // Closed mesh bodies seen wholly from outside have their back faces culled: those lines lie
    // behind the front faces (but for a one-pixel seam on the outline), and drawing them costs
    // most of a software-rendered frame. Off, every back face is drawn as lines.
    bool cull_closed = true;
};

// The fixed state of a new context: smooth shading, lighting, depth test, back faces as lines.
void setup_context(const LightSettings& lights);
// Clear colour, depth function, light 0, light model and materials; lighting on.
void apply_lighting(const LightSettings& lights);

// Draws the scene's current frame (its placements must have been applied with apply_frame)
// with the scene's view record, which is completed on the way. Returns the camera used.
Camera render_scene(Scene* scene, const RenderSettings& settings);

// Toolbar bitmaps over the picture: RGB rows (top to bottom) per button, at the buttons'
// drawn rectangles (y upwards).
struct ButtonBitmap {
    int x0 = 0, y0 = 0, width = 0, height = 0;
    const std::vector<uint8_t>* rgb_rows = nullptr;
};
void draw_buttons(const std::vector<ButtonBitmap>& buttons, int client_width, int client_height);

// Deletes the display lists of every body and those the scene retired (the context must be
// current; before a context goes away).
void release_display_lists(Scene* scene);

}  // namespace gl3d
