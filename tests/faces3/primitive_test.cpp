// Tests of the primitive solids: segment rules, capacities, types, names, closedness and
// outward orientation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "faces3/faces3.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

// Runs the index method and checks the solid is closed: three neighbours each, no faults.
void expect_closed(Faces3Koerper* k) {
    f3test::CaptureTerminal out;
    EXPECT_EQ(faces3_cpt_nachbarn_index(k), 0);
    EXPECT_EQ(out.text(),
              "0 Kanten ohne Nachbardreieck\n0 Kanten mit mindestens 2 Nachbardreiecken\n");
    for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, i);
        for (int s = 0; s < 3; ++s) ASSERT_GE(d->nachbar[s], 0) << i;
    }
}

// Every normal points away from the given interior point.
void expect_outward(const Faces3Koerper* k, double cx, double cy, double cz) {
    for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, i);
        const double v[3] = {d->mitte[0] - cx, d->mitte[1] - cy, d->mitte[2] - cz};
        EXPECT_GT(v[0] * d->normale[0] + v[1] * d->normale[1] + v[2] * d->normale[2], 0) << i;
    }
}

void expect_caps(const Faces3Koerper* k, int np, int nk, int nd, int nf) {
    int p, e, d, f;
    faces3_kapazitaeten(k, &p, &e, &d, &f);
    EXPECT_EQ(p, np);
    EXPECT_EQ(e, nk);
    EXPECT_EQ(d, nd);
    EXPECT_EQ(f, nf + 1);
}

TEST(Primitives, BoxTopologyNamesAndType) {
    f3test::QuietTerminal quiet;
    Body k(faces3_quader("q", 2, 4, 6));
    ASSERT_TRUE(k);
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 8);
    EXPECT_EQ(faces3_anzahl_kanten(k.get()), 36);
    EXPECT_EQ(faces3_anzahl_dreiecke(k.get()), 12);
    EXPECT_EQ(faces3_get_typ(k.get()), FACES3_TYP_QUADER);
    expect_caps(k.get(), 8, 36, 12, 6);
    const char* names[] = {"q/oben", "q/unten", "q/rechts", "q/links", "q/vorne", "q/hinten"};
    for (int f = 0; f < 6; ++f) {
        EXPECT_STREQ(faces3_flaeche_name(k.get(), f), names[f]);
        EXPECT_EQ(faces3_flaeche_anzahl(k.get(), f), 2);
    }
    double b[6];
    faces3_bbox(k.get(), &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]);
    EXPECT_EQ(b[0], -1);
    EXPECT_EQ(b[3], 2);
    EXPECT_EQ(b[5], 3);
    EXPECT_EQ(faces3_hat_nachbarn(k.get()), 1);  // computed by the generator
    expect_outward(k.get(), 0, 0, 0);
    expect_closed(k.get());
}

TEST(Primitives, SegmentCountRules) {
    f3test::QuietTerminal quiet;
    // 100 and 360 degrees both give three segments; 10 degrees 36.
    for (double a : {100.0, 360.0, 720.0, -5.0, std::nan("")}) {
        Body k(faces3_kegel("k", 1, 1, a));
        EXPECT_EQ(faces3_anzahl_dreiecke(k.get()), 6) << a;
    }
    // A zero angle is capped at 3600 segments instead of asking for infinitely many.
    Body fine(faces3_kegel("k", 1, 1, 0));
    EXPECT_EQ(faces3_anzahl_dreiecke(fine.get()), 7200);
    Body k36(faces3_kegel("k", 1, 1, 10));
    EXPECT_EQ(faces3_anzahl_dreiecke(k36.get()), 72);
    // Latitude angles 50, 40 and 30 degrees give 4, 4 and 6 rings bands.
    const struct {
        double breite;
        int m;
    } cases[] = {{50, 4}, {40, 4}, {30, 6}};
    for (const auto& c : cases) {
        Body s(faces3_kugel("s", 1, 90, c.breite));
        const int n = 4;
        EXPECT_EQ(faces3_anzahl_punkte(s.get()), n * (c.m - 1) + 2) << c.breite;
        EXPECT_EQ(faces3_anzahl_dreiecke(s.get()), 2 * n * (c.m - 1)) << c.breite;
        expect_caps(s.get(), n * (c.m - 1) + 2, 6 * n * (c.m - 1) + 6 * n,
                    2 * n + 2 * n * (c.m - 1), 1);
    }
}

TEST(Primitives, ConeAndTruncatedCone) {
    f3test::QuietTerminal quiet;
    Body k(faces3_kegel("k", 2, 3, 30));
    EXPECT_EQ(faces3_get_typ(k.get()), FACES3_TYP_KEGEL);
    expect_caps(k.get(), 14, 72, 24, 2);
    double dim[3];
    faces3_get_dimensionen(k.get(), dim);
    EXPECT_EQ(dim[0], 2);
    EXPECT_EQ(dim[1], 0);
    EXPECT_EQ(dim[2], 3);
    EXPECT_STREQ(faces3_flaeche_name(k.get(), 0), "k/stirnseite");
    EXPECT_STREQ(faces3_flaeche_name(k.get(), 1), "k/mantel");
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 14);
    expect_outward(k.get(), 0, 0, 0.5);
    expect_closed(k.get());

    Body z(faces3_zylinder("z", 2, 1, 3, 30));
    EXPECT_EQ(faces3_get_typ(z.get()), FACES3_TYP_KEGELSTUMPF);
    expect_caps(z.get(), 26, 144, 48, 3);
    EXPECT_EQ(faces3_anzahl_punkte(z.get()), 26);
    EXPECT_STREQ(faces3_flaeche_name(z.get(), 1), "z/stirnseite_oben");
    expect_outward(z.get(), 0, 0, 1.5);
    expect_closed(z.get());
    faces3_get_dimensionen(z.get(), dim);
    EXPECT_EQ(dim[1], 1);
}

TEST(Primitives, CylinderAndItsConeCase) {
    f3test::QuietTerminal quiet;
    Body z(faces3_zylinder("z", 1, 1, 2, 10));
    EXPECT_EQ(faces3_get_typ(z.get()), FACES3_TYP_ZYLINDER);
    EXPECT_EQ(faces3_anzahl_dreiecke(z.get()), 144);
    expect_outward(z.get(), 0, 0, 1);
    expect_closed(z.get());
    Body c(faces3_zylinder("c", 1, 0, 2, 10));  // top radius 0: a cone with two faces
    EXPECT_EQ(faces3_get_typ(c.get()), FACES3_TYP_KEGEL);
    EXPECT_EQ(faces3_anzahl_flaechen(c.get()), 2);
    EXPECT_EQ(faces3_anzahl_dreiecke(c.get()), 72);
}

TEST(Primitives, SphereIsClosedAndOutward) {
    f3test::QuietTerminal quiet;
    for (double a : {10.0, 45.0, 90.0, 100.0}) {
        for (double b : {10.0, 30.0, 50.0}) {
            SCOPED_TRACE(std::to_string(a) + " " + std::to_string(b));
            Body s(faces3_kugel("s", 0.5, a, b));
            EXPECT_EQ(faces3_get_typ(s.get()), FACES3_TYP_KUGEL);
            EXPECT_STREQ(faces3_flaeche_name(s.get(), 0), "s/kugelflaeche");
            // With three or four segments the lattice is too coarse to be convex.
            if (a <= 45) expect_outward(s.get(), 0, 0, 0);
            expect_closed(s.get());
            double p[3];
            for (int i = 0; i < faces3_anzahl_punkte(s.get()); ++i) {
                faces3_get_punkt(s.get(), i, p);
                EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 0.5, 1e-12);
            }
        }
    }
}

TEST(Primitives, GeneratorsIgnoreTheNoSearchFlagAndUseGeometricNeighbours) {
    f3test::QuietTerminal quiet;
    faces3_set_nosearch(1);
    Body k(faces3_zylinder("z", 1, 1, 1, 20));
    EXPECT_EQ(faces3_get_nosearch(), 1);
    faces3_set_nosearch(0);
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 38);
    // The geometric method (default) leaves every triangle with three neighbours too.
    for (int i = 0; i < faces3_anzahl_dreiecke(k.get()); ++i) {
        for (int s = 0; s < 3; ++s) EXPECT_GE(faces3_get_dreieck(k.get(), i)->nachbar[s], 0);
    }
}

}  // namespace
