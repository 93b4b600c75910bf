// The hashed searches and edge-keyed neighbour matching against the plain linear and
// pairwise algorithms, on random meshes with near-duplicate points, duplicated and
// flipped triangles, non-manifold edges and T-junctions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "faces3/faces3.h"
#include "faces3_reference.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

struct Pair {
    Body body;
    ref::Mesh mesh;
};

// Builds the same triangle soup into a body and into the reference mesh.
Pair build(const std::vector<double>& soup, bool nosearch) {
    Pair p;
    p.body.reset(faces3_new_koerper("r", 0, 0, 0, 0));
    p.mesh.nosearch = nosearch;
    faces3_set_nosearch(nosearch);
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) {
        const int a = f3test::tri(p.body.get(), &soup[t]);
        const int b = p.mesh.insert_triangle(&soup[t]);
        EXPECT_EQ(a < 0, b < 0) << t / 9;
    }
    faces3_set_nosearch(0);
    return p;
}

void expect_same_tables(const Faces3Koerper* k, const ref::Mesh& m) {
    ASSERT_EQ(faces3_anzahl_punkte(k), static_cast<int>(m.pts.size()));
    ASSERT_EQ(faces3_anzahl_kanten(k), static_cast<int>(m.edges.size()));
    ASSERT_EQ(faces3_anzahl_dreiecke(k), static_cast<int>(m.tris.size()));
    for (size_t i = 0; i < m.edges.size(); ++i) {
        int von, nach;
        faces3_get_kante(k, static_cast<int>(i), &von, &nach);
        ASSERT_EQ(von, m.edges[i][0]) << i;
        ASSERT_EQ(nach, m.edges[i][1]) << i;
    }
    for (size_t i = 0; i < m.tris.size(); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, static_cast<int>(i));
        for (int s = 0; s < 3; ++s) {
            ASSERT_EQ(d->p[s], m.tris[i].p[s]) << i;
            ASSERT_EQ(d->kante[s], m.tris[i].k[s]) << i;
        }
    }
}

void expect_same_neighbours(const Faces3Koerper* k, const ref::Mesh& m) {
    for (size_t i = 0; i < m.tris.size(); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, static_cast<int>(i));
        for (int s = 0; s < 3; ++s) ASSERT_EQ(d->nachbar[s], m.tris[i].nb[s]) << i << "/" << s;
    }
}

TEST(ReferenceCompare, PointAndEdgeSearchGiveTheSameTables) {
    f3test::QuietTerminal quiet;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        const auto soup = ref::random_soup(seed, 18, seed % 2 ? 1e-3 : 3e-5);
        Pair p = build(soup, false);
        expect_same_tables(p.body.get(), p.mesh);
    }
}

TEST(ReferenceCompare, PointSearchNearHugeAndNonFiniteCoordinates) {
    f3test::QuietTerminal quiet;
    std::vector<double> soup;
    const double big = 3e15;  // beyond the grid's exact range: clamped cells
    const double vals[] = {0, 1e-5, -1e-5, 9.9e-6, big, big + 1, -big, 1e300, std::nan("")};
    unsigned r = 12345;
    for (int t = 0; t < 400; ++t) {
        for (int c = 0; c < 9; ++c) {
            r = r * 1103515245u + 12345u;
            soup.push_back(vals[(r >> 16) % 9] + ((r >> 8) % 3) * 4e-6);
        }
    }
    Pair p = build(soup, false);
    expect_same_tables(p.body.get(), p.mesh);
}

TEST(ReferenceCompare, IndexNeighboursAndFaultCounts) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        std::unique_ptr<f3test::QuietTerminal> quiet(new f3test::QuietTerminal);
        const auto soup = ref::random_soup(seed, 16);
        Pair p = build(soup, seed % 3 == 0);
        quiet.reset();
        f3test::CaptureTerminal out;
        const int faults = faces3_cpt_nachbarn_index(p.body.get());
        long long missing, dups;
        ref::index_neighbours(p.mesh, &missing, &dups);
        EXPECT_EQ(faults, missing + dups);
        EXPECT_EQ(out.text(), std::to_string(missing) + " Kanten ohne Nachbardreieck\n" +
                                  std::to_string(dups) +
                                  " Kanten mit mindestens 2 Nachbardreiecken\n");
        if (seed % 3 != 0) {
            EXPECT_GT(dups, 0);  // the soup has duplicated triangles
        }
        expect_same_neighbours(p.body.get(), p.mesh);
    }
}

TEST(ReferenceCompare, IndexMethodChosenByEnvironment) {
    f3test::CaptureTerminal out;
    Body k(faces3_quader("q", 1, 1, 1));
    setenv("FACES3_CPT_NACHBARN_IXFLAG", "1", 1);
    out.text();
    f3test::captured().clear();
    EXPECT_EQ(faces3_cpt_nachbarn(k.get()), 0);
    EXPECT_NE(out.text().find("0 Kanten ohne Nachbardreieck"), std::string::npos);
    setenv("FACES3_CPT_NACHBARN_IXFLAG", "0", 1);
    f3test::captured().clear();
    EXPECT_EQ(faces3_cpt_nachbarn(k.get()), 0);
    EXPECT_EQ(out.text(), "");
    unsetenv("FACES3_CPT_NACHBARN_IXFLAG");
}

TEST(ReferenceCompare, GeometricNeighboursMatchTheBoxedScan) {
    f3test::QuietTerminal quiet;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        // Without search every triangle has its own points: only coordinates match.
        const auto soup = ref::random_soup(seed + 100, 24, seed % 2 ? 1e-3 : 2e-5);
        Pair p = build(soup, seed % 2 == 1);
        faces3_nachbarn_schritt(p.body.get(), 0, 0, nullptr);
        ref::geometric_neighbours(p.mesh);
        expect_same_neighbours(p.body.get(), p.mesh);
    }
}

TEST(ReferenceCompare, GeometricNeighboursInTimeSlices) {
    f3test::QuietTerminal quiet;
    const auto soup = ref::random_soup(77, 75);
    Pair p = build(soup, true);
    ref::geometric_neighbours(p.mesh);
    int start = 0, calls = 0;
    double progress = -1, last = 0;
    do {
        start = faces3_nachbarn_schritt(p.body.get(), start, 1, &progress);
        ++calls;
        EXPECT_GE(progress, last);
        last = progress;
        if (start) {
            EXPECT_LT(progress, 100.0);
        }
    } while (start != 0 && calls < 1000000);
    EXPECT_EQ(progress, 100.0);
    EXPECT_GT(calls, 1);  // tens of thousands of triangles take longer than 1 ms
    expect_same_neighbours(p.body.get(), p.mesh);
    // A fresh run in one go from 0 gives the same again.
    faces3_cpt_nachbarn(p.body.get());
    expect_same_neighbours(p.body.get(), p.mesh);
}

TEST(ReferenceCompare, SplitAtEdgePoints) {
    f3test::QuietTerminal quiet;
    for (unsigned seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        const auto soup = ref::random_soup(seed + 200, 14);
        Pair p = build(soup, false);
        // Extra loose points on edges, some within the tolerance of an end.
        for (int i = 0; i < 20; ++i) {
            const int t = (i * 37 + static_cast<int>(seed)) % faces3_anzahl_dreiecke(p.body.get());
            const Faces3Dreieck* d = faces3_get_dreieck(p.body.get(), t);
            double a[3], b[3];
            faces3_get_punkt(p.body.get(), d->p[0], a);
            faces3_get_punkt(p.body.get(), d->p[1], b);
            const double f = i % 4 == 0 ? 0.004 : 0.3 + 0.02 * i;
            const double c[9] = {a[0] + f * (b[0] - a[0]),
                                 a[1] + f * (b[1] - a[1]),
                                 a[2] + f * (b[2] - a[2]),
                                 9,
                                 9,
                                 9.0 + i,
                                 9,
                                 10,
                                 9.0 + i};
            f3test::tri(p.body.get(), c);
            p.mesh.insert_triangle(c);
        }
        expect_same_tables(p.body.get(), p.mesh);
        const int before = faces3_anzahl_dreiecke(p.body.get());
        EXPECT_EQ(faces3_kantenpunkte_zerlegen(p.body.get()), 0);
        EXPECT_EQ(ref::split_at_edge_points(p.mesh), 0);
        EXPECT_GT(faces3_anzahl_dreiecke(p.body.get()), before);
        expect_same_tables(p.body.get(), p.mesh);
    }
}

}  // namespace

namespace {

TEST(ReferenceCompare, PickWithSnappingMatchesThePlainScans) {
    f3test::QuietTerminal quiet;
    // A wavy sheet plus flat fans (many coplanar triangles around a centre, so that the
    // circle-centre search finds groups large enough to fit).
    std::vector<double> soup = ref::random_soup(5, 20, 2e-3);
    for (int f = 0; f < 3; ++f) {
        const double cx = 0.01 + 0.012 * f, cy = 0.02, cz = 0.05 + 0.001 * f, r = 0.004;
        for (int i = 0; i < 24; ++i) {
            const double a0 = 2 * M_PI * i / 24, a1 = 2 * M_PI * (i + 1) / 24;
            const double ring0[3] = {cx + r * std::cos(a0), cy + r * std::sin(a0), cz};
            const double ring1[3] = {cx + r * std::cos(a1), cy + r * std::sin(a1), cz};
            const double outer0[3] = {cx + 2 * r * std::cos(a0), cy + 2 * r * std::sin(a0), cz};
            const double outer1[3] = {cx + 2 * r * std::cos(a1), cy + 2 * r * std::sin(a1), cz};
            const double* t[2][3] = {{ring0, outer0, outer1}, {ring0, outer1, ring1}};
            for (const auto& tri : t) {
                for (const double* q : tri) soup.insert(soup.end(), q, q + 3);
            }
        }
    }
    Pair p = build(soup, false);
    faces3_cpt_nachbarn(p.body.get());
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0, 0.04);
    int hits = 0, circles = 0;
    for (int n = 0; n < 60; ++n) {
        const double o[3] = {u(rng), u(rng), 0.2};
        const double d[3] = {u(rng) * 0.5 - 0.01, u(rng) * 0.5 - 0.01, -1};
        const double snaps[] = {0.0, 1e-3, 3e-3, 0.05};
        for (double snap : snaps) {
            double h1[3], n1[3], r1, h2[3], n2[3], r2;
            const int a = faces3_pick(p.body.get(), o, d, h1, n1, snap, &r1);
            const int b = ref::pick(p.body.get(), o, d, snap, h2, n2, &r2);
            ASSERT_EQ(a, b) << n << " " << snap;
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(h1[c], h2[c]) << n << " " << snap;
                ASSERT_EQ(n1[c], n2[c]) << n << " " << snap;
            }
            ASSERT_EQ(r1, r2);
            hits += a == 0;
            circles += r1 < 1e30;
        }
    }
    EXPECT_GT(hits, 50);
    EXPECT_GT(circles, 0);
}

}  // namespace
