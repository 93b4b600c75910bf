// Measuring state, grid spacing, display texts and the target-cycle control.
#include "film/measuring.h"

#include <cmath>

#include "film/playback_state.h"
#include "mw31/format.h"
#include "mw31/text_services.h"

namespace film {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kMinGridExtent = 0.001;
constexpr double kTargetTolerance = 0.05;
constexpr int kMaxTargetPause = 1000;
}  // namespace

bool point_set(double x, double y) {
    return std::fabs(x) <= kSetLimit && std::fabs(y) <= kSetLimit;
}

bool reference_set(const MeasureState& m) {
    return point_set(m.ref_x, m.ref_y);
}

bool direction_set(const MeasureState& m) {
    return point_set(m.dir_x, m.dir_y);
}

void reset_points(MeasureState* m) {
    m->ref_x = m->ref_y = m->dir_x = m->dir_y = kUnsetPoint;
}

std::string measure_command(MeasureState* m, int command) {
    switch (command) {
        case kCmdMeasureReference:
            m->stage = kMeasureReference;
            m->armed = true;
            return "cross";
        case kCmdMeasureDirection:
            m->stage = kMeasureDirection;
            m->armed = true;
            return "cross";
        case kCmdMeasureEnd:
        case kCmdEnd:
            m->stage = kMeasureNone;
            m->armed = false;
            reset_points(m);
            return "arrow";
        default:
            return "";
    }
}

bool measure_press(MeasureState* m, double wx, double wy) {
    if (!m->armed) return false;
    m->armed = false;
    if (m->stage == kMeasureReference) {
        m->ref_x = wx;
        m->ref_y = wy;
    } else if (m->stage == kMeasureDirection) {
        m->dir_x = wx;
        m->dir_y = wy;
    } else {
        reset_points(m);
    }
    return true;
}

std::vector<int> measure_buttons(int stage) {
    switch (stage) {
        case kMeasureReference:
            return {kCmdMeasureDirection, kCmdMeasureEnd};
        case kMeasureDirection:
            return {kCmdMeasureEnd};
        default:
            return {kCmdMeasureReference};
    }
}

bool crosshair_wanted(const MeasureState& m, bool grid) {
    return grid || m.armed || m.stage != kMeasureNone;
}

double grid_spacing(double extent, double lo, double hi) {
    if (!(extent >= 1e-12) || !std::isfinite(extent)) return 0;
    // Each pass multiplies by at least 2 or divides by at least 2, so these bounds are never
    // reached for finite extents; they only keep a bad bound from looping.
    constexpr int kMaxPasses = 4000;
    double s = 1;
    if (extent >= lo) {
        if (extent > hi) {
            double f = extent / 2 > hi ? 5 : 2;
            for (int k = 0; k < kMaxPasses && extent / s > hi; ++k) {
                s *= f;
                f = 7 - f;
            }
        }
    } else {
        double f = extent / 0.5 >= lo ? 0.5 : 0.2;
        for (int k = 0; k < kMaxPasses && extent / s < lo; ++k) {
            s *= f;
            f = 0.7 - f;
        }
    }
    return s;
}

double grid_spacing_for(double width, double height) {
    if (!(width >= kMinGridExtent) || !(height >= kMinGridExtent)) return 0;
    const double sx = grid_spacing(width), sy = grid_spacing(height);
    if (sx <= 0 || sy <= 0) return 0;
    return sx < sy ? sx : sy;
}

std::string coordinate_text(double wx, double wy) {
    if (!(std::fabs(wx) < kCoordinateTextLimit) || !(std::fabs(wy) < kCoordinateTextLimit))
        return "";
    return mw31::format_text("x=%.3lf y=%.3lf", wx, wy);
}

double direction_degrees(double dx, double dy) {
    return std::atan2(dy, dx) * 180.0 / kPi;
}

std::string length_angle_text(double dx, double dy) {
    return mw31::format_text("l=%.3lf,w=%.3lfGrad", std::hypot(dx, dy), direction_degrees(dx, dy));
}

std::string angle_difference_text(double dx_dir, double dy_dir, double dx_mouse, double dy_mouse) {
    double dw = direction_degrees(dx_mouse, dy_mouse) - direction_degrees(dx_dir, dy_dir);
    if (dw > 0) dw -= 360;
    return mw31::format_text("dw=%.3lf / %.3lf Grad", dw, dw + 360);
}

bool target_cycle_control(double n, double t, int frame_count, int* step, int* pause_ms) {
    if (!(t > 1.0) || !std::isfinite(t) || !(n > 0) || !std::isfinite(n) || frame_count <= 0)
        return false;
    if (std::fabs(n / t - 1) < kTargetTolerance) return false;
    const double frames = frame_count;
    double m = 60000.0 * *step / (n * frames) - *pause_ms;  // drawing time per frame
    if (m < 0) m = 1.0;
    const double l = 60000.0 / t / frames;  // time per frame at the target
    const double new_step = std::trunc(1.2 * m / l) + 1;
    *step = new_step > kMaxStep ? kMaxStep : int(new_step);
    const double pause = std::trunc(l * *step - m);
    *pause_ms = pause < 0 ? 0 : pause > kMaxTargetPause ? kMaxTargetPause : int(pause);
    return true;
}

double parse_target_cycles(const std::string& text) {
    const double v = mw31::strtod_c(text.c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

}  // namespace film
