// What `--info`, `--output PICTURE --frame N` and `--record VIDEO` ask for instead of a film
// window.
#pragma once

#include <string>
#include <vector>

namespace kurvlab {

struct BatchRequest {
    bool info = false;       // print what the reader found, open no window
    std::string output_png;  // draw one frame into this picture and end
    int frame = 1;
    int width = 800, height = 600;
    int phi_factor = 1;  // in-between pictures of ANMNEU films
    int substep = 0;
    std::string record;                 // record one pass into this video and end
    std::string record_codec = "rle8";  // AVI only: raw, rle8, raw24
    int record_step = 1;
    bool record_stamp = false;  // frame number and cycle angle in a corner of each picture

    std::string output_pdf;  // print frame N into this PDF and end
    std::string output_dxf;  // export frame N as this DXF drawing and end
    std::string paper = "A4";
    bool portrait = false;

    // --output of world films: the grid under the frame, a measurement over it (world units).
    bool grid = false;
    bool measure = false;
    double measure_from_x = 0, measure_from_y = 0, measure_to_x = 0, measure_to_y = 0;

    std::string merge_out;  // a merge definition merged into this film, not played

    // Motion analysis: points picked in frame N (the first frame a pass shows unless --frame
    // was given), in the film's units, and followed through every frame.
    struct PickedPoint {
        double x = 0, y = 0;
    };
    bool frame_given = false;
    std::vector<PickedPoint> trace_points;  // --trace X,Y (several)
    bool track = false;                     // --track X1,Y1,X2,Y2
    PickedPoint track_from, track_to;
    std::string motion_csv;  // --csv: the traces, or the tracked distance
    std::string motion_svg;  // --svg: the traces as polylines
    std::string track_png;   // --png: the tracked distance and direction over the cycle
    std::string sweep_png;   // --sweep: every frame of a pass drawn over each other

    bool wants_motion() const { return !trace_points.empty() || track || !sweep_png.empty(); }

    bool active() const {
        return info || !output_png.empty() || !record.empty() || !output_pdf.empty() ||
               !output_dxf.empty() || !merge_out.empty() || wants_motion();
    }
};

}  // namespace kurvlab
