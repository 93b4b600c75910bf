// Windows whose client area is an OpenGL surface (the 3D viewer's), and the button bitmaps that
// such a window draws into its own picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mw31/window.h"

namespace mw31 {

struct GlWindowSpec {
    std::string title = kProgramTitle;
    Rect outer{0, 0, 1024, 768};  // frame in screen coordinates
    std::string icon;
    WindowProc proc = nullptr;
    void* user = nullptr;
};

// A top-level window with a double-buffered RGBA context with a depth buffer, compatibility
// profile (fixed-function GL 1.x and display lists). It has no tool bar and no canvas of its
// own: whatever it shows is drawn with GL. Messages arrive through the queue as for any
// window; a Size message also asks for a redraw when the window was uncovered.
class GlWindow : public Window {
  public:
    // Makes the window's context current; false when there is none.
    virtual bool make_current() = 0;
    // Shows what was drawn since the last swap.
    virtual void swap_buffers() = 0;
    // The Ctrl key is down right now (not as of some queued message).
    virtual bool ctrl_held() const = 0;
    // GL_RENDERER | GL_VERSION of the context, "" before it exists.
    virtual std::string renderer() const = 0;
    // While on, each swap first keeps a copy of the picture it puts on the screen, so that a
    // recording gets what was shown without waiting for the display to show it.
    virtual void keep_swapped_pictures(bool on) { (void)on; }
    // The picture of the last swap while keeping: rows top to bottom, R G B, in device pixels
    // (*width x *height); empty when there is none. It is handed over, not copied.
    virtual std::vector<uint8_t> take_swapped_picture(int* width, int* height) {
        *width = *height = 0;
        return {};
    }

    // A GL window has no GDI surface and no tool bar of buttons.
    void copy_picture(const Picture&, int, int) override {}
    void toolbar_add(int, const std::string&, const std::string&) override {}
    void toolbar_remove(int) override {}
    void toolbar_set(int, const std::string&, const std::string&) override {}
    bool toolbar_has(int) const override { return false; }
    std::string toolbar_bitmap(int) const override { return {}; }
    void toolbar_show(bool) override {}
    bool toolbar_shown() const override { return false; }
};

// Null (with *error set) when there is no display or the platform gives no such context.
std::unique_ptr<GlWindow> create_gl_window(const GlWindowSpec& window_spec, std::string* error);

// A button bitmap by name as RGB rows, top to bottom; empty when there is none.
struct ButtonImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb_rows;
};
ButtonImage button_image(const std::string& name);

}  // namespace mw31
