// Closed, outward-oriented primitive solids: cone, cylinder or truncated cone, sphere and
// box, built through the ordinary construction operations.
#include <cmath>
#include <vector>

#include "faces3/faces3_body.h"

namespace {

// Upper bounds of the segment counts, so that a tiny angle cannot ask for billions of
// triangles.
constexpr int kMaxLaengen = 3600;
constexpr int kMaxBreiten = 1800;

int segments(double full_turn, double angle, int lowest, int highest) {
    const double q = full_turn / angle;
    if (!(q >= lowest)) return lowest;  // also NaN and negative angles
    if (q >= highest) return highest;
    return static_cast<int>(q);
}

// Generators need the point search to merge shared ring points, whatever the caller set.
class SearchOn {
  public:
    SearchOn() : saved_(faces3_get_nosearch()) { faces3_set_nosearch(0); }
    ~SearchOn() { faces3_set_nosearch(saved_); }

  private:
    int saved_;
};

struct P {
    double x, y, z;
};

P ring(double rho, double phi, double z) {
    return {rho * std::cos(phi), rho * std::sin(phi), z};
}

void tri(Faces3Koerper* k, const P& a, const P& b, const P& c) {
    faces3_insert_dreieck(k, a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z);
}

}  // namespace

Faces3Koerper* faces3_kegel(const char* name, double r, double h, double dalpha) {
    SearchOn search;
    const int n = segments(360.0, dalpha, 3, kMaxLaengen);
    Faces3Koerper* k = faces3_new_koerper(name, n + 2, 6 * n, 2 * n, 2);
    if (!k) return nullptr;
    const double dphi = 2 * M_PI / n;
    const P bottom{0, 0, 0}, tip{0, 0, h};
    faces3_open_flaeche(k, "~stirnseite");
    for (int i = 0; i < n; ++i) tri(k, bottom, ring(r, (i + 1) * dphi, 0), ring(r, i * dphi, 0));
    faces3_open_flaeche(k, "~mantel");
    for (int i = 0; i < n; ++i) tri(k, tip, ring(r, i * dphi, 0), ring(r, (i + 1) * dphi, 0));
    k->typ = FACES3_TYP_KEGEL;
    faces3_set_dimensionen(k, r, 0, h);
    faces3_cpt_nachbarn(k);
    return k;
}

Faces3Koerper* faces3_zylinder(const char* name, double r1, double r2, double h, double dalpha) {
    if (std::fabs(r2) < 1e-8) return faces3_kegel(name, r1, h, dalpha);
    SearchOn search;
    const int n = segments(360.0, dalpha, 3, kMaxLaengen);
    Faces3Koerper* k = faces3_new_koerper(name, 2 * n + 2, 12 * n, 4 * n, 3);
    if (!k) return nullptr;
    const double dphi = 2 * M_PI / n;
    faces3_open_flaeche(k, "~stirnseite_unten");
    for (int i = 0; i < n; ++i) {
        tri(k, P{0, 0, 0}, ring(r1, (i + 1) * dphi, 0), ring(r1, i * dphi, 0));
    }
    // The top ring is turned by half a segment.
    faces3_open_flaeche(k, "~stirnseite_oben");
    for (int i = 0; i < n; ++i) {
        const double psi = i * dphi + dphi / 2;
        tri(k, P{0, 0, h}, ring(r2, psi, h), ring(r2, psi + dphi, h));
    }
    faces3_open_flaeche(k, "~mantel");
    for (int i = 0; i < n; ++i) {
        const double phi = i * dphi;
        tri(k, ring(r1, phi, 0), ring(r1, phi + dphi, 0), ring(r2, phi + dphi / 2, h));
        tri(k, ring(r1, phi + dphi, 0), ring(r2, phi + 3 * dphi / 2, h),
            ring(r2, phi + dphi / 2, h));
    }
    k->typ = std::fabs(r1 - r2) >= 1e-8 ? FACES3_TYP_KEGELSTUMPF : FACES3_TYP_ZYLINDER;
    faces3_set_dimensionen(k, r1, r2, h);
    faces3_cpt_nachbarn(k);
    return k;
}

Faces3Koerper* faces3_kugel(const char* name, double r, double dlaenge, double dbreite) {
    SearchOn search;
    const int n = segments(360.0, dlaenge, 3, kMaxLaengen);
    int m = segments(180.0, dbreite, 4, kMaxBreiten);
    if (m % 2) ++m;
    Faces3Koerper* k = faces3_new_koerper(name, n * (m - 1) + 2, 6 * n * (m - 1) + 6 * n,
                                          2 * n + 2 * n * (m - 1), 1);
    if (!k) return nullptr;
    const double dtheta = M_PI / m, dphi = 2 * M_PI / n;
    // pts[k][i]: point i of ring k (k = 1 .. m-1); even rings are shifted by half a segment.
    std::vector<std::vector<P>> pts(m);
    for (int kr = 1; kr < m; ++kr) {
        const double theta = -M_PI / 2 + kr * dtheta;
        const double rho = r * std::cos(theta), z = r * std::sin(theta);
        const double shift = kr % 2 == 0 ? dphi / 2 : 0.0;
        for (int i = 0; i < n; ++i) pts[kr].push_back(ring(rho, i * dphi + shift, z));
    }
    auto at = [&](int kr, int i) -> const P& { return pts[kr][((i % n) + n) % n]; };
    faces3_open_flaeche(k, "~kugelflaeche");
    for (int i = 0; i < n; ++i) tri(k, P{0, 0, -r}, at(1, i + 1), at(1, i));
    for (int kr = 1; kr <= m - 2; ++kr) {
        // Ring kr+1 lies half a segment off: on odd rings its points around longitude
        // lambda of point i are i-1 (lambda - dphi/2) and i (lambda + dphi/2); on even
        // rings i and i+1.
        const int left = kr % 2 ? -1 : 0;
        for (int i = 0; i < n; ++i) {
            tri(k, at(kr, i), at(kr + 1, i + left + 1), at(kr + 1, i + left));
            tri(k, at(kr, i - 1), at(kr, i), at(kr + 1, i + left));
        }
    }
    for (int i = 0; i < n; ++i) tri(k, P{0, 0, r}, at(m - 1, i), at(m - 1, i + 1));
    k->typ = FACES3_TYP_KUGEL;
    faces3_set_dimensionen(k, r, 0, 0);
    faces3_cpt_nachbarn(k);
    return k;
}

Faces3Koerper* faces3_quader(const char* name, double breite, double hoehe, double tiefe) {
    SearchOn search;
    Faces3Koerper* k = faces3_new_koerper(name, 8, 36, 12, 6);
    if (!k) return nullptr;
    const double a = breite / 2, b = hoehe / 2, c = tiefe / 2;
    struct Face {
        const char* name;
        P t[6];
    };
    const Face faces[6] = {
        {"~oben", {{a, b, c}, {-a, b, c}, {-a, -b, c}, {-a, -b, c}, {a, -b, c}, {a, b, c}}},
        {"~unten", {{a, -b, -c}, {-a, -b, -c}, {-a, b, -c}, {-a, b, -c}, {a, b, -c}, {a, -b, -c}}},
        {"~rechts", {{a, -b, -c}, {a, b, c}, {a, -b, c}, {a, -b, -c}, {a, b, -c}, {a, b, c}}},
        {"~links", {{-a, -b, c}, {-a, b, c}, {-a, -b, -c}, {-a, b, c}, {-a, b, -c}, {-a, -b, -c}}},
        {"~vorne", {{-a, -b, c}, {a, -b, -c}, {a, -b, c}, {a, -b, -c}, {-a, -b, c}, {-a, -b, -c}}},
        {"~hinten", {{a, b, c}, {a, b, -c}, {-a, b, c}, {-a, b, -c}, {-a, b, c}, {a, b, -c}}},
    };
    for (const Face& f : faces) {
        faces3_open_flaeche(k, f.name);
        tri(k, f.t[0], f.t[1], f.t[2]);
        tri(k, f.t[3], f.t[4], f.t[5]);
    }
    k->typ = FACES3_TYP_QUADER;
    faces3_cpt_nachbarn(k);
    return k;
}
