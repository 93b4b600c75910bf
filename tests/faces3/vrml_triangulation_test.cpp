// Ear cutting of face-set polygons: every polygon is covered exactly (the triangle areas add
// up to the polygon area and no triangle is turned over), also for concave outlines.
#include "faces3/vrml_triangulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

#include "faces3/vrml_import.h"
#include "vrml_test_support.h"

using namespace faces3_vrml;

namespace {

// Signed area of a polygon in the plane with normal nz (shoelace over the plane).
double signed_area(const std::vector<Point3>& p, const std::vector<int>& idx, const Point3& nz) {
    Point3 s{0, 0, 0};
    for (std::size_t i = 0; i < idx.size(); ++i) {
        const Point3& a = p[idx[i]];
        const Point3& b = p[idx[(i + 1) % idx.size()]];
        s[0] += a[1] * b[2] - a[2] * b[1];
        s[1] += a[2] * b[0] - a[0] * b[2];
        s[2] += a[0] * b[1] - a[1] * b[0];
    }
    return 0.5 * (s[0] * nz[0] + s[1] * nz[1] + s[2] * nz[2]);
}

// Cuts the polygon and checks the cover: n-2 triangles, none turned over, areas add up.
void expect_exact_cover(const std::vector<Point3>& p, const std::vector<int>& idx,
                        const Point3& nz = {0, 0, 1}) {
    std::vector<std::array<int, 3>> tris;
    ASSERT_EQ(vrml_triangulate(p, idx.data(), static_cast<int>(idx.size()), tris), 0);
    ASSERT_EQ(tris.size(), idx.size() - 2);
    const double whole = signed_area(p, idx, nz);
    double sum = 0;
    for (const auto& t : tris) {
        const double a = signed_area(p, {t[0], t[1], t[2]}, nz);
        EXPECT_GE(a * (whole > 0 ? 1 : -1), -1e-12) << "triangle turned over";
        sum += a;
    }
    EXPECT_NEAR(sum, whole, 1e-9 * std::fabs(whole));
}

std::vector<int> iota(int n) {
    std::vector<int> v(n);
    std::iota(v.begin(), v.end(), 0);
    return v;
}

}  // namespace

TEST(VrmlTriangulation, QuadrilateralGivesTwoTrianglesInItsOrientation) {
    const std::vector<Point3> p = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}};
    std::vector<std::array<int, 3>> tris;
    ASSERT_EQ(vrml_triangulate(p, iota(4).data(), 4, tris), 0);
    ASSERT_EQ(tris.size(), 2u);
    expect_exact_cover(p, iota(4));
    // Clockwise input stays clockwise.
    expect_exact_cover(p, {3, 2, 1, 0});
}

TEST(VrmlTriangulation, ConcavePentagonStaysInside) {
    // An arrow head: the notch at (1, 1) is a reflex corner.
    const std::vector<Point3> p = {{0, 0, 0}, {2, 1, 0}, {0, 2, 0}, {1, 1, 0}, {-5, 1, 0}};
    expect_exact_cover(p, {0, 1, 2, 3});
    const std::vector<Point3> q = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {2, 1, 0}, {0, 3, 0}};
    expect_exact_cover(q, iota(5));
    expect_exact_cover(q, {4, 3, 2, 1, 0});
}

TEST(VrmlTriangulation, ConcaveOutlinesOfManyPointsInAnyPlane) {
    // A comb of 12 teeth (50 corners) tilted out of every coordinate plane.
    std::vector<Point3> flat;
    flat.push_back({0, 0, 0});
    flat.push_back({24, 0, 0});
    for (int t = 11; t >= 0; --t) {
        flat.push_back({2.0 * t + 2, 5, 0});
        flat.push_back({2.0 * t + 1.5, 5, 0});
        flat.push_back({2.0 * t + 1.2, 1, 0});
        flat.push_back({2.0 * t + 0.3, 1, 0});
    }
    flat.pop_back();  // the last notch bottom would repeat the start's x
    const double c = std::cos(0.7), s = std::sin(0.7);
    std::vector<Point3> p;
    for (const auto& q : flat) p.push_back({q[0], c * q[1], s * q[1] + 0.1 * q[0]});
    const Point3 nz = {-0.1 * c, -s, c};  // normal of the tilted plane, not unit
    ASSERT_GT(flat.size(), 20u);
    expect_exact_cover(p, iota(static_cast<int>(p.size())), nz);

    // Stars whose spikes turn less than their notches: the mean corner turn points the
    // wrong way here, the enclosed area does not.
    for (int n : {7, 21, 35}) {
        std::vector<Point3> star;
        for (int i = 0; i < 2 * n; ++i) {
            const double r = (i % 2) ? 1.0 : 0.3;
            const double a = M_PI * i / n;
            star.push_back({r * std::cos(a), r * std::sin(a), 0});
        }
        expect_exact_cover(star, iota(2 * n));
    }
}

TEST(VrmlTriangulation, RandomStarShapedPolygonsAreCoveredExactly) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> radius(0.1, 1.0);
    for (int trial = 0; trial < 500; ++trial) {
        const int n = 4 + trial % 37;
        std::vector<Point3> p;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * i / n;
            const double r = radius(rng);
            p.push_back({r * std::cos(a), r * std::sin(a), 0});
        }
        SCOPED_TRACE(trial);
        expect_exact_cover(p, iota(n));
    }
}

TEST(VrmlTriangulation, DegenerateInputEndsWithoutLoopingOrReading) {
    // All points on one line: nothing sensible, but it must end.
    const std::vector<Point3> line = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {1.5, 0, 0}};
    std::vector<std::array<int, 3>> tris;
    vrml_triangulate(line, iota(5).data(), 5, tris);
    EXPECT_LE(tris.size(), 3u);
    // A figure eight crosses itself: no ear may cross the other lobe.
    const std::vector<Point3> eight = {{0, 0, 0}, {2, 2, 0}, {2, 0, 0}, {0, 2, 0}};
    tris.clear();
    vrml_triangulate(eight, iota(4).data(), 4, tris);
    EXPECT_LE(tris.size(), 2u);
}

class VrmlDreieckszerlegung : public vrml_test::VrmlTest {};

TEST_F(VrmlDreieckszerlegung, InsertsIntoTheCurrentFaceAndChecksIndices) {
    Faces3Koerper* k = keep(faces3_new_koerper("k", 100, 300, 100, 3));
    ASSERT_NE(k, nullptr);
    const int face = faces3_open_flaeche(k, "poly");
    const std::vector<std::array<double, 3>> p = {
        {0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {2, 1, 0}, {0, 3, 0}};
    const std::vector<int> idx = {0, 1, 2, 3, 4};
    EXPECT_EQ(faces3_import_vrml_dreieckszerlegung(k, p, idx.data(), 5), 0);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 3);
    EXPECT_EQ(faces3_flaeche_anzahl(k, face), 3);
    EXPECT_NEAR(vrml_test::area(k), 8.0, 1e-12);
    const std::vector<int> bad = {0, 1, 5};
    EXPECT_EQ(faces3_import_vrml_dreieckszerlegung(k, p, bad.data(), 3), 1);
    EXPECT_EQ(faces3_anzahl_dreiecke(k), 3);
}

TEST_F(VrmlDreieckszerlegung, ReportsWhenNoEarIsLeft) {
    Faces3Koerper* k = keep(faces3_new_koerper("k", 100, 300, 100, 3));
    const std::vector<std::array<double, 3>> p = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    const std::vector<int> idx = {0, 1, 2, 3, 2, 1};
    faces3_import_vrml_dreieckszerlegung(k, p, idx.data(), 6);
    // Collinear corners make flat ears, which the body refuses or which cannot continue;
    // either way the run ends with a diagnostic instead of hanging.
    EXPECT_FALSE(vrml_test::terminal().empty());
}
