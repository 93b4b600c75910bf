// What the film window and its players hand to the outputs and tools that live elsewhere:
// printing, DXF, video recording, measuring, the grid, the target-cycle control and the
// merge help. Each entry may be null; the window then does nothing for that request.
#pragma once

#include <string>

#include "mw31/canvas.h"
#include "mw31/picture.h"
#include "mw31/window.h"

namespace film {

struct FilmWindow;

struct FilmOutputs {
    // Hardcopy of the frame (served by the loop, then the frame is drawn again).
    void (*print_frame)(FilmWindow& fw, int frame) = nullptr;
    // DXF export of the frame, and the film's name handed to it before reading (empty for
    // line films).
    void (*dxf_frame)(FilmWindow& fw, int frame) = nullptr;
    void (*dxf_film_name)(const std::string& name) = nullptr;

    // Video recording: 0 when a recording was opened.
    int (*avi_start)(FilmWindow& fw) = nullptr;
    void (*avi_add_picture)(FilmWindow& fw, const mw31::Picture& picture, int width,
                            int height) = nullptr;
    void (*avi_finish)(FilmWindow& fw) = nullptr;
    // Quick recording (q): the window, its outer rectangle and the step before the change.
    void (*avi_remember_window)(FilmWindow& fw, const mw31::Rect& outer, int step) = nullptr;

    // Measuring commands 15, 16, 17, and End (1), which drops a pending measurement.
    void (*measure_command)(FilmWindow& fw, int command) = nullptr;
    // A button press in the drawing area; true when an armed measurement took it, so that
    // no zoom rectangle starts.
    bool (*measure_press)(FilmWindow& fw, int x, int y) = nullptr;
    // Every mouse move in the client area (crosshair, coordinate display).
    void (*mouse_move)(FilmWindow& fw, int x, int y) = nullptr;
    // The measuring buttons at a menu-bar update.
    void (*measure_menu)(FilmWindow& fw) = nullptr;

    // The grid, drawn first into each picture while it is on.
    void (*draw_grid)(FilmWindow& fw, mw31::Canvas& canvas) = nullptr;
    // Overlays drawn after the frame (crosshair, measurements).
    void (*draw_overlays)(FilmWindow& fw, mw31::Canvas& canvas) = nullptr;

    // The target-cycle dialog (opened at a menu-bar update when requested) and the control
    // called with the measured cycles per minute.
    void (*target_dialog)(FilmWindow& fw) = nullptr;
    void (*target_control)(FilmWindow& fw, double cycles_per_minute) = nullptr;

    // Writes the merge help text to the file; 0 on success.
    int (*merge_help_write)(const std::string& file_name) = nullptr;
};

// The program's table: each output fills its entries when it is linked in.
FilmOutputs& film_outputs();

}  // namespace film
