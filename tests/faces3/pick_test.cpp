// Tests of ray picking (corner, feature-edge and circle-centre snapping), the circle fit
// and the drawing traversals.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "faces3/faces3.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

// Two triangles sharing the edge (1,0,0)-(0,1,0); the second may be folded up.
Body two_triangles(double fold_z) {
    Body k(faces3_new_koerper("zwei", 0, 0, 0, 0));
    const double a[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const double b[9] = {1, 0, 0, 1, 1, fold_z, 0, 1, 0};
    f3test::tri(k.get(), a);
    f3test::tri(k.get(), b);
    faces3_cpt_nachbarn(k.get());
    return k;
}

struct Pick {
    int rc;
    double hit[3], n[3], r;
};

Pick pick(const Faces3Koerper* k, double px, double py, double pz, double dx, double dy, double dz,
          double snap) {
    Pick p;
    const double o[3] = {px, py, pz}, d[3] = {dx, dy, dz};
    p.rc = faces3_pick(k, o, d, p.hit, p.n, snap, &p.r);
    return p;
}

TEST(Pick, MissNoBodyAndPlainHit) {
    f3test::QuietTerminal quiet;
    Body k = two_triangles(0);
    Pick miss = pick(k.get(), 5, 5, 1, 0, 0, -1, 0);
    EXPECT_EQ(miss.rc, 1);
    EXPECT_EQ(miss.hit[0], 1e38);
    EXPECT_EQ(miss.n[2], 1e38);
    EXPECT_EQ(miss.r, 1e38);
    EXPECT_EQ(pick(nullptr, 0, 0, 1, 0, 0, -1, 0).rc, -1);
    Pick in = pick(k.get(), 0.2, 0.3, 1, 0, 0, -1, 0);
    EXPECT_EQ(in.rc, 0);
    EXPECT_DOUBLE_EQ(in.hit[2], 0);
    EXPECT_DOUBLE_EQ(in.n[2], 1);
    // Seen from below the triangle is hit as well (either side counts).
    EXPECT_EQ(pick(k.get(), 0.2, 0.3, -1, 0, 0, 1, 0).rc, 0);
    // A ray parallel to the plane does not hit.
    EXPECT_EQ(pick(k.get(), -1, 0.3, 0, 1, 0, 0, 0).rc, 1);
}

TEST(Pick, SharedEdgeAndCornerSnap) {
    f3test::QuietTerminal quiet;
    Body k = two_triangles(0);
    Pick edge = pick(k.get(), 0.45, 0.55, 1, 0, 0, -1, 0);
    ASSERT_EQ(edge.rc, 0);
    EXPECT_NEAR(edge.hit[0], 0.45, 1e-15);
    EXPECT_NEAR(edge.hit[1], 0.55, 1e-15);
    Pick corner = pick(k.get(), 0.45, 0.55, 1, 0, 0, -1, 2.0);  // radius larger than both
    ASSERT_EQ(corner.rc, 0);
    EXPECT_EQ(corner.hit[0], 0);
    EXPECT_EQ(corner.hit[1], 1);
    EXPECT_EQ(corner.r, 1e38);
    // The nearest triangle along the ray wins.
    Body stack(faces3_new_koerper("s", 0, 0, 0, 0));
    const double low[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const double high[9] = {0, 0, 0.5, 1, 0, 0.5, 0, 1, 0.5};
    f3test::tri(stack.get(), low);
    f3test::tri(stack.get(), high);
    EXPECT_DOUBLE_EQ(pick(stack.get(), 0.1, 0.1, 1, 0, 0, -1, 0).hit[2], 0.5);
}

TEST(Pick, FeatureEdgeSnap) {
    f3test::QuietTerminal quiet;
    Body flat = two_triangles(0);
    // Near the open edge y = 0: snaps onto it.
    Pick open = pick(flat.get(), 0.5, 0.05, 1, 0, 0, -1, 0.1);
    EXPECT_NEAR(open.hit[0], 0.5, 1e-15);
    EXPECT_NEAR(open.hit[1], 0, 1e-15);
    // Near the shared coplanar edge: no feature edge there, the hit stays.
    Pick shared = pick(flat.get(), 0.52, 0.45, 1, 0, 0, -1, 0.1);
    EXPECT_NEAR(shared.hit[0], 0.52, 1e-15);
    EXPECT_NEAR(shared.hit[1], 0.45, 1e-15);
    // Folded: the shared edge is a feature edge and the hit moves onto it.
    Body folded = two_triangles(0.5);
    Pick fold = pick(folded.get(), 0.52, 0.45, 1, 0, 0, -1, 0.1);
    EXPECT_NEAR(fold.hit[0], 0.535, 1e-12);
    EXPECT_NEAR(fold.hit[1], 0.465, 1e-12);
    EXPECT_DOUBLE_EQ(fold.n[2], 1);  // normal of the hit triangle
}

// A plate with a bore of radius rho: top and bottom rings, bore wall and outer wall.
Body plate_with_bore(double rho, int segments) {
    Body k(faces3_new_koerper("platte", 0, 0, 0, 0));
    const double t = 0.02, outer = 3 * rho;
    auto ring = [&](double r, int i, double z, double* p) {
        const double a = 2 * M_PI * i / segments;
        p[0] = r * std::cos(a);
        p[1] = r * std::sin(a);
        p[2] = z;
    };
    auto quad = [&](const double* a, const double* b, const double* c, const double* d) {
        const double t1[9] = {a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]};
        const double t2[9] = {a[0], a[1], a[2], c[0], c[1], c[2], d[0], d[1], d[2]};
        f3test::tri(k.get(), t1);
        f3test::tri(k.get(), t2);
    };
    for (int i = 0; i < segments; ++i) {
        double i0[3], i1[3], o0[3], o1[3], j0[3], j1[3], q0[3], q1[3];
        ring(rho, i, 0, i0);
        ring(rho, i + 1, 0, i1);
        ring(outer, i, 0, o0);
        ring(outer, i + 1, 0, o1);
        ring(rho, i, -t, j0);
        ring(rho, i + 1, -t, j1);
        ring(outer, i, -t, q0);
        ring(outer, i + 1, -t, q1);
        quad(i0, o0, o1, i1);  // top, normal +z
        quad(j0, j1, q1, q0);  // bottom, normal -z
        quad(i0, i1, j1, j0);  // bore wall, facing the axis
        quad(o0, q0, q1, o1);  // outer wall
    }
    faces3_cpt_nachbarn(k.get());
    return k;
}

TEST(Pick, CircleCentreOfABore) {
    f3test::QuietTerminal quiet;
    const double rho = 0.01;
    Body k = plate_with_bore(rho, 36);
    // Through the bore without snapping: nothing is hit.
    EXPECT_EQ(pick(k.get(), 0.001, 0.002, 0.05, 0, 0, -1, 0).rc, 1);
    Pick c = pick(k.get(), 0.001, 0.002, 0.05, 0, 0, -1, 0.01);
    ASSERT_EQ(c.rc, 0);
    EXPECT_NEAR(c.hit[0], 0, 1e-12);
    EXPECT_NEAR(c.hit[1], 0, 1e-12);
    EXPECT_NEAR(c.hit[2], 0, 1e-12);
    EXPECT_NEAR(c.n[2], 1, 1e-12);
    EXPECT_NEAR(c.r, rho, 1e-12);
    // The plate turned (its bottom now faces +y, at y = 0.02) and moved: the bore's
    // rim on the side facing the ray is found.
    faces3_rotate(k.get(), 1, 0, 0, 90);
    faces3_translate(k.get(), 0.1, 0.2, 0.3);
    Pick m = pick(k.get(), 0.1005, 0.5, 0.3005, 0, -1, 0, 0.01);
    ASSERT_EQ(m.rc, 0);
    EXPECT_NEAR(m.hit[0], 0.1, 1e-12);
    EXPECT_NEAR(m.hit[1], 0.22, 1e-12);
    EXPECT_NEAR(m.n[1], 1, 1e-12);
    EXPECT_NEAR(m.hit[2], 0.3, 1e-12);
    EXPECT_NEAR(m.r, rho, 1e-12);
    // A snap radius far below the bore: the fit is outside the bound, plain hit instead.
    Pick far = pick(k.get(), 0.1 + 0.02, 0.5, 0.3, 0, -1, 0, 1e-4);
    EXPECT_EQ(far.rc, 0);
    EXPECT_EQ(far.r, 1e38);
}

TEST(FitKreis, CirclesInAnyPlaneAndFailures) {
    std::vector<double> x, y, z;
    const double c[3] = {1, -2, 3}, r = 0.5;
    // Circle in a tilted plane.
    const double u[3] = {1 / std::sqrt(2.0), 1 / std::sqrt(2.0), 0}, v[3] = {0, 0, 1};
    for (int i = 0; i < 12; ++i) {
        const double a = i * 0.5;
        x.push_back(c[0] + r * (std::cos(a) * u[0] + std::sin(a) * v[0]));
        y.push_back(c[1] + r * (std::cos(a) * u[1] + std::sin(a) * v[1]));
        z.push_back(c[2] + r * (std::cos(a) * u[2] + std::sin(a) * v[2]));
    }
    double centre[3], radius, spread;
    ASSERT_EQ(faces3_fit_kreis(x.data(), y.data(), z.data(), 12, c, 1e8, centre, &radius, &spread),
              0);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(centre[i], c[i], 1e-12);
    EXPECT_NEAR(radius, r, 1e-12);
    EXPECT_NEAR(spread, 0, 1e-12);
    // Guess too far from the centre for the bound.
    const double away[3] = {10, 10, 10};
    EXPECT_EQ(
        faces3_fit_kreis(x.data(), y.data(), z.data(), 12, away, 1.0, centre, &radius, &spread), 1);
    EXPECT_EQ(faces3_fit_kreis(x.data(), y.data(), z.data(), 7, c, 1e8, centre, &radius, &spread),
              1);
    std::vector<double> lx(10), ly(10, 0.0), lz(10, 0.0);
    for (int i = 0; i < 10; ++i) lx[i] = i;
    EXPECT_EQ(
        faces3_fit_kreis(lx.data(), ly.data(), lz.data(), 10, c, 1e8, centre, &radius, &spread), 1);
    // Many points (beyond any fixed buffer) are handled.
    std::vector<double> bx, by, bz;
    for (int i = 0; i < 5000; ++i) {
        bx.push_back(std::cos(i * 0.001));
        by.push_back(std::sin(i * 0.001));
        bz.push_back(0);
    }
    const double g[3] = {1, 0.5, 0};
    ASSERT_EQ(
        faces3_fit_kreis(bx.data(), by.data(), bz.data(), 5000, g, 10, centre, &radius, &spread),
        0);
    EXPECT_NEAR(radius, 1, 1e-9);
}

struct Drawn {
    std::vector<std::array<double, 6>> lines;
    std::vector<std::array<double, 12>> tris;
    std::vector<std::array<double, 3>> colours;
};
Drawn g_drawn;

void on_line(double a, double b, double c, double d, double e, double f) {
    g_drawn.lines.push_back({a, b, c, d, e, f});
}
void on_tri(const double* p0, const double* p1, const double* p2, const double* n) {
    g_drawn.tris.push_back(
        {p0[0], p0[1], p0[2], p1[0], p1[1], p1[2], p2[0], p2[1], p2[2], n[0], n[1], n[2]});
}
void on_colour(const double*, const double*, const double*, double r, double g, double b) {
    g_drawn.colours.push_back({r, g, b});
}

TEST(Draw, BoxEdgesTrianglesAndAxisColours) {
    f3test::QuietTerminal quiet;
    faces3_set_draw_callbacks(on_line, on_tri, on_colour);
    g_drawn = Drawn{};
    Body k(faces3_quader("q", 2, 2, 2));
    ASSERT_EQ(faces3_draw_kanten(k.get()), 0);
    ASSERT_EQ(g_drawn.lines.size(), 12u);
    for (const auto& l : g_drawn.lines) {
        int differ = 0;
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(std::fabs(l[a]), 1000);  // millimetres
            differ += l[a] != l[a + 3];
        }
        EXPECT_EQ(differ, 1);  // a box edge, not a face diagonal
    }
    ASSERT_EQ(faces3_draw_dreiecke(k.get()), 0);
    ASSERT_EQ(g_drawn.tris.size(), 12u);
    EXPECT_EQ(g_drawn.tris[0][2], 1000);
    EXPECT_EQ(g_drawn.tris[0][11], 1);  // first face "oben": normal +z
    ASSERT_EQ(faces3_draw_achsflaechen(k.get(), 3, 0.1, 0.2, 0.3, 1e-4), 0);
    ASSERT_EQ(g_drawn.colours.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const bool side = i >= 4;  // oben, unten first; then the four side faces
        EXPECT_EQ(g_drawn.colours[i][1], side ? 0.3 : 0.2) << i;
    }
    EXPECT_EQ(faces3_draw_achsflaechen(k.get(), 4, 0.1, 0.2, 0.3, 1e-4), 1);
    Body empty(faces3_new_koerper("e", 0, 0, 0, 0));
    EXPECT_EQ(faces3_draw_kanten(empty.get()), 1);
    EXPECT_EQ(faces3_draw_dreiecke(nullptr), 1);
    faces3_set_draw_callbacks(nullptr, nullptr, nullptr);
}

TEST(Draw, FeatureEdgesOfCylinderAndTurnedFaces) {
    f3test::QuietTerminal quiet;
    faces3_set_draw_callbacks(on_line, nullptr, on_colour);
    g_drawn = Drawn{};
    // A cylinder of 36 segments: 36 edges round each cap, plus the mantle's bends.
    Body z(faces3_zylinder("z", 1, 1, 1, 10));
    faces3_draw_kanten(z.get());
    EXPECT_GT(g_drawn.lines.size(), 72u);
    // A face turned 45 degrees about z keeps the given colour along z.
    Body q(faces3_quader("q", 1, 1, 1));
    faces3_rotate(q.get(), 0, 0, 1, 45);
    g_drawn.colours.clear();
    faces3_draw_achsflaechen(q.get(), 3, 0.1, 0.2, 0.3, 1e-4);
    for (const auto& c : g_drawn.colours) EXPECT_EQ(c[1], 0.2);
    faces3_set_draw_callbacks(nullptr, nullptr, nullptr);
}

// Two bodies drawn at once into sinks of their own (two display lists, say): each gets its own
// pieces and the plain callbacks are left alone.
TEST(Draw, FunctionsCarryTheirOwnState) {
    f3test::QuietTerminal quiet;
    faces3_set_draw_callbacks(on_line, on_tri, on_colour);
    g_drawn = Drawn{};
    Body box(faces3_quader("q", 2, 2, 2));
    Body cyl(faces3_zylinder("z", 1, 1, 1, 10));
    Drawn mine[2];
    auto functions_into = [](Drawn* d) {
        Faces3DrawFunctions f;
        f.linie = [d](double a, double b, double c, double e, double g, double h) {
            d->lines.push_back({a, b, c, e, g, h});
        };
        f.dreieck = [d](const double* p0, const double*, const double*, const double* n) {
            d->tris.push_back({p0[0], p0[1], p0[2], 0, 0, 0, 0, 0, 0, n[0], n[1], n[2]});
        };
        return f;
    };
    const Faces3DrawFunctions to_box = functions_into(&mine[0]), to_cyl = functions_into(&mine[1]);
    ASSERT_EQ(faces3_draw_kanten(box.get(), to_box), 0);
    ASSERT_EQ(faces3_draw_kanten(cyl.get(), to_cyl), 0);
    ASSERT_EQ(faces3_draw_dreiecke(box.get(), to_box), 0);
    EXPECT_EQ(faces3_draw_achsflaechen(box.get(), 3, 0.1, 0.2, 0.3, 1e-4, to_box), 0);
    EXPECT_EQ(mine[0].lines.size(), 12u);
    EXPECT_GT(mine[1].lines.size(), 72u);
    EXPECT_EQ(mine[0].tris.size(), 12u);
    EXPECT_TRUE(mine[1].tris.empty());
    EXPECT_TRUE(mine[0].colours.empty());  // no colour function given: nothing called
    EXPECT_TRUE(g_drawn.lines.empty() && g_drawn.tris.empty() && g_drawn.colours.empty());
    // And the plain traversal still reaches the callbacks.
    ASSERT_EQ(faces3_draw_kanten(box.get()), 0);
    EXPECT_EQ(g_drawn.lines.size(), 12u);
    faces3_set_draw_callbacks(nullptr, nullptr, nullptr);
}

}  // namespace
