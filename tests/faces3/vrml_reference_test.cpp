// Large face sets imported end to end and compared with the plain algorithms: the points,
// edges, triangles and neighbours a linear point search and a pairwise neighbour scan give
// for the same corners, in the same order.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "faces3_reference.h"
#include "vrml_test_support.h"

using namespace vrml_test;

namespace {

// One face set as the file gives it: the values the text means, and the text.
struct FaceSet {
    std::vector<std::array<double, 3>> points;
    std::vector<int> index;
};

// A number in one of several written forms; value receives what the text means.
std::string write_real(std::mt19937& rng, double x, double& value) {
    static const char* const forms[] = {"%.17g", "%.6e", "%.9f", "%g", "%.3E", "%.10g"};
    char buf[64];
    std::snprintf(buf, sizeof buf, forms[rng() % 6], x);
    std::from_chars(buf, buf + std::strlen(buf), value);
    return buf;
}

std::string write_int(std::mt19937& rng, int v) {
    char buf[32];
    const unsigned r = rng() % 20;
    if (v > 0 && r == 0) {
        std::snprintf(buf, sizeof buf, "0x%X", v);
    } else if (v > 0 && r == 1) {
        std::snprintf(buf, sizeof buf, "0%o", v);
    } else if (v >= 0 && r == 2) {
        std::snprintf(buf, sizeof buf, "+%d", v);
    } else if (v < 0 && r == 3) {
        std::snprintf(buf, sizeof buf, "--%d", v);  // two signs: each '-' flips
    } else {
        std::snprintf(buf, sizeof buf, "%d", v);
    }
    return buf;
}

// A wavy grid of g x g points with near copies (within and just beyond the tolerance) after
// it; triangles of the grid in both orientations, repeated and flipped ones, triangles on
// the copies, and polygons too short to count.
FaceSet make_face_set(std::mt19937& rng, int g, double spacing, double shift) {
    FaceSet f;
    for (int j = 0; j < g; ++j)
        for (int i = 0; i < g; ++i)
            f.points.push_back({shift + i * spacing, j * spacing,
                                spacing * std::sin(i * 0.4) * std::cos(j * 0.3)});
    const int grid = g * g;
    std::uniform_real_distribution<double> jitter(-0.9e-5, 0.9e-5);
    const double beyond[] = {1.0001e-5, -1.0001e-5, 0.99e-5};
    for (int c = 0; c < grid / 3; ++c) {
        auto p = f.points[rng() % grid];
        if (c % 4 == 0) {
            p[rng() % 3] += beyond[rng() % 3];
        } else {
            for (double& x : p) x += jitter(rng);
        }
        f.points.push_back(p);
    }
    const int n = static_cast<int>(f.points.size());
    auto corner = [&](int p) {
        // Now and then the same place through one of its copies.
        return rng() % 7 == 0 ? grid + static_cast<int>(rng() % (n - grid)) : p;
    };
    for (int j = 0; j + 1 < g; ++j) {
        for (int i = 0; i + 1 < g; ++i) {
            const int a = j * g + i, b = a + 1, c = a + g, d = c + 1;
            const unsigned r = rng() % 12;
            std::vector<int> poly =
                r == 0 ? std::vector<int>{a, d, b, a, c, d} : std::vector<int>{a, b, d, a, d, c};
            if (r == 1) poly.insert(poly.end(), {a, b, d});  // the same triangle again
            for (int& p : poly) p = corner(p);
            for (size_t t = 0; t < poly.size(); t += 3) {
                f.index.insert(f.index.end(), poly.begin() + t, poly.begin() + t + 3);
                f.index.push_back(-1);
            }
            if (r == 2) f.index.insert(f.index.end(), {a, b, -1, -1});
        }
    }
    for (int t = 0; t < grid / 10; ++t) {
        const int a = static_cast<int>(rng() % n), b = static_cast<int>(rng() % n),
                  c = static_cast<int>(rng() % n);
        if (a != b && b != c && a != c) f.index.insert(f.index.end(), {a, b, c, -1});
    }
    return f;
}

// The face set as VRML text; the points of f are replaced by what the text means.
std::string write_face_set(std::mt19937& rng, FaceSet& f, int index_sets) {
    std::string s = "Coordinate3 { point [\n";
    for (auto& p : f.points) {
        for (double& x : p) {
            s += write_real(rng, x, x);
            s += rng() % 3 ? " " : ",";
        }
        s += ",\n";
    }
    s += "] }\n";
    for (int k = 0; k < index_sets; ++k) {
        s += "IndexedFaceSet { coordIndex [";
        for (size_t i = 0; i < f.index.size(); ++i) {
            s += write_int(rng, f.index[i]);
            s += f.index[i] < 0 ? ",\n" : (rng() % 2 ? ", " : " ");
        }
        s += "] }\n";
    }
    return s;
}

void add_to_reference(ref::Mesh& m, const FaceSet& f, int index_sets) {
    for (int k = 0; k < index_sets; ++k) {
        std::vector<int> poly;
        for (const int v : f.index) {
            if (v >= 0) {
                poly.push_back(v);
                continue;
            }
            if (poly.size() == 3) {
                double c[9];
                for (int i = 0; i < 3; ++i)
                    for (int a = 0; a < 3; ++a) c[3 * i + a] = f.points[poly[i]][a];
                m.insert_triangle(c);
            }
            poly.clear();
        }
    }
}

void expect_same_body(Faces3Koerper* k, const ref::Mesh& m, bool neighbours) {
    ASSERT_NE(k, nullptr);
    ASSERT_EQ(faces3_anzahl_punkte(k), static_cast<int>(m.pts.size()));
    ASSERT_EQ(faces3_anzahl_kanten(k), static_cast<int>(m.edges.size()));
    ASSERT_EQ(faces3_anzahl_dreiecke(k), static_cast<int>(m.tris.size()));
    for (size_t i = 0; i < m.pts.size(); ++i) {
        double p[3];
        faces3_get_punkt(k, static_cast<int>(i), p);
        for (int a = 0; a < 3; ++a) ASSERT_EQ(p[a], m.pts[i][a]) << "point " << i;
    }
    for (size_t i = 0; i < m.edges.size(); ++i) {
        int von, nach;
        faces3_get_kante(k, static_cast<int>(i), &von, &nach);
        ASSERT_EQ(von, m.edges[i][0]) << "edge " << i;
        ASSERT_EQ(nach, m.edges[i][1]) << "edge " << i;
    }
    for (size_t i = 0; i < m.tris.size(); ++i) {
        const Faces3Dreieck* d = faces3_get_dreieck(k, static_cast<int>(i));
        for (int s = 0; s < 3; ++s) {
            ASSERT_EQ(d->p[s], m.tris[i].p[s]) << "triangle " << i;
            ASSERT_EQ(d->kante[s], m.tris[i].k[s]) << "triangle " << i;
            ASSERT_EQ(d->nachbar[s], neighbours ? m.tris[i].nb[s] : -1) << "triangle " << i;
        }
    }
}

class VrmlReference : public VrmlTest {};

TEST_F(VrmlReference, FaceSetsGiveThePointsEdgesAndNeighboursOfThePlainSearch) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        // Two lists that overlap in space, the second read by two face sets: its corners
        // meet the body points of the first list and of the first of its face sets.
        FaceSet a = make_face_set(rng, 24, 1e-4, 0.0);
        FaceSet b = make_face_set(rng, 18, 1e-4, 11e-4);
        std::string text = kHeader + "Separator {\n";
        text += write_face_set(rng, a, 1);
        text += write_face_set(rng, b, 2);
        text += "}\n";
        ref::Mesh m;
        add_to_reference(m, a, 1);
        add_to_reference(m, b, 2);
        ref::geometric_neighbours(m);
        expect_same_body(import(text), m, true);
    }
}

TEST_F(VrmlReference, WithoutSearchEveryCornerIsANewPoint) {
    std::mt19937 rng(9);
    FaceSet a = make_face_set(rng, 12, 1e-4, 0.0);
    const std::string text = kHeader + write_face_set(rng, a, 2);
    ref::Mesh m;
    m.nosearch = true;
    add_to_reference(m, a, 2);
    faces3_set_nosearch(1);
    Faces3Koerper* k = import(text);
    faces3_set_nosearch(0);
    expect_same_body(k, m, false);
}

TEST_F(VrmlReference, CornersThatAreNotFiniteMatchNothingNotEvenThemselves) {
    // The same list point used twice: a point search would never find it again.
    const std::string text = kHeader +
                             "Scale { scaleFactor 1e200 1 1 }\n"
                             "Coordinate3 { point [ 0 0 0, 1 0 0, 1e200 0 0, 0 1 0 ] }\n"
                             "IndexedFaceSet { coordIndex [ 0 1 2 -1 2 3 0 -1 ] }\n";
    Faces3Koerper* k = import(text);
    ASSERT_EQ(faces3_anzahl_dreiecke(k), 2);
    EXPECT_EQ(faces3_anzahl_punkte(k), 5);
    EXPECT_NE(faces3_get_dreieck(k, 0)->p[2], faces3_get_dreieck(k, 1)->p[0]);
}

}  // namespace
