// Interpolation that finds its interval from a guess and steps from there, as tables with
// evenly spread angles need only a step or none.
#include "film_out/merge_tables.h"

#include <cmath>

namespace film_out {

TablePosition periodic_position(const std::vector<double>& t, double theta, double period) {
    TablePosition at;
    const size_t n = t.size();
    if (n == 0) return at;
    if (n == 1) {
        at.inside = true;
        return at;
    }
    const double t0 = t[0], tn = t[n - 1];
    const double lo = std::fmin(t0, tn), hi = std::fmax(t0, tn);
    if (!std::isfinite(theta)) theta = t0;
    if (period > 1e-8 && (theta < lo || theta > hi)) {
        // fmod rather than a loop: a large ratio makes theta many periods away.
        theta = lo + std::fmod(theta - lo, period);
        if (theta < lo) theta += period;
    }
    if (theta < lo - 1e-6 || theta > hi + 1e-6) return at;

    size_t h;
    const double span = tn - t0;
    if (std::fabs(span) < 1e-6) {
        h = n / 2;
    } else {
        const double guess = (theta - t0) * double(n) / span;
        h = guess < 1.0 ? 1 : guess > double(n - 1) ? n - 1 : size_t(guess);
    }
    if (h < 1) h = 1;
    if (h > n - 1) h = n - 1;
    if (span >= 0) {
        while (h < n - 1 && theta > t[h]) ++h;
        while (h > 1 && theta < t[h - 1]) --h;
    } else {
        while (h < n - 1 && theta < t[h]) ++h;
        while (h > 1 && theta > t[h - 1]) --h;
    }
    double dt = t[h] - t[h - 1];
    if (dt == 0) dt = 1e-12;
    at.inside = true;
    at.lower = h - 1;
    at.upper = h;
    at.fraction = (theta - t[h - 1]) / dt;
    return at;
}

double table_value(const std::vector<double>& v, const TablePosition& at) {
    if (!at.inside || at.upper >= v.size()) return 0;
    return v[at.lower] + (v[at.upper] - v[at.lower]) * at.fraction;
}

double periodic_interpolate(const std::vector<double>& t, const std::vector<double>& v,
                            double theta, double period) {
    return table_value(v, periodic_position(t, theta, period));
}

int merge_step_count(int definition_steps, double candidate) {
    int n = definition_steps;
    if (n < 1) {
        static const int kSteps[] = {120, 180, 360, 720, 1200, 1440, 1800, 3600};
        n = 7200;
        for (int s : kSteps)
            if (double(s) >= candidate) {
                n = s;
                break;
            }
    }
    return n > kMergeMaxSteps ? kMergeMaxSteps : n;
}

double merge_step_candidate(int frames, double ratio) {
    const double wanted = std::trunc(double(frames) * ratio) + 1.0;
    return wanted > 120.0 ? wanted : 120.0;  // NaN gives 120 too
}

const char* merge_colour_name(size_t entry) {
    static const char* const kNames[8] = {"black",  "green", "red",    "cyan",
                                          "yellow", "blue",  "orange", "pink"};
    return kNames[entry % 8];
}

double nearest_turn(double angle, double near) {
    const double turn = 2.0 * M_PI;
    if (!std::isfinite(angle) || !std::isfinite(near)) return angle;
    const double shifted = angle + turn * std::round((near - angle) / turn);
    return std::isfinite(shifted) ? shifted : angle;
}

}  // namespace film_out
