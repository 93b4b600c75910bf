// Picks through the body's indexes against the plain scan over all triangles: the same
// hit, normal, circle radius and result, bit for bit, on many kinds of rays and bodies;
// and the indexes dropped whenever the body changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_body.h"
#include "faces3/faces3_ray_index.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;

struct Rng {
    uint64_t s = 0x9E3779B97F4A7C15ULL;
    uint64_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    double uni(double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(next() >> 11) * 0x1p-53;
    }
};

struct Out {
    int rc;
    double v[7];  // hit, normal, radius
};

Out run(bool indexed, const Faces3Koerper* k, const double p[3], const double d[3], double snap) {
    Out o;
    o.rc = (indexed ? faces3_pick : faces3_pick_linear)(k, p, d, o.v, o.v + 3, snap, o.v + 6);
    return o;
}

std::string show(const Out& o) {
    std::string s = "rc " + std::to_string(o.rc);
    for (double x : o.v) s += " " + std::to_string(x);
    return s;
}

// Compares both picks bit for bit; counts what kind of answer came back.
struct Tally {
    int hits = 0, circles = 0, rays = 0;
};
void expect_same(const Faces3Koerper* k, const double p[3], const double d[3], double snap,
                 Tally* tally) {
    const Out a = run(true, k, p, d, snap);
    const Out b = run(false, k, p, d, snap);
    ++tally->rays;
    tally->hits += a.rc == 0;
    tally->circles += a.v[6] != 1e38;
    ASSERT_EQ(a.rc, b.rc) << "p " << p[0] << " " << p[1] << " " << p[2] << " d " << d[0] << " "
                          << d[1] << " " << d[2] << " snap " << snap;
    ASSERT_EQ(std::memcmp(a.v, b.v, sizeof a.v), 0)
        << show(a) << "\n"
        << show(b) << "\np " << p[0] << " " << p[1] << " " << p[2] << " d " << d[0] << " " << d[1]
        << " " << d[2] << " snap " << snap;
}

void add(Faces3Koerper* k, const double* a, const double* b, const double* c) {
    faces3_insert_dreieck(k, a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]);
}

// A wavy grid of quads with flat stretches, a plate with a bore beside it, a cylinder and
// a few degenerate and doubled triangles, all in a scrambled table order.
Body mixed_body() {
    std::vector<std::array<double, 9>> tris;
    auto push = [&](const double* a, const double* b, const double* c) {
        tris.push_back({a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]});
    };
    const int g = 40;
    const double h = 1e-3;
    auto z = [&](int x, int y) {
        return x < 10 ? 0.0 : 0.004 * std::sin(x * 0.3) * std::cos(y * 0.2);
    };
    for (int y = 0; y < g; ++y) {
        for (int x = 0; x < g; ++x) {
            const double p00[3] = {x * h, y * h, z(x, y)};
            const double p10[3] = {(x + 1) * h, y * h, z(x + 1, y)};
            const double p01[3] = {x * h, (y + 1) * h, z(x, y + 1)};
            const double p11[3] = {(x + 1) * h, (y + 1) * h, z(x + 1, y + 1)};
            push(p00, p10, p11);
            push(p00, p11, p01);
        }
    }
    // Plate with a bore around (0.07, 0.02, 0), in the grid's plane.
    const int seg = 40;
    const double rho = 0.006, outer = 0.015, cx = 0.07, cy = 0.02;
    for (int i = 0; i < seg; ++i) {
        const double a0 = 2 * M_PI * i / seg, a1 = 2 * M_PI * (i + 1) / seg;
        const double i0[3] = {cx + rho * std::cos(a0), cy + rho * std::sin(a0), 0};
        const double i1[3] = {cx + rho * std::cos(a1), cy + rho * std::sin(a1), 0};
        const double o0[3] = {cx + outer * std::cos(a0), cy + outer * std::sin(a0), 0};
        const double o1[3] = {cx + outer * std::cos(a1), cy + outer * std::sin(a1), 0};
        const double j0[3] = {i0[0], i0[1], -0.003}, j1[3] = {i1[0], i1[1], -0.003};
        push(i0, o0, o1);
        push(i0, o1, i1);
        push(i0, i1, j1);
        push(i0, j1, j0);
    }
    // Degenerate ones: a repeated corner, collinear corners, a sliver; and a doubled
    // triangle, so that equal distances must be decided by table order.
    const double d0[3] = {0.01, 0.01, 0.001}, d1[3] = {0.02, 0.01, 0.001},
                 d2[3] = {0.03, 0.01, 0.001}, d3[3] = {0.02, 0.0100000001, 0.001};
    push(d0, d1, d2);
    push(d0, d2, d3);
    const double e0[3] = {0.005, 0.005, 0.002}, e1[3] = {0.015, 0.005, 0.002},
                 e2[3] = {0.005, 0.015, 0.002};
    push(e0, e1, e2);
    push(e1, e2, e0);
    // Scrambled order: neighbours in space are far apart in the table.
    Rng r;
    for (size_t i = tris.size(); i > 1; --i) std::swap(tris[i - 1], tris[r.next() % i]);
    faces3_set_nosearch(0);
    Body k(faces3_new_koerper("gemischt", 0, 0, 0, 0));
    for (const auto& t : tris) add(k.get(), &t[0], &t[3], &t[6]);
    faces3_cpt_nachbarn(k.get());
    return k;
}

// Rays of every kind at a body with points pts: random ones from outside and inside,
// through corners, along edges, axis-parallel ones, and ones aimed at the bore centre.
void check_many(const Faces3Koerper* k, Tally* tally, int n, const double centre[3]) {
    Rng r;
    const int np = faces3_anzahl_punkte(k);
    const int nt = faces3_anzahl_dreiecke(k);
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (int i = 0; i < np; ++i) {
        double q[3];
        faces3_get_punkt(k, i, q);
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], q[a]);
            hi[a] = std::max(hi[a], q[a]);
        }
    }
    const double snaps[4] = {0, 0.0003, 0.002, -1};
    for (int i = 0; i < n && !::testing::Test::HasFatalFailure(); ++i) {
        double p[3], d[3];
        const int kind = i % 6;
        if (kind == 0 || kind == 1) {  // random, from around or from inside the body
            const double grow = kind == 0 ? 0.05 : 0;
            for (int a = 0; a < 3; ++a) {
                p[a] = r.uni(lo[a] - grow, hi[a] + grow);
                d[a] = r.uni(-1, 1);
            }
        } else if (kind == 2) {  // through a corner
            double q[3];
            faces3_get_punkt(k, static_cast<int>(r.next() % np), q);
            for (int a = 0; a < 3; ++a) d[a] = r.uni(-1, 1);
            const double s = r.uni(0.001, 0.05);
            for (int a = 0; a < 3; ++a) p[a] = q[a] - s * d[a];
        } else if (kind == 3) {  // along an edge, or from a corner along a triangle's edge
            const Faces3Dreieck* t = faces3_get_dreieck(k, static_cast<int>(r.next() % nt));
            double a0[3], b0[3];
            faces3_get_punkt(k, t->p[0], a0);
            faces3_get_punkt(k, t->p[1], b0);
            for (int a = 0; a < 3; ++a) {
                d[a] = b0[a] - a0[a];
                p[a] = (r.next() & 1) ? a0[a] : a0[a] - 2 * d[a];
            }
        } else if (kind == 4) {  // axis-parallel, either way
            const int ax = static_cast<int>(r.next() % 3);
            for (int a = 0; a < 3; ++a) {
                p[a] = r.uni(lo[a] - 0.01, hi[a] + 0.01);
                d[a] = a == ax ? ((r.next() & 1) ? 1.0 : -1.0) : 0.0;
            }
            p[ax] = (r.next() & 1) ? hi[ax] + 0.1 : lo[ax] - 0.1;
        } else {  // down at the bore centre, near enough to snap there
            for (int a = 0; a < 3; ++a) {
                p[a] = centre[a] + r.uni(-0.002, 0.002);
                d[a] = r.uni(-0.05, 0.05);
            }
            p[2] = centre[2] + 0.05;
            d[2] = -1;
        }
        expect_same(k, p, d, snaps[i % 4], tally);
        expect_same(k, p, d, 0.002, tally);
    }
}

TEST(RayIndex, SameAsScanOnManyRays) {
    f3test::QuietTerminal quiet;
    Body k = mixed_body();
    Tally t;
    const double centre[3] = {0.07, 0.02, 0};
    check_many(k.get(), &t, 1500, centre);
    // The rays reached every answer: misses, hits and circle centres.
    EXPECT_GT(t.hits, t.rays / 4);
    EXPECT_LT(t.hits, t.rays);
    EXPECT_GT(t.circles, 50);
}

TEST(RayIndex, SameAsScanOnPrimitives) {
    f3test::QuietTerminal quiet;
    Body bodies[] = {
        Body(faces3_zylinder("z", 0.01, 0.01, 0.02, 5)), Body(faces3_kugel("k", 0.01, 10, 10)),
        Body(faces3_quader("q", 0.02, 0.01, 0.03)), Body(faces3_kegel("c", 0.01, 0.02, 7))};
    Tally t;
    for (Body& b : bodies) {
        faces3_cpt_nachbarn(b.get());
        double lo[3], hi[3];
        faces3_bbox(b.get(), &lo[0], &hi[0], &lo[1], &hi[1], &lo[2], &hi[2]);
        const double centre[3] = {0, 0, hi[2]};
        check_many(b.get(), &t, 400, centre);
    }
    EXPECT_GT(t.hits, t.rays / 4);
}

TEST(RayIndex, OddInputsAndOddBodies) {
    f3test::QuietTerminal quiet;
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Body k = mixed_body();
    // A triangle with a corner that is not finite, and one far away.
    const double a[3] = {0.01, 0.01, nan}, b[3] = {0.02, 0.01, 0}, c[3] = {0.01, 0.02, 0};
    add(k.get(), a, b, c);
    const double f0[3] = {inf, 0, 0};
    add(k.get(), f0, b, c);
    Tally t;
    const double vals[] = {0, 1, -1, 1e-200, 1e200, inf, -inf, nan, 0.02, -0.0};
    for (double x : vals) {
        for (double y : vals) {
            const double p[3] = {x, 0.015, 0.5}, d[3] = {0.01, y, -1};
            expect_same(k.get(), p, d, 0.001, &t);
            const double p2[3] = {0.015, 0.015, y}, d2[3] = {x, x, -1};
            expect_same(k.get(), p2, d2, 0, &t);
            expect_same(k.get(), p2, d2, x, &t);
        }
    }
    const double zero[3] = {0, 0, 0}, p[3] = {0.01, 0.01, 1};
    expect_same(k.get(), p, zero, 0.001, &t);
    // Empty body, and no body.
    Body empty(faces3_new_koerper("leer", 0, 0, 0, 0));
    const double d[3] = {0, 0, -1};
    expect_same(empty.get(), p, d, 0.001, &t);
    double hit[3], n[3], r;
    EXPECT_EQ(faces3_pick(empty.get(), p, d, hit, n, 0.001, &r), 1);
    EXPECT_EQ(faces3_pick(nullptr, p, d, hit, n, 0.001, &r), -1);
    // A body far from the origin and one of huge coordinates take the scan or a wide box.
    Body far(faces3_new_koerper("fern", 0, 0, 0, 0));
    const double g0[3] = {1e6, 1e6, 1e6}, g1[3] = {1e6 + 1, 1e6, 1e6}, g2[3] = {1e6, 1e6 + 1, 1e6};
    add(far.get(), g0, g1, g2);
    const double h0[3] = {1e40, 0, 0}, h1[3] = {0, 1e40, 0}, h2[3] = {0, 0, 1e40};
    add(far.get(), h0, h1, h2);
    const double pf[3] = {1e6 + 0.25, 1e6 + 0.25, 0}, df[3] = {0, 0, 1};
    expect_same(far.get(), pf, df, 0, &t);
    EXPECT_EQ(run(true, far.get(), pf, df, 0).rc, 0);
}

// The nearest hit is the one with the smallest t, also behind the ray's origin.
TEST(RayIndex, HitBehindTheOrigin) {
    f3test::QuietTerminal quiet;
    Body k = mixed_body();
    const double a[3] = {-1, -1, -0.5}, b[3] = {1, -1, 0.5}, c[3] = {1, 1, 0.5};
    add(k.get(), a, b, c);
    const double p[3] = {0.1, 0, 0.1}, d[3] = {-1, 0, 0};
    Tally t;
    expect_same(k.get(), p, d, 0, &t);
    const Out o = run(true, k.get(), p, d, 0);
    ASSERT_EQ(o.rc, 0);
    EXPECT_NEAR(o.v[0], 0.2, 1e-12);
    Rng r;
    for (int i = 0; i < 300; ++i) {
        const double q[3] = {r.uni(-0.9, 0.9), r.uni(-0.9, 0.9), r.uni(-0.5, 0.5)};
        const double e[3] = {r.uni(-1, 1), r.uni(-1, 1), r.uni(-0.2, 0.2)};
        expect_same(k.get(), q, e, (i & 1) * 0.002, &t);
    }
}

// Every change of the geometry drops the indexes: the pick after it sees the new body.
TEST(RayIndex, ChangesDropTheIndexes) {
    f3test::QuietTerminal quiet;
    Body k = mixed_body();
    const double p[3] = {0.0203, 0.0207, 0.5}, d[3] = {0.001, -0.002, -1};
    const double centre[3] = {0.07, 0.02, 0};
    auto check = [&](const char* what) {
        SCOPED_TRACE(what);
        Tally t;
        expect_same(k.get(), p, d, 0, &t);
        expect_same(k.get(), p, d, 0.002, &t);
        check_many(k.get(), &t, 60, centre);
    };
    check("fresh");
    const Out before = run(true, k.get(), p, d, 0);
    ASSERT_EQ(before.rc, 0);
    faces3_save_geometrie(k.get());
    faces3_translate(k.get(), 0.001, 0.002, 0.01);
    check("translate");
    EXPECT_NE(run(true, k.get(), p, d, 0).v[2], before.v[2]);
    faces3_rotate(k.get(), 0.2, 1, 0.1, 7);
    check("rotate");
    faces3_scale(k.get(), 1.1, 0.9, 1.3);
    check("scale");
    const double m[16] = {1, 0.1, 0, 0.002, 0, 1, 0, 0, 0.05, 0, 1, 0.001, 0, 0, 0, 1};
    faces3_matrix4(k.get(), m);
    check("matrix");
    const double pl[12] = {0.001, 0, 0, 0, 1, 0, -1, 0, 0, 0, 0, 1};
    faces3_placement(k.get(), pl);
    check("placement");
    faces3_restore_geometrie(k.get());
    check("restore");
    EXPECT_EQ(std::memcmp(run(true, k.get(), p, d, 0).v, before.v, sizeof before.v), 0);
    // New triangles in front of the old hit, a changed triangle, split triangles.
    const double a[3] = {0.015, 0.015, 0.1}, b[3] = {0.03, 0.015, 0.1}, c[3] = {0.015, 0.03, 0.1};
    add(k.get(), a, b, c);
    check("insert");
    EXPECT_NEAR(run(true, k.get(), p, d, 0).v[2], 0.1, 1e-12);
    const Faces3Dreieck* last = faces3_get_dreieck(k.get(), faces3_anzahl_dreiecke(k.get()) - 1);
    const int q0 = last->p[0], q1 = last->p[1];
    const int q2 = faces3_get_dreieck(k.get(), 0)->p[2];
    faces3_set_dreieck(k.get(), faces3_anzahl_dreiecke(k.get()) - 1, q0, q1, q2);
    check("set");
    EXPECT_NE(run(true, k.get(), p, d, 0).v[2], 0.1);
    faces3_kantenpunkte_zerlegen(k.get());
    check("split");
}

TEST(RayIndex, ConstBodyPickedFromTwoThreads) {
    f3test::QuietTerminal quiet;
    Body k = mixed_body();
    const Faces3Koerper* ck = k.get();
    std::vector<Out> expected;
    std::vector<std::array<double, 6>> rays;
    Rng r;
    for (int i = 0; i < 200; ++i) {
        std::array<double, 6> ray;
        for (int a = 0; a < 3; ++a) {
            ray[a] = r.uni(-0.01, 0.1);
            ray[3 + a] = r.uni(-1, 1);
        }
        rays.push_back(ray);
        expected.push_back(run(false, ck, ray.data(), ray.data() + 3, 0.002));
    }
    // Both threads start before the indexes exist.
    int bad[2] = {0, 0};
    auto work = [&](int who) {
        for (size_t i = 0; i < rays.size(); ++i) {
            const Out o = run(true, ck, rays[i].data(), rays[i].data() + 3, 0.002);
            if (o.rc != expected[i].rc || std::memcmp(o.v, expected[i].v, sizeof o.v) != 0) {
                ++bad[who];
            }
        }
    };
    std::thread t0(work, 0), t1(work, 1);
    t0.join();
    t1.join();
    EXPECT_EQ(bad[0], 0);
    EXPECT_EQ(bad[1], 0);
}

// The circle-centre candidates keep every triangle of a large group of like normals and
// leave out triangles whose normal no other triangle shares.
TEST(RayIndex, CircleCandidatesKeepLikeNormals) {
    f3test::QuietTerminal quiet;
    // A body whose normals all differ widely.
    Body k(faces3_new_koerper("verschieden", 0, 0, 0, 0));
    for (int i = 1; i <= 30; ++i) {
        const double a[3] = {0, 0, i * 1.0}, b[3] = {1, 0, i * 1.0}, c[3] = {0, 1, i * 1.3};
        add(k.get(), a, b, c);
    }
    const int n = faces3_anzahl_dreiecke(k.get());
    const size_t before = Faces3CircleCandidates(*k).tris.size();
    // Eight triangles whose normals differ by less than the tolerance, one apart.
    for (int i = 0; i < 8; ++i) {
        const double s = 3 + i * 1e-5;
        const double a[3] = {s, 0, 0}, b[3] = {s + 0.1, 0, 0}, c[3] = {s, 0.1, 1e-6 * i};
        add(k.get(), a, b, c);
    }
    const double a[3] = {5, 0, 0}, b[3] = {5.1, 0, 0}, c[3] = {5, 0.1, 0.05};
    add(k.get(), a, b, c);
    const Faces3CircleCandidates cand(*k);
    EXPECT_EQ(cand.tris.size(), before + 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_NE(std::find(cand.tris.begin(), cand.tris.end(), static_cast<uint32_t>(n + i)),
                  cand.tris.end());
    }
    EXPECT_EQ(std::find(cand.tris.begin(), cand.tris.end(), static_cast<uint32_t>(n + 8)),
              cand.tris.end());
    EXPECT_TRUE(std::is_sorted(cand.tris.begin(), cand.tris.end()));
}

// On normals in tight bunches, chains and loners, the candidates hold every triangle with
// eight normals (its own included) within the tolerance and everything chained to one by
// steps within the tolerance, and no triangle whose normal is far from all others.
TEST(RayIndex, CircleCandidatesFollowChainsAndDropLoners) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("buendel", 0, 0, 0, 0));
    Rng rng;
    std::vector<std::array<double, 3>> wanted;
    auto unit = [](std::array<double, 3> v) {
        const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (double& x : v) x /= l;
        return v;
    };
    auto random_dir = [&] { return unit({rng.uni(-1, 1), rng.uni(-1, 1), rng.uni(-1, 1)}); };
    auto nudge = [&](std::array<double, 3> v, double step) {
        for (double& x : v) x += rng.uni(-step, step);
        return unit(v);
    };
    for (int b = 0; b < 12; ++b) {
        const auto base = random_dir();
        // Bunches of 9 (kept), of 3 (kept only when chained to a big one), chains of 25
        // steps just inside the tolerance starting at a bunch of 9, and loners.
        const int kind = b % 4;
        if (kind == 0) {
            for (int i = 0; i < 9; ++i) wanted.push_back(nudge(base, 2e-5));
        } else if (kind == 1) {
            for (int i = 0; i < 3; ++i) wanted.push_back(nudge(base, 2e-5));
        } else if (kind == 2) {
            for (int i = 0; i < 9; ++i) wanted.push_back(nudge(base, 1e-5));
            auto v = base;
            for (int i = 0; i < 25; ++i) {
                v = nudge(v, 0.95e-4);
                wanted.push_back(v);
            }
        } else {
            wanted.push_back(base);
            wanted.push_back({-base[0], -base[1], -base[2]});
        }
    }
    for (size_t i = 0; i < wanted.size(); ++i) {
        const auto& n = wanted[i];
        // Two edges across the normal, so that the triangle faces along it.
        const std::array<double, 3> helper =
            std::fabs(n[0]) < 0.6 ? std::array<double, 3>{1, 0, 0} : std::array<double, 3>{0, 1, 0};
        double u[3] = {helper[1] * n[2] - helper[2] * n[1], helper[2] * n[0] - helper[0] * n[2],
                       helper[0] * n[1] - helper[1] * n[0]};
        const double lu = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
        for (double& x : u) x /= lu;
        const double v[3] = {n[1] * u[2] - n[2] * u[1], n[2] * u[0] - n[0] * u[2],
                             n[0] * u[1] - n[1] * u[0]};
        const double a[3] = {10.0 * static_cast<double>(i), 0, 0};
        const double b[3] = {a[0] + u[0], a[1] + u[1], a[2] + u[2]};
        const double c[3] = {a[0] + v[0], a[1] + v[1], a[2] + v[2]};
        add(k.get(), a, b, c);
    }
    const size_t n = k->dreiecke.size();
    ASSERT_EQ(n, wanted.size());
    auto within = [&](size_t i, size_t j, double tol) {
        for (int a = 0; a < 3; ++a) {
            if (!(std::fabs(k->dreiecke[i].normale[a] - k->dreiecke[j].normale[a]) <= tol)) {
                return false;
            }
        }
        return true;
    };
    // Must be kept: triangles with eight like normals, and all chained to them.
    std::vector<char> must(n, 0);
    std::vector<size_t> todo;
    for (size_t i = 0; i < n; ++i) {
        int like = 0;
        for (size_t j = 0; j < n; ++j) like += within(i, j, 1e-4);
        if (like >= 8) {
            must[i] = 1;
            todo.push_back(i);
        }
    }
    while (!todo.empty()) {
        const size_t i = todo.back();
        todo.pop_back();
        for (size_t j = 0; j < n; ++j) {
            if (!must[j] && within(i, j, 1e-4)) {
                must[j] = 1;
                todo.push_back(j);
            }
        }
    }
    const Faces3CircleCandidates cand(*k);
    ASSERT_TRUE(std::is_sorted(cand.tris.begin(), cand.tris.end()));
    ASSERT_EQ(std::adjacent_find(cand.tris.begin(), cand.tris.end()), cand.tris.end());
    ASSERT_EQ(cand.geo.size(), 6 * cand.tris.size());
    std::vector<char> kept(n, 0);
    for (size_t x = 0; x < cand.tris.size(); ++x) {
        const uint32_t t = cand.tris[x];
        ASSERT_LT(t, n);
        kept[t] = 1;
        const Faces3Dreieck& tr = k->dreiecke[t];
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(cand.geo[6 * x + a], tr.normale[a]);
            EXPECT_EQ(cand.geo[6 * x + 3 + a], k->punkte[tr.p[0]][a]);
        }
    }
    int musts = 0, loners = 0;
    for (size_t i = 0; i < n; ++i) {
        musts += must[i];
        if (must[i]) {
            EXPECT_TRUE(kept[i]) << "triangle " << i;
        }
        bool alone = true;
        for (size_t j = 0; j < n && alone; ++j) alone = j == i || !within(i, j, 1e-3);
        if (alone) {
            ++loners;
            EXPECT_FALSE(kept[i]) << "triangle " << i;
        }
    }
    // The body holds both kinds in numbers.
    EXPECT_GE(musts, 9 * 3 + 25 * 3);
    EXPECT_GE(loners, 6);
}

}  // namespace
