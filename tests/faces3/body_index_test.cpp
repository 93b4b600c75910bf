// The search indexes of body construction where they take shortcuts: face names after a
// merge, capacity hints, points on cell borders and at huge coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "faces3/faces3.h"
#include "faces3_reference.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

// Triangles whose corners are round coordinates (multiples of the point cell edge and of
// common units) and copies of them moved by just under and just over the tolerance.
std::vector<double> border_soup(double scale, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> grid(-6, 6);
    const double offsets[] = {0.0, 0.99e-5, -0.99e-5, 1.01e-5, -1.01e-5, 1e-5, -1e-5};
    std::uniform_int_distribution<int> pick(0, 6);
    std::vector<double> soup;
    for (int t = 0; t < 600; ++t) {
        for (int c = 0; c < 9; ++c) soup.push_back(scale * grid(rng) * 16e-5 + offsets[pick(rng)]);
    }
    return soup;
}

void expect_same_as_linear_search(const std::vector<double>& soup) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("b", 0, 0, 0, 0));
    ref::Mesh m;
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) {
        const int a = f3test::tri(k.get(), &soup[t]);
        const int b = m.insert_triangle(&soup[t]);
        ASSERT_EQ(a < 0, b < 0) << t / 9;
    }
    ASSERT_EQ(faces3_anzahl_punkte(k.get()), static_cast<int>(m.pts.size()));
    ASSERT_EQ(faces3_anzahl_kanten(k.get()), static_cast<int>(m.edges.size()));
    for (size_t i = 0; i < m.tris.size(); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k.get(), static_cast<int>(i));
        for (int s = 0; s < 3; ++s) {
            ASSERT_EQ(d->p[s], m.tris[i].p[s]) << i;
            ASSERT_EQ(d->kante[s], m.tris[i].k[s]) << i;
        }
    }
}

TEST(BodyIndex, PointsOnCellBordersAndAtHugeCoordinatesMatchTheLinearSearch) {
    // Cell borders at round coordinates, then near the clamp of the cell coordinates
    // (2^45 cells of 16e-5) where the spacing of doubles nears the tolerance.
    expect_same_as_linear_search(border_soup(1.0, 1));
    expect_same_as_linear_search(border_soup(1000.0, 2));
    std::vector<double> far = border_soup(1.0, 3);
    for (double& v : far) v += 5.6e9;
    expect_same_as_linear_search(far);
    for (double& v : far) v = -v * 1e3;
    expect_same_as_linear_search(far);
}

TEST(BodyIndex, MergedBodiesReopenTheFirstFaceOfARepeatedName) {
    f3test::QuietTerminal quiet;
    Body a(faces3_new_koerper("a", 10, 0, 0, 0));
    Body b(faces3_new_koerper("b", 10, 0, 0, 0));
    ASSERT_EQ(faces3_open_flaeche(a.get(), "deckel"), 0);
    ASSERT_EQ(faces3_open_flaeche(b.get(), "boden"), 0);
    ASSERT_EQ(faces3_open_flaeche(b.get(), "deckel"), 1);
    // Looked up once before the merge, so the copy must not reuse a stale name table.
    ASSERT_EQ(faces3_open_flaeche(a.get(), "deckel"), 0);
    Body m(faces3_merge_koerper(a.get(), b.get()));
    ASSERT_EQ(faces3_anzahl_flaechen(m.get()), 3);
    EXPECT_EQ(faces3_open_flaeche(m.get(), "deckel"), 0);
    EXPECT_EQ(faces3_open_flaeche(m.get(), "boden"), 1);
    EXPECT_EQ(faces3_open_flaeche(m.get(), "neu"), 3);
    EXPECT_EQ(faces3_open_flaeche(m.get(), "deckel"), 0);
    EXPECT_EQ(faces3_aktuelle_flaeche(m.get()), 0);
    Body c(faces3_copy_koerper(m.get()));
    EXPECT_EQ(faces3_open_flaeche(c.get(), "neu"), 3);
    EXPECT_EQ(faces3_open_flaeche(c.get(), "deckel"), 0);
}

TEST(BodyIndex, CapacityHintsChangeNoResult) {
    f3test::QuietTerminal quiet;
    const std::vector<double> soup = border_soup(1.0, 4);
    // Capacities that run out part-way, so that the error codes are compared too.
    Body plain(faces3_new_koerper("p", 300, 900, 500, 0));
    Body hinted(faces3_new_koerper("p", 300, 900, 500, 0));
    faces3_reserve(hinted.get(), 100000, 100000);
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) {
        if (t == 900) faces3_reserve(hinted.get(), 5, 5);  // small hints later on
        ASSERT_EQ(f3test::tri(plain.get(), &soup[t]), f3test::tri(hinted.get(), &soup[t])) << t;
    }
    ASSERT_EQ(faces3_anzahl_punkte(plain.get()), faces3_anzahl_punkte(hinted.get()));
    ASSERT_EQ(faces3_anzahl_kanten(plain.get()), faces3_anzahl_kanten(hinted.get()));
    EXPECT_EQ(faces3_anzahl_punkte(plain.get()), 300);
    for (int i = 0; i < faces3_anzahl_kanten(plain.get()); ++i) {
        int v1, n1, v2, n2;
        faces3_get_kante(plain.get(), i, &v1, &n1);
        faces3_get_kante(hinted.get(), i, &v2, &n2);
        ASSERT_EQ(v1, v2);
        ASSERT_EQ(n1, n2);
    }
    faces3_reserve(nullptr, 10, 10);  // no body: nothing happens
}

TEST(BodyIndex, SearchAfterNoSearchAppendsAndTransformsFindsTheLowestIndex) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("n", 0, 0, 0, 0));
    const double t1[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    faces3_set_nosearch(1);
    f3test::tri(k.get(), t1);
    f3test::tri(k.get(), t1);  // duplicates: points 3..5, edges 3..5
    faces3_set_nosearch(0);
    ASSERT_EQ(faces3_anzahl_punkte(k.get()), 6);
    ASSERT_EQ(f3test::tri(k.get(), t1), 2);
    const Faces3Dreieck* d = faces3_get_dreieck(k.get(), 2);
    EXPECT_EQ(d->p[0], 0);
    EXPECT_EQ(d->kante[2], 2);
    // Moving the points invalidates the index; a search after that sees the new places.
    faces3_translate(k.get(), 5, 0, 0);
    const double t2[9] = {5, 0, 0, 6, 0, 0, 5, 1, 0};
    ASSERT_EQ(f3test::tri(k.get(), t2), 3);
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 6);
    EXPECT_EQ(faces3_get_dreieck(k.get(), 3)->p[1], 1);
}

}  // namespace
