// Splitting at edge points on near-degenerate input: thin triangles whose corners lie within
// the tolerance of each other's edges must not multiply without end, while sound meshes
// split exactly as the plain pairwise scan does.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "faces3/faces3.h"
#include "faces3_reference.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

// Two sliver triangles a few tolerances across: the first's corner P lies on the second's
// short edge, and the second's corner Q lies within the tolerance of a long edge through
// P, just outside the triangle. Without care each split restores the triangle it came from.
std::vector<double> sliver_pair(double far, double overhang, double scale) {
    const double s = scale;
    return {0,
            0,
            0,
            1e-3 * s,
            1e-3 * s,
            0,
            1e-3 * s,
            2e-3 * s,
            0,
            far * s,
            0,
            0,
            (1e-3 + overhang) * s,
            1e-3 * s,
            0,
            5e-4 * s,
            1e-3 * s,
            0};
}

// Rotates the xy-plane soup about the axis (1, 2, 3) and moves it away from the origin.
std::vector<double> turned(std::vector<double> soup, double angle) {
    const double ax[3] = {1 / std::sqrt(14.0), 2 / std::sqrt(14.0), 3 / std::sqrt(14.0)};
    const double c = std::cos(angle), s = std::sin(angle);
    for (size_t i = 0; i + 3 <= soup.size(); i += 3) {
        const double v[3] = {soup[i], soup[i + 1], soup[i + 2]};
        const double d = ax[0] * v[0] + ax[1] * v[1] + ax[2] * v[2];
        const double x[3] = {ax[1] * v[2] - ax[2] * v[1], ax[2] * v[0] - ax[0] * v[2],
                             ax[0] * v[1] - ax[1] * v[0]};
        for (int a = 0; a < 3; ++a) {
            soup[i + a] = v[a] * c + x[a] * s + ax[a] * d * (1 - c) + 0.25 * (a + 1);
        }
    }
    return soup;
}

Body body_of(const std::vector<double>& soup, int triangles) {
    Body k(faces3_new_koerper("s", 0, 0, triangles, 0));
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) f3test::tri(k.get(), &soup[t]);
    return k;
}

// A sound result keeps every triangle's corners distinct and its edges consistent.
void expect_well_formed(const Faces3Koerper* k) {
    for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, i);
        EXPECT_NE(d->p[0], d->p[1]);
        EXPECT_NE(d->p[1], d->p[2]);
        EXPECT_NE(d->p[2], d->p[0]);
        for (int s = 0; s < 3; ++s) {
            int von = -1, nach = -1;
            ASSERT_EQ(faces3_get_kante(k, d->kante[s], &von, &nach), 0);
            EXPECT_EQ(von, d->p[s]);
            EXPECT_EQ(nach, d->p[(s + 1) % 3]);
        }
    }
}

TEST(SplitProgress, FuzzFoundListEndsWithASmallBody) {
    f3test::QuietTerminal quiet;
    const std::string bytes(
        "r\0"
        "0 0end_triangles0 0 0 1\n0 0 0 1 1 0 1 2 0\n35 0 0 1.1 1 0 0.5 1 0\nend_triangles\n",
        81);
    std::istringstream in(bytes);
    Body k(faces3_rcv_from_triangles(in));
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(faces3_anzahl_punkte(k.get()), 6);
    // Each of the two triangles is split at most a few times, not until the table is full.
    EXPECT_GE(faces3_anzahl_dreiecke(k.get()), 3);
    EXPECT_LE(faces3_anzahl_dreiecke(k.get()), 8);
    EXPECT_EQ(faces3_hat_nachbarn(k.get()), 1);
    expect_well_formed(k.get());
}

TEST(SplitProgress, SliverPairsStopAndReportTheRefusedSplit) {
    f3test::QuietTerminal quiet;
    int cases = 0;
    // Q stays within the tolerance of the long edge: overhang * scale / far below 0.01.
    for (double far : {0.035, 0.05}) {
        for (double overhang : {5e-5, 1e-4, 2e-4}) {
            for (double scale : {1.0, 1.5}) {
                for (int form = 0; form < 3; ++form) {
                    SCOPED_TRACE(testing::Message()
                                 << far << " " << overhang << " " << scale << " form " << form);
                    std::vector<double> soup = sliver_pair(far, overhang, scale);
                    if (form == 1) soup = turned(soup, 0.7);
                    if (form == 2) soup.insert(soup.end(), soup.begin(), soup.end());  // twice
                    // Room for far more than a sound split needs: a run without end fills it.
                    Body k = body_of(soup, 20000);
                    const int before = faces3_anzahl_dreiecke(k.get());
                    const int r = faces3_kantenpunkte_zerlegen(k.get());
                    const int after = faces3_anzahl_dreiecke(k.get());
                    EXPECT_LE(after, before * 10);
                    if (after > before * 10) continue;
                    ++cases;
                    EXPECT_EQ(r, 1);  // a point was left on an edge
                    expect_well_formed(k.get());
                    // Running it again on the result stays bounded as well.
                    faces3_kantenpunkte_zerlegen(k.get());
                    EXPECT_LE(faces3_anzahl_dreiecke(k.get()), after * 10);
                }
            }
        }
    }
    EXPECT_EQ(cases, 36);
}

// Splits the same soup with the library and with the plain scan; both must agree entirely.
void expect_split_as_plain_scan(const std::vector<double>& soup) {
    Body k = body_of(soup, 0);
    ref::Mesh m;
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) m.insert_triangle(&soup[t]);
    const int before = faces3_anzahl_dreiecke(k.get());
    EXPECT_EQ(faces3_kantenpunkte_zerlegen(k.get()), 0);
    ASSERT_EQ(ref::split_at_edge_points(m), 0);
    EXPECT_GT(faces3_anzahl_dreiecke(k.get()), before + 20);
    ASSERT_EQ(faces3_anzahl_dreiecke(k.get()), static_cast<int>(m.tris.size()));
    ASSERT_EQ(faces3_anzahl_kanten(k.get()), static_cast<int>(m.edges.size()));
    for (size_t i = 0; i < m.tris.size(); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k.get(), static_cast<int>(i));
        for (int s = 0; s < 3; ++s) ASSERT_EQ(d->p[s], m.tris[i].p[s]) << i;
    }
}

// Carries the point (x, y, z) into a body with a triangle reaching far up and away.
void add_point(std::vector<double>& soup, double x, double y, double z) {
    const double up = 9.0 + 0.01 * static_cast<double>(soup.size());
    soup.insert(soup.end(), {x, y, z, x + 0.3, y + 0.1, up, x - 0.2, y + 0.4, up});
}

TEST(SplitProgress, SoundMeshesSplitLikeThePlainScan) {
    f3test::QuietTerminal quiet;
    {
        SCOPED_TRACE("lattice inside a triangle, twice");
        // Every lattice point ends up as a corner: far more splits per triangle than the
        // number a triangle may take before its limit is worked out.
        const int m = 12;
        const double h = 0.01;
        std::vector<double> soup = {0, 0, 0, m * h, 0, 0, 0, m * h, 0};
        soup.insert(soup.end(), soup.begin(), soup.end());
        for (int i = 0; i <= m; ++i) {
            for (int j = 0; i + j <= m; ++j) {
                if ((i == 0 && j == 0) || i == m || j == m) continue;
                add_point(soup, i * h, j * h, 0);
            }
        }
        expect_split_as_plain_scan(soup);
    }
    {
        SCOPED_TRACE("thin strip with points along both long edges");
        std::vector<double> soup = {0, 0, 0, 2, 0, 0, 2, 2e-3, 0, 0, 0, 0, 2, 2e-3, 0, 0, 2e-3, 0};
        for (int i = 1; i < 60; ++i) {
            add_point(soup, i / 30.0, 0, 0);
            add_point(soup, i / 30.0 + 0.01, 2e-3, 0);
        }
        expect_split_as_plain_scan(soup);
    }
}

}  // namespace

namespace {

TEST(SplitProgress, CollinearTrianglesWithManyPointsOnTheirLineStayBounded) {
    f3test::QuietTerminal quiet;
    // Zero-area triangles split at points on their line keep spawning zero-area pieces of
    // the same span, many of them alike: 80 points give some 65000 pieces, 160 fill any
    // table. They now stop at the bound of a tiling by their points.
    std::vector<double> soup = {0, 0, 0, 1, 0, 0, 0.45, 0, 0};
    const int points = 160;
    for (int i = 1; i < points; ++i) add_point(soup, i / double(points) + 1e-4 * (i % 3), 0, 0);
    Body k = body_of(soup, 200000);
    const int before = faces3_anzahl_dreiecke(k.get());
    EXPECT_EQ(faces3_kantenpunkte_zerlegen(k.get()), 1);
    const int pieces = faces3_anzahl_dreiecke(k.get()) - before;
    EXPECT_GT(pieces, 0);
    EXPECT_LE(pieces, 2 * (points + 2) + 16);
    expect_well_formed(k.get());
}

}  // namespace
