// Computes a four-bar linkage and a slider-crank through one crank turn and writes each as a
// line film in both encodings: make_example_films OUTPUT_DIRECTORY.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "line_film_writer.h"
#include "linkage_kinematics.h"

namespace {

using tools::LineFilmWriter;
using tools::Vec2;

constexpr int kFrames = 72;     // 5 degrees of crank angle per frame
constexpr double kScale = 3.5;  // film units per mm

struct Screen {
    double ox, oy;
    int x(Vec2 p) const { return int(std::lround(ox + kScale * p.x)); }
    int y(Vec2 p) const { return int(std::lround(oy - kScale * p.y)); }
};

// Film colour numbers.
enum { kBlack = 1, kRed = 2, kMagenta = 3, kGrey = 4, kBlue = 12, kGreen = 13 };

void link(LineFilmWriter& w, const Screen& s, Vec2 a, Vec2 b) {
    w.line(s.x(a), s.y(a), s.x(b), s.y(b));
}

void pivot(LineFilmWriter& w, const Screen& s, Vec2 p) {
    w.arc(s.x(p), s.y(p), int(std::lround(4 * kScale)), 0, 360);
}

// A fixed bearing: a triangle under the pivot and a hatched base.
void ground_bearing(LineFilmWriter& w, const Screen& s, Vec2 p) {
    const Vec2 l = p + Vec2{-8, -14}, r = p + Vec2{8, -14};
    link(w, s, p, l);
    link(w, s, p, r);
    link(w, s, l + Vec2{-4, 0}, r + Vec2{4, 0});
    for (double x = -10; x <= 10; x += 5) link(w, s, p + Vec2{x, -14}, p + Vec2{x - 4, -19});
}

std::string four_bar(bool binary) {
    const tools::FourBar mech;
    const Screen s{460, 640};
    std::vector<Vec2> curve;
    for (int k = 0; k <= kFrames; ++k)
        if (auto pos = mech.at(2 * M_PI * k / kFrames)) curve.push_back(pos->p);

    LineFilmWriter w(binary);
    w.head(1280, 1024, 100000);
    for (int k = 0; k < kFrames; ++k) {
        const auto pos = mech.at(2 * M_PI * k / kFrames);
        if (!pos) continue;
        // A frame must open with a line, move, draw, XOR line or arc command.
        link(w, s, Vec2{-40, -14}, Vec2{-40, -14});
        w.colour(kGrey);
        ground_bearing(w, s, pos->a);
        ground_bearing(w, s, pos->d);
        w.colour(kMagenta);
        w.move_to(s.x(curve[0]), s.y(curve[0]));
        for (const Vec2& p : curve) w.draw_to(s.x(p), s.y(p));
        w.colour(kRed);
        link(w, s, pos->a, pos->b);
        w.colour(kBlue);
        link(w, s, pos->b, pos->c);
        link(w, s, pos->b, pos->p);
        link(w, s, pos->p, pos->c);
        w.colour(kGreen);
        link(w, s, pos->d, pos->c);
        w.colour(kBlack);
        for (Vec2 p : {pos->a, pos->b, pos->c, pos->d}) pivot(w, s, p);
        w.arc(s.x(pos->p), s.y(pos->p), int(2 * kScale), 0, 360);
        w.end_frame();
    }
    return w.bytes();
}

std::string slider_crank(bool binary) {
    const tools::SliderCrank mech;
    const Screen s{380, 520};
    LineFilmWriter w(binary);
    w.head(1280, 1024, 100000);
    for (int k = 0; k < kFrames; ++k) {
        const auto pos = mech.at(2 * M_PI * k / kFrames);
        link(w, s, Vec2{-60, -14}, Vec2{-60, -14});
        w.colour(kGrey);
        ground_bearing(w, s, pos.o);
        // Slider guide above and below the block.
        link(w, s, Vec2{90, 12}, Vec2{220, 12});
        link(w, s, Vec2{90, -12}, Vec2{220, -12});
        w.colour(kRed);
        link(w, s, pos.o, pos.b);
        w.colour(kBlue);
        link(w, s, pos.b, pos.c);
        w.colour(kGreen);
        const Vec2 lo = pos.c + Vec2{-18, -11}, hi = pos.c + Vec2{18, 11};
        w.filled_rect(s.x(lo), s.y(hi), s.x(hi), s.y(lo));
        w.colour(kBlack);
        for (Vec2 p : {pos.o, pos.b, pos.c}) pivot(w, s, p);
        // The crank circle, drawn as two half arcs.
        w.colour(kMagenta);
        w.arc(s.x(pos.o), s.y(pos.o), int(std::lround(mech.crank * kScale)), 0, 180);
        w.arc(s.x(pos.o), s.y(pos.o), int(std::lround(mech.crank * kScale)), 180, 360);
        w.end_frame();
    }
    return w.bytes();
}

bool write_file(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make_example_films: cannot write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example_films OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    ok &= write_file(dir + "/fourbar_text.anm", four_bar(false));
    ok &= write_file(dir + "/fourbar_binary.anm", four_bar(true));
    ok &= write_file(dir + "/slidercrank_text.anm", slider_crank(false));
    ok &= write_file(dir + "/slidercrank_binary.anm", slider_crank(true));
    return ok ? 0 : 1;
}
