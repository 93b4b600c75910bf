// The numbers of a merge: periodic interpolation (wrap, tables running down, intervals of
// length 0), the step count rule and the entry colours.
#include "film_out/merge_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using film_out::merge_step_candidate;
using film_out::merge_step_count;
using film_out::periodic_interpolate;

TEST(MergeInterpolation, InterpolatesAndWrapsByWholePeriods) {
    const std::vector<double> t = {0, 90, 180, 270, 360};
    const std::vector<double> v = {0, 10, 30, 60, 100};
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 45, 360), 5);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 225, 360), 45);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 360, 360), 100);
    // One and several periods away, either side.
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 405, 360), 5);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 225 + 3 * 360, 360), 45);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, -135, 360), 45);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, -315 - 7200, 360), 5);
    // A ratio far beyond any loop still lands in the table.
    EXPECT_NEAR(periodic_interpolate(t, v, 360.0 * 1e12 + 45, 360), 5, 1e-3);
    // Without a period nothing moves: outside (beyond the 1e-6 grace) is 0.
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 400, 0), 0);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, -1, 0), 0);
    EXPECT_NEAR(periodic_interpolate(t, v, 360 + 5e-7, 0), 100, 1e-3);
    // Not finite: the first angle.
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, std::numeric_limits<double>::infinity(), 360), 0);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, std::nan(""), 360), 0);
}

TEST(MergeInterpolation, FindsTheIntervalFromAPoorGuess) {
    // Unevenly spread angles: the guess lands in the wrong interval and must step.
    const std::vector<double> t = {0, 1, 2, 3, 350, 360};
    const std::vector<double> v = {0, 1, 2, 3, 350, 360};
    for (double theta : {0.5, 2.5, 100.0, 349.0, 355.0})
        EXPECT_NEAR(periodic_interpolate(t, v, theta, 360), theta, 1e-12) << theta;
    const std::vector<double> late = {0, 340, 350, 355, 358, 360};
    for (double theta : {10.0, 345.0, 356.5, 359.0})
        EXPECT_NEAR(periodic_interpolate(late, late, theta, 360), theta, 1e-12) << theta;
}

TEST(MergeInterpolation, TablesRunningDown) {
    const std::vector<double> t = {360, 270, 180, 90, 0};
    const std::vector<double> v = {4, 3, 2, 1, 0};
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 45, 360), 0.5);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 315, 360), 3.5);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 315 + 360, 360), 3.5);
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 180, 360), 2);
}

TEST(MergeInterpolation, ZeroLengthIntervalsAndShortTables) {
    // Two rows at the same angle: no division by zero, the value of one of them.
    const std::vector<double> t = {0, 10, 10, 20};
    const std::vector<double> v = {0, 1, 5, 6};
    const double at = periodic_interpolate(t, v, 10, 20);
    EXPECT_TRUE(at == 1 || at == 5) << at;
    EXPECT_DOUBLE_EQ(periodic_interpolate(t, v, 15, 20), 5.5);
    // A table spanning nothing: the guess starts in the middle.
    const std::vector<double> flat = {5, 5, 5};
    EXPECT_TRUE(std::isfinite(periodic_interpolate(flat, {1, 2, 3}, 5, 360)));
    EXPECT_DOUBLE_EQ(periodic_interpolate({7}, {3}, 123, 360), 3);
    EXPECT_DOUBLE_EQ(periodic_interpolate({}, {}, 0, 360), 0);
}

TEST(MergeSteps, ChosenFromTheFilmsOrTheDefinition) {
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(100, 1)), 120);
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(500, 1)), 720);
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(5000, 1)), 7200);
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(119, 1)), 120);
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(120, 1)), 180);  // 121 > 120
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(3599, 1)), 3600);
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(3600, 1)), 7200);
    // i = 2: two cycles per total cycle need at least trunc(2 F) + 1 steps.
    EXPECT_EQ(merge_step_candidate(72, 2), 145);
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(72, 2)), 180);
    EXPECT_EQ(merge_step_candidate(100, 0.5), 120);
    EXPECT_EQ(merge_step_candidate(100, -3), 120);
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(100, 1e300)), 7200);
    EXPECT_EQ(merge_step_count(0, merge_step_candidate(100, std::nan(""))), 120);
    // The definition's own count wins, within the frames the reader keeps.
    EXPECT_EQ(merge_step_count(50, 7000), 50);
    EXPECT_EQ(merge_step_count(1, 120), 1);
    EXPECT_EQ(merge_step_count(20000, 120), film_out::kMergeMaxSteps);
    EXPECT_EQ(merge_step_count(-5, 121), 180);
}

TEST(MergeColours, CycleThroughEightNames) {
    const char* expected[] = {"black", "green",  "red",  "cyan",  "yellow",
                              "blue",  "orange", "pink", "black", "green"};
    for (size_t k = 0; k < 10; ++k) EXPECT_STREQ(film_out::merge_colour_name(k), expected[k]);
}

TEST(MergeClosingTurn, TurnsOnRatherThanBack) {
    const double turn = 2 * M_PI;
    EXPECT_DOUBLE_EQ(film_out::nearest_turn(0, 6.1), turn);
    EXPECT_DOUBLE_EQ(film_out::nearest_turn(0.1, 0.2), 0.1);
    EXPECT_DOUBLE_EQ(film_out::nearest_turn(0, -6.1), -turn);
    EXPECT_NEAR(film_out::nearest_turn(1, 3 * turn + 0.5), 3 * turn + 1, 1e-12);
    EXPECT_TRUE(std::isnan(film_out::nearest_turn(std::nan(""), 1)));
}

}  // namespace
