// Writes the 3D example animations: a slider-crank of cylinders, tubes and boxes, and a
// parallel gripper whose jaws are VRML models, with a triangle-list body and a contour.
// Usage: make_scene_examples OUTPUT_DIR
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "linkage_kinematics.h"

namespace {

// Turned by phi about the z axis and moved to (x, y, z): origin, then the axis images.
std::string placement(double x, double y, double z, double phi) {
    std::ostringstream s;
    s.precision(10);
    s << x << " " << y << " " << z << " " << std::cos(phi) << " " << std::sin(phi) << " 0 "
      << -std::sin(phi) << " " << std::cos(phi) << " 0 0 0 1\n";
    return s.str();
}

bool write_atomically(const std::string& path, const std::string& text) {
    const std::string temp = path + ".part";
    std::ofstream out(temp, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::remove(temp.c_str());
        return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

std::string slider_crank() {
    const tools::SliderCrank sc{50, 150};
    const int frames = 120;
    std::ostringstream f;
    f << "ANM3D\n4\n" << frames << "\n";
    f << "--- Start Infotext ---\n"
      << "Schubkurbel / slider-crank: crank 50 mm, connecting rod 150 mm, in-line slider.\n"
      << "One turn of the crank in " << frames << " frames; the caption gives the crank angle\n"
      << "and the slider position.\n"
      << "--- Ende Infotext ---\n--- Symbol-Dateien ---\n";
    f << "view 100 -420 300\n";
    // 0: frame with guide and bearing, a contour on the base plate.
    f << "begin x gestell\n0.6 0.6 0.65\n"
      << "quader 300 120 8 -80 -60 -40 1 0 0 0 1 0 0\n"
      << "quader 160 12 12 110 -20 -20 1 0 0 0 1 0 1\n"
      << "rohr 32 0 0 -32 14 10 24 0 0 1 0\n"
      << "color 1 1 0.2\n"
      << "vektorgrafik 0 0 0 -31.5\nm -70 -50\nd 210 -50\nd 210 50\nd -70 50\nd -70 "
         "-50\nend_vektorgrafik\n"
      << "end\n";
    // 1: crank: hub and arm along its x axis.
    f << "begin x kurbel\n0.9 0.4 0.1\n"
      << "zylinder 32 0 0 -8 12 16 0 0 1 0\n"
      << "quader 50 14 8 0 -7 -4 1 0 0 0 1 0 0\n"
      << "zylinder 24 50 0 -4 7 20 0 0 1 0\n"
      << "end\n";
    // 2: connecting rod from B along its x axis.
    f << "begin x koppel\n0.2 0.5 0.9\n"
      << "quader 150 10 6 0 -5 8 1 0 0 0 1 0 0\n"
      << "rohr 24 0 0 8 9 7 6 0 0 1 0\n"
      << "rohr 24 150 0 8 9 7 6 0 0 1 0\n"
      << "end\n";
    // 3: slider block at C.
    f << "begin x schieber\n0.3 0.8 0.3\n"
      << "quader 40 30 24 -20 -15 -8 1 0 0 0 1 0 0\n"
      << "color 1 0.2 0.2\npolygon 5\n-20 -15 16.5\n20 -15 16.5\n20 15 16.5\n-20 15 16.5\n-20 -15 "
         "16.5\n"
      << "end\n";
    for (int i = 0; i < frames; ++i) {
        const double phi = 2 * M_PI * i / frames;
        const auto pos = sc.at(phi);
        const double rod_angle = std::atan2(pos.c.y - pos.b.y, pos.c.x - pos.b.x);
        f << "# " << i << "\n";
        f << "c Schubkurbel: Kurbelwinkel " << int(std::lround(phi * 180 / M_PI))
          << " Grad, s = " << int(std::lround(pos.c.x)) << " mm\n";
        f << "x text Kurbelwinkel / crank angle " << int(std::lround(phi * 180 / M_PI)) << "\n";
        // Overlays: the rod's line of force just above it, the slider's position in colour and
        // the progress of the turn as a traffic light.
        f << "x cline 1 0.3 0.1 " << pos.b.x << " " << pos.b.y << " 16 " << pos.c.x << " "
          << pos.c.y << " 16\n";
        f << "x text %c000000160Schieber / slider s = %c160000000" << int(std::lround(pos.c.x))
          << "%c000000160 mm\n";
        f << "x text ampel " << i + 1 << " " << frames * 3 / 4 << " " << frames << "\n";
        f << placement(0, 0, 0, 0) << placement(0, 0, 0, phi)
          << placement(pos.b.x, pos.b.y, 0, rod_angle) << placement(pos.c.x, 0, 0, 0);
    }
    return f.str();
}

// A flat plate of two triangles as a triangle list, in millimetres.
std::string plate_triangles() {
    return "triangles 0\nn 2\n"
           "-120 -80 -60 120 -80 -60 120 80 -60\n"
           "-120 -80 -60 120 80 -60 -120 80 -60\n"
           "end_triangles\n";
}

// The models are drawn in their own large units; the axis images scale them to jaw size.
const char* const kModelAxes = "0.0004 0 0 0 0.0004 0 0 0 0.0004";

// How far the jaw models reach towards the middle from their object's origin (millimetres,
// model extent times the axis scale), and the workpiece between them.
constexpr double kLeftJawReach = 127 * 0.4, kRightJawReach = 30 * 0.4;
constexpr int kPartLeft = -21, kPartRight = 60;

std::string gripper() {
    const int frames = 80;
    const double stroke = 40;
    std::ostringstream f;
    f << "ANM3D\n4\n" << frames << "\n";
    f << "--- Start Infotext ---\n"
      << "Parallelgreifer / parallel gripper: both jaws move symmetrically by the cycloidal\n"
      << "stroke of a cam-driven rack, " << stroke << " mm each, closing and opening once.\n"
      << "--- Ende Infotext ---\n--- Symbol-Dateien ---\n";
    f << "view 0 -450 380\n";
    f << "begin x grundplatte\n0.7 0.7 0.7\n"
      << plate_triangles()
      << "color 0.2 1 1\nvektorgrafik 0 0 0 -59\nm -100 0\nd 100 0\nm 0 -60\nd 0 60\nend\n"
      << "end\n";
    // The housing, and the workpiece that the jaws grip at the end of their stroke.
    f << "begin x gehaeuse\n0.4 0.4 0.5\nquader 160 60 40 -80 -30 -60 1 0 0 0 1 0 0\n"
      << "color 0.9 0.9 0.3\nquader " << kPartRight - kPartLeft << " 24 12 " << kPartLeft
      << " -12 -20 1 0 0 0 1 0 0 0\nend\n";
    // Jaws: the VRML models of the examples, placed in millimetres.
    f << "begin x backe_links\n0.9 0.6 0.2\nvrml vrml/four_bar_linkage.wrl 2 0 0 -20 " << kModelAxes
      << "\nend\n";
    f << "begin x backe_rechts\n0.2 0.6 0.9\nvrml vrml/cam_follower.wrl 2 0 0 -20 " << kModelAxes
      << "\nend\n";
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / frames;
        // Cycloidal closing in the first half, opening in the second.
        const double u = t < 0.5 ? 2 * t : 2 - 2 * t;
        const double s = stroke * (u - std::sin(2 * M_PI * u) / (2 * M_PI));
        f << "# " << i << "\nc Greifer: Hub " << int(std::lround(s)) << " mm\n";
        // Where a jaw's inner edge reaches the workpiece: a collision marker there and the
        // gripping force as a line pointing into the part, growing with the overlap.
        const double left_edge = -110 + s + kLeftJawReach, right_edge = 110 - s - kRightJawReach;
        f << "x text %c000000000Hub / stroke %c200000000" << int(std::lround(s)) << " mm\n";
        f << "x text ampel " << int(std::lround(s)) << " 30 38\n";
        if (left_edge >= kPartLeft) {
            f << "x kollmarker " << kPartLeft << " 0 -14\n";
            f << "x cline 1 0.2 0.2 " << kPartLeft << " 0 -14 " << left_edge + 10 << " 0 -14\n";
        }
        if (right_edge <= kPartRight) {
            f << "x kollmarker " << kPartRight << " 0 -14\n";
            f << "x cline 1 0.2 0.2 " << kPartRight << " 0 -14 " << right_edge - 10 << " 0 -14\n";
        }
        if (left_edge >= kPartLeft && right_edge <= kPartRight)
            f << "x text %c200000000Greifer geschlossen / gripper closed\n";
        f << placement(0, 0, 0, 0) << placement(0, 0, 0, 0) << placement(-110 + s, 0, 0, 0)
          << placement(110 - s, 0, 0, M_PI);
    }
    return f.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_scene_examples OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = write_atomically(dir + "/slidercrank_3d.anm", slider_crank()) &&
                    write_atomically(dir + "/gripper_3d.anm", gripper());
    if (!ok) std::fprintf(stderr, "make_scene_examples: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
