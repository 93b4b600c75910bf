// What the film window hands to the outputs and tools that live elsewhere: printing, DXF,
// video recording, measuring, the grid, the target-cycle control and the merge help. The
// window's setup brings them; an empty entry means the window does nothing for that request.
// Outputs get the frame's painter and the view, never the window itself.
#pragma once

#include <functional>
#include <string>

#include "film_model/film_view.h"
#include "film_model/frame_painter.h"
#include "mw31/canvas.h"
#include "mw31/picture.h"

namespace film {

// The frame the window shows, for an output to draw again in its own way.
struct FrameOutput {
    const FramePainter& painter;
    const FilmView& view;
    PaintStyle style;
    int frame;
};

struct FilmOutputs {
    // Hardcopy of the frame (served by the loop, then the frame is drawn again).
    std::function<void(const FrameOutput&)> print_frame;
    // DXF export of the frame.
    std::function<void(const FrameOutput&)> dxf_frame;

    // Video recording: 0 when a recording was opened.
    std::function<int()> avi_start;
    std::function<void(const mw31::Picture& picture)> avi_add_picture;
    std::function<void()> avi_finish;
    // Quick recording (q): the window's outer rectangle and the step before the change.
    std::function<void(const mw31::Rect& outer, int step)> avi_remember_window;

    // Measuring commands 15, 16, 17, and End (1), which drops a pending measurement.
    std::function<void(int command)> measure_command;
    // A button press in the drawing area; true when an armed measurement took it, so that
    // no zoom rectangle starts.
    std::function<bool(int x, int y)> measure_press;
    // Every mouse move in the client area (crosshair, coordinate display).
    std::function<void(int x, int y)> mouse_move;
    // The measuring buttons at a menu-bar update.
    std::function<void()> measure_menu;

    // The grid, drawn into each picture under the frame while it is on.
    std::function<void(mw31::Canvas& canvas, const FilmView& view)> draw_grid;
    // Overlays drawn over the frame (crosshair, measurements).
    std::function<void(mw31::Canvas& canvas, const FilmView& view)> draw_overlays;

    // The target-cycle dialog (opened at a menu-bar update when requested) and the control
    // called with the measured cycles per minute.
    std::function<void()> target_dialog;
    std::function<void(double cycles_per_minute)> target_control;

    // Writes the merge help text to the file; 0 on success.
    std::function<int(const std::string& file_name)> merge_help_write;
};

}  // namespace film
