// What the film window hands to the outputs and tools that live elsewhere: printing, DXF,
// video recording, the merge help and the motion analysis files. The
// window's setup brings them; an empty entry means the window does nothing for that request.
// Outputs get the frame's painter and the view, never the window itself.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "film_model/film_view.h"
#include "film_model/frame_painter.h"
#include "film_model/motion_trace.h"
#include "film_model/motion_track.h"
#include "mw31/canvas.h"
#include "mw31/picture.h"

namespace film {

// The frame the window shows, for an output to draw again in its own way.
struct FrameOutput {
    const FramePainter& painter;
    const FilmView& view;
    PaintStyle style;
    int frame;
    // The traces drawn over the frame (DXF writes them as polylines); null: none.
    const std::vector<MotionTrace>* traces = nullptr;
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

    // Writes the merge help text to the file; 0 on success.
    std::function<int(const std::string& file_name)> merge_help_write;

    // Motion analysis files, each written whole or not at all: 0, or 1 after a message.
    std::function<int(const std::string& path, const std::vector<MotionTrace>& traces)> trace_csv;
    std::function<int(const std::string& path, const std::vector<MotionTrace>& traces)> trace_svg;
    std::function<int(const std::string& path, const MotionTrack& track)> track_csv;
};

}  // namespace film
