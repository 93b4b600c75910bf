// Closed-form position analysis of the example mechanisms (lengths in mm, angles in radians).
#pragma once

#include <algorithm>
#include <cmath>
#include <optional>

namespace tools {

struct Vec2 {
    double x = 0, y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator*(double s, Vec2 a) {
    return {s * a.x, s * a.y};
}
inline double length(Vec2 a) {
    return std::hypot(a.x, a.y);
}

// Intersection of the circles (c1, r1) and (c2, r2) to the left of c1 -> c2 (the assembly
// branch), or nothing when the links cannot close.
inline std::optional<Vec2> circle_intersection(Vec2 c1, double r1, Vec2 c2, double r2) {
    const Vec2 d = c2 - c1;
    const double dist = length(d);
    if (dist <= 0 || dist > r1 + r2 || dist < std::fabs(r1 - r2)) return std::nullopt;
    const double a = (r1 * r1 - r2 * r2 + dist * dist) / (2 * dist);
    const double h = std::sqrt(std::max(0.0, r1 * r1 - a * a));
    const Vec2 m = c1 + (a / dist) * d;
    return Vec2{m.x - h * d.y / dist, m.y + h * d.x / dist};
}

// Crank-rocker four-bar: ground pivots A (origin) and D, crank AB, coupler BC, rocker DC, and a
// coupler point P fixed to BC (along BC by `along`, perpendicular to it by `offset`).
struct FourBar {
    double crank = 40, coupler = 120, rocker = 80, ground = 100;
    double along = 60, offset = 45;

    struct Position {
        Vec2 a, b, c, d, p;
    };

    std::optional<Position> at(double crank_angle) const {
        Position pos;
        pos.a = {0, 0};
        pos.d = {ground, 0};
        pos.b = {crank * std::cos(crank_angle), crank * std::sin(crank_angle)};
        const auto c = circle_intersection(pos.b, coupler, pos.d, rocker);
        if (!c) return std::nullopt;
        pos.c = *c;
        const Vec2 u = (1.0 / coupler) * (pos.c - pos.b);
        pos.p = pos.b + along * u + offset * Vec2{-u.y, u.x};
        return pos;
    }
};

// In-line slider-crank: crank OB, connecting rod BC, slider C on the x axis.
struct SliderCrank {
    double crank = 50, rod = 150;

    struct Position {
        Vec2 o, b, c;
    };

    Position at(double crank_angle) const {
        Position pos;
        pos.b = {crank * std::cos(crank_angle), crank * std::sin(crank_angle)};
        const double s = std::sqrt(rod * rod - pos.b.y * pos.b.y);
        pos.c = {pos.b.x + s, 0};
        return pos;
    }
};

// Disc cam turning counter-clockwise about the origin with an in-line translating roller
// follower on the +y axis: cycloidal rise, dwell, cycloidal return, dwell.
struct CamFollower {
    double base = 40, roller = 10, lift = 30;
    double rise_end = 120 * M_PI / 180, dwell_end = 180 * M_PI / 180, return_end = 300 * M_PI / 180;

    // Follower lift s and its derivative ds/d(cam angle).
    double lift_at(double cam_angle) const { return motion(cam_angle, false); }
    double lift_slope(double cam_angle) const { return motion(cam_angle, true); }

    // Distance of the roller centre from the cam axis.
    double pitch_radius(double cam_angle) const { return base + roller + lift_at(cam_angle); }

    // Point of the cam outline, in cam coordinates, that touches the roller when the cam has
    // turned by cam_angle: the roller centre (pitch curve) moved inwards by the roller radius
    // along the pitch curve's normal.
    Vec2 profile_point(double cam_angle) const {
        const double s = std::sin(cam_angle), c = std::cos(cam_angle);
        const double r = pitch_radius(cam_angle), dr = lift_slope(cam_angle);
        const Vec2 pitch{r * s, r * c};
        const Vec2 tangent{dr * s + r * c, dr * c - r * s};
        const Vec2 outward = (1.0 / length(tangent)) * Vec2{-tangent.y, tangent.x};
        return pitch - roller * outward;
    }

  private:
    double motion(double a, bool slope) const {
        a = std::fmod(a, 2 * M_PI);
        if (a < 0) a += 2 * M_PI;
        double start = 0, span = rise_end, sign = 1, base_lift = 0;
        if (a >= rise_end && a < dwell_end) return slope ? 0 : lift;
        if (a >= return_end) return 0;
        if (a >= dwell_end) {
            start = dwell_end;
            span = return_end - dwell_end;
            sign = -1;
            base_lift = lift;
        }
        const double x = (a - start) / span;
        if (slope) return sign * lift / span * (1 - std::cos(2 * M_PI * x));
        return base_lift + sign * lift * (x - std::sin(2 * M_PI * x) / (2 * M_PI));
    }
};

}  // namespace tools
