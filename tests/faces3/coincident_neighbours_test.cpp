// The geometric neighbour run on many coincident copies of one mesh (closed cubes, open
// sheets, copies with and without shared points): the same neighbours as the pairwise scan
// while the copies are few, and a number of visited candidates that grows with the number
// of triangles rather than with its square when they are many.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_geo_work.h"
#include "faces3/vrml_import.h"
#include "faces3_reference.h"
#include "faces3_test_util.h"
#include "vrml_test_support.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

const double kCube[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                            {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
// Outward triangles of the unit cube.
const int kCubeTris[12][3] = {{0, 3, 2}, {0, 2, 1}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                              {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};

void emit(std::vector<double>& soup, const double* a, const double* b, const double* c) {
    for (const double* p : {a, b, c}) soup.insert(soup.end(), p, p + 3);
}

std::vector<double> cubes(int copies) {
    std::vector<double> soup;
    for (int c = 0; c < copies; ++c) {
        for (const auto& t : kCubeTris) emit(soup, kCube[t[0]], kCube[t[1]], kCube[t[2]]);
    }
    return soup;
}

// The cube's triangles each repeated `copies` times in a row, as a face set listing each
// face many times: the copies of a triangle fill up one after another.
std::vector<double> cubes_in_runs(int copies) {
    std::vector<double> soup;
    for (const auto& t : kCubeTris) {
        for (int c = 0; c < copies; ++c) emit(soup, kCube[t[0]], kCube[t[1]], kCube[t[2]]);
    }
    return soup;
}

// A square of two triangles, open along its four sides. With `mixed`, a flipped copy now
// and then, and every seventh copy shifted by half the tolerance (still the same points for
// the scan).
std::vector<double> sheets(int copies, bool mixed = true) {
    std::vector<double> soup;
    for (int c = 0; c < copies; ++c) {
        const double d = mixed && c % 7 == 6 ? 0.5e-5 : 0;
        const double p[4][3] = {{d, 0, 0}, {1, 0, 0}, {1, 1 + d, 0}, {0, 1, 0}};
        if (mixed && c % 5 == 4) {
            emit(soup, p[0], p[2], p[1]);
        } else {
            emit(soup, p[0], p[1], p[2]);
        }
        emit(soup, p[0], p[2], p[3]);
    }
    return soup;
}

struct Pair {
    Body body;
    ref::Mesh mesh;
};

Pair build(const std::vector<double>& soup, bool nosearch) {
    f3test::QuietTerminal quiet;
    Pair p;
    p.body.reset(faces3_new_koerper("c", 0, 0, 0, 0));
    p.mesh.nosearch = nosearch;
    faces3_set_nosearch(nosearch);
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) {
        f3test::tri(p.body.get(), &soup[t]);
        p.mesh.insert_triangle(&soup[t]);
    }
    faces3_set_nosearch(0);
    return p;
}

// Runs the geometric method in one go; returns the candidates it visited.
unsigned long long run(Faces3Koerper* k) {
    const unsigned long long before = faces3_geo_candidates;
    faces3_nachbarn_schritt(k, 0, 0, nullptr);
    return faces3_geo_candidates - before;
}

void expect_same_neighbours(const Faces3Koerper* k, const ref::Mesh& m) {
    ASSERT_EQ(faces3_anzahl_dreiecke(k), static_cast<int>(m.tris.size()));
    for (size_t i = 0; i < m.tris.size(); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, static_cast<int>(i));
        for (int s = 0; s < 3; ++s) ASSERT_EQ(d->nachbar[s], m.tris[i].nb[s]) << i << "/" << s;
    }
}

// Every neighbour runs along the same edge the other way (within the tolerance); returns
// the number of edges without one.
int check_edges(const Faces3Koerper* k) {
    auto pt = [&](int p) {
        std::array<double, 3> q;
        faces3_get_punkt(k, p, q.data());
        return q;
    };
    int open = 0;
    for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, i);
        for (int s = 0; s < 3; ++s) {
            const int j = d->nachbar[s];
            if (j < 0) {
                ++open;
                continue;
            }
            const Faces3Dreieck* e = faces3_get_dreieck(k, j);
            const auto a = pt(d->p[s]), b = pt(d->p[(s + 1) % 3]);
            bool found = false;
            for (int t = 0; t < 3; ++t) {
                found = found || (ref::near(pt(e->p[t]).data(), b.data()) &&
                                  ref::near(pt(e->p[(t + 1) % 3]).data(), a.data()));
            }
            EXPECT_TRUE(found) << i << "/" << s << " -> " << j;
        }
    }
    return open;
}

TEST(CoincidentNeighbours, FewCopiesGiveThePairwiseResult) {
    for (const bool nosearch : {false, true}) {
        SCOPED_TRACE(nosearch);
        // Closed cubes: each copy's triangles find each other.
        Pair c = build(cubes(30), nosearch);
        run(c.body.get());
        ref::geometric_neighbours(c.mesh);
        expect_same_neighbours(c.body.get(), c.mesh);
        Pair r = build(cubes_in_runs(30), nosearch);
        run(r.body.get());
        ref::geometric_neighbours(r.mesh);
        expect_same_neighbours(r.body.get(), r.mesh);
        // Open sheets: edges stay open and the coincident diagonals are overwritten by
        // every later copy, as far as the scan gets.
        Pair s = build(sheets(25), nosearch);
        run(s.body.get());
        ref::geometric_neighbours(s.mesh);
        expect_same_neighbours(s.body.get(), s.mesh);
    }
}

TEST(CoincidentNeighbours, BeyondTheCandidateLimitTheSameEdgesStayOpen) {
    // Past the limit only which of the coincident copies is named may differ from the
    // pairwise scan: every edge that the scan leaves open stays open, and no other.
    for (const auto& soup : {cubes_in_runs(200), sheets(300)}) {
        Pair p = build(soup, false);
        run(p.body.get());
        check_edges(p.body.get());
        ref::geometric_neighbours(p.mesh);
        int open = 0;
        for (size_t i = 0; i < p.mesh.tris.size(); ++i) {
            const Faces3Dreieck* d = faces3_get_dreieck(p.body.get(), static_cast<int>(i));
            for (int s = 0; s < 3; ++s) {
                ASSERT_EQ(d->nachbar[s] < 0, p.mesh.tris[i].nb[s] < 0) << i << "/" << s;
                open += d->nachbar[s] < 0;
            }
        }
        EXPECT_GT(open, 0);
    }
}

TEST(CoincidentNeighbours, CubesAndSheetsMixedAtOnePlace) {
    std::vector<double> soup = cubes(12);
    const std::vector<double> s = sheets(14);
    // Interleave: a sheet copy after every cube copy, so the groups hold both.
    std::vector<double> mixed;
    for (int c = 0; c < 14; ++c) {
        if (c < 12) mixed.insert(mixed.end(), soup.begin() + c * 108, soup.begin() + c * 108 + 108);
        mixed.insert(mixed.end(), s.begin() + c * 18, s.begin() + c * 18 + 18);
    }
    Pair p = build(mixed, false);
    run(p.body.get());
    ref::geometric_neighbours(p.mesh);
    expect_same_neighbours(p.body.get(), p.mesh);
}

TEST(CoincidentNeighbours, ManyCopiesCostCandidatesInProportion) {
    // The pairwise scan would compare billions of pairs here.
    for (const bool nosearch : {false, true}) {
        SCOPED_TRACE(nosearch);
        Pair few = build(cubes(1500), nosearch);
        const unsigned long long visited_few = run(few.body.get());
        Pair c = build(cubes(6000), nosearch);
        const int n = faces3_anzahl_dreiecke(c.body.get());
        ASSERT_EQ(n, 72000);
        const unsigned long long visited = run(c.body.get());
        EXPECT_LE(visited, 8ULL * n);
        EXPECT_GE(visited, static_cast<unsigned long long>(n));      // the counter counts
        EXPECT_LE(visited, 4 * visited_few + 4 * visited_few / 10);  // four times the copies
        EXPECT_EQ(check_edges(c.body.get()), 0);
        // Each copy is closed by itself: a neighbour lies in the triangle's own copy.
        for (int i = 0; i < n; ++i) {
            const Faces3Dreieck* d = faces3_get_dreieck(c.body.get(), i);
            for (int s = 0; s < 3; ++s) ASSERT_EQ(d->nachbar[s] / 12, i / 12) << i;
        }
    }
    // Runs of copies: the copies met first become complete and are passed over for good.
    Pair r = build(cubes_in_runs(6000), false);
    const int nr = faces3_anzahl_dreiecke(r.body.get());
    EXPECT_LE(run(r.body.get()), 100ULL * nr);
    check_edges(r.body.get());
    // Open sheets: no triangle is ever complete, so every edge that already has a
    // neighbour stops after a bounded number of further candidates. Every diagonal still
    // gets one; the sides stay open.
    Pair s = build(sheets(20000, false), false);
    const int n = faces3_anzahl_dreiecke(s.body.get());
    const unsigned long long visited = run(s.body.get());
    EXPECT_LE(visited, 100ULL * n);
    EXPECT_EQ(check_edges(s.body.get()), 2 * n);
}

TEST(CoincidentNeighbours, SlicedRunOnManyCopiesEqualsOneGo) {
    Pair c = build(cubes(3000), false);
    run(c.body.get());
    std::vector<int> expected;
    for (int i = 0; i < faces3_anzahl_dreiecke(c.body.get()); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(c.body.get(), i);
        expected.insert(expected.end(), d->nachbar, d->nachbar + 3);
    }
    int start = 0, calls = 0;
    double progress = 0;
    do {
        start = faces3_nachbarn_schritt(c.body.get(), start, 1, &progress);
    } while (start != 0 && ++calls < 1000000);
    EXPECT_EQ(progress, 100.0);
    for (int i = 0; i < faces3_anzahl_dreiecke(c.body.get()); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(c.body.get(), i);
        for (int s = 0; s < 3; ++s) ASSERT_EQ(d->nachbar[s], expected[3 * i + s]) << i;
    }
}

// The index method's fault counts and neighbours against the pairwise scan; beyond the
// candidate limit only the named copies may differ.
// Returns the pairwise scan's duplicate count.
long long expect_index_method_like_pairwise(const std::vector<double>& soup, bool same_names) {
    Pair p = build(soup, false);
    long long missing, dups;
    ref::index_neighbours(p.mesh, &missing, &dups);
    f3test::CaptureTerminal out;
    EXPECT_EQ(faces3_cpt_nachbarn_index(p.body.get()), missing + dups);
    EXPECT_EQ(out.text(), std::to_string(missing) + " Kanten ohne Nachbardreieck\n" +
                              std::to_string(dups) + " Kanten mit mindestens 2 Nachbardreiecken\n");
    if (same_names) {
        expect_same_neighbours(p.body.get(), p.mesh);
        return dups;
    }
    for (size_t i = 0; i < p.mesh.tris.size(); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(p.body.get(), static_cast<int>(i));
        for (int s = 0; s < 3; ++s) {
            EXPECT_EQ(d->nachbar[s] < 0, p.mesh.tris[i].nb[s] < 0) << i << "/" << s;
        }
    }
    return dups;
}

TEST(CoincidentNeighbours, IndexMethodCountsAsThePairwiseScan) {
    EXPECT_EQ(expect_index_method_like_pairwise(cubes(30), true), 0);  // each copy closed
    EXPECT_GT(expect_index_method_like_pairwise(cubes_in_runs(30), true), 0);
    EXPECT_GT(expect_index_method_like_pairwise(sheets(25), true), 0);
    EXPECT_GT(expect_index_method_like_pairwise(cubes_in_runs(200), false), 0);
    EXPECT_GT(expect_index_method_like_pairwise(sheets(300), false), 0);
    // The limit is first reached in a scan that has completed a triangle already: that
    // triangle still counts as met. Points: 0, 1, 2 a triangle, the rest apart.
    std::vector<double> soup;
    auto add = [&](int a, int b, int c) {
        auto p = [](int k) {
            return std::array<double, 3>{static_cast<double>(k), static_cast<double>(k) * k,
                                         0.5 * k};
        };
        const auto pa = p(a), pb = p(b), pc = p(c);
        emit(soup, pa.data(), pb.data(), pc.data());
    };
    add(5, 0, 6);  // completes 1 -> 0 -> 5 below on 0 -> 5
    add(1, 5, 7);  // and on 5 -> 1
    add(0, 2, 8);  // gives 0, 1, 2 its neighbour on 2 -> 0
    add(2, 0, 9);  // gives every 0 -> 2 below a neighbour
    add(0, 1, 2);  // meets 1 -> 0 -> 5 (completing it), 1 -> 0 -> 10, then only idle edges
    add(1, 0, 5);
    add(1, 0, 10);
    for (int c = 0; c < 40; ++c) add(0, 2, 11 + c);
    EXPECT_GT(expect_index_method_like_pairwise(soup, false), 0);
    // Many copies: candidates in proportion to the triangles.
    for (const auto& soup : {cubes(6000), cubes_in_runs(6000), sheets(20000, false)}) {
        Pair p = build(soup, false);
        const int n = faces3_anzahl_dreiecke(p.body.get());
        f3test::QuietTerminal quiet;
        const unsigned long long before = faces3_geo_candidates;
        faces3_cpt_nachbarn_index(p.body.get());
        EXPECT_LE(faces3_geo_candidates - before, 100ULL * n);
        check_edges(p.body.get());
    }
}

using CoincidentVrml = vrml_test::VrmlTest;

TEST_F(CoincidentVrml, FileOfRepeatedCubeFaceSets) {
    std::string text = vrml_test::kHeader + "Separator {\n";
    const int copies = 2500;
    for (int c = 0; c < copies; ++c) {
        text +=
            "Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0, 0 0 1, 1 0 1, 1 1 1, 0 1 1 ] }\n"
            "IndexedFaceSet { coordIndex [ 0, 3, 2, 1, -1, 4, 5, 6, 7, -1, 0, 1, 5, 4, -1,"
            " 1, 2, 6, 5, -1, 2, 3, 7, 6, -1, 3, 0, 4, 7, -1 ] }\n";
    }
    text += "}\n";
    const unsigned long long before = faces3_geo_candidates;
    Faces3Koerper* k = import(text);
    ASSERT_NE(k, nullptr);
    const int n = faces3_anzahl_dreiecke(k);
    EXPECT_EQ(n, 12 * copies);
    EXPECT_LE(faces3_geo_candidates - before, 8ULL * n);
    EXPECT_EQ(check_edges(k), 0);
}

}  // namespace
