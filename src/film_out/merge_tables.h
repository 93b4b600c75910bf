// The numbers of a merge: periodic interpolation of a part's table, the step count of the
// merged film and the colours that tell the merged films apart.
#pragma once

#include <string>
#include <vector>

namespace film_out {

constexpr int kMergeMaxEntries = 1024;
constexpr int kMergeMaxParts = 20000;
// Frames of a merged film at most: with the closing frame, frames 0 .. 9999 are written,
// all of which the ANMNEU reader keeps.
constexpr int kMergeMaxSteps = 9999;
constexpr double kMergeCycle = 360.0;

// Where theta falls in a table of cycle angles t (running up or down): the value is
// v[lower] + (v[upper] - v[lower]) * fraction. Not inside: the value is 0.
struct TablePosition {
    bool inside = false;
    size_t lower = 0, upper = 0;
    double fraction = 0;
};

// theta is first moved by whole periods into the table's span (period above 1e-8); a
// theta that is not finite counts as the table's first angle.
TablePosition periodic_position(const std::vector<double>& t, double theta, double period);
double table_value(const std::vector<double>& v, const TablePosition& at);
double periodic_interpolate(const std::vector<double>& t, const std::vector<double>& v,
                            double theta, double period);

// The frames of the merged film: the definition's count when at least 1, otherwise the
// first of 120, 180, 360, 720, 1200, 1440, 1800, 3600 not below the candidate (7200 beyond);
// never above kMergeMaxSteps.
int merge_step_count(int definition_steps, double candidate);
// What one film asks for: the largest of 120 and trunc(F * i) + 1.
double merge_step_candidate(int frames, double ratio);

// Colour name of entry k: black, green, red, cyan, yellow, blue, orange, pink, again.
const char* merge_colour_name(size_t entry);

// The angle equal to `angle` up to whole turns that lies nearest to `near`: a cycle closed
// from its first row turns on rather than back.
double nearest_turn(double angle, double near);

}  // namespace film_out
