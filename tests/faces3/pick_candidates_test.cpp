// The quick circle-centre grouping of a pick against plain scans: no triangle that agrees
// with another may be sorted out, and the pick (hit, snapped point, circle, ties) stays
// the same as the plain algorithm's on bodies with tilted bores, near-duplicate planes,
// corners and feature edges.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_pick_candidates.h"
#include "faces3_reference.h"
#include "faces3_test_util.h"

namespace {

using Body = std::unique_ptr<Faces3Koerper, f3test::BodyDeleter>;
using V3 = std::array<double, 3>;

V3 add(V3 a, V3 b, double s = 1) {
    return {a[0] + s * b[0], a[1] + s * b[1], a[2] + s * b[2]};
}
V3 cross(V3 a, V3 b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
V3 unit(V3 a) {
    const double l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    return {a[0] / l, a[1] / l, a[2] / l};
}

void emit(std::vector<double>& soup, V3 a, V3 b, V3 c) {
    for (const V3& p : {a, b, c}) soup.insert(soup.end(), p.begin(), p.end());
}

// A ring of 2 * segments triangles around centre c in the plane with normal n (an annulus,
// radii rho and 2 rho): a bore whose rim the circle search fits. Each triangle's plane is
// tilted and shifted by up to `jitter` (relative to the group tolerances), so that the
// members of the group lie near its borders.
void bore(std::vector<double>& soup, std::mt19937& rng, V3 c, V3 n, double rho, int segments,
          double tilt, double shift) {
    std::uniform_real_distribution<double> u(-1, 1);
    n = unit(n);
    const V3 e1 = unit(cross(n, std::fabs(n[0]) < 0.9 ? V3{1, 0, 0} : V3{0, 1, 0}));
    const V3 e2 = cross(n, e1);
    auto at = [&](double r, double a) {
        return add(add(c, e1, r * std::cos(a)), e2, r * std::sin(a));
    };
    for (int i = 0; i < segments; ++i) {
        const double a0 = 2 * M_PI * i / segments, a1 = 2 * M_PI * (i + 1) / segments;
        V3 q[2][3] = {{at(rho, a0), at(2 * rho, a0), at(2 * rho, a1)},
                      {at(rho, a0), at(2 * rho, a1), at(rho, a1)}};
        for (auto& t : q) {
            // Tilt about the triangle's first corner and shift along the normal.
            const V3 axis = unit({u(rng), u(rng), u(rng)});
            const double ang = tilt * u(rng), s = shift * u(rng);
            for (V3& p : t) {
                const V3 r = add(p, t[0], -1);
                p = add(add(p, cross(axis, r), ang), n, s);
            }
            emit(soup, t[0], t[1], t[2]);
        }
    }
}

// Hit points and normals of the facing triangles, and whether two agree, exactly as the
// grouping tests it.
struct Facing {
    std::vector<uint32_t> tri;
    std::vector<V3> hit, normal;
};

Facing facing(const Faces3Koerper* k, const double p[3], const double d[3]) {
    Facing f;
    for (int i = 0; i < faces3_anzahl_dreiecke(k); ++i) {
        const Faces3Dreieck* t = faces3_get_dreieck(k, i);
        double h[3];
        if (!faces3_facing_hit(*k, *t, p, d, h)) continue;
        f.tri.push_back(static_cast<uint32_t>(i));
        f.hit.push_back({h[0], h[1], h[2]});
        f.normal.push_back({t->normale[0], t->normale[1], t->normale[2]});
    }
    return f;
}

bool agree(const Facing& f, size_t x, size_t y, double tol) {
    for (int a = 0; a < 3; ++a) {
        if (!(std::fabs(f.hit[x][a] - f.hit[y][a]) <= tol)) return false;
        if (!(std::fabs(f.normal[x][a] - f.normal[y][a]) <= FACES3_GROUP_NORMAL_TOL)) return false;
    }
    return true;
}

Body body_of(const std::vector<double>& soup) {
    f3test::QuietTerminal quiet;
    Body k(faces3_new_koerper("p", 0, 0, 0, 0));
    faces3_set_nosearch(1);
    for (size_t t = 0; t + 9 <= soup.size(); t += 9) f3test::tri(k.get(), &soup[t]);
    faces3_set_nosearch(0);
    return k;
}

TEST(PickCandidates, NoTriangleThatAgreesWithAnotherIsLeftOut) {
    long long agreeing = 0, left_out = 0, pairs_near_border = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(-1, 1);
        const double snap = seed % 3 == 0 ? 2e-3 : 5e-4, tol = 2 * snap * 0.01;
        // Stacks of nearly parallel, nearly coincident triangles: tilts of about the normal
        // tolerance and shifts of about the hit tolerance put many pairs near the border.
        std::vector<double> soup;
        for (int s = 0; s < 40; ++s) {
            const V3 c = {0.05 * u(rng), 0.05 * u(rng), 0.05 * u(rng)};
            const V3 n = unit({0.3 * u(rng), 0.3 * u(rng), 1});
            const double tilt = FACES3_GROUP_NORMAL_TOL * (0.3 + u(rng) * u(rng));
            const double shift = tol * (0.3 + 0.7 * std::fabs(u(rng)));
            bore(soup, rng, c, n, 0.002, 3 + s % 5, tilt, shift);
        }
        const Body k = body_of(soup);
        for (int r = 0; r < 6; ++r) {
            const double p[3] = {0.05 * u(rng), 0.05 * u(rng), 0.3};
            const double d[3] = {0.2 * u(rng), 0.2 * u(rng), -1};
            const Facing f = facing(k.get(), p, d);
            std::vector<uint32_t> cand;
            faces3_circle_candidates(*k, p, d, Faces3GroupCells(d, tol), cand);
            ASSERT_TRUE(std::is_sorted(cand.begin(), cand.end()));
            std::vector<char> listed(faces3_anzahl_dreiecke(k.get()), 0);
            for (uint32_t c : cand) listed[c] = 1;
            for (size_t x = 0; x < f.tri.size(); ++x) {
                bool has_partner = false;
                for (size_t y = 0; y < f.tri.size() && !has_partner; ++y) {
                    has_partner = y != x && agree(f, x, y, tol);
                }
                // Pairs that agree only just, or just fail to: the cases a window too
                // narrow would get wrong.
                for (size_t y = x + 1; y < f.tri.size(); ++y) {
                    double m = 0;
                    for (int a = 0; a < 3; ++a) {
                        m = std::max(m, std::fabs(f.hit[x][a] - f.hit[y][a]) / tol);
                        m = std::max(m, std::fabs(f.normal[x][a] - f.normal[y][a]) /
                                            FACES3_GROUP_NORMAL_TOL);
                    }
                    pairs_near_border += m > 0.8 && m < 1.2;
                }
                agreeing += has_partner;
                if (has_partner && !listed[f.tri[x]]) ++left_out;
            }
        }
    }
    EXPECT_EQ(left_out, 0);
    EXPECT_GT(agreeing, 1000);
    EXPECT_GT(pairs_near_border, 1000);
}

TEST(PickCandidates, HugeAndTinyCoordinatesKeepAgreeingTriangles) {
    // Far from the origin the cells are clamped and windows widen; triangles there must
    // still be kept whenever they agree.
    for (double offset : {0.0, 1e6, 1e12, -3e15}) {
        SCOPED_TRACE(offset);
        std::mt19937 rng(7);
        std::vector<double> soup;
        for (int s = 0; s < 6; ++s) {
            bore(soup, rng, {offset + 0.01 * s, offset, offset}, {0.1 * s, 0.2, 1}, 0.002, 4, 3e-5,
                 1e-6);
        }
        const Body k = body_of(soup);
        const double p[3] = {offset + 0.01, offset + 0.001, offset + 1}, d[3] = {0.01, 0, -1};
        const double tol = 4e-5;
        const Facing f = facing(k.get(), p, d);
        std::vector<uint32_t> cand;
        faces3_circle_candidates(*k, p, d, Faces3GroupCells(d, tol), cand);
        std::vector<char> listed(faces3_anzahl_dreiecke(k.get()), 0);
        for (uint32_t c : cand) listed[c] = 1;
        for (size_t x = 0; x < f.tri.size(); ++x) {
            for (size_t y = 0; y < f.tri.size(); ++y) {
                if (y != x && agree(f, x, y, tol)) {
                    EXPECT_TRUE(listed[f.tri[x]]) << x;
                }
            }
        }
    }
}

V3 rotate(V3 v, V3 axis, double ang) {  // Rodrigues, axis of length 1
    const V3 x = cross(axis, v);
    const double c = std::cos(ang), dt = axis[0] * v[0] + axis[1] * v[1] + axis[2] * v[2];
    V3 out;
    for (int a = 0; a < 3; ++a) {
        out[a] = v[a] * c + x[a] * std::sin(ang) + axis[a] * dt * (1 - c);
    }
    return out;
}

TEST(PickCandidates, LonePairsJustInsideTheTolerancesAreKept) {
    // Pairs of triangles that agree only with each other, by a margin of a few percent:
    // one moved along the ray (hit points apart by up to the tolerance), or turned about
    // the point where the ray meets its plane (normals apart by up to their tolerance).
    long long kept_pairs = 0, agreeing_pairs = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed + 50);
        std::uniform_real_distribution<double> u(-1, 1);
        const double p[3] = {0.01 * u(rng), 0.01 * u(rng), 0.5};
        const V3 dv = unit({0.3 * u(rng), 0.3 * u(rng), -1});
        const double d[3] = {dv[0], dv[1], dv[2]};
        const double dmax = std::max({std::fabs(d[0]), std::fabs(d[1]), std::fabs(d[2])});
        const double tol = 4e-5;
        std::vector<double> soup;
        for (int q = 0; q < 300; ++q) {
            const V3 c = {0.1 * u(rng), 0.1 * u(rng), 0.1 * u(rng)};
            const V3 n = unit({0.8 * u(rng), 0.8 * u(rng), 1});
            const V3 e1 = unit(cross(n, {1, 0, 0})), e2 = cross(n, e1);
            V3 a[3] = {add(c, e1, 0.002), add(c, e2, 0.002), add(add(c, e1, -0.002), e2, -0.002)};
            emit(soup, a[0], a[1], a[2]);
            const double f = 0.8 + 0.2 * std::fabs(u(rng));
            V3 b[3];
            if (q % 2 == 0) {
                for (int i = 0; i < 3; ++i) b[i] = add(a[i], {d[0], d[1], d[2]}, f * tol / dmax);
            } else {
                // Turned about an axis in the plane through the ray's hit point.
                const V3 w = {p[0] - c[0], p[1] - c[1], p[2] - c[2]};
                const double t = -(n[0] * w[0] + n[1] * w[1] + n[2] * w[2]) /
                                 (n[0] * d[0] + n[1] * d[1] + n[2] * d[2]);
                const V3 hit = add({p[0], p[1], p[2]}, {d[0], d[1], d[2]}, t);
                const double phi = u(rng) * M_PI;
                const V3 axis = unit(add(e1, e2, std::tan(phi)));
                const V3 dn = cross(axis, n);
                const double big = std::max(std::fabs(dn[0]), std::fabs(dn[1]));
                const double ang = f * FACES3_GROUP_NORMAL_TOL / std::max(big, 0.3);
                for (int i = 0; i < 3; ++i) b[i] = add(hit, rotate(add(a[i], hit, -1), axis, ang));
            }
            emit(soup, b[0], b[1], b[2]);
        }
        const Body k = body_of(soup);
        const Facing f = facing(k.get(), p, d);
        std::vector<uint32_t> cand;
        faces3_circle_candidates(*k, p, d, Faces3GroupCells(d, tol), cand);
        std::vector<char> listed(faces3_anzahl_dreiecke(k.get()), 0);
        for (uint32_t c : cand) listed[c] = 1;
        for (size_t x = 0; x + 1 < f.tri.size(); ++x) {
            if (f.tri[x] % 2 != 0 || f.tri[x + 1] != f.tri[x] + 1) continue;
            if (!agree(f, x, x + 1, tol)) continue;
            ++agreeing_pairs;
            kept_pairs += listed[f.tri[x]] && listed[f.tri[x + 1]];
        }
    }
    EXPECT_GT(agreeing_pairs, 500);
    EXPECT_EQ(kept_pairs, agreeing_pairs);
}

// The plain pick and the quick one on the same body and ray: same code, hit, normal,
// circle radius, bit for bit.
struct Tally {
    int hits = 0, circles = 0, corners = 0, other_snaps = 0;
};

void expect_same_pick(const Faces3Koerper* k, const double o[3], const double d[3], double snap,
                      Tally& tally) {
    double h1[3], n1[3], r1, h2[3], n2[3], r2;
    const int a = faces3_pick(k, o, d, h1, n1, snap, &r1);
    const int b = ref::pick(k, o, d, snap, h2, n2, &r2);
    ASSERT_EQ(a, b) << snap;
    for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(h1[c], h2[c]) << snap;
        ASSERT_EQ(n1[c], n2[c]) << snap;
    }
    ASSERT_EQ(r1, r2) << snap;
    if (a != 0) return;
    ++tally.hits;
    if (r1 < 1e30) {
        ++tally.circles;
        return;
    }
    for (int i = 0; i < faces3_anzahl_punkte(k); ++i) {
        double q[3];
        faces3_get_punkt(k, i, q);
        if (q[0] == h1[0] && q[1] == h1[1] && q[2] == h1[2]) {
            ++tally.corners;
            return;
        }
    }
    // Off the ray: snapped to a feature edge.
    const V3 w = {h1[0] - o[0], h1[1] - o[1], h1[2] - o[2]};
    const V3 x = cross(w, {d[0], d[1], d[2]});
    if (std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]) > 1e-12) ++tally.other_snaps;
}

TEST(PickCandidates, PickMatchesThePlainScansOnBoresSheetsCornersAndEdges) {
    Tally tally;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed * 31);
        std::uniform_real_distribution<double> u(-1, 1);
        // A wavy sheet with holes, fins, duplicated and flipped triangles (ties of equal t,
        // feature edges), and tilted bores above it, some in near-copies of one plane.
        std::vector<double> soup = ref::random_soup(seed, 16, 2e-3);
        std::vector<V3> centres;
        for (int b = 0; b < 10; ++b) {
            const V3 c = {0.005 + 0.025 * std::fabs(u(rng)), 0.005 + 0.025 * std::fabs(u(rng)),
                          0.02 + 0.01 * b};
            const V3 n = unit({0.4 * u(rng), 0.4 * u(rng), 1});
            const double rho = 0.001 + 0.002 * std::fabs(u(rng));
            // Tilts and shifts inside, near and beyond the group tolerances.
            const double tilt = FACES3_GROUP_NORMAL_TOL * (b % 3 == 0 ? 0.05 : 0.9 + 0.3 * u(rng));
            const double shift = rho * 2 * 0.01 * (b % 2 ? 0.2 : 0.9);
            bore(soup, rng, c, n, rho, 12 + 4 * (b % 4), tilt, shift);
            centres.push_back(c);
        }
        Body k = body_of(soup);
        {
            f3test::QuietTerminal quiet;
            faces3_cpt_nachbarn(k.get());
        }
        for (int r = 0; r < 40; ++r) {
            double o[3], d[3];
            if (r % 2 == 0) {
                // Down onto a bore's centre, a little off.
                const V3& c = centres[r / 2 % centres.size()];
                o[0] = c[0] + 0.0005 * u(rng);
                o[1] = c[1] + 0.0005 * u(rng);
                o[2] = 0.3;
                d[0] = 0.02 * u(rng);
                d[1] = 0.02 * u(rng);
                d[2] = -1;
            } else {
                // Anywhere over the sheet, steep or slanted.
                o[0] = 0.035 * std::fabs(u(rng));
                o[1] = 0.035 * std::fabs(u(rng));
                o[2] = 0.3;
                d[0] = 0.1 * u(rng);
                d[1] = 0.1 * u(rng);
                d[2] = -1;
            }
            for (double snap : {0.0, 3e-4, 1e-3, 2.5e-3, 0.02})
                expect_same_pick(k.get(), o, d, snap, tally);
        }
    }
    EXPECT_GT(tally.hits, 500);
    EXPECT_GT(tally.circles, 20);
    EXPECT_GT(tally.corners, 50);
    EXPECT_GT(tally.other_snaps, 20);
}

}  // namespace
