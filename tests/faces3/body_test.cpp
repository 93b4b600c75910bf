// Tests of body creation, faces, triangle construction, copy, merge and transformations.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "faces3/faces3.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

TEST(BodyCreation, DefaultCapacitiesAndDiagnosticLine) {
    f3test::CaptureTerminal out;
    Body k(faces3_new_koerper("teil", 0, -5, 0, 0));
    ASSERT_TRUE(k);
    int np, nk, nd, nf;
    ASSERT_EQ(faces3_kapazitaeten(k.get(), &np, &nk, &nd, &nf), 0);
    EXPECT_EQ(np, 500000);
    EXPECT_EQ(nd, 1500000);
    EXPECT_EQ(nk, 4500000);
    EXPECT_EQ(nf, 1500001);
    EXPECT_EQ(out.text(), "teil 500000 4500000 1500000 1500001\n");
    EXPECT_EQ(faces3_get_typ(k.get()), FACES3_TYP_NEU);
    double dim[3] = {1, 1, 1};
    faces3_get_dimensionen(k.get(), dim);
    EXPECT_EQ(dim[0] + dim[1] + dim[2], 0);

    // Given values are kept; defaults derive from them in the documented order.
    Body g(faces3_new_koerper(nullptr, 10, 0, 0, 2));
    faces3_kapazitaeten(g.get(), &np, &nk, &nd, &nf);
    EXPECT_EQ(np, 10);
    EXPECT_EQ(nd, 30);
    EXPECT_EQ(nk, 90);
    EXPECT_EQ(nf, 3);
    EXPECT_STREQ(faces3_koerper_name(g.get()), "");
}

TEST(BodyFaces, TildeNamesReopenAndCapacity) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("k", 10, 30, 10, 2));  // three faces with the extra one
    EXPECT_EQ(faces3_open_flaeche(k.get(), "~oben"), 0);
    EXPECT_STREQ(faces3_flaeche_name(k.get(), 0), "k/oben");
    EXPECT_EQ(faces3_open_flaeche(k.get(), "plain"), 1);
    EXPECT_EQ(faces3_open_flaeche(k.get(), "k/oben"), 0);  // same name, old index, current
    EXPECT_EQ(faces3_aktuelle_flaeche(k.get()), 0);
    EXPECT_EQ(faces3_open_flaeche(k.get(), "drei"), 2);
    EXPECT_EQ(faces3_open_flaeche(k.get(), "vier"), -1);  // table full
    EXPECT_EQ(faces3_aktuelle_flaeche(k.get()), 2);
    EXPECT_EQ(faces3_flaeche_kapazitaet(k.get(), 0), 10);
    EXPECT_EQ(faces3_open_flaeche(nullptr, "x"), -1);
}

TEST(BodyTriangles, SharedPointsEdgesAndDefaultFace) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("k", 0, 0, 0, 0));
    const double t[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    EXPECT_EQ(f3test::tri(k.get(), t), 0);
    EXPECT_EQ(f3test::tri(k.get(), t), 1);  // the same triangle twice
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 3);
    EXPECT_EQ(faces3_anzahl_kanten(k.get()), 3);
    EXPECT_EQ(faces3_anzahl_flaechen(k.get()), 1);
    EXPECT_STREQ(faces3_flaeche_name(k.get(), 0), "default");
    EXPECT_EQ(faces3_flaeche_anzahl(k.get(), 0), 2);
    const Faces3Dreieck* d = faces3_get_dreieck(k.get(), 1);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->kante[2], 2);
    EXPECT_EQ(d->nachbar[0], -1);
    EXPECT_DOUBLE_EQ(d->normale[2], 1);
    EXPECT_DOUBLE_EQ(d->mitte[0], 1.0 / 3);
    // A point within the tolerance is the same point; one just outside is not.
    const double near[9] = {0, 0, 0.9e-5, 1, 0, 0, 0, 0, 1};
    f3test::tri(k.get(), near);
    EXPECT_EQ(faces3_get_dreieck(k.get(), 2)->p[0], 0);
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 4);
    const double far[9] = {0, 0, 1.1e-5, 1, 0, 0, 0, 0, 1};
    f3test::tri(k.get(), far);
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 5);
}

TEST(BodyTriangles, DegenerateTriangleKeepsRawCrossProduct) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("k", 0, 0, 0, 0));
    const double t[9] = {0, 0, 0, 1, 0, 0, 2, 1e-13, 0};  // a sliver
    ASSERT_EQ(f3test::tri(k.get(), t), 0);
    const double* n = faces3_get_dreieck(k.get(), 0)->normale;
    EXPECT_NEAR(n[2], 1e-13, 1e-20);
    const double line[9] = {0, 0, 0, 1, 0, 0, 3, 0, 0};
    ASSERT_EQ(f3test::tri(k.get(), line), 1);
    EXPECT_EQ(faces3_get_dreieck(k.get(), 1)->normale[2], 0);
}

TEST(BodyTriangles, ErrorCodes) {
    f3test::QuietTerminal quiet;
    const double t[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    EXPECT_EQ(f3test::tri(nullptr, t), FACES3_ERR_KEIN_KOERPER);
    Body full(faces3_new_koerper("k", 3, 9, 1, 1));
    EXPECT_EQ(f3test::tri(full.get(), t), 0);
    EXPECT_EQ(f3test::tri(full.get(), t), FACES3_ERR_DREIECKE_VOLL);
    Body pts(faces3_new_koerper("k", 2, 9, 5, 1));
    EXPECT_EQ(f3test::tri(pts.get(), t), FACES3_ERR_PUNKT3);
    EXPECT_EQ(faces3_anzahl_punkte(pts.get()), 2);  // inserted points stay
    EXPECT_EQ(faces3_anzahl_dreiecke(pts.get()), 0);
    Body edges(faces3_new_koerper("k", 9, 2, 5, 1));
    EXPECT_EQ(f3test::tri(edges.get(), t), FACES3_ERR_KANTE3);
    Body k(faces3_new_koerper("k", 0, 0, 0, 0));
    const double same01[9] = {0, 0, 0, 0, 0, 0, 0, 1, 0};
    EXPECT_EQ(f3test::tri(k.get(), same01), FACES3_ERR_KANTE1);
    const double same02[9] = {0, 0, 0, 1, 0, 0, 0, 0, 0};
    EXPECT_EQ(f3test::tri(k.get(), same02), FACES3_ERR_KANTE3);
    // NaN and huge coordinates: defined results, NaN points never merge.
    const double nan = std::nan("");
    const double bad[9] = {nan, 0, 0, 1e300, 0, 0, -1e308, 1e308, 0};
    EXPECT_EQ(f3test::tri(k.get(), bad), 0);
    EXPECT_EQ(f3test::tri(k.get(), bad), 1);
    EXPECT_EQ(faces3_get_dreieck(k.get(), 1)->p[0], faces3_anzahl_punkte(k.get()) - 1);
    EXPECT_EQ(faces3_get_dreieck(k.get(), 1)->p[1], faces3_get_dreieck(k.get(), 0)->p[1]);
}

TEST(BodyTriangles, NoSearchAppendsAndLaterSearchesFindTheFirst) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("k", 0, 0, 0, 0));
    const double t[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    faces3_set_nosearch(1);
    EXPECT_EQ(faces3_get_nosearch(), 1);
    f3test::tri(k.get(), t);
    f3test::tri(k.get(), t);
    faces3_set_nosearch(0);
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 6);
    EXPECT_EQ(faces3_anzahl_kanten(k.get()), 6);
    f3test::tri(k.get(), t);
    const Faces3Dreieck* d = faces3_get_dreieck(k.get(), 2);
    EXPECT_EQ(d->p[0], 0);
    EXPECT_EQ(d->p[2], 2);
    EXPECT_EQ(d->kante[1], 1);
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 6);
}

TEST(BodyTriangles, SetDreieckAndSetNachbarn) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("k", 0, 0, 0, 0));
    const double t[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    f3test::tri(k.get(), t);
    const double t2[9] = {1, 0, 0, 1, 1, 0, 0, 1, 0};
    f3test::tri(k.get(), t2);
    EXPECT_EQ(faces3_set_dreieck(k.get(), -1, 0, 0, 1), -1);
    EXPECT_EQ(faces3_set_dreieck(k.get(), -1, 0, 1, 99), -1);
    EXPECT_EQ(faces3_set_dreieck(k.get(), 7, 0, 1, 2), -1);
    faces3_open_flaeche(k.get(), "zwei");
    EXPECT_EQ(faces3_set_dreieck(k.get(), -1, 1, 3, 2), 2);
    EXPECT_EQ(faces3_get_dreieck(k.get(), 2)->flaeche, 1);
    EXPECT_EQ(faces3_flaeche_dreieck(k.get(), 1, 0), 2);
    ASSERT_EQ(faces3_set_nachbarn(k.get(), 0, 1, 2, -1), 0);
    EXPECT_EQ(faces3_set_nachbarn(k.get(), 0, 1, 3, 1), -1);
    EXPECT_EQ(faces3_set_nachbarn(k.get(), 3, 1, 1, 1), -1);
    EXPECT_EQ(faces3_get_dreieck(k.get(), 0)->nachbar[1], 2);
    EXPECT_EQ(faces3_hat_nachbarn(k.get()), 1);
    // Replacing the points keeps the face, clears the neighbours, recomputes the normal.
    EXPECT_EQ(faces3_set_dreieck(k.get(), 0, 0, 2, 1), 0);
    const Faces3Dreieck* d = faces3_get_dreieck(k.get(), 0);
    EXPECT_EQ(d->flaeche, 0);
    EXPECT_EQ(d->nachbar[1], -1);
    EXPECT_DOUBLE_EQ(d->normale[2], -1);
    EXPECT_EQ(faces3_hat_nachbarn(k.get()), 0);
}

Body two_faces() {
    Body k(faces3_new_koerper("a", 0, 0, 0, 0));
    faces3_open_flaeche(k.get(), "~f1");
    const double t[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const double u[9] = {1, 0, 0, 1, 1, 0, 0, 1, 0};
    f3test::tri(k.get(), t);
    faces3_open_flaeche(k.get(), "~f2");
    f3test::tri(k.get(), u);
    faces3_cpt_nachbarn(k.get());
    return k;
}

TEST(BodyCopyMerge, CopyIsDeepAndComplete) {
    f3test::QuietTerminal quiet;
    Body a = two_faces();
    faces3_set_typ(a.get(), 4);
    faces3_set_dimensionen(a.get(), 1, 2, 3);
    Body c(faces3_copy_koerper(a.get()));
    ASSERT_TRUE(c);
    int np, nk, nd, nf, cp, ck, cd, cf;
    faces3_kapazitaeten(a.get(), &np, &nk, &nd, &nf);
    faces3_kapazitaeten(c.get(), &cp, &ck, &cd, &cf);
    EXPECT_EQ(nf, cf);
    EXPECT_EQ(nd, cd);
    EXPECT_EQ(faces3_get_typ(c.get()), 4);
    EXPECT_EQ(faces3_aktuelle_flaeche(c.get()), 1);
    EXPECT_STREQ(faces3_flaeche_name(c.get(), 1), "a/f2");
    EXPECT_EQ(faces3_get_dreieck(c.get(), 0)->nachbar[1], 1);
    faces3_translate(a.get(), 5, 0, 0);
    double p[3];
    faces3_get_punkt(c.get(), 0, p);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(faces3_copy_koerper(nullptr), nullptr);
}

TEST(BodyCopyMerge, MergeShiftsEveryIndex) {
    f3test::QuietTerminal quiet;
    Body a = two_faces();
    Body b = two_faces();
    faces3_translate(b.get(), 0, 0, 1);
    Body m(faces3_merge_koerper(a.get(), b.get()));
    ASSERT_TRUE(m);
    EXPECT_EQ(faces3_get_typ(m.get()), FACES3_TYP_NETZ);
    EXPECT_EQ(faces3_anzahl_punkte(m.get()), 8);  // points are not merged
    EXPECT_EQ(faces3_anzahl_dreiecke(m.get()), 4);
    EXPECT_EQ(faces3_anzahl_flaechen(m.get()), 4);
    int np, nk, nd, nf, ap, ak, ad, af;
    faces3_kapazitaeten(a.get(), &ap, &ak, &ad, &af);
    faces3_kapazitaeten(m.get(), &np, &nk, &nd, &nf);
    EXPECT_EQ(np, 2 * ap);
    EXPECT_EQ(nf, 2 * af);
    const Faces3Dreieck* src = faces3_get_dreieck(b.get(), 1);
    const Faces3Dreieck* d = faces3_get_dreieck(m.get(), 3);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(d->p[s], src->p[s] + 4);
        EXPECT_EQ(d->kante[s], src->kante[s] + faces3_anzahl_kanten(a.get()));
        EXPECT_EQ(d->nachbar[s], src->nachbar[s] == -1 ? -1 : src->nachbar[s] + 2);
    }
    EXPECT_EQ(d->flaeche, 3);
    EXPECT_EQ(faces3_flaeche_dreieck(m.get(), 3, 0), 3);
    int von, nach;
    faces3_get_kante(m.get(), faces3_anzahl_kanten(a.get()), &von, &nach);
    EXPECT_EQ(von, 4);
    // Absent or identical arguments copy.
    Body only_b(faces3_merge_koerper(nullptr, b.get()));
    EXPECT_EQ(faces3_anzahl_dreiecke(only_b.get()), 2);
    Body self(faces3_merge_koerper(a.get(), a.get()));
    EXPECT_EQ(faces3_anzahl_dreiecke(self.get()), 2);
    EXPECT_EQ(faces3_merge_koerper(nullptr, nullptr), nullptr);
    // The merged body searches its points again (b's points are found).
    const double t[9] = {0, 0, 1, 1, 0, 1, 5, 5, 5};
    f3test::tri(m.get(), t);
    EXPECT_EQ(faces3_get_dreieck(m.get(), 4)->p[0], 4);
}

std::vector<double> snapshot_of(const Faces3Koerper* k) {
    std::vector<double> v;
    double p[3];
    for (int i = 0; i < faces3_anzahl_punkte(k); ++i) {
        faces3_get_punkt(k, i, p);
        v.insert(v.end(), p, p + 3);
    }
    for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, i);
        v.insert(v.end(), d->mitte, d->mitte + 3);
        v.insert(v.end(), d->normale, d->normale + 3);
    }
    return v;
}

TEST(BodyGeometry, SnapshotTransformRestoreIsExact) {
    f3test::QuietTerminal quiet;
    Body k(faces3_quader("q", 1, 2, 3));
    EXPECT_EQ(faces3_restore_geometrie(k.get()), 1);
    ASSERT_EQ(faces3_save_geometrie(k.get()), 0);
    const auto before = snapshot_of(k.get());
    faces3_rotate(k.get(), 1, 2, 3, 33);
    faces3_scale(k.get(), 2, -1, 0.5);
    const double pl[12] = {1, 2, 3, 0, 1, 0, -1, 0, 0, 0, 0, 1};
    faces3_placement(k.get(), pl);
    const double m[16] = {2, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    faces3_matrix4(k.get(), m);
    faces3_translate(k.get(), 1, 1, 1);
    EXPECT_NE(snapshot_of(k.get()), before);
    ASSERT_EQ(faces3_restore_geometrie(k.get()), 0);
    EXPECT_EQ(snapshot_of(k.get()), before);
    // A body that grew no longer matches its snapshot.
    Body g(faces3_new_koerper("g", 0, 0, 0, 0));
    const double t[9] = {5, 5, 5, 6, 5, 5, 5, 6, 5};
    f3test::tri(g.get(), t);
    faces3_save_geometrie(g.get());
    const double u[9] = {7, 5, 5, 6, 5, 5, 5, 6, 5};
    f3test::tri(g.get(), u);
    EXPECT_EQ(faces3_restore_geometrie(g.get()), 1);
}

TEST(BodyGeometry, TransformationsMovePointsCentresAndNormals) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("k", 0, 0, 0, 0));
    const double t[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    f3test::tri(k.get(), t);
    EXPECT_EQ(faces3_rotate(k.get(), 0, 0, 1e-13, 90), 1);
    ASSERT_EQ(faces3_rotate(k.get(), 1, 0, 0, 90), 0);  // degrees
    const Faces3Dreieck* d = faces3_get_dreieck(k.get(), 0);
    EXPECT_NEAR(d->normale[1], -1, 1e-15);
    double p[3];
    faces3_get_punkt(k.get(), 2, p);
    EXPECT_NEAR(p[2], 1, 1e-15);
    faces3_translate(k.get(), 1, 0, 0);
    EXPECT_NEAR(d->normale[1], -1, 1e-15);
    EXPECT_NEAR(d->mitte[0], 1 + 1.0 / 3, 1e-15);
    faces3_scale(k.get(), 2, 1, 1);
    EXPECT_NEAR(d->mitte[0], 2 + 2.0 / 3, 1e-15);
    // Placement: axes swapped, origin moved; the normal follows the axes.
    const double pl[12] = {10, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1};
    faces3_placement(k.get(), pl);
    EXPECT_NEAR(d->normale[0], -1, 1e-15);
    faces3_get_punkt(k.get(), 0, p);
    EXPECT_NEAR(p[0], 10, 1e-15);
    EXPECT_NEAR(p[1], 2, 1e-15);
    // The bounding box is computed on request, not by the transformations.
    double b[6];
    ASSERT_EQ(faces3_bbox(k.get(), &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]), 0);
    EXPECT_NEAR(b[0], 10, 1e-15);
    EXPECT_NEAR(b[3], 4, 1e-15);
    Body empty(faces3_new_koerper("e", 0, 0, 0, 0));
    EXPECT_EQ(faces3_bbox(empty.get(), &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]), 1);
    EXPECT_EQ(faces3_translate(nullptr, 1, 1, 1), 1);
    // matrix4 recomputes the normal from the moved points.
    const double mirror[16] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    faces3_matrix4(k.get(), mirror);
    double q[3][3];
    for (int i = 0; i < 3; ++i) faces3_get_punkt(k.get(), d->p[i], q[i]);
    const double u[3] = {q[1][0] - q[0][0], q[1][1] - q[0][1], q[1][2] - q[0][2]};
    const double v[3] = {q[2][0] - q[1][0], q[2][1] - q[1][1], q[2][2] - q[1][2]};
    const double c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    const double len = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(d->normale[i], c[i] / len, 1e-15);
    EXPECT_NEAR(d->mitte[0], (q[0][0] + q[1][0] + q[2][0]) / 3, 1e-15);
}

}  // namespace

namespace {

TEST(BodySplit, TJunctionsSplitRecursivelyAndFailuresKeepTheMesh) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("k", 0, 0, 0, 0));
    // Two points inside the first triangle's edge p0->p1 (one near each end).
    const double big[9] = {0, 0, 0, 4, 0, 0, 2, 3, 0};
    const double a[9] = {0, 0, 0, 1, -1, 0, 1, 0, 0};
    const double b[9] = {3, 0, 0, 3, -1, 0, 4, 0, 0};
    f3test::tri(k.get(), big);
    f3test::tri(k.get(), a);
    f3test::tri(k.get(), b);
    ASSERT_EQ(faces3_kantenpunkte_zerlegen(k.get()), 0);
    EXPECT_EQ(faces3_anzahl_dreiecke(k.get()), 5);  // the big one became three
    double area = 0;
    for (int i : {0, 3, 4}) {
        const Faces3Dreieck* d = faces3_get_dreieck(k.get(), i);
        double p[3][3];
        for (int c = 0; c < 3; ++c) faces3_get_punkt(k.get(), d->p[c], p[c]);
        area += 0.5 * ((p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) -
                       (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]));
        EXPECT_GT(d->normale[2], 0);  // orientation kept
    }
    EXPECT_DOUBLE_EQ(area, 6);
    // Closed now: each piece of the long edge has its partner.
    faces3_cpt_nachbarn(k.get());
    EXPECT_GE(faces3_get_dreieck(k.get(), 1)->nachbar[2], 0);
    EXPECT_GE(faces3_get_dreieck(k.get(), 2)->nachbar[2], 0);

    // No room for the new half: 1, and the triangle is left as it was.
    Body full(faces3_new_koerper("f", 0, 0, 2, 0));
    f3test::tri(full.get(), big);
    f3test::tri(full.get(), a);
    const Faces3Dreieck before = *faces3_get_dreieck(full.get(), 0);
    EXPECT_EQ(faces3_kantenpunkte_zerlegen(full.get()), 1);
    EXPECT_EQ(faces3_anzahl_dreiecke(full.get()), 2);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(faces3_get_dreieck(full.get(), 0)->p[s], before.p[s]);
    EXPECT_EQ(faces3_kantenpunkte_zerlegen(nullptr), 1);
}

}  // namespace
