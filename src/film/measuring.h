// Measuring in the film window as plain state and arithmetic: the measuring state and what
// the commands and a button press do to it, the buttons the menu bar shows for it, the round
// spacing of the grid, the texts of the coordinate and measurement displays and the control
// of the speed towards a target number of cycles per minute.
#pragma once

#include <string>
#include <vector>

#include "mw31/canvas.h"

namespace film {

// A point that is not set holds this; coordinates beyond kSetLimit count as not set.
constexpr double kUnsetPoint = 1e38;
constexpr double kSetLimit = 1e30;
// Coordinates this large are not written next to the crosshair.
constexpr double kCoordinateTextLimit = 1e10;

enum MeasureStage : int { kMeasureNone = 0, kMeasureReference = 1, kMeasureDirection = 2 };

struct MeasureState {
    int stage = kMeasureNone;
    bool armed = false;  // the next button press picks a point
    double ref_x = kUnsetPoint, ref_y = kUnsetPoint;
    double dir_x = kUnsetPoint, dir_y = kUnsetPoint;
};

bool point_set(double x, double y);
bool reference_set(const MeasureState& m);
bool direction_set(const MeasureState& m);
void reset_points(MeasureState* m);

// The dashed crosshair that line films get straight in the window, with the pixels under it.
struct LineCrosshair {
    bool drawn = false;
    std::vector<mw31::Point> points;
    std::vector<mw31::Rgb> under;
};
constexpr size_t kMaxCrosshairPixels = 8192;
constexpr int kCrosshairDash = 10;  // pixels drawn, then as many left out

// What the film window keeps for measuring, the crosshair and the target-cycle dialog.
struct Measuring {
    MeasureState state;
    LineCrosshair line_crosshair;
    int shown_stage = kMeasureNone;  // the measuring buttons the menu bar shows
    std::string target_text;         // last typed into the target-cycle dialog
};

// Commands 15 (reference point), 16 (direction point), 17 (end of measuring) and End (1),
// which drops a pending measurement. Returns the cursor the window shows now: "cross" or
// "arrow"; "" for other commands.
std::string measure_command(MeasureState* m, int command);

// A button press at the world point (wx, wy). False when no measurement was armed (the press
// then starts a zoom rectangle); otherwise disarms and picks the point of the stage.
bool measure_press(MeasureState* m, double wx, double wy);

// The measuring buttons the menu bar shows for the stage: 15; 16 and 17; or 17.
std::vector<int> measure_buttons(int stage);

// The crosshair and coordinates are shown while the grid is on, a measurement is armed or
// measuring is under way.
bool crosshair_wanted(const MeasureState& m, bool grid);

// A round spacing for the extent: lines come between `lo` and `hi` times. 0 for an extent
// below 1e-12 (or not a number): no grid.
double grid_spacing(double extent, double lo = 15, double hi = 40);
// The spacing of both directions: the smaller of the two; 0 (no grid) when either extent is
// below 0.001.
double grid_spacing_for(double width, double height);

// "x=%.3lf y=%.3lf", or "" when a coordinate is 1e10 or more in magnitude.
std::string coordinate_text(double wx, double wy);
// Length and direction in degrees of the vector, "l=%.3lf,w=%.3lfGrad".
std::string length_angle_text(double dx, double dy);
// The angle from the direction (dx1, dy1) to (dx2, dy2), lowered by 360 when positive:
// "dw=%.3lf / %.3lf Grad" with dw and dw + 360.
std::string angle_difference_text(double dx_dir, double dy_dir, double dx_mouse, double dy_mouse);
// Degrees of the vector, -180 to 180.
double direction_degrees(double dx, double dy);

// The target-cycle control: with the measured cycles per minute n, the target t and the
// film's frame count, new step and pause so that the film plays at t. True when they changed
// (the caller then restarts the cycle measurement); never for t <= 1, n within 5 % of t, or
// values that cannot be measured.
bool target_cycle_control(double n, double t, int frame_count, int* step, int* pause_ms);

// The number typed into the target dialog; 0 (off) for a text that is no number.
double parse_target_cycles(const std::string& text);

}  // namespace film
