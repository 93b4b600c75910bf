// The example ANMNEU films (four-bar linkage, slider-crank, cam with roller follower) and the
// contour files their symbols include, computed from the mechanisms' kinematics.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "anmneu_writer.h"
#include "linkage_kinematics.h"

namespace tools {

// Include names relative to the film: found beside it from whatever directory it is played.
inline const char* const kPivotInclude = "symbols/pivot.ctr";
inline const char* const kBearingInclude = "symbols/bearing.ctr";
inline const char* const kSpringInclude = "symbols/spring.ctr";

constexpr int kFourBarFrames = 72;       // 5 degrees of crank angle per frame
constexpr int kSliderCrankFrames = 120;  // 3 degrees
constexpr int kCamFrames = 90;           // 4 degrees
constexpr double kPivotRadius = 4;       // the pivot circle of pivot.ctr
constexpr double kLinkHalfWidth = 5;

// Slider-crank layout: block half sizes, the wall the spring rests against.
constexpr double kBlockHalfLength = 18, kBlockHalfHeight = 11, kSpringWall = 280;
// Cam follower layout in stem coordinates (y up from the roller centre), and the fixed
// support the spring pushes against.
constexpr double kStemLength = 150, kSpringSeat = 44, kSpringSupport = 160;

struct ExampleFile {
    std::string path;  // relative to the examples directory
    std::string text;
};

namespace anmneu_detail {

inline std::string include(const char* name) {
    return std::string("i ") + name;
}

// A link of length l from its pivot at the origin along +x: two sides and round ends.
inline std::vector<std::string> link_outline(double l) {
    const double h = kLinkHalfWidth;
    return {contour_point('m', 0, -h), contour_point('d', l, -h), contour_arc(l, 0, h, -90, 90),
            contour_point('m', l, h),  contour_point('d', 0, h),  contour_arc(0, 0, h, 90, 270),
            contour_point('n', l, 0)};
}

inline std::string degrees(double radians, int decimals = 1) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, radians * 180 / M_PI);
    return buf;
}

inline std::string crank_label(const char* what, int k, int frames) {
    return std::string(what) + " phi = " + degrees(2 * M_PI * k / frames) + " Grad";
}

// Angle of d, taken within half a turn of `previous` so that the in-between pictures turn the
// short way.
inline double continuous_angle(Vec2 d, double previous) {
    const double a = std::atan2(d.y, d.x);
    return previous + std::remainder(a - previous, 2 * M_PI);
}

// A window around [x0, x1] x [y0, y1] with rounded borders.
struct Box {
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    void add(Vec2 p) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    Box widened(double margin) const {
        return {std::floor((x0 - margin) / 10) * 10, std::ceil((x1 + margin) / 10) * 10,
                std::floor((y0 - margin) / 10) * 10, std::ceil((y1 + margin) / 10) * 10};
    }
};

inline void head(AnmneuText& t, int symbols, int frames, const Box& b) {
    t.head(symbols, frames, b.x0, b.x1, b.y0, b.y1);
}

// Label position: near the top, right of the status text the window writes at the upper left.
inline Vec2 label_position(const Box& b) {
    return {b.x0 + 0.45 * (b.x1 - b.x0), b.y1 - 0.06 * (b.y1 - b.y0)};
}

inline std::string mm(double v, int decimals = 1) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

}  // namespace anmneu_detail

inline std::string pivot_contour() {
    return "* Drehgelenk: Kreis um den Gelenkpunkt, gemeinsam fuer alle Gelenke\n"
           "n 0 0\n" +
           contour_arc(0, 0, kPivotRadius, 0, 360) + "\nend\n";
}

inline std::string bearing_contour() {
    std::string s = "* Festlager: Gelenkkreis, Dreieck und schraffierter Sockel\n";
    s += anmneu_detail::include(kPivotInclude) + "\n";
    for (const char* l :
         {"m -2.4 -3.2", "d -10 -16", "d 10 -16", "d 2.4 -3.2", "m -15 -16", "d 15 -16"}) {
        s += std::string(l) + "\n";
    }
    for (int x = -12; x <= 12; x += 6) {
        s += contour_point('m', x, -16) + "\n" + contour_point('d', x - 5, -21) + "\n";
    }
    return s + "end\n";
}

// A coil spring of length 1 along x, coils 6 to either side; placements stretch it with sx.
inline std::string spring_contour() {
    std::string s = "* Schraubenfeder der Laenge 1 in x-Richtung; sx streckt sie auf ihre Laenge\n";
    s += "m 0 -7\nd 0 7\nm 0 0\nd 0.1 0\n";
    for (int k = 0; k < 8; ++k) {
        s += contour_point('d', 0.15 + 0.1 * k, k % 2 == 0 ? 6 : -6) + "\n";
    }
    s += "d 0.9 0\nd 1 0\nm 1 -7\nd 1 7\n";
    return s + "end\n";
}

inline std::string four_bar_film() {
    using namespace anmneu_detail;
    const FourBar m;
    const int n = kFourBarFrames;
    std::vector<FourBar::Position> pos;
    Box box;
    for (int k = 0; k <= n; ++k) {
        pos.push_back(*m.at(2 * M_PI * k / n));  // a crank-rocker closes at every angle
        for (Vec2 p : {pos.back().a, pos.back().b, pos.back().c, pos.back().d, pos.back().p}) {
            box.add(p);
        }
    }
    box.add({0, -21});
    const Box w = box.widened(25);

    AnmneuText t;
    head(t, 8, n, w);
    t.info({"Viergelenkgetriebe (Kurbelschwinge)",
            "Kurbel A0A = " + mm(m.crank, 0) + " mm, Koppel AB = " + mm(m.coupler, 0) +
                " mm, Schwinge B0B = " + mm(m.rocker, 0) +
                " mm, Gestell A0B0 = " + mm(m.ground, 0) + " mm",
            "Koppelpunkt P: " + mm(m.along, 0) + " mm laengs der Koppel, " + mm(m.offset, 0) +
                " mm senkrecht dazu; die Koppelkurve ist violett gezeichnet",
            "Antrieb: Kurbel mit konstanter Drehzahl, " + std::to_string(n) +
                " Stellungen je Umdrehung",
            "Berechnet mit tools/make_anmneu_examples"});
    t.start_symbols();
    t.symbol(1, "Gestelllager A0", "Festlager der Kurbel", "grau", {include(kBearingInclude)});
    t.symbol(2, "Gestelllager B0", "Festlager der Schwinge", "grau", {include(kBearingInclude)});
    std::vector<std::string> curve;
    for (int k = 0; k <= n; ++k)
        curve.push_back(contour_point(k ? 'd' : 'm', pos[k].p.x, pos[k].p.y));
    t.symbol(3, "Koppelkurve", "Bahn des Koppelpunkts P", "violett", curve);
    t.symbol(4, "Kurbel", "A0A", "rot", link_outline(m.crank));
    std::vector<std::string> coupler = link_outline(m.coupler);
    for (const std::string& l :
         {contour_point('m', 15, kLinkHalfWidth), contour_point('d', m.along, m.offset),
          contour_point('d', m.coupler - 15, kLinkHalfWidth),
          contour_arc(m.along, m.offset, 3, 0, 360), contour_point('n', m.along, m.offset)}) {
        coupler.push_back(l);
    }
    t.symbol(5, "Koppel", "AB mit Koppelpunkt P", "blau", coupler);
    t.symbol(6, "Schwinge", "B0B", "dunkelgruen", link_outline(m.rocker));
    t.symbol(7, "Gelenk A", "Kurbel - Koppel", "schwarz", {include(kPivotInclude)});
    t.symbol(8, "Gelenk B", "Koppel - Schwinge", "schwarz", {include(kPivotInclude)});

    const Vec2 lp = label_position(w);
    double coupler_angle = 0, rocker_angle = M_PI / 2;
    // Frame n repeats frame 0 a full turn on, so the pictures between the last frame and
    // the wrap move on instead of standing still.
    for (int k = 0; k <= n; ++k) {
        const FourBar::Position& p = pos[k];
        coupler_angle = continuous_angle(p.c - p.b, coupler_angle);
        rocker_angle = continuous_angle(p.c - p.d, rocker_angle);
        t.frame(k);
        t.caption("Koppelpunkt P = (" + mm(p.p.x) + ", " + mm(p.p.y) + ") mm");
        t.caption("Schwingenwinkel psi = " + degrees(rocker_angle) + " Grad");
        t.label(lp.x, lp.y, crank_label("Kurbelwinkel", k, n));
        t.place(p.a.x, p.a.y);
        t.place(p.d.x, p.d.y);
        t.place(0, 0);
        t.place(p.a.x, p.a.y, 2 * M_PI * k / n);
        t.place(p.b.x, p.b.y, coupler_angle);
        t.place(p.d.x, p.d.y, rocker_angle);
        t.place(p.b.x, p.b.y);
        t.place(p.c.x, p.c.y);
    }
    return t.text();
}

inline std::string slider_crank_film() {
    using namespace anmneu_detail;
    const SliderCrank m;
    const int n = kSliderCrankFrames;
    Box box;
    box.add({-m.crank, -m.crank - 21});
    box.add({kSpringWall + 10, m.crank + 21});  // the mechanism in the middle
    const Box w = box.widened(20);

    AnmneuText t;
    head(t, 9, n, w);
    t.info({"Schubkurbel (zentrisch)",
            "Kurbel A0A = " + mm(m.crank, 0) + " mm, Schubstange AB = " + mm(m.rod, 0) + " mm",
            "Hub = " + mm(2 * m.crank, 0) +
                " mm; der Gleitstein drueckt gegen eine Feder, die an der "
                "Wand bei x = " +
                mm(kSpringWall, 0) + " mm anliegt",
            "Die Feder ist ein gemeinsames Symbol, in x-Richtung auf ihre Laenge gestreckt",
            "Berechnet mit tools/make_anmneu_examples"});
    t.start_symbols();
    t.symbol(1, "Gestelllager A0", "Festlager der Kurbel", "grau", {include(kBearingInclude)});
    std::vector<std::string> guide;
    const double g = kBlockHalfHeight + 1, x0 = m.rod - m.crank - 40;
    for (double y : {g, -g}) {
        guide.push_back(contour_point('m', x0, y));
        guide.push_back(contour_point('d', kSpringWall, y));
        for (double x = x0 + 5; x < kSpringWall; x += 15) {
            guide.push_back(contour_point('m', x, y));
            guide.push_back(contour_point('d', x + 5, y + (y > 0 ? 5 : -5)));
        }
    }
    guide.push_back(contour_point('m', kSpringWall, -g - 10));
    guide.push_back(contour_point('d', kSpringWall, g + 10));
    for (double y = -g - 10; y < g + 10; y += 6) {
        guide.push_back(contour_point('m', kSpringWall, y));
        guide.push_back(contour_point('d', kSpringWall + 5, y + 5));
    }
    t.symbol(2, "Gleitbahn", "Fuehrung und Wand", "grau", guide);
    t.symbol(3, "Kurbelkreis", "Bahn des Gelenks A", "violett",
             {contour_arc(0, 0, m.crank, 0, 360)});
    t.symbol(4, "Kurbel", "A0A", "rot", link_outline(m.crank));
    t.symbol(5, "Schubstange", "AB", "blau", link_outline(m.rod));
    const double bx = kBlockHalfLength, by = kBlockHalfHeight;
    t.symbol(6, "Gleitstein", "mit Gelenk B", "dunkelgruen",
             {contour_point('m', -bx, -by), contour_point('d', bx, -by), contour_point('d', bx, by),
              contour_point('d', -bx, by), contour_point('d', -bx, -by)});
    t.symbol(7, "Feder", "zwischen Gleitstein und Wand", "orange", {include(kSpringInclude)});
    t.symbol(8, "Gelenk A", "Kurbel - Schubstange", "schwarz", {include(kPivotInclude)});
    t.symbol(9, "Gelenk B", "Schubstange - Gleitstein", "schwarz", {include(kPivotInclude)});

    const Vec2 lp = label_position(w);
    for (int k = 0; k <= n; ++k) {
        const double phi = 2 * M_PI * k / n;
        const SliderCrank::Position p = m.at(phi);
        const double spring = kSpringWall - (p.c.x + bx);
        t.frame(k);
        t.caption("Kolbenweg s = " + mm(m.rod + m.crank - p.c.x) + " mm");
        t.caption("Federlaenge l = " + mm(spring) + " mm");
        t.label(lp.x, lp.y, crank_label("Kurbelwinkel", k, n));
        t.place(0, 0);
        t.place(0, 0);
        t.place(0, 0);
        t.place(0, 0, phi);
        t.place(p.b.x, p.b.y, std::atan2(p.c.y - p.b.y, p.c.x - p.b.x));
        t.place(p.c.x, p.c.y);
        t.place(p.c.x + bx, p.c.y, 0, spring, 1);
        t.place(p.b.x, p.b.y);
        t.place(p.c.x, p.c.y);
    }
    return t.text();
}

inline std::string cam_film() {
    using namespace anmneu_detail;
    const CamFollower m;
    const int n = kCamFrames;
    const double top = m.base + m.lift + m.roller + kStemLength;
    Box box;
    box.add({-(m.base + m.lift), -(m.base + m.lift)});
    box.add({m.base + m.lift, top});
    const Box w = box.widened(20);

    AnmneuText t;
    head(t, 6, n, w);
    t.info({"Kurvenscheibe mit Rollenstoessel (zentrisch, translatorisch)",
            "Grundkreis r = " + mm(m.base, 0) + " mm, Rolle r = " + mm(m.roller, 0) +
                " mm, Hub h = " + mm(m.lift, 0) + " mm",
            "Bewegungsgesetz Zykloide: Hub 0-120 Grad, Rast bis 180 Grad, Rueckhub bis 300 Grad, "
            "Rast bis 360 Grad",
            "Die Scheibe dreht links herum; die Feder haelt die Rolle an der Scheibe",
            "Berechnet mit tools/make_anmneu_examples"});
    t.start_symbols();
    t.symbol(1, "Gestelllager A0", "Drehpunkt der Scheibe", "grau", {include(kBearingInclude)});
    std::vector<std::string> cam;
    const int steps = 180;
    for (int k = 0; k <= steps; ++k) {
        const Vec2 q = m.profile_point(2 * M_PI * (k % steps) / steps);
        cam.push_back(contour_point(k ? 'd' : 'm', q.x, q.y));
    }
    cam.push_back(contour_arc(0, 0, 10, 0, 360));
    cam.push_back(contour_point('m', 0, 10));
    cam.push_back(contour_point('d', 0, m.base - 8));
    t.symbol(2, "Kurvenscheibe", "Kontur aus der Rollenmittelpunktsbahn", "blau", cam);
    t.symbol(3, "Rolle", "Rollenstoessel", "schwarz",
             {contour_arc(0, 0, m.roller, 0, 360), include(kPivotInclude)});
    t.symbol(4, "Stoessel", "mit Federteller", "dunkelgruen",
             {"m -5 5", contour_point('d', -5, kStemLength), contour_point('d', 5, kStemLength),
              "d 5 5", contour_point('m', -20, kSpringSeat - 4),
              contour_point('d', 20, kSpringSeat - 4), contour_point('d', 20, kSpringSeat),
              contour_point('d', -20, kSpringSeat), contour_point('d', -20, kSpringSeat - 4)});
    std::vector<std::string> guide;
    const double s0 = kSpringSupport;
    for (double side : {-1.0, 1.0}) {
        guide.push_back(contour_point('m', 7 * side, s0));
        guide.push_back(contour_point('d', 25 * side, s0));
        guide.push_back(contour_point('m', 7 * side, s0));
        guide.push_back(contour_point('d', 7 * side, s0 + 30));
        for (double y = s0; y < s0 + 30; y += 6) {
            guide.push_back(contour_point('m', 7 * side, y));
            guide.push_back(contour_point('d', 12 * side, y + 5));
        }
    }
    t.symbol(5, "Fuehrung", "Stoesselfuehrung und Federauflage", "grau", guide);
    t.symbol(6, "Feder", "zwischen Federteller und Auflage", "orange", {include(kSpringInclude)});

    const Vec2 lp = label_position(w);
    for (int k = 0; k <= n; ++k) {
        const double phi = 2 * M_PI * k / n;
        const double r = m.pitch_radius(phi), lift = m.lift_at(phi);
        const double deg = 360.0 * (k % n) / n;
        const char* phase = deg < 120   ? "Hub"
                            : deg < 180 ? "Rast oben"
                            : deg < 300 ? "Rueckhub"
                                        : "Rast unten";
        t.frame(k);
        t.caption("Hub s = " + mm(lift, 2) + " mm");
        t.caption(std::string("Phase: ") + phase);
        t.label(lp.x, lp.y, crank_label("Nockenwinkel", k, n));
        t.place(0, 0);
        t.place(0, 0, phi);
        t.place(0, r);
        t.place(0, r);
        t.place(0, 0);
        t.place(0, r + kSpringSeat, M_PI / 2, kSpringSupport - (r + kSpringSeat), 1);
    }
    return t.text();
}

// Every file of the examples, in the order they are written.
inline std::vector<ExampleFile> anmneu_example_files() {
    return {
        {"symbols/pivot.ctr", pivot_contour()},          {"symbols/bearing.ctr", bearing_contour()},
        {"symbols/spring.ctr", spring_contour()},        {"fourbar_anmneu.anm", four_bar_film()},
        {"slidercrank_anmneu.anm", slider_crank_film()}, {"cam_anmneu.anm", cam_film()}};
}

}  // namespace tools
