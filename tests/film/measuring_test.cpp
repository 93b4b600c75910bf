// Measuring as plain state and arithmetic: the stages and what commands and presses do, the
// buttons for each stage, the grid spacing, the display texts and the target-cycle control.
#include "film/measuring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "film/playback_state.h"

namespace film {
namespace {

TEST(GridSpacing, RoundValuesBetweenFifteenAndFortyLines) {
    EXPECT_DOUBLE_EQ(grid_spacing(100), 5);    // 20 lines
    EXPECT_DOUBLE_EQ(grid_spacing(1000), 50);  // 20 lines
    EXPECT_DOUBLE_EQ(grid_spacing(10), 0.5);
    EXPECT_DOUBLE_EQ(grid_spacing(3), 0.2);  // exactly 15 lines is enough
    EXPECT_DOUBLE_EQ(grid_spacing(20), 1);   // within the bounds
    EXPECT_DOUBLE_EQ(grid_spacing(40), 1);
    EXPECT_DOUBLE_EQ(grid_spacing(80), 2);      // halved once is enough: factor 2 first
    EXPECT_DOUBLE_EQ(grid_spacing(81), 5);      // 81 / 2 > 40: factor 5 first
    EXPECT_DOUBLE_EQ(grid_spacing(2500), 100);  // 5, 10, 50, 100: factors alternate
    EXPECT_DOUBLE_EQ(grid_spacing(0.5), 0.02);
    // The factors alternate rather than adapt, so far from 1 the count of lines may leave
    // 15..40 (4.2e7 gets 8.4 lines); the spacing stays round: 1, 2 or 5 times a power of ten.
    for (double e : {0.0013, 0.07, 7.0, 333.0, 4.2e7}) {
        const double s = grid_spacing(e);
        const double mantissa = s / std::pow(10, std::floor(std::log10(s) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 ||
                    std::fabs(mantissa - 5) < 1e-6)
            << e << " " << s;
    }
    EXPECT_DOUBLE_EQ(grid_spacing(4.2e7), 5e6);
}

TEST(GridSpacing, NoGridForTinyOrBrokenExtents) {
    EXPECT_EQ(grid_spacing(1e-13), 0);
    EXPECT_EQ(grid_spacing(-5), 0);
    EXPECT_EQ(grid_spacing(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(grid_spacing(std::numeric_limits<double>::infinity()), 0);
    // Both directions take the smaller spacing; an extent below 0.001 draws nothing.
    EXPECT_DOUBLE_EQ(grid_spacing_for(1000, 100), 5);
    EXPECT_DOUBLE_EQ(grid_spacing_for(10, 1000), 0.5);
    EXPECT_EQ(grid_spacing_for(0.0009, 100), 0);
    EXPECT_EQ(grid_spacing_for(100, 0.0009), 0);
    EXPECT_GT(grid_spacing_for(0.001, 0.001), 0);
}

TEST(TargetCycles, OffOrCloseEnoughLeavesStepAndPause) {
    for (double t : {0.0, 1.0, -30.0}) {
        int step = 3, pause = 7;
        EXPECT_FALSE(target_cycle_control(10, t, 100, &step, &pause)) << t;
        EXPECT_EQ(step, 3);
        EXPECT_EQ(pause, 7);
    }
    for (double n : {57.1, 60.0, 62.9}) {  // within 5 % of 60
        int step = 2, pause = 9;
        EXPECT_FALSE(target_cycle_control(n, 60, 100, &step, &pause)) << n;
        EXPECT_EQ(step, 2);
        EXPECT_EQ(pause, 9);
    }
    int step = 2, pause = 9;
    EXPECT_TRUE(target_cycle_control(56.9, 60, 100, &step, &pause));
    // Nothing measured yet, or a film without frames: nothing to go by.
    step = 2, pause = 9;
    EXPECT_FALSE(target_cycle_control(0, 60, 100, &step, &pause));
    EXPECT_FALSE(target_cycle_control(30, 60, 0, &step, &pause));
    EXPECT_EQ(step, 2);
    EXPECT_EQ(pause, 9);
}

TEST(TargetCycles, StepAndPauseFromTheDrawingTime) {
    // 30 cycles of 100 frames at step 1 and 5 ms: 20 ms per frame, 15 of them drawing.
    // At 60 cycles a frame may take 10 ms: step trunc(1.2 * 15 / 10) + 1 = 2, pause
    // trunc(10 * 2 - 15) = 5.
    int step = 1, pause = 5;
    EXPECT_TRUE(target_cycle_control(30, 60, 100, &step, &pause));
    EXPECT_EQ(step, 2);
    EXPECT_EQ(pause, 5);

    // Faster than the pause alone allows: the drawing time counts as 1 ms.
    step = 1, pause = 5;
    EXPECT_TRUE(target_cycle_control(1000, 60, 100, &step, &pause));
    EXPECT_EQ(step, 1);
    EXPECT_EQ(pause, 9);  // trunc(10 * 1 - 1)

    // Two cycles a minute of ten frames want 3 s per frame: the pause stops at 1000 ms.
    step = 1, pause = 0;
    EXPECT_TRUE(target_cycle_control(100, 2, 10, &step, &pause));
    EXPECT_EQ(step, 1);
    EXPECT_EQ(pause, 1000);

    // Far too slow: larger steps, no pause below 0.
    step = 1, pause = 0;
    EXPECT_TRUE(target_cycle_control(1, 100, 1000, &step, &pause));
    EXPECT_EQ(step, int(std::trunc(1.2 * 60.0 / 0.6)) + 1);
    EXPECT_GE(pause, 0);
}

TEST(TargetCycles, TypedTextGivesTheTarget) {
    EXPECT_DOUBLE_EQ(parse_target_cycles("42"), 42);
    EXPECT_DOUBLE_EQ(parse_target_cycles(" 12.5 /min"), 12.5);
    EXPECT_EQ(parse_target_cycles("abc"), 0);
    EXPECT_EQ(parse_target_cycles(""), 0);
    EXPECT_EQ(parse_target_cycles("1e999"), 0);
}

TEST(MeasureStages, CommandsPressesAndButtons) {
    MeasureState m;
    EXPECT_FALSE(measure_press(&m, 1, 2));  // not armed: a zoom rectangle starts
    EXPECT_FALSE(crosshair_wanted(m, false));
    EXPECT_TRUE(crosshair_wanted(m, true));
    EXPECT_EQ(measure_buttons(m.stage), std::vector<int>{kCmdMeasureReference});

    EXPECT_EQ(measure_command(&m, kCmdMeasureReference), "cross");
    EXPECT_EQ(m.stage, kMeasureReference);
    EXPECT_TRUE(m.armed);
    EXPECT_EQ(measure_buttons(m.stage), (std::vector<int>{kCmdMeasureDirection, kCmdMeasureEnd}));
    EXPECT_TRUE(measure_press(&m, 1.5, -2.5));
    EXPECT_FALSE(m.armed);
    EXPECT_TRUE(reference_set(m));
    EXPECT_FALSE(direction_set(m));
    EXPECT_EQ(m.ref_x, 1.5);
    EXPECT_EQ(m.ref_y, -2.5);
    EXPECT_FALSE(measure_press(&m, 9, 9));  // one press per arming
    EXPECT_EQ(m.ref_x, 1.5);
    EXPECT_TRUE(crosshair_wanted(m, false));  // still measuring

    EXPECT_EQ(measure_command(&m, kCmdMeasureDirection), "cross");
    EXPECT_EQ(measure_buttons(m.stage), std::vector<int>{kCmdMeasureEnd});
    EXPECT_TRUE(measure_press(&m, 4.5, 1.5));
    EXPECT_EQ(m.dir_x, 4.5);
    EXPECT_EQ(m.dir_y, 1.5);
    EXPECT_EQ(m.ref_x, 1.5);  // the reference point stays

    EXPECT_EQ(measure_command(&m, kCmdMeasureEnd), "arrow");
    EXPECT_EQ(m.stage, kMeasureNone);
    EXPECT_FALSE(m.armed);
    EXPECT_FALSE(reference_set(m));
    EXPECT_FALSE(direction_set(m));

    // End drops a measurement under way; other commands leave it.
    measure_command(&m, kCmdMeasureReference);
    EXPECT_EQ(measure_command(&m, kCmdGrid), "");
    EXPECT_TRUE(m.armed);
    EXPECT_EQ(measure_command(&m, kCmdEnd), "arrow");
    EXPECT_FALSE(m.armed);
    EXPECT_EQ(m.stage, kMeasureNone);

    // Armed with no stage (as a window might be left): the press drops both points.
    m = MeasureState{};
    m.ref_x = m.ref_y = 3;
    m.armed = true;
    EXPECT_TRUE(measure_press(&m, 1, 1));
    EXPECT_FALSE(reference_set(m));
}

TEST(MeasureStages, HugeCoordinatesCountAsNotSet) {
    EXPECT_TRUE(point_set(1e30, -1e30));
    EXPECT_FALSE(point_set(1.0001e30, 0));
    EXPECT_FALSE(point_set(0, kUnsetPoint));
    EXPECT_FALSE(point_set(std::numeric_limits<double>::quiet_NaN(), 0));
}

TEST(MeasureTexts, CoordinatesLengthAngleAndDifference) {
    EXPECT_EQ(coordinate_text(1.23456, -7), "x=1.235 y=-7.000");
    EXPECT_EQ(coordinate_text(9.99e9, 0), "x=9990000000.000 y=0.000");
    EXPECT_EQ(coordinate_text(1e10, 0), "");
    EXPECT_EQ(coordinate_text(0, -1e10), "");
    EXPECT_EQ(coordinate_text(std::numeric_limits<double>::quiet_NaN(), 0), "");

    EXPECT_EQ(length_angle_text(3, 4), "l=5.000,w=53.130Grad");
    EXPECT_EQ(length_angle_text(-1, 0), "l=1.000,w=180.000Grad");
    EXPECT_EQ(length_angle_text(0, -2), "l=2.000,w=-90.000Grad");

    // Direction along x; the mouse a quarter turn left of it: +90 is lowered to -270.
    EXPECT_EQ(angle_difference_text(1, 0, 0, 1), "dw=-270.000 / 90.000 Grad");
    EXPECT_EQ(angle_difference_text(1, 0, 0, -1), "dw=-90.000 / 270.000 Grad");
    EXPECT_EQ(angle_difference_text(1, 1, 2, 2), "dw=0.000 / 360.000 Grad");
}

}  // namespace
}  // namespace film
