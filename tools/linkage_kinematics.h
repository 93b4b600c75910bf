// Closed-form position analysis of the example mechanisms (lengths in mm, angles in radians).
#pragma once

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

}  // namespace tools
